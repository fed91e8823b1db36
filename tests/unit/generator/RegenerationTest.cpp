// Regeneration: every file decided from what Quillon last wrote, what the user made of it and
// what the new configuration generates, so that neither the user's edits nor the new
// configuration are lost.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "../../sdcc/SweepConfigurations.h"
#include "GeneratorTestSupport.h"
#include "TestSupport.h"
#include "config/LibrarySelection.h"
#include "generator/ProjectGenerator.h"
#include "generator/ProjectPlan.h"
#include "generator/Regeneration.h"

using namespace quillon;
namespace fs = std::filesystem;

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string S(const Bytes& b) { return {b.begin(), b.end()}; }

PlannedFile Planned(std::string_view text, FileKind kind = FileKind::Text, FilePolicy policy = FilePolicy::Generated) {
    return PlannedFile{"dir/f.c", kind, policy, B(text), false};
}

using Lines = std::vector<std::string>;

Lines SplitLines(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const Lines& lines, bool final_newline) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || final_newline) out += '\n';
    }
    return out;
}

// Lines of `a` that turning `a` into `b` touches: those it removes or changes (also in
// `changed`), and the two on either side of a place where it inserts. From a longest common
// subsequence.
std::vector<bool> TouchedLines(const Lines& a, const Lines& b, std::vector<bool>* changed = nullptr) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::uint16_t>> lcs(n + 1, std::vector<std::uint16_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    std::vector<bool> touched(n + 1, false);
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            ++i, ++j;
        } else if (j < m && (i == n || lcs[i][j + 1] >= lcs[i + 1][j])) {
            if (i > 0) touched[i - 1] = true;  // an insertion before a[i]
            touched[i] = true;
            ++j;
        } else {
            if (changed) (*changed)[i] = true;
            touched[i++] = true;
        }
    }
    return touched;
}

struct UserEdits {
    Lines result;                         // the file after the user's edits
    std::vector<std::string> added;       // the user's own lines, in file order
    std::map<std::string, int> removed;   // lines of the generated text the user removed
};

// Random edits of `lines`: lines inserted, changed and deleted, at places that `allowed` says
// are free. Every line the user writes is unique.
UserEdits EditAt(const Lines& lines, const std::vector<std::size_t>& places, std::mt19937& random, int& serial) {
    UserEdits edits;
    edits.result = lines;
    std::vector<std::size_t> at = places;
    std::sort(at.rbegin(), at.rend());
    std::vector<std::string> added_reversed;
    for (const std::size_t i : at) {
        const std::string mine = "/* user edit " + std::to_string(serial++) + " */";
        switch (random() % 3) {
        case 0:
            edits.result.insert(edits.result.begin() + static_cast<std::ptrdiff_t>(i) + 1, mine);
            added_reversed.push_back(mine);
            break;
        case 1:
            ++edits.removed[edits.result[i]];
            edits.result[i] = mine;
            added_reversed.push_back(mine);
            break;
        default:
            ++edits.removed[edits.result[i]];
            edits.result.erase(edits.result.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    edits.added.assign(added_reversed.rbegin(), added_reversed.rend());
    return edits;
}

std::map<std::string, int> Count(const Lines& lines) {
    std::map<std::string, int> count;
    for (const std::string& l : lines) ++count[l];
    return count;
}

// Every line of the new text is in `merged`, less the lines the user removed, and every line
// the user added is there once, in the user's order.
::testing::AssertionResult HoldsBoth(const Lines& merged, const Lines& generated, const UserEdits& edits,
                                     bool exactly) {
    std::map<std::string, int> want = Count(generated);
    for (const auto& [line, n] : edits.removed) want[line] -= n;
    std::map<std::string, int> have = Count(merged);
    for (const auto& [line, n] : want) {
        const int got = have.count(line) ? have[line] : 0;
        if (exactly ? got != n : got < n)
            return ::testing::AssertionFailure() << "line \"" << line << "\" " << got << " times, not " << n;
    }
    std::size_t from = 0;
    for (const std::string& mine : edits.added) {
        const auto it = std::find(merged.begin() + static_cast<std::ptrdiff_t>(from), merged.end(), mine);
        if (it == merged.end()) return ::testing::AssertionFailure() << "the user's line " << mine << " is lost";
        if (have[mine] != 1) return ::testing::AssertionFailure() << mine << " is there " << have[mine] << " times";
        from = static_cast<std::size_t>(it - merged.begin());
    }
    return ::testing::AssertionSuccess();
}

// A configuration of the compile sweep with its values varied, and a second one that differs
// from it in a few choices and values.
ConfigRecord Vary(sweep::SweepConfig config, std::mt19937& random, bool change_choices) {
    if (change_choices) {
        switch (random() % 4) {
        case 0: config.locatra = !config.locatra; break;
        case 1: config.clock_confirmed = !config.clock_confirmed; break;
        case 2: config.protocols ^= OptionBit::SMTP; break;
        default: config.dns = !config.dns; break;
        }
    }
    ConfigRecord r = sweep::BuildSweepRecord(config);
    r.num_sockets = static_cast<std::uint8_t>(2 + random() % 6);
    r.ip_src_addr = {10, 0, static_cast<std::uint8_t>(random() % 4), static_cast<std::uint8_t>(1 + random() % 3)};
    r.arp_cache_size = static_cast<std::uint8_t>(4 + random() % 3);
    r.locatra_name = random() % 2 ? "Pump " + std::to_string(random() % 3) : "Locatra Device Name";
    SelectLibrary(r, true);
    return r;
}

std::map<std::string, PlannedFile> ByPath(const ProjectPlan& plan) {
    std::map<std::string, PlannedFile> out;
    for (const PlannedFile& f : plan.files) out[f.path] = f;
    return out;
}

}  // namespace

// One table for every rule: what happens to a file for each combination of base, disk and new.
TEST(DecideFile, EveryCombinationOfBaseDiskAndNew) {
    const std::string base = "a\nb\nc\nd\ne\n";
    const RecordEntry text_base = EntryFor(FileKind::Text, B(base));
    const RecordEntry binary_base = EntryFor(FileKind::Binary, B(base));
    struct Case {
        const char* what;
        const RecordEntry* base;
        std::optional<std::string> disk;
        std::string next;
        FileKind kind;
        FilePolicy policy;
        FileOutcome outcome;
        std::optional<std::string> written;  // the file's new content, when written
        std::string side;                    // what goes beside it
        bool record_new;
    };
    const FilePolicy gen = FilePolicy::Generated;
    const FileKind text = FileKind::Text;
    const Case cases[] = {
        {"missing", &text_base, std::nullopt, "x\n", text, gen, FileOutcome::Created, "x\n", "", true},
        {"already new", nullptr, "x\n", "x\n", text, gen, FileOutcome::Unchanged, std::nullopt, "", true},
        {"untouched", &text_base, base, "a\nB\nc\nd\ne\n", text, gen, FileOutcome::Updated, "a\nB\nc\nd\ne\n", "", true},
        {"only the user changed it", &text_base, "a\nb\nc\nd\nE\n", base, text, gen, FileOutcome::Unchanged,
         std::nullopt, "", true},
        {"both, apart", &text_base, "a\nb\nc\nd\nE\n", "A\nb\nc\nd\ne\n", text, gen, FileOutcome::Merged,
         "A\nb\nc\nd\nE\n", "", true},
        {"both, alike", &text_base, "A\nb\nc\nd\ne\n", "A\nb\nc\nd\ne\n", text, gen, FileOutcome::Unchanged,
         std::nullopt, "", true},
        {"both, one line", &text_base, "a\nb\nX\nd\ne\n", "a\nb\nY\nd\ne\n", text, gen, FileOutcome::Conflict,
         std::nullopt,
         "a\nb\n<<<<<<< f.c (yours)\nX\n||||||| f.c (last generated)\nc\n=======\nY\n>>>>>>> f.c (generated now)\nd\ne\n",
         false},
        {"no base", nullptr, "mine\n", "x\n", text, gen, FileOutcome::Replaced, "x\n", "mine\n", true},
        {"binary, untouched", &binary_base, base, "new", FileKind::Binary, gen, FileOutcome::Updated, "new", "", true},
        {"binary, edited", &binary_base, "mine", "new", FileKind::Binary, gen, FileOutcome::Kept, std::nullopt, "new",
         false},
        {"binary, edited, same as before", &binary_base, "mine", base, FileKind::Binary, gen, FileOutcome::Unchanged,
         std::nullopt, "", true},
        {"text the user made binary", &text_base, std::string("a\0b", 3), "z\n", text, gen, FileOutcome::Kept,
         std::nullopt, "z\n", false},
        {"the user's page", nullptr, "<p>mine</p>", "sample", text, FilePolicy::Seed, FileOutcome::Kept, std::nullopt,
         "sample", true},
        {"the user's page, sample as before", &text_base, "<p>mine</p>", base, text, FilePolicy::Seed,
         FileOutcome::Unchanged, std::nullopt, "", true},
        {"the sample page, untouched", &text_base, base, "sample 2", text, FilePolicy::Seed, FileOutcome::Updated,
         "sample 2", "", true},
    };
    for (const Case& c : cases) {
        const PlannedFile planned = Planned(c.next, c.kind, c.policy);
        const std::optional<Bytes> disk = c.disk ? std::optional<Bytes>(B(*c.disk)) : std::nullopt;
        const FileDecision d = DecideFile(planned, c.base, disk);
        EXPECT_EQ(OutcomeName(d.outcome), OutcomeName(c.outcome)) << c.what;
        EXPECT_EQ(d.Written() ? std::optional<std::string>(S(*d.Written())) : std::nullopt, c.written) << c.what;
        EXPECT_EQ(S(d.side_bytes), c.side) << c.what;
        EXPECT_EQ(d.record_new, c.record_new) << c.what;
    }
}

TEST(DecideFile, TheDateLineChangesOnlyWithTheRestOfMainC) {
    const std::string before = "// main.c\n// Date: Mon\nint a;\n";
    const RecordEntry base = EntryFor(FileKind::Text, B(before));
    PlannedFile same{"main.c", FileKind::Text, FilePolicy::Generated, B("// main.c\n// Date: Tue\nint a;\n"), true};
    EXPECT_EQ(DecideFile(same, &base, B(before)).outcome, FileOutcome::Unchanged);
    EXPECT_EQ(S(DecideFile(same, &base, B(before)).next), before);
    // Without a record the file on disk gives the date.
    EXPECT_EQ(DecideFile(same, nullptr, B(before)).outcome, FileOutcome::Unchanged);

    PlannedFile changed = same;
    changed.bytes = B("// main.c\n// Date: Tue\nint b;\n");
    const FileDecision d = DecideFile(changed, &base, B(before));
    EXPECT_EQ(d.outcome, FileOutcome::Updated);
    EXPECT_EQ(S(*d.Written()), "// main.c\n// Date: Tue\nint b;\n");
}

// Over a thousand seeded cases: a project is generated, the user edits its text files away
// from what the next configuration changes, the configuration changes, and the project is
// generated again. Every user edit and every line of the new configuration is in the result.
// Every fourth case the user also edits a line the configuration changes: that file is a
// conflict, left exactly as the user had it, and its merge holds both sides.
TEST(Regeneration, NoUserLineAndNoGeneratedLineIsLost) {
    const auto& configs = sweep::SweepConfigs();
    NoLibrarySource none;
    int serial = 0, merged_files = 0, conflicts = 0;
    for (unsigned seed = 0; seed < 1000; ++seed) {
        std::mt19937 random(seed);
        const sweep::SweepConfig& config = configs[random() % configs.size()];
        ConfigRecord a = Vary(config, random, false);
        ConfigRecord b = Vary(config, random, true);
        const auto first = ByPath(PlanProject(a, "/p/", none, "Mon"));
        const auto second = ByPath(PlanProject(b, "/p/", none, "Tue"));

        // The user edits one to three generated text files.
        std::vector<std::string> editable;
        for (const auto& [path, f] : first) {
            if (f.kind == FileKind::Text && f.policy == FilePolicy::Generated && second.count(path) && !f.bytes.empty())
                editable.push_back(path);
        }
        std::shuffle(editable.begin(), editable.end(), random);
        const bool overlap = seed % 4 == 0;
        // The overlapping edit goes into a file the new configuration changes.
        if (overlap) {
            std::stable_partition(editable.begin(), editable.end(),
                                  [&](const std::string& p) { return first.at(p).bytes != second.at(p).bytes; });
        }
        editable.resize(std::min<std::size_t>(editable.size(), 1 + random() % 3));

        for (std::size_t k = 0; k < editable.size(); ++k) {
            const std::string& path = editable[k];
            const PlannedFile& old_file = first.at(path);
            const PlannedFile& new_file = second.at(path);
            const Lines old_lines = SplitLines(S(old_file.bytes));
            std::vector<bool> changed(old_lines.size() + 1, false);
            const std::vector<bool> touched = TouchedLines(old_lines, SplitLines(S(new_file.bytes)), &changed);
            const auto free_at = [&](std::size_t i) {
                for (std::size_t j = i >= 2 ? i - 2 : 0; j <= i + 3 && j < touched.size(); ++j)
                    if (touched[j]) return false;
                return true;
            };
            std::vector<std::size_t> places;
            for (std::size_t i = 0; i < old_lines.size(); ++i) {
                if (free_at(i) && (places.empty() || places.back() + 2 < i) && random() % 6 == 0) places.push_back(i);
            }
            places.resize(std::min<std::size_t>(places.size(), 4));
            // The overlapping edit: a line the new configuration changes, changed by the user too.
            const bool clash = overlap && k == 0;
            std::optional<std::size_t> clash_at;
            if (clash) {
                for (std::size_t i = 0; i < old_lines.size(); ++i) {
                    // Not main.c's date: it keeps the earlier date while nothing else changes.
                    if (changed[i] && !old_lines[i].empty() && !old_lines[i].starts_with("// Date: ")) {
                        clash_at = i;
                        break;
                    }
                }
                places.clear();
                if (clash_at) places.push_back(*clash_at);
            }
            if (places.empty()) continue;

            UserEdits edits;
            if (clash_at) {
                edits.result = old_lines;
                edits.removed[old_lines[*clash_at]] = 1;
                edits.result[*clash_at] = "/* user edit " + std::to_string(serial++) + " */";
                edits.added = {edits.result[*clash_at]};
            } else {
                edits = EditAt(old_lines, places, random, serial);
            }
            const bool final_newline = !old_file.bytes.empty() && old_file.bytes.back() == '\n';
            const Bytes disk = B(JoinLines(edits.result, final_newline));
            const RecordEntry base = EntryFor(old_file.kind, old_file.bytes);
            const FileDecision d = DecideFile(new_file, &base, disk);
            const Lines generated = SplitLines(S(d.next));
            const std::string where = "seed " + std::to_string(seed) + " " + config.name + " " + path;

            if (clash_at) {
                ASSERT_EQ(d.outcome, FileOutcome::Conflict) << where;
                EXPECT_FALSE(d.Written()) << where << ": the user's file was to be replaced";
                EXPECT_FALSE(d.record_new) << where;
                EXPECT_TRUE(HoldsBoth(SplitLines(S(d.side_bytes)), generated, edits, false)) << where;
                ++conflicts;
                continue;
            }
            ASSERT_NE(d.outcome, FileOutcome::Conflict) << where << "\n" << S(d.side_bytes);
            ASSERT_NE(d.outcome, FileOutcome::Kept) << where;
            const Bytes result = d.Written() ? *d.Written() : disk;
            EXPECT_TRUE(HoldsBoth(SplitLines(S(result)), generated, edits, true)) << where;
            merged_files += d.outcome == FileOutcome::Merged;
        }
    }
    // The cases did what they are for.
    RecordProperty("merged_files", merged_files);
    RecordProperty("conflicts", conflicts);
    EXPECT_GT(merged_files, 500);
    EXPECT_GT(conflicts, 150);
}

// The same through the disk, on the project of every configuration of the compile sweep:
// generate, edit, change, generate again.
class RegenerationOnDisk : public ::testing::Test {
protected:
    RegenerationOnDisk() { ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    ~RegenerationOnDisk() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

    GenerationReport Generate(ConfigRecord record, const GenerationOptions& options = {}) {
        std::string folder = dir.Path() + "/";
        return GenerateProject(record, folder, none, {}, options);
    }
    std::map<std::string, Bytes> Snapshot() const {
        std::map<std::string, Bytes> out;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path())) {
            if (e.is_regular_file()) out[fs::relative(e.path(), dir.Path()).generic_string()] = B(test::ReadText(e.path()));
        }
        return out;
    }
    std::string File(const std::string& name) const { return dir.File(name); }

    test::TempDir dir;
    NoLibrarySource none;
};

TEST_F(RegenerationOnDisk, EditsSurviveAChangedConfiguration) {
    int checked = 0;
    for (const sweep::SweepConfig& config : sweep::SweepConfigs()) {
        fs::remove_all(dir.Path());
        fs::create_directories(dir.Path());
        std::mt19937 random(checked);
        ConfigRecord a = Vary(config, random, false);
        ASSERT_EQ(Generate(a).outcome, GenerationOutcome::Generated) << config.name;
        // A function of the user's in main.c, a comment in zs_callback.c: neither where a
        // configuration changes anything.
        std::string main = test::ReadText(File("main.c"));
        main.insert(main.find('\n') + 1, "// my board\n");
        ASSERT_FALSE(WriteFileText(File("main.c"), main));
        std::string callback = test::ReadText(File("zs_callback.c"));
        callback.insert(0, "/* callbacks of my board */\n");
        ASSERT_FALSE(WriteFileText(File("zs_callback.c"), callback));

        ConfigRecord b = a;
        b.num_sockets = static_cast<std::uint8_t>(a.num_sockets + 1);
        b.locatra_enabled = !a.locatra_enabled;
        const GenerationReport report = Generate(b);
        ASSERT_EQ(report.outcome, GenerationOutcome::Generated) << config.name;
        EXPECT_EQ(report.Count(FileOutcome::Conflict), 0u) << config.name;
        EXPECT_NE(test::ReadText(File("main.c")).find("// my board\n"), std::string::npos) << config.name;
        EXPECT_NE(test::ReadText(File("zs_callback.c")).find("/* callbacks of my board */\n"), std::string::npos);
        EXPECT_NE(test::ReadText(File("zs_userconst.h")).find(std::to_string(b.num_sockets)), std::string::npos);
        // Files this configuration no longer has are left where they are.
        EXPECT_TRUE(fs::exists(File("locatra.h"))) << config.name;

        // Again with nothing changed: every file unchanged, and the folder byte for byte as it was.
        const auto before = Snapshot();
        const GenerationReport again = Generate(b);
        EXPECT_EQ(again.Count(FileOutcome::Unchanged), again.files.size()) << config.name;
        EXPECT_EQ(Snapshot(), before) << config.name;
        ++checked;
    }
}

TEST_F(RegenerationOnDisk, ADryRunWritesNothing) {
    ConfigRecord a = sweep::BuildSweepRecord(sweep::SweepConfigs()[1]);
    ASSERT_EQ(Generate(a).outcome, GenerationOutcome::Generated);
    ASSERT_FALSE(WriteFileText(File("main.c"), "mine\n"));
    const auto before = Snapshot();
    struct stat folder_before {};
    ::stat(dir.Path().c_str(), &folder_before);
    const auto times = [&] {
        std::map<std::string, fs::file_time_type> out;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path())) out[e.path()] = e.last_write_time();
        return out;
    };
    const auto times_before = times();

    a.num_sockets = 9;
    GenerationOptions dry;
    dry.dry_run = true;
    dry.diffs = true;
    const GenerationReport report = Generate(a, dry);
    EXPECT_EQ(report.outcome, GenerationOutcome::Generated);
    EXPECT_TRUE(report.dry_run);
    EXPECT_EQ(report.Count(FileOutcome::Updated), 1u);  // zs_userconst.h
    EXPECT_EQ(report.Count(FileOutcome::Unchanged) + 1, report.files.size());
    bool diffed = false;
    for (const FileReport& f : report.files) {
        if (f.path == "zs_userconst.h") {
            diffed = f.diff.find("-#define num_sockets") != std::string::npos &&
                     f.diff.find("+#define num_sockets                     9") != std::string::npos;
        }
    }
    EXPECT_TRUE(diffed);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(times(), times_before);

    // Into a folder that does not exist, nothing is made.
    std::string missing = dir.File("not/there");
    const GenerationReport nowhere = GenerateProject(a, missing, none, {}, dry);
    EXPECT_EQ(nowhere.Count(FileOutcome::Created), nowhere.files.size());
    EXPECT_FALSE(fs::exists(dir.File("not")));
}

TEST_F(RegenerationOnDisk, AFolderWithoutARecordKeepsACopyOfEveryFileItReplaces) {
    ConfigRecord a = sweep::BuildSweepRecord(sweep::SweepConfigs()[1]);
    ASSERT_FALSE(WriteFileText(File("main.c"), "an older main.c\n"));
    ASSERT_FALSE(WriteFileText(File("main.c.orig"), "a copy the user keeps\n"));
    fs::create_directories(File("VFILE_DIR"));
    ASSERT_FALSE(WriteFileText(File("VFILE_DIR/index.html"), "<p>my page</p>\n"));
    const GenerationReport report = Generate(a);
    EXPECT_EQ(report.outcome, GenerationOutcome::Generated);
    EXPECT_EQ(test::ReadText(File("main.c.orig")), "a copy the user keeps\n");
    EXPECT_EQ(test::ReadText(File("main.c.orig.2")), "an older main.c\n");
    // The user's own page is never replaced; the sample goes beside it.
    EXPECT_EQ(test::ReadText(File("VFILE_DIR/index.html")), "<p>my page</p>\n");
    EXPECT_TRUE(fs::exists(File("VFILE_DIR/index.html.new")));
    for (const FileReport& f : report.files) {
        if (f.path == "main.c") {
            EXPECT_EQ(f.outcome, FileOutcome::Replaced);
            EXPECT_EQ(f.side_file, "main.c.orig.2");
        } else if (f.path == "VFILE_DIR/index.html") {
            EXPECT_EQ(f.outcome, FileOutcome::Kept);
        }
    }
    // Now there is a record: the next generation leaves everything as it is.
    const GenerationReport again = Generate(a);
    EXPECT_EQ(again.Count(FileOutcome::Unchanged), again.files.size());
}

// A symbolic link in the project folder is never written through to the outside: not the
// file's own name, not a folder on its way, not the temporary names earlier versions used, and
// not the record's folder. A link that stays inside is followed.
TEST_F(RegenerationOnDisk, LinksOutOfTheFolderAreNeverWrittenThrough) {
    test::TempDir outside;
    const std::string victim = outside.File("victim.c");
    ASSERT_FALSE(WriteFileText(victim, "precious\n"));
    ConfigRecord a = sweep::BuildSweepRecord(sweep::SweepConfigs()[1]);  // a web project
    fs::create_symlink(victim, File("main.c"));
    for (const char* temp : {"zs_const_tmp.h", "zs_vars_tmp.c", "main_tmp.c", "tmp_TCPIP_Project.wsp"})
        fs::create_symlink(victim, File(temp));
    fs::create_directories(outside.File("web"));
    fs::create_symlink(outside.File("web"), File("VFILE_DIR"));
    fs::create_directories(File("src"));
    ASSERT_FALSE(WriteFileText(File("src/callback.c"), "old\n"));
    fs::create_symlink("src/callback.c", File("zs_callback.c"));

    const GenerationReport report = Generate(a);
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    EXPECT_EQ(test::ReadText(victim), "precious\n");
    EXPECT_TRUE(fs::is_empty(outside.File("web")));
    std::set<std::string> failed;
    for (const FileError& f : report.failures) failed.insert(f.path.substr(dir.Path().size() + 1));
    EXPECT_TRUE(failed.count("main.c"));
    EXPECT_TRUE(failed.count("VFILE_DIR/index.c"));
    for (const FileError& f : report.failures) EXPECT_EQ(f.reason, "a symbolic link that leads outside the project folder");
    // The rest of the project is there; the link inside the folder was followed.
    EXPECT_TRUE(fs::exists(File("zs_userconst.h")));
    EXPECT_TRUE(fs::is_symlink(File("zs_callback.c")));
    EXPECT_NE(test::ReadText(File("src/callback.c")), "old\n");

    // A record folder that is a link is not used at all.
    test::TempDir other;
    fs::remove_all(File(".quillon"));
    fs::create_symlink(other.Path(), File(".quillon"));
    EXPECT_EQ(Generate(a).outcome, GenerationOutcome::Failed);
    EXPECT_TRUE(fs::is_empty(other.Path()));
}

TEST_F(RegenerationOnDisk, AFolderInUseFailsNamingIt) {
    ConfigRecord a = sweep::BuildSweepRecord(sweep::SweepConfigs()[0]);
    ASSERT_EQ(Generate(a).outcome, GenerationOutcome::Generated);
    FolderLock other;
    ASSERT_FALSE(other.Acquire(File(".quillon"), true, std::chrono::milliseconds(0)));
    GenerationOptions quick;
    quick.lock_wait = std::chrono::milliseconds(50);
    const GenerationReport report = Generate(a, quick);
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    EXPECT_TRUE(report.folder_busy);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, dir.Path() + "/");
}

// A folder where a generated file belongs is not that file left as it is: even when the
// configuration does not change the file, generation fails naming it, and writes nothing there.
TEST_F(RegenerationOnDisk, AFolderInAFilesPlaceFailsNamingIt) {
    ConfigRecord a = sweep::BuildSweepRecord(sweep::SweepConfigs()[0]);
    ASSERT_EQ(Generate(a).outcome, GenerationOutcome::Generated);
    fs::remove(File("main.c"));
    fs::create_directory(File("main.c"));
    const GenerationReport report = Generate(a);
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, File("main.c"));
    EXPECT_TRUE(fs::is_empty(File("main.c")));
}
