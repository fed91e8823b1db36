#include "cli/ScriptParser.h"

#include <gtest/gtest.h>

#include "wizard/WizardDialog.h"

namespace quillon::cli {
namespace {

ScriptCommand ParseOne(std::string_view line) {
    ParsedScript p = ParseScript(line);
    EXPECT_FALSE(p.error) << line << ": " << (p.error ? p.error->why : "");
    EXPECT_EQ(p.commands.size(), 1u) << line;
    return p.commands.empty() ? ScriptCommand{} : p.commands.front();
}

std::optional<ScriptSyntaxError> ErrorOf(std::string_view text) { return ParseScript(text).error; }

TEST(ScriptParser, ReadsEveryCommandWithItsArguments) {
    ScriptCommand c = ParseOne("click Custom Ethernet Device");
    EXPECT_EQ(c.verb, ScriptVerb::Click);
    EXPECT_EQ(c.text, "Custom Ethernet Device");

    c = ParseOne("select \"Link/Physical Layer\"");
    EXPECT_EQ(c.verb, ScriptVerb::Select);
    EXPECT_EQ(c.text, "Link/Physical Layer");

    c = ParseOne("set 1001 300");
    EXPECT_EQ(c.verb, ScriptVerb::Set);
    EXPECT_EQ(c.id, 1001);
    EXPECT_EQ(c.text, "300");

    c = ParseOne("check 1011 on");
    EXPECT_EQ(c.verb, ScriptVerb::Check);
    EXPECT_TRUE(c.flag);
    EXPECT_FALSE(ParseOne("check 1011 off").flag);
    EXPECT_EQ(ParseOne("check").verb, ScriptVerb::RunChecks);  // alone: every check of generation

    c = ParseOne("address 1016 10.0.0.7");
    EXPECT_EQ(c.verb, ScriptVerb::Address);
    EXPECT_EQ(c.address, (Ip4{10, 0, 0, 7}));

    c = ParseOne("combo 1039 14");
    EXPECT_EQ(c.verb, ScriptVerb::Combo);
    EXPECT_EQ(c.id, 1039);
    EXPECT_EQ(c.index, 14);

    EXPECT_EQ(ParseOne("press 1031").id, 1031);
    EXPECT_EQ(ParseOne("menu save-as").id, MenuCommand::SaveAs);
    EXPECT_EQ(ParseOne("menu select-folder").id, MenuCommand::SelectProjectDirectory);
    EXPECT_TRUE(ParseOne("answer yes").flag);
    EXPECT_FALSE(ParseOne("answer no").flag);
    EXPECT_TRUE(ParseOne("answer cancel").cancel);

    c = ParseOne("sheet page PLL Setup");
    EXPECT_EQ(c.verb, ScriptVerb::SheetPage);
    EXPECT_EQ(c.text, "PLL Setup");
    c = ParseOne("sheet set 3367 1F");
    EXPECT_EQ(c.verb, ScriptVerb::SheetSet);
    EXPECT_EQ(c.id, 3367);
    EXPECT_EQ(c.text, "1F");
    EXPECT_EQ(ParseOne("sheet click 1200").verb, ScriptVerb::SheetClick);
    EXPECT_TRUE(ParseOne("sheet check 1201 on").flag);
    EXPECT_EQ(ParseOne("sheet ok").verb, ScriptVerb::SheetOk);
    EXPECT_EQ(ParseOne("sheet solve 4294967295").hz, 4294967295u);
    // Frequencies as they are written: "50 MHz" is 50 MHz, never 50 Hz.
    EXPECT_EQ(ParseOne("sheet solve 50 MHz").hz, 50000000u);
    EXPECT_EQ(ParseOne("sheet solve 22.1184MHz").hz, 22118400u);
    EXPECT_EQ(ParseOne("sheet solve 32.768 kHz").hz, 32768u);
    EXPECT_EQ(ParseOne("sheet solve 24500000 Hz").hz, 24500000u);
    EXPECT_EQ(ParseOne("sheet cancel").verb, ScriptVerb::SheetCancel);

    EXPECT_EQ(ParseOne("show panel").show, ShowWhat::Panel);
    EXPECT_EQ(ParseOne("show sheet").show, ShowWhat::Sheet);
}

TEST(ScriptParser, FinalTextKeepsInnerBlanksAndQuotesProtectTheRest) {
    EXPECT_EQ(ParseOne("set 1001   Locatra   Device  ").text, "Locatra   Device");
    EXPECT_EQ(ParseOne("set 1001 \"  padded  \"").text, "  padded  ");
    EXPECT_EQ(ParseOne("set 1001 \"\"").text, "");
    EXPECT_EQ(ParseOne(R"(set 1001 "say \"hi\" \\ ok")").text, R"(say "hi" \ ok)");
    // Unquoted texts are taken literally, backslashes and inner quotes included.
    EXPECT_EQ(ParseOne(R"(set 1002 a\"b)").text, R"(a\"b)");
    EXPECT_EQ(ParseOne("file my settings/web.wp").text, "my settings/web.wp");
}

TEST(ScriptParser, CancelIsOnlyACancelWhenUnquoted) {
    ScriptCommand c = ParseOne("file cancel");
    EXPECT_TRUE(c.cancel);
    c = ParseOne("folder \"cancel\"");
    EXPECT_FALSE(c.cancel);
    EXPECT_EQ(c.text, "cancel");
}

TEST(ScriptParser, CommentsBlankLinesAndCrLfKeepLineNumbers) {
    ParsedScript p = ParseScript("# a comment\n\n   # indented comment\r\nclick HTTP\r\n\t\nshow tree\r\nbogus");
    ASSERT_TRUE(p.error);
    EXPECT_EQ(p.error->line, 7);
    ASSERT_EQ(p.commands.size(), 2u);
    EXPECT_EQ(p.commands[0].line, 4);
    EXPECT_EQ(p.commands[0].text, "HTTP");  // the CR is not part of the node text
    EXPECT_EQ(p.commands[1].line, 6);
    EXPECT_TRUE(ParseScript("").commands.empty());
}

TEST(ScriptParser, RefusesMalformedLinesWithAReason) {
    struct Case {
        const char* text;
        const char* why_contains;
    };
    const Case cases[] = {
        {"frobnicate 1", "unknown command: frobnicate"},
        {"click", "missing node text"},
        {"set 1001", "missing text"},
        {"set abc 5", "control id is not a number: abc"},
        {"set 10x1 5", "control id is not a number: 10x1"},
        {"check 1011 maybe", "expected on or off"},
        {"check 1011", "missing on or off"},
        {"check 1011 on please", "unexpected text"},
        {"address 1015 10.0.0", "not an address"},
        {"address 1015 10.0.0.2560", "not an address"},  // 10.0.0.256 is typed text the window refuses
        {"combo 1039", "missing entry index"},
        {"combo 1039 x", "entry index is not a number: x"},
        {"menu quit", "unknown menu command: quit"},
        {"answer maybe", "expected yes, no or cancel"},
        {"file", "missing path"},
        {"file \"\"", "empty path"},
        {"sheet", "missing sheet command"},
        {"sheet close", "unknown sheet command"},
        {"sheet ok now", "unexpected text"},
        {"sheet solve", "missing SYSCLK in Hz"},
        {"sheet solve 0", "not a whole number of Hz"},
        {"sheet solve 4294967296", "not a whole number of Hz"},
        {"sheet solve 98 GHz", "not a whole number of Hz"},
        {"sheet solve 1.5 Hz", "not a whole number of Hz"},
        {"sheet solve 4295 MHz", "not a whole number of Hz"},
        {"show everything", "cannot show everything"},
        {"set 1001 \"unterminated", "missing closing quote"},
        {"set 1001 \"closed\" trailing", "unexpected text after the closing quote"},
        {"press \"1010\"x", "unexpected text after the closing quote"},
    };
    for (const Case& c : cases) {
        const auto error = ErrorOf(c.text);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->line, 1) << c.text;
        EXPECT_NE(error->why.find(c.why_contains), std::string::npos) << c.text << " -> " << error->why;
    }
}

TEST(ScriptParser, DottedAddresses) {
    EXPECT_EQ(ParseDottedAddress("0.0.0.0"), (Ip4{0, 0, 0, 0}));
    EXPECT_EQ(ParseDottedAddress("255.255.255.255"), (Ip4{255, 255, 255, 255}));
    EXPECT_EQ(ParseDottedAddress("010.001.0.7"), (Ip4{10, 1, 0, 7}));
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.", ".1.2.3", "1..2.3", "1.2.3.1000", "a.b.c.d",
                            "1.2.3.4 ", "-1.2.3.4"}) {
        EXPECT_FALSE(ParseDottedAddress(bad)) << bad;
    }
}

TEST(ScriptParser, ArbitraryBytesNeverBreakIt) {
    // The parser also reads untrusted files: every byte value, NULs and lone quotes included.
    std::string junk;
    for (int i = 0; i < 256; ++i) junk += static_cast<char>(i);
    junk += "\n\"\n\\\n";
    ParsedScript p = ParseScript(junk);
    EXPECT_TRUE(p.error);
}

}  // namespace
}  // namespace quillon::cli
