// The wizard's binding of the library store: the shared library loaded at run time and its two
// entry points. A missing store, or a store without an entry point, leaves that entry point
// empty; nothing is reported. It is the generator's source of library pairs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "generator/LibrarySource.h"
#include "stackvault/stackvault.h"

namespace quillon {

class StoreBinding final : public LibrarySource {
public:
    StoreBinding() = default;
    ~StoreBinding() override;
    StoreBinding(const StoreBinding&) = delete;
    StoreBinding& operator=(const StoreBinding&) = delete;

    // Loads the first of `candidates` that loads at all and looks up both names in it; a
    // name it lacks leaves that entry point empty. Any store loaded before is freed first.
    void Load(const std::vector<std::string>& candidates);
    // Frees the store and forgets both entry points.
    void Unload();

    bool Loaded() const { return handle_ != nullptr; }
    // Why a candidate that exists could not be loaded (the loader's message for the first
    // one); empty when none was there, or one loaded.
    const std::string& LoadError() const { return load_error_; }
    const std::string& LoadedPath() const { return path_; }
    GetStackLibFn GetStackLib() const { return get_stack_lib_; }
    GetLibrarySizeFn GetLibrarySize() const { return get_library_size_; }

    // True when the store holds the sample libraries of a development build (their mark,
    // STACKVAULT_SAMPLE_MARK, is in pair 1) rather than the real stack. Looked up once.
    bool HoldsSampleLibraries() const;

    // LibrarySource: both entry points are needed to fetch a pair.
    bool LibrarySizes(int number, std::uint32_t& common_size, std::uint32_t& bank_size) const override;
    bool FetchLibraries(int number, std::uint8_t* common, std::uint8_t* bank) const override;
    // The loader's reason, the entry point the store lacks, or the pair it does not hold.
    std::string FetchProblem(const std::string& common_name, const std::string& bank_name) const override;

    // Where the store is looked for: Vaultkeep/stackvault.so beside the program, then in the
    // installed library folder <prefix>/lib/quillon/Vaultkeep/.
    static std::vector<std::string> DefaultCandidates(const std::string& program_dir, const std::string& install_prefix);

private:
    void* handle_ = nullptr;
    std::string path_;
    std::string load_error_;
    GetStackLibFn get_stack_lib_ = nullptr;
    GetLibrarySizeFn get_library_size_ = nullptr;
    mutable std::optional<bool> samples_;
};

// The one line that goes wherever the wizard names its libraries (the closing message of a
// generation, the About box, `--version`, `vault list`) while the store holds samples.
inline constexpr const char* kSampleLibrariesNotice =
    "sample stack libraries: the firmware links but does not run the stack";

// The notices of a store as lines: the sample notice, or nothing.
std::vector<std::string> StoreNotices(const StoreBinding& store);

}  // namespace quillon
