// Where the generator gets the precompiled library pair of a configuration from. The window
// binds the library store behind it; tests and tools may hand in anything else.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

class LibrarySource {
public:
    virtual ~LibrarySource() = default;

    // The sizes in bytes of the common and the bank library of pair `number` (1 to 72); false
    // when the source cannot tell (both sizes then stay 0).
    virtual bool LibrarySizes(int number, std::uint32_t& common_size, std::uint32_t& bank_size) const = 0;
    // Copies pair `number` into two buffers of the sizes LibrarySizes gave; true when both
    // were filled. A source that cannot tell the sizes never fills anything.
    virtual bool FetchLibraries(int number, std::uint8_t* common, std::uint8_t* bank) const = 0;
    // Why the pair named by the two file names could not be fetched, for the closing message;
    // empty when there was no source to ask at all.
    virtual std::string FetchProblem(const std::string& common_name, const std::string& bank_name) const = 0;
};

// A source that has nothing: the generation writes both libraries empty and says so.
class NoLibrarySource final : public LibrarySource {
public:
    bool LibrarySizes(int, std::uint32_t&, std::uint32_t&) const override { return false; }
    bool FetchLibraries(int, std::uint8_t*, std::uint8_t*) const override { return false; }
    std::string FetchProblem(const std::string&, const std::string&) const override { return {}; }
};

}  // namespace quillon
