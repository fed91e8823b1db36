// zs_funcs.h against the stack's component table: the libraries export exactly the functions of
// their components, so the header must declare each under the component's condition and
// declare nothing else of the library; the rest are callbacks the project itself defines.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "content/TemplateScan.h"
#include "stacklib/StackComponents.h"
#include "resources/Resources.h"
#include "TestSupport.h"

using namespace quillon;
using quillon::test::ScanTemplate;
using quillon::test::TemplateSection;

namespace {

struct Declaration {
    bool in_section = false;
    TemplateSection section;
};

// Function declarations: a line starting with a return type and a name followed by "(".
std::vector<std::string> DeclaredFunctions(const std::string& text) {
    static const std::regex declaration(R"((?:^|\n)(?:int|void|word|byte|dword) +(\w+)\()");
    static const std::regex interrupt(R"(INTERRUPT_PROTO\((\w+),)");
    std::vector<std::string> names;
    for (const std::regex* pattern : {&declaration, &interrupt})
        for (std::sregex_iterator it(text.begin(), text.end(), *pattern), end; it != end; ++it)
            names.push_back((*it)[1]);
    return names;
}

std::string Text(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// The project sources that define callbacks: the callback blocks, the custom device drivers
// and the main.c routines.
std::string ProjectSources() {
    std::string all;
    for (int number : {193, 194, 196, 199, 200, 172, 173}) all += Text(DataFile(number));
    for (int id = 170; id <= 179; ++id) all += StringFragment(id);
    return all;
}

bool Defined(const std::string& sources, const std::string& name) {
    // A definition: the name, its parameter list, and the opening brace on the next line.
    const std::regex definition("(\\b" + name + R"( ?\([^;{]*\)\r?\n\{)|INTERRUPT\()" + name + ",");
    return std::regex_search(sources, definition);
}

}  // namespace

TEST(StackFunctions, EveryLibraryFunctionIsDeclaredUnderItsComponentsCondition) {
    const StackComponentTable table =
        ParseStackComponents(test::ReadText(std::string(QUILLON_SOURCE_DIR) + "/resources/stack/components.txt"));
    ASSERT_TRUE(table.errors.empty());
    ASSERT_FALSE(table.components.empty());

    const auto scan = ScanTemplate(DataFile(156));
    ASSERT_TRUE(scan.errors.empty());
    std::map<std::string, std::vector<Declaration>> declared;
    for (const std::string& name : DeclaredFunctions(scan.outside)) declared[name].push_back({});
    for (const TemplateSection& section : scan.sections)
        for (const std::string& name : DeclaredFunctions(section.body)) declared[name].push_back({true, section});

    std::set<std::string> library;
    for (const StackComponent& component : table.components) {
        for (const std::string& function : component.functions) {
            library.insert(function);
            const auto it = declared.find(function);
            ASSERT_NE(it, declared.end()) << function << " of " << component.module << " is not declared";
            ASSERT_EQ(it->second.size(), 1u) << function << " is declared more than once";
            const Declaration& d = it->second.front();
            if (component.half == LibraryHalf::Source) {
                ASSERT_TRUE(d.in_section) << function;
                EXPECT_TRUE(d.section.device) << function << " is declared for the device bits that build it in";
                EXPECT_EQ(d.section.Mask(), component.device_bits) << function;
                continue;
            }
            if (component.condition_bits == 0) {
                EXPECT_FALSE(d.in_section) << function << " belongs to every library";
                continue;
            }
            ASSERT_TRUE(d.in_section) << function << " needs the section of " << component.module;
            EXPECT_FALSE(d.section.device) << function;
            EXPECT_EQ(d.section.alternative, -1) << function;
            EXPECT_EQ(d.section.Mask(), component.condition_bits) << function;
            if (d.section.bits.size() > 1) {
                EXPECT_EQ(d.section.terminator == '|', component.any_of) << function;
            }
        }
    }

    // Everything else zs_funcs.h declares is a callback: the project must define it.
    const std::string sources = ProjectSources();
    int callbacks = 0;
    for (const auto& [name, declarations] : declared) {
        if (library.count(name)) continue;
        ++callbacks;
        EXPECT_TRUE(Defined(sources, name)) << name << " is neither a library function nor defined by the project";
    }
    EXPECT_GE(callbacks, 10);
}

TEST(StackFunctions, CallbackBlocksDefineTheCallbacksOfEveryProject) {
    // Both callback blocks define the callbacks every project needs; only the Lanvik block routes
    // the Ethernet device to the library's driver (a custom device brings its own).
    for (int number : {193, 196}) {
        const std::string block = Text(DataFile(number));
        EXPECT_TRUE(Defined(block, "zs_link_status")) << number;
        EXPECT_TRUE(Defined(block, "zs_error")) << number;
    }
    EXPECT_TRUE(Defined(Text(DataFile(196)), "eth_device_init"));
    EXPECT_FALSE(Defined(Text(DataFile(193)), "eth_device_init"));
    for (int number : {172, 173}) EXPECT_TRUE(Defined(Text(DataFile(number)), "eth_device_receive")) << number;
    EXPECT_TRUE(Defined(Text(DataFile(172)), "custom_ethernet_isr"));
    EXPECT_FALSE(Defined(Text(DataFile(173)), "custom_ethernet_isr"));
}
