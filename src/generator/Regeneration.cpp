#include "generator/Regeneration.h"

#include "generator/MainSource.h"

namespace quillon {

namespace {

bool SameBytes(ByteView a, ByteView b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// True when `disk` is what the record says was last written.
bool MatchesBase(const RecordEntry& base, const Bytes& disk) {
    if (base.content) return SameBytes(*base.content, disk);
    return base.size == disk.size() && base.id == ContentId(disk);
}

// True when `disk` is what Quillon wrote before its last write to the file: that write never
// reached the disk (a power cut), and the file is still Quillon's, not the user's.
bool IsLostWrite(const RecordEntry& base, const Bytes& disk) {
    return !base.replaced_id.empty() && !MatchesBase(base, disk) && ContentId(disk) == base.replaced_id;
}

std::string_view AsText(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// main.c with the date of `earlier` when that makes it `earlier` byte for byte: an unchanged
// configuration regenerates an unchanged file.
Bytes WithEarlierDate(const Bytes& next, const Bytes& earlier) {
    const std::optional<std::string_view> date = DateLineText(AsText(earlier));
    if (!date) return next;
    const std::optional<std::string> redated = WithDateLineText(AsText(next), *date);
    if (!redated || !SameBytes(AsByteView(*redated), earlier)) return next;
    return earlier;
}

FileDecision Decision(FileOutcome outcome, Bytes next) {
    FileDecision d;
    d.outcome = outcome;
    d.next = std::move(next);
    return d;
}

}  // namespace

std::string_view OutcomeName(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Created: return "created";
    case FileOutcome::Updated: return "updated";
    case FileOutcome::Unchanged: return "unchanged";
    case FileOutcome::Merged: return "merged";
    case FileOutcome::Conflict: return "conflict";
    case FileOutcome::Kept: return "kept";
    case FileOutcome::Replaced: return "replaced";
    }
    return "unchanged";
}

std::optional<FileDecision> DecideFile(PlannedFile planned, const RecordEntry* base, const DiskFile& file) {
    Bytes next = std::move(planned.bytes);
    if (!file.exists) {
        if (planned.dated && base && base->content) next = WithEarlierDate(next, *base->content);
        FileDecision d = Decision(FileOutcome::Created, std::move(next));
        d.writes_next = true;
        return d;
    }
    if (planned.dated && base && base->content) next = WithEarlierDate(next, *base->content);
    // The new text is what was generated last time: the file stays as it is, whatever the
    // user made of it, so its content does not matter; unless the last write may not have
    // reached the disk, which only the content can tell.
    const bool same_as_base = file.is_file && base && MatchesBase(*base, next);
    if (same_as_base && base->replaced_id.empty()) return Decision(FileOutcome::Unchanged, std::move(next));

    std::optional<Bytes> read = file.read ? file.read() : std::nullopt;
    if (!read) return std::nullopt;
    const Bytes& disk = *read;
    if (base && !SameBytes(disk, next) && IsLostWrite(*base, disk)) {
        FileDecision d = Decision(FileOutcome::Updated, std::move(next));
        d.writes_next = true;
        d.replaced_id = base->replaced_id;
        d.disk = std::move(read);
        return d;
    }
    if (same_as_base) {
        // The record stays as it is (an unchanged configuration rewrites nothing), so the
        // file goes on being checked against the output its last write replaced.
        FileDecision d = Decision(FileOutcome::Unchanged, std::move(next));
        d.replaced_id = base->replaced_id;
        return d;
    }
    if (planned.dated && !(base && base->content)) next = WithEarlierDate(next, disk);

    FileDecision d;
    if (SameBytes(disk, next)) {
        d = Decision(FileOutcome::Unchanged, std::move(next));
        // Already the new text (a write whose record never followed): what it replaced is
        // what the record held, as if this generation had written it.
        if (base && !MatchesBase(*base, d.next)) d.replaced_id = base->id;
    } else if (base && MatchesBase(*base, disk)) {
        d = Decision(FileOutcome::Updated, std::move(next));
        d.writes_next = true;
        d.replaced_id = base->id;
    } else if (planned.policy == FilePolicy::Seed) {
        // The user's own page: never replaced. A new sample goes beside it, once.
        d = Decision(FileOutcome::Kept, std::move(next));
        d.side_suffix = kNewSuffix;
        d.side_bytes = d.next;
    } else if (!base) {
        // An older tool's project, or one made by hand: keep a copy, then replace.
        d = Decision(FileOutcome::Replaced, std::move(next));
        d.side_suffix = kOriginalSuffix;
        d.side_bytes = disk;
        d.writes_next = true;
    } else {
        // The user's edits and a new text: merge them.
        std::optional<TextMergeResult> merged;
        if (planned.kind == FileKind::Text && base->content) {
            const std::string name = planned.path.substr(planned.path.rfind('/') + 1);
            merged = MergeTexts(*base->content, disk, next,
                                {name + " (last generated)", name + " (yours)", name + " (generated now)"});
        }
        if (!merged) {
            d = Decision(FileOutcome::Kept, std::move(next));
            d.side_suffix = kNewSuffix;
            d.side_bytes = d.next;
            d.record_new = false;
        } else if (!merged->clean) {
            d = Decision(FileOutcome::Conflict, std::move(next));
            d.side_suffix = kMergeSuffix;
            d.side_bytes = std::move(merged->text);
            d.record_new = false;
        } else if (SameBytes(merged->text, disk)) {
            // The user's file already holds every change: nothing to write.
            d = Decision(FileOutcome::Unchanged, std::move(next));
        } else {
            d = Decision(FileOutcome::Merged, std::move(next));
            d.merged = std::move(merged->text);
        }
    }
    d.disk = std::move(read);
    return d;
}

FileDecision DecideFile(PlannedFile planned, const RecordEntry* base, const std::optional<Bytes>& disk) {
    DiskFile file;
    file.exists = disk.has_value();
    file.read = [&disk] { return disk; };
    return *DecideFile(std::move(planned), base, file);
}

}  // namespace quillon
