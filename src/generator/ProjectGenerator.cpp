#include "generator/ProjectGenerator.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <variant>

#include "config/LibrarySelection.h"
#include "generator/MainSource.h"
#include "generator/ProjectPlan.h"
#include "generator/TemplateExpander.h"
#include "generator/Workspace.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

// No generated file comes near this; a larger file in its place is not read whole.
constexpr std::size_t kLargestFileRead = std::size_t{256} << 20;

constexpr const char* kLinkLeavesFolder = "a symbolic link that leads outside the project folder";
constexpr const char* kFolderInUse = "another generation is writing into this folder";
constexpr const char* kFolderLineBreak =
    "holds a line break, which the generated workspace cannot keep (its folder lines would split); "
    "choose another folder";

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool NeedsFolder(const std::string& folder) {
    return folder.empty() || folder == kNoFolderSelected || !IsFolder(folder);
}

// Settles the project folder; false when the user cancelled the question.
bool SettleFolder(std::string& project_folder, const GenerationHooks& hooks, bool dry_run) {
    // A dry run looks at a folder without making it, so one that does not exist yet will do.
    const bool named = !project_folder.empty() && project_folder != kNoFolderSelected;
    if (!NeedsFolder(project_folder) || (dry_run && named)) {
        project_folder = WithSlash(project_folder);
        return true;
    }
    const std::string before = project_folder;
    const std::string chosen = hooks.choose_folder ? hooks.choose_folder() : std::string(kNoFolderSelected);
    if (chosen.empty() || chosen == kNoFolderSelected) {
        project_folder.clear();
        return false;
    }
    // Cancelled over a folder text that names no folder (a settings file from another
    // machine): keep the text, the next generation asks again.
    if (chosen == before) return false;
    project_folder = WithSlash(chosen);
    return true;
}

bool SameBytes(ByteView a, ByteView b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// The project folder as the generation sees it: its real path (links resolved), and where each
// of its files really is.
class ProjectFolder {
public:
    explicit ProjectFolder(const std::string& folder_text) : text_(folder_text) {
        std::error_code ec;
        root_ = fs::weakly_canonical(fs::path(folder_text), ec);
        if (ec) root_ = fs::path(folder_text).lexically_normal();
        std::string root = root_.string();
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        root_ = root;
    }

    // The path as the user knows it, for messages.
    std::string Shown(const std::string& relative) const { return text_ + relative; }

    // Where `relative` is really written: its own path, or where a symbolic link inside the
    // folder leads. An error for a path that a link takes outside the folder.
    std::variant<std::string, FileError> Resolve(const std::string& relative) const {
        std::error_code ec;
        const fs::path resolved = fs::weakly_canonical(root_ / relative, ec);
        if (ec) return FileError{Shown(relative), ec.message()};
        const std::string path = resolved.string();
        const std::string root = root_.string();
        const bool inside = root == "/" ? path.size() > 1 : path.size() > root.size() + 1 &&
                                                                 path.compare(0, root.size(), root) == 0 &&
                                                                 path[root.size()] == '/';
        if (!inside) return FileError{Shown(relative), kLinkLeavesFolder};
        return path;
    }

    std::string Real(const std::string& relative) const { return (root_ / relative).string(); }

    // A path Resolve gave, relative to the folder's real path.
    std::string Relative(const std::string& real) const {
        const std::string root = root_.string();
        return real.substr(root == "/" ? 1 : root.size() + 1);
    }

private:
    std::string text_;
    fs::path root_;
};

// One planned file on its way through the generation.
struct Entry {
    const PlannedFile* planned = nullptr;
    std::string target;              // where the file is really written
    FileDecision decision;
    std::string side_path;           // relative, when a file goes beside it
    std::string side_target;
    bool failed = false;
};

// The file at `path` (links resolved) as the decision sees it: read only when it asks, and a
// file that is there but cannot be read sets `error`.
DiskFile DiskAt(const std::string& path, std::optional<FileError>& error) {
    DiskFile file;
    std::error_code ec;
    file.exists = fs::exists(fs::status(path, ec));
    // A folder (or anything else that is not a file) in a file's place is read, so that it
    // fails with the system's reason.
    if (file.exists && !fs::is_regular_file(fs::status(path, ec))) {
        file.is_file = false;
        file.read = [path, &error]() -> std::optional<Bytes> {
            Bytes bytes;
            error = ReadFileBytes(path, bytes, kLargestFileRead);
            if (!error) error = FileError{path, "is not a file"};
            return std::nullopt;
        };
        return file;
    }
    file.read = [path, &error]() -> std::optional<Bytes> {
        Bytes bytes;
        if (auto failure = ReadFileBytes(path, bytes, kLargestFileRead)) {
            error = std::move(failure);
            return std::nullopt;
        }
        return bytes;
    };
    return file;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The diff of what the generation does to the folder for one file.
std::string ChangeDiff(const Entry& e) {
    const std::string& path = e.planned->path;
    const FileDecision& d = e.decision;
    std::string out;
    // The file beside the user's is new (or, for a copy, the same bytes again). A conflict's
    // merge is shown against the user's file it was merged into: what the markers add to it.
    if (d.outcome == FileOutcome::Conflict && d.disk) {
        out += UnifiedDiff(ByteView(*d.disk), ByteView(d.side_bytes), e.side_path, path);
    } else if (!d.side_suffix.empty()) {
        out += UnifiedDiff(std::nullopt, ByteView(d.side_bytes), e.side_path);
    }
    if (const Bytes* written = d.Written()) {
        const std::optional<ByteView> before = d.disk ? std::optional<ByteView>(*d.disk) : std::nullopt;
        out += UnifiedDiff(before, ByteView(*written), path);
    }
    return out;
}

// Removes what a killed generation left: temporary files of the names it writes.
void RemoveLeftoverTemporaries(const std::map<std::string, std::set<std::string>>& names_by_folder) {
    for (const auto& [folder, names] : names_by_folder) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const std::size_t marker = name.rfind(".tmp-");
            if (marker == std::string::npos) continue;
            const std::string target = name.substr(0, marker);
            if (names.count(target) && IsReplacementTempName(name, target)) RemoveFile(it->path().string());
        }
    }
}

// A name beside `relative` + `suffix` that holds `bytes` already or is free; "NAME.orig",
// then "NAME.orig.2", ... so that one user's copy never replaces another.
std::string FreeSideName(const ProjectFolder& folder, const std::string& relative, const std::string& suffix,
                         const Bytes& bytes) {
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = relative + suffix + (n == 1 ? "" : "." + std::to_string(n));
        const auto resolved = folder.Resolve(candidate);
        if (!std::holds_alternative<std::string>(resolved)) return candidate;  // reported when written
        Bytes existing;
        std::error_code ec;
        const std::string& path = std::get<std::string>(resolved);
        if (!fs::exists(fs::symlink_status(path, ec))) return candidate;
        if (!ReadFileBytes(path, existing, kLargestFileRead) && SameBytes(existing, bytes)) return candidate;
    }
    return relative + suffix;
}

}  // namespace

std::size_t GenerationReport::Count(FileOutcome outcome) const {
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [&](const FileReport& f) { return f.outcome == outcome; }));
}

GenerationReport GenerateProject(ConfigRecord& record, std::string& project_folder, const LibrarySource& source,
                                 const GenerationHooks& hooks, const GenerationOptions& options) {
    GenerationReport report;
    report.dry_run = options.dry_run;
    auto& failures = report.failures;

    // The generated headers describe exactly the library that is linked.
    SelectLibrary(record, true);

    if (!SettleFolder(project_folder, hooks, options.dry_run)) {
        report.outcome = GenerationOutcome::Cancelled;
        return report;
    }
    const std::string& folder_text = project_folder;
    report.outcome = GenerationOutcome::Failed;
    // The workspace names the folder on its own lines.
    if (folder_text.find_first_of("\r\n") != std::string::npos) {
        failures.push_back({folder_text, kFolderLineBreak});
        return report;
    }

    const std::string date = GenerationDateText(std::getenv("SOURCE_DATE_EPOCH"), std::time(nullptr));
    ProjectPlan plan = PlanProject(record, folder_text, source, date);
    report.common_library = plan.common_library;
    report.bank_library = plan.bank_library;
    report.libraries_from_store = plan.libraries_from_store;
    report.missing_stack_sources = plan.missing_stack_sources;
    if (!plan.libraries_from_store) report.store_problem = source.FetchProblem(plan.common_library, plan.bank_library);
    if (!plan.library_problem.empty()) failures.push_back({folder_text + plan.common_library, plan.library_problem});

    const ProjectFolder folder(folder_text);
    const bool folder_exists = IsFolder(folder_text);

    // The record folder: never a link, never followed out of the project.
    const std::string record_dir = folder.Real(kRecordFolder);
    const std::string record_path = record_dir + "/" + kRecordFileName;
    std::error_code ec;
    const fs::file_status record_dir_status = fs::symlink_status(record_dir, ec);
    const bool record_dir_exists = fs::exists(record_dir_status);
    if (record_dir_exists && !fs::is_directory(record_dir_status)) {
        failures.push_back({folder.Shown(kRecordFolder), fs::is_symlink(record_dir_status)
                                                             ? kLinkLeavesFolder
                                                             : "is not a folder"});
        return report;
    }
    // A generation that writes works from handles of the folders it opened, from the project
    // folder down, never through a link: one planted while it runs is refused, not followed.
    FolderHandle root, record_folder;
    std::set<std::string> touched_folders;  // relative; "" is the project folder
    const auto lock_failure = [&](FileError error, bool busy) {
        if (busy) {
            report.folder_busy = true;
            failures.push_back({folder_text, kFolderInUse});
        } else {
            error.path = folder.Shown(kRecordFolder);
            if (error.reason == kLinkInPlace) error.reason = kLinkLeavesFolder;
            failures.push_back(error);
        }
        return report;
    };
    FolderLock lock;
    bool busy = false;
    if (!options.dry_run) {
        if (auto error = FolderHandle::Open(folder_text, root)) {
            failures.push_back(*error);
            return report;
        }
        bool existed = true;
        if (auto error = root.Sub(kRecordFolder, true, record_folder, &existed)) return lock_failure(*error, false);
        if (!existed) touched_folders.insert("");
        PausePoint("lock", record_folder.Shown());
        if (auto error = lock.Acquire(record_folder, true, options.lock_wait, &busy)) return lock_failure(*error, busy);
    } else if (record_dir_exists) {
        PausePoint("lock", folder.Shown(kRecordFolder));
        if (auto error = lock.Acquire(record_dir, false, options.lock_wait, &busy)) return lock_failure(*error, busy);
    }

    // What was written last, read under the lock: a generation that held it before this one
    // may have made the record just now. A record that cannot be read counts as none: every
    // file that differs is then copied before it is replaced.
    Bytes record_bytes;
    ProjectRecord last;
    if (!options.dry_run) {
        if (!record_folder.Read(kRecordFileName, record_bytes, kLargestFileRead)) last = ParseProjectRecord(record_bytes);
    } else if (record_dir_exists && !ReadFileBytes(record_path, record_bytes, kLargestFileRead)) {
        last = ParseProjectRecord(record_bytes);
    }

    // Decide every file.
    std::vector<Entry> entries;
    entries.reserve(plan.files.size());
    for (PlannedFile& planned : plan.files) {
        Entry e;
        e.planned = &planned;
        auto resolved = folder.Resolve(planned.path);
        if (auto* error = std::get_if<FileError>(&resolved)) {
            failures.push_back(*error);
            continue;
        }
        e.target = std::get<std::string>(resolved);
        std::optional<FileError> error;
        const DiskFile disk = folder_exists ? DiskAt(e.target, error) : DiskFile{};
        const auto base = last.find(planned.path);
        // The decision takes the bytes; the plan keeps the file's name and kind.
        PlannedFile bytes_of{planned.path, planned.kind, planned.policy, std::move(planned.bytes), planned.dated};
        std::optional<FileDecision> decision =
            DecideFile(std::move(bytes_of), base == last.end() ? nullptr : &base->second, disk);
        if (!decision) {
            if (!error) error = FileError{e.target, "cannot be read"};
            error->path = folder.Shown(planned.path);
            failures.push_back(*error);
            continue;
        }
        e.decision = std::move(*decision);
        if (!e.decision.side_suffix.empty()) {
            e.side_path = e.decision.outcome == FileOutcome::Replaced
                              ? FreeSideName(folder, planned.path, e.decision.side_suffix, e.decision.side_bytes)
                              : planned.path + e.decision.side_suffix;
        }
        entries.push_back(std::move(e));
    }

    for (const Entry& e : entries) {
        FileReport file{e.planned->path, e.decision.outcome, e.side_path, {}};
        if (options.diffs) file.diff = ChangeDiff(e);
        report.files.push_back(std::move(file));
    }

    if (options.dry_run) {
        report.outcome = failures.empty() ? GenerationOutcome::Generated : GenerationOutcome::Failed;
        return report;
    }
    const std::function<std::string(std::size_t)> diff = [&](std::size_t i) {
        return i < entries.size() ? ChangeDiff(entries[i]) : std::string();
    };
    if (hooks.review && !hooks.review(report.files, diff)) {
        report.files.clear();
        report.outcome = GenerationOutcome::Cancelled;
        return report;
    }

    // Write. Each file whole, through a temporary file renamed into place; a file that goes
    // beside the user's first, so that nothing is replaced before its copy exists.
    std::map<std::string, std::set<std::string>> written_names;
    for (const Entry& e : entries) {
        written_names[ParentOf(e.target)].insert(NameOf(e.target));
        if (!e.side_path.empty()) written_names[ParentOf(folder.Real(e.side_path))].insert(NameOf(e.side_path));
    }
    written_names[record_dir].insert(kRecordFileName);
    RemoveLeftoverTemporaries(written_names);

    // The folders written into, by their real path relative to the project folder, each opened
    // (and made when missing) once; a folder that cannot be is reported once, not for every
    // file it would hold.
    std::map<std::string, FolderHandle> handles;
    std::set<std::string> failed_folders;
    std::function<FolderHandle*(const std::string&)> folder_at = [&](const std::string& relative) -> FolderHandle* {
        if (relative.empty() || relative == ".") return &root;
        if (const auto it = handles.find(relative); it != handles.end()) return &it->second;
        if (failed_folders.count(relative)) return nullptr;
        const std::string parent = relative.find('/') == std::string::npos ? std::string() : ParentOf(relative);
        FolderHandle* above = folder_at(parent);
        FolderHandle sub;
        bool existed = true;
        std::optional<FileError> error;
        if (above) error = above->Sub(NameOf(relative), true, sub, &existed);
        if (!above || error) {
            if (error) {
                error->path = folder.Shown(relative);
                failures.push_back(*error);
            }
            failed_folders.insert(relative);
            return nullptr;
        }
        if (!existed) touched_folders.insert(parent);
        return &handles.emplace(relative, std::move(sub)).first->second;
    };
    const auto folder_of = [](const std::string& relative) {
        return relative.find('/') == std::string::npos ? std::string() : ParentOf(relative);
    };
    // Where each entry wrote, to tell which files a folder that cannot be synced holds.
    std::vector<std::set<std::string>> written_in(entries.size());

    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        const FileDecision& d = e.decision;
        if (!d.Written() && d.side_suffix.empty()) continue;
        const std::string relative = folder.Relative(e.target);
        FolderHandle* dir = folder_at(folder_of(relative));
        if (!dir) {
            e.failed = true;
            continue;
        }
        if (!e.side_path.empty()) {
            auto resolved = folder.Resolve(e.side_path);
            std::optional<FileError> error;
            if (auto* outside = std::get_if<FileError>(&resolved)) {
                error = *outside;
            } else {
                const std::string side = folder.Relative(std::get<std::string>(resolved));
                if (FolderHandle* side_dir = folder_at(folder_of(side))) {
                    error = side_dir->Replace(NameOf(side), d.side_bytes, Durability::ContentFlushed);
                    if (error) error->path = folder.Shown(e.side_path);
                    written_in[i].insert(folder_of(side));
                    touched_folders.insert(folder_of(side));
                } else {
                    e.failed = true;
                    continue;
                }
            }
            if (error) {
                failures.push_back(*error);
                e.failed = true;
                continue;
            }
        }
        if (const Bytes* written = d.Written()) {
            written_in[i].insert(folder_of(relative));
            touched_folders.insert(folder_of(relative));
            if (auto error = dir->Replace(NameOf(relative), *written, Durability::ContentFlushed)) {
                error->path = folder.Shown(e.planned->path);
                failures.push_back(*error);
                e.failed = true;
                if (e.planned->path == kWorkspaceName) report.step_errors.push_back(kWorkspaceWriteError);
            }
        }
    }

    // Every file reaches the disk before the record that names it: a power cut can then never
    // leave a record that calls an old file's content Quillon's latest.
    for (const std::string& relative : touched_folders) {
        FolderHandle* dir = folder_at(relative);
        if (!dir) continue;
        if (auto error = dir->Sync()) {
            failures.push_back(*error);
            // Their new names may not last: the record goes on knowing what it knew of them.
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (written_in[i].count(relative)) entries[i].failed = true;
            }
        }
    }

    // The record last, so that after any failure the next generation still knows what was
    // there before: a file it did not get to write is decided against its old base again.
    ProjectRecord next = std::move(last);
    for (Entry& e : entries) {
        if (e.failed || !e.decision.record_new) continue;
        RecordEntry& entry = next[e.planned->path] = EntryFor(e.planned->kind, std::move(e.decision.next));
        entry.replaced_id = std::move(e.decision.replaced_id);
    }
    const Bytes next_bytes = SerializeProjectRecord(next);
    if (!SameBytes(next_bytes, record_bytes)) {
        // Flushed: a failed sync of the record's folder is a failure like any other.
        if (auto error = record_folder.Replace(kRecordFileName, next_bytes, Durability::Flushed)) {
            failures.push_back(*error);
        }
    }

    std::vector<FileReport> done;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].failed) done.push_back(std::move(report.files[i]));
    }
    report.files = std::move(done);
    if (failures.empty()) report.outcome = GenerationOutcome::Generated;
    return report;
}

}  // namespace quillon
