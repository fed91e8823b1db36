#include "cli/StateFormat.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

#include "wizard/OptionTree.h"
#include "wizard/SettingsPanel.h"

namespace quillon::cli {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string Value(const std::vector<std::string>& lines, const std::string& field) {
    for (const std::string& line : lines) {
        if (line.rfind(field + "=", 0) == 0) return line.substr(field.size() + 1);
    }
    ADD_FAILURE() << "no field " << field;
    return {};
}

TEST(StateFormat, TextsStayOnOneLine) {
    EXPECT_EQ(OneLine("Sysclk\nmust be\r\nlower"), "Sysclk\\nmust be\\r\\nlower");
    EXPECT_EQ(Quoted("a \"b\" \\ c\nd"), R"("a \"b\" \\ c\nd")");
    EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(StateFormat, RecordFieldsInDeclaredOrderWithTheirFormats) {
    ConfigRecord r;
    r.bootp_resend_trys = static_cast<std::int8_t>(200);  // signed field: shows as -56
    r.ip_src_addr = {10, 0, 0, 7};
    r.clock.oscxcn = 0x7;
    r.clock.sysclk_hz = 98000000;
    r.emif_timing = 0x5;
    r.option_bits = 0xABCDEF;
    std::ostringstream out;
    WriteRecordState(r, out);
    const auto lines = Lines(out.str());

    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "option_bits=0xABCDEF");
    EXPECT_EQ(lines[1], "device_bits=0x102");
    EXPECT_EQ(lines.back(), "clock_confirmed=0");
    EXPECT_EQ(Value(lines, "num_sockets"), "3");
    EXPECT_EQ(Value(lines, "bootp_resend_trys"), "-56");
    EXPECT_EQ(Value(lines, "tl0_flash"), "63");
    EXPECT_EQ(Value(lines, "ip_src_addr"), "10.0.0.7");
    EXPECT_EQ(Value(lines, "eth_src_hw_addr"), "00:0B:3C:00:00:00");
    EXPECT_EQ(Value(lines, "eth_dest_hw_addr"), "FF:FF:FF:FF:FF:FF");
    EXPECT_EQ(Value(lines, "uart_reload"), "96");
    EXPECT_EQ(Value(lines, "locatra_name"), "Locatra Device Name");
    EXPECT_EQ(Value(lines, "country_code"), "");
    EXPECT_EQ(Value(lines, "emif_timing"), "0x05");
    EXPECT_EQ(Value(lines, "clock.oscxcn"), "0x07");
    EXPECT_EQ(Value(lines, "clock.sysclk_hz"), "98000000");

    // Every line is one field=value with a distinct name: a field written twice or a name
    // mistyped into an existing one shows up here.
    std::set<std::string> names;
    for (const std::string& line : lines) {
        const auto eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        EXPECT_TRUE(names.insert(line.substr(0, eq)).second) << line;
    }
    EXPECT_EQ(names.size(), 84u);  // 72 fields beside the clock block, 12 inside it
}

TEST(StateFormat, TreeListsEveryNodeThenTheSelection) {
    OptionTree tree;
    tree.Build();
    tree.SetState(OptionNode::HTTP, NodeState::On);
    tree.SetState(OptionNode::BOOTP, NodeState::Unavailable);
    std::ostringstream out;
    WriteTreeState(tree, out);
    auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 43u);
    EXPECT_EQ(lines[0], "Hardware Settings: image=4 checked=0");
    EXPECT_EQ(lines[2], "Lanvik: image=1 checked=0");
    EXPECT_EQ(lines[28], "BOOTP: image=8 checked=0");
    EXPECT_EQ(lines[32], "HTTP: image=1 checked=1");
    EXPECT_EQ(lines[41], "MAC Addresses: image=7 checked=0");
    EXPECT_EQ(lines[42], "selected:");

    tree.Select(OptionNode::Sockets);
    out.str("");
    WriteTreeState(tree, out);
    lines = Lines(out.str());
    EXPECT_EQ(lines.back(), "selected: Sockets");
}

TEST(StateFormat, PanelShowsVisibleControlsOnly) {
    SettingsPanel panel;
    panel.Control(ControlId::Value1).visible = true;
    panel.Control(ControlId::Value1).text = "3";
    panel.Control(ControlId::Label1).text = "Number of sockets:";
    panel.Control(ControlId::Address2).visible = true;
    panel.Control(ControlId::Address2).address = {10, 0, 0, 7};
    panel.Control(ControlId::DestMacFirst).visible = true;
    panel.Control(ControlId::DestMacFirst).enabled = false;
    panel.Control(ControlId::DestMacFirst).text = "FF";
    panel.Control(ControlId::CountryCombo).selection = 40;
    panel.Control(ControlId::ProtocolCombo).selection = -1;
    panel.Control(ControlId::UpdateBaudRate).enabled = false;
    std::ostringstream out;
    WritePanelState(panel, out);
    const std::vector<std::string> expected = {
        "1001 edit \"3\"",
        "1004 label \"Number of sockets:\"",
        "1011 check 0",
        "1016 address 10.0.0.7",
        "1019 mac disabled \"FF\"",
        "1031 button disabled \"Update UART Baud Rate\"",
        "1032 label \"Used Space:\"",
        "1033 label \"Free Space:\"",
        "1034 edit \"0\"",
        "1035 edit \"128\"",
        "1036 label \"KB\"",
        "1037 label \"KB\"",
        "1039 combo 40 \"United States\"",
        "1040 label \"Country Codes:\"",
        "1041 combo -1 \"\"",
        "1042 label \"Protocol:\"",
    };
    EXPECT_EQ(Lines(out.str()), expected);
}

}  // namespace
}  // namespace quillon::cli
