#include "wizard/RecentFiles.h"

#include <algorithm>

namespace quillon {

RecentFiles::RecentFiles(const std::vector<std::string>& kept) {
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        if (!it->empty()) Add(*it);
    }
}

void RecentFiles::Add(const std::string& path) {
    if (path.empty()) return;
    Remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

void RecentFiles::Remove(const std::string& path) {
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

}  // namespace quillon
