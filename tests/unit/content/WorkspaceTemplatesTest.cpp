// The 24 stored workspace templates, read as the target IDE reads them: sections of key=value
// lines, lists as chains of sections.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/Resources.h"

using namespace quillon;

namespace {

using Section = std::map<std::string, std::string>;

struct Workspace {
    std::vector<std::string> order;  // section names in file order
    std::map<std::string, Section> sections;
    std::string error;

    const Section* Find(const std::string& name) const {
        const auto it = sections.find(name);
        return it == sections.end() ? nullptr : &it->second;
    }
    // The entries of the chain below `parent`: each links on with its ptn_Child line.
    std::vector<std::string> Chain(const std::string& parent, const std::string& key,
                                   const std::string& link = "ptn_Child1") const {
        std::vector<std::string> out;
        const Section* s = Find(parent);
        std::string name = parent;
        std::string via = link;
        while (s && s->count(via) && s->at(via) == key) {
            name += "." + key;
            s = Find(name);
            if (!s || !s->count(key)) break;
            out.push_back(s->at(key));
            via = "ptn_Child1";
        }
        return out;
    }
};

Workspace Parse(std::span<const std::uint8_t> bytes) {
    const std::string text(bytes.begin(), bytes.end());
    Workspace w;
    std::string current;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            w.error = "last line has no CR LF";
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) w.error = "bare line break";
        if (line.empty()) continue;
        if (line.front() == '[') {
            current = line.substr(1, line.size() - 2);
            if (w.sections.count(current)) w.error = "section " + current + " twice";
            w.order.push_back(current);
            w.sections[current];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || current.empty()) {
            w.error = "not a key line: " + line;
            continue;
        }
        w.sections[current][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return w;
}

struct Facts {
    int number;
    bool web, custom, bank, zintor, locatra;
};

constexpr Facts kTable[] = {
    {160, 0, 0, 0, 0, 0}, {203, 0, 0, 0, 0, 1}, {189, 0, 0, 0, 1, 0}, {211, 0, 0, 0, 1, 1}, {178, 0, 0, 1, 0, 0},
    {204, 0, 0, 1, 0, 1}, {175, 0, 1, 0, 0, 0}, {206, 0, 1, 0, 0, 1}, {191, 0, 1, 0, 1, 0}, {213, 0, 1, 0, 1, 1},
    {180, 0, 1, 1, 0, 0}, {209, 0, 1, 1, 0, 1}, {169, 1, 0, 0, 0, 0}, {205, 1, 0, 0, 0, 1}, {190, 1, 0, 0, 1, 0},
    {212, 1, 0, 0, 1, 1}, {179, 1, 0, 1, 0, 0}, {208, 1, 0, 1, 0, 1}, {174, 1, 1, 0, 0, 0}, {207, 1, 1, 0, 0, 1},
    {192, 1, 1, 0, 1, 0}, {214, 1, 1, 0, 1, 1}, {181, 1, 1, 1, 0, 0}, {210, 1, 1, 1, 0, 1},
};

using List = std::vector<std::string>;

List Cat(List list, const List& more, bool when = true) {
    if (when) list.insert(list.end(), more.begin(), more.end());
    return list;
}

constexpr const char* kRoot = "WorkState_v1_1";
const std::string kProject = std::string(kRoot) + ".Project";

}  // namespace

TEST(WorkspaceTemplates, EachOfTheTwentyFourHasTheEntriesOfItsFacts) {
    for (const Facts& f : kTable) {
        SCOPED_TRACE("workspace " + std::to_string(f.number));
        const Workspace w = Parse(DataFile(f.number));
        ASSERT_TRUE(w.error.empty()) << w.error;
        ASSERT_FALSE(w.order.empty());
        EXPECT_EQ(w.order.front(), kRoot);
        for (const std::string& name : w.order)
            EXPECT_TRUE(name == kRoot || name.rfind(std::string(kRoot) + ".", 0) == 0) << name;

        const Section* project = w.Find(kProject);
        ASSERT_NE(project, nullptr);
        EXPECT_EQ(project->at("WorkSpaceName"), "%%TCPIP_Project.wsp");
        EXPECT_EQ(project->at("OutputFile"), "TCPIP_Project");
        const Section* settings = w.Find(kProject + ".Settings");
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->at("CompFlag"), "DB OE Large");
        EXPECT_EQ(settings->at("AssFlag"), "XR GEN DB EP NOMOD51");
        std::string link = "RS(256) PL(68) PW(78) XD(10H) NOOL";
        if (f.bank) link += " BANKAREA(8000H,0FFFFH)";
        if (f.bank && f.web) link += " BANK1(8000H, ?CO?INDEX (8000H))";
        EXPECT_EQ(settings->at("LinkFlag"), link);
        EXPECT_EQ(settings->at("BankingPN"), f.bank ? "72" : "32767");

        const bool zintor = f.zintor && !f.bank;
        const List sources = Cat(Cat(Cat({"zs_vars.c", "main.c"}, {"custom_ethernet.c"}, f.custom), {"zs_callback.c"}),
                                 {"locatra.c"}, f.locatra);
        const List cfiles = Cat(Cat(Cat(Cat({"zs_vars.c", "main.c"}, {"custom_ethernet.c"}, f.custom),
                                        {"VFILE_DIR\\index.c"}, f.web),
                                    {"zs_callback.c"}),
                                {"locatra.c"}, f.locatra);
        EXPECT_EQ(w.Chain(kProject + ".CFiles", "FileName"), cfiles);

        List objects = Cat(Cat({"zs_vars.obj", "main.obj"}, {"custom_ethernet.obj"}, f.custom), {"VFILE_DIR\\index.obj"},
                           f.web);
        objects = Cat(objects, {"L51_BANK.obj", "STARTUP.obj"}, f.bank);
        objects = Cat(objects, {"Startup.obj"}, zintor);
        objects = Cat(Cat(objects, {"@@", "##", "zs_callback.obj"}), {"locatra.obj"}, f.locatra);
        EXPECT_EQ(w.Chain(kProject + ".LFiles", "FileName"), objects);

        List afiles = Cat({}, {"L51_BANK.A51", "STARTUP.A51"}, f.bank);
        afiles = Cat(afiles, {"Startup.a51"}, zintor);
        EXPECT_EQ(w.Chain(kProject + ".AFiles", "FileName"), afiles);

        const List folders = Cat({"Source Files", "Header Files"}, {"VFILE_DIR"}, f.web);
        EXPECT_EQ(w.Chain(kProject + ".Folders", "FolderName"), folders);
        std::string folder = kProject + ".Folders.FolderName";
        EXPECT_EQ(w.Chain(folder, "FileName", "ptn_Child2"), sources);
        folder += ".FolderName";
        const List headers = Cat(Cat({"zs_defs.h", "zs_errs.h", "zs_funcs.h", "zs_stackconst.h", "zs_userconst.h"},
                                     {"custom_ethernet.h"}, f.custom),
                                 {"locatra.h"}, f.locatra);
        EXPECT_EQ(w.Chain(folder, "FileName", "ptn_Child2"), headers);
        if (f.web) {
            EXPECT_EQ(w.Chain(folder + ".FolderName", "FileName", "ptn_Child2"), List{"VFILE_DIR\\index.c"});
        }

        const List bank_map = w.Chain(kProject + ".BankMap.BankNum", "FileName");
        if (f.bank) {
            EXPECT_EQ(w.Chain(kProject + ".BankMap", "BankNum"), List{"1"});
            const List banked = f.web ? List{"VFILE_DIR\\index.obj", "@@"} : List{"@@"};
            EXPECT_EQ(bank_map, banked);
        } else {
            EXPECT_EQ(w.Find(kProject + ".BankMap"), nullptr);
        }

        const bool remembers_main = f.bank || ((f.custom || f.web) && !zintor);
        const Section* document = w.Find(std::string(kRoot) + ".Documents.Document");
        EXPECT_EQ(document != nullptr, remembers_main);
        if (document) {
            EXPECT_EQ(document->at("DocPathName"), "%%main.c");
        }
    }
}
