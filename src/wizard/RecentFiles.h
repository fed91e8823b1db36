// File > Open Recent: the settings files opened or saved last, newest first. The front end keeps
// the list between runs; this only orders it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillon {

class RecentFiles {
public:
    static constexpr std::size_t kMaxEntries = 10;

    RecentFiles() = default;
    // A list as it was kept: empty entries and repeats are dropped, at most kMaxEntries stay.
    explicit RecentFiles(const std::vector<std::string>& kept);

    // `path` moves to the front (or is added there); the oldest entry beyond the tenth goes.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    void Clear() { entries_.clear(); }

    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

}  // namespace quillon
