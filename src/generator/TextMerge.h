// Line-based three-way merge and unified diffs on a well-kept library (libgit2, set up when
// first needed) rather than a diff3 of our own, and content ids (xxHash).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline ByteView AsByteView(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// True when the bytes cannot be treated as lines of text (they hold a zero byte).
bool LooksBinary(ByteView bytes);

struct MergeLabels {
    std::string base;    // what was last generated
    std::string ours;    // the user's file
    std::string theirs;  // what is generated now
};

struct TextMergeResult {
    bool clean = false;  // no conflicts: `text` is the merged file
    Bytes text;          // the merge, with conflict markers where the two sides disagree
};

// Merges the changes from `base` to `ours` and from `base` to `theirs`, line by line. Conflicts
// are marked in the three-part style (ours, base, theirs). Nothing when the inputs cannot be
// merged as text (a zero byte in any of them) or the library fails.
std::optional<TextMergeResult> MergeTexts(ByteView base, ByteView ours, ByteView theirs, const MergeLabels& labels);

// A unified diff from `before` (nothing: the file is new) to `after` (nothing: the file goes),
// with the git-style header naming `path` (relative, with "/"). Binary contents are named as
// such, not shown. Empty when both sides are alike. `before_path`, when given, names the
// `before` side (a file compared with the one beside it).
std::string UnifiedDiff(const std::optional<ByteView>& before, const std::optional<ByteView>& after,
                        std::string_view path, std::string_view before_path = {});

// The content's id: its 128-bit XXH3 hash as 32 lower-case hex digits. It tells contents apart
// (a user's file from the one generated); it is no defence against a file made to collide.
std::string ContentId(ByteView bytes);

}  // namespace quillon
