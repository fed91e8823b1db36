#include "WindowTestSupport.h"
#include "config/Validation.h"

namespace quillon::test {
namespace {

using N = OptionNode;
namespace C = ControlId;

using FindingsTest = WindowTest;

std::vector<N> NodesOf(const std::vector<Finding>& findings) {
    std::vector<N> nodes;
    for (const Finding& f : findings) nodes.push_back(f.node);
    return nodes;
}

TEST_F(FindingsTest, MissingChoicesComeFirstThenEveryRuleWithItsEdit) {
    // The defaults choose no transport layer.
    Finding transport;
    transport.message = "Select a Transport Layer";
    transport.node = N::TransportLayer;
    EXPECT_EQ(dlg.Findings(), std::vector<Finding>{transport});

    // Every rule broken at once: each finding names the edit of its field, on its own page.
    for (N n : {N::Ethernet, N::TCP, N::HTTP, N::FTP, N::SMTP}) Click(n);
    ConfigRecord& r = dlg.Record();
    r.num_sockets = 0;
    r.recv_buff_size = r.xmit_buff_size = 10;
    r.http_buffer_len = r.ftp_buffer_len = 100;
    r.ftp_num_users = 500;
    r.ftp_max_param = r.smtp_buffer_len = r.arp_cache_size = 0;
    const std::vector<Finding> findings = dlg.Findings();
    // Eleven rules, and 500 FTP users cannot fit the XDATA.
    ASSERT_EQ(findings.size(), 12u);
    EXPECT_EQ(findings.back().field, "xmit_buff_size");
    for (const Finding& f : findings) {
        SCOPED_TRACE(f.message);
        dlg.OnSelectionChange(f.node);
        ASSERT_TRUE(f.control != 0 && Ctl(f.control).visible);
        const int n = f.control == C::Value4 ? 4 : f.control - C::Value1 + 1;
        EXPECT_EQ(Ctl(SettingsPanel::LabelId(n)).text, f.caption + ":");
    }

    // The four choices come before the limits, in the order Generate Project tests them.
    for (N n : {N::Ethernet, N::TCP, N::UDP, N::Vardex, N::Lanvik}) dlg.Tree().SetState(n, NodeState::Off);
    const std::vector<N> nodes = NodesOf(dlg.Findings());
    EXPECT_EQ(std::vector<N>(nodes.begin(), nodes.begin() + 5),
              (std::vector<N>{N::LinkPhysicalLayer, N::TransportLayer, N::DeviceSelection, N::CommunicationAdapter,
                              N::Sockets}));
}

TEST_F(FindingsTest, ARefusalShowsTheFirstFindingAndPutsItsFieldInFront) {
    // A missing choice: its category is selected; there is no field to focus.
    dlg.Tree().SetExpanded(N::ProtocolSettings, false);
    dlg.OnGenerateProject();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Select a Transport Layer"});
    EXPECT_EQ(dlg.Tree().Selected(), N::TransportLayer);
    EXPECT_TRUE(dlg.Tree().IsExpanded(N::ProtocolSettings));
    EXPECT_EQ(dlg.FocusRequest().serial, 0u);

    // A broken rule: its page is shown and its edit asked for the focus, each time anew.
    Click(N::TCP);
    dlg.Record().recv_buff_size = 100;
    dlg.Record().tcp_window = 600;
    dlg.OnGenerateProject();
    EXPECT_EQ(ui.MessageTexts().back(), "TCP window is too large for RX buffers");
    EXPECT_EQ(ui.messages.size(), 2u);  // the first finding only
    EXPECT_EQ(dlg.Tree().Selected(), N::TCP);
    EXPECT_EQ(dlg.FocusRequest().control, C::Value1);
    EXPECT_EQ(dlg.FocusRequest().serial, 1u);
    dlg.OnGenerateProject();
    EXPECT_EQ(dlg.FocusRequest().serial, 2u);
    EXPECT_FALSE(dlg.LastGeneration());
}

TEST_F(FindingsTest, TypedValuesSayWhatWasStoredAndTheRange) {
    struct Case {
        N node;
        int control;
        const char* typed;
        const char* note;
    };
    const Case cases[] = {
        {N::Sockets, C::Value1, "300", "300 does not fit: not stored; the value stays 3 (range 1 to 127)"},
        {N::Sockets, C::Value1, "0", "0 breaks a rule: Number of sockets must be between 1 and 127 (range 1 to 127)"},
        {N::Sockets, C::Value1, "456", "456 does not fit: not stored; the value stays 0; Number of sockets must be "
                                       "between 1 and 127 (range 1 to 127)"},
        {N::Sockets, C::Value1, "127", ""},
        {N::Sockets, C::Value2, "99999", "99999 does not fit: not stored; the value stays 1514 (range 64 to 65535)"},
        {N::Sockets, C::Value2, "0064", ""},
        {N::Sockets, C::Value4, "12abc", "\"12abc\" is not a plain number: not stored; the value stays 100 (range 0 to "
                                         "65535)"},
        {N::Sockets, C::Value4, "", "Nothing typed: not stored; the value stays 100 (range 0 to 65535)"},
        {N::BOOTP, C::Value1, "200", "200 does not fit: not stored; the value stays 6 (range 0 to 127)"},
        // A rule between two fields limits both of them (TCP is on below).
        {N::Sockets, C::Value3, "100", "100 breaks a rule: TCP window is too large for RX buffers (range 512 to 65535)"},
        {N::TCP, C::Value1, "1600", "1600 breaks a rule: TCP window is too large for RX buffers (range 0 to 100)"},
        {N::UsePassword, C::Value1, "12abc", ""},  // texts are stored as typed
    };
    Click(N::TCP);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        if (dlg.Tree().Selected() != c.node) dlg.OnSelectionChange(c.node);
        EXPECT_EQ(dlg.OnValueEdited(c.control, c.typed), c.note);
        EXPECT_EQ(Ctl(c.control).note, c.note);
    }
    // A text the record does not hold refuses Generate Project, naming the field, until the
    // page is left (the edit then shows the record again) or a fitting number is typed.
    dlg.OnSelectionChange(N::Sockets);
    dlg.OnValueEdited(C::Value1, "300");
    const std::vector<Finding> findings = dlg.Findings();
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings.front().caption, "Number of sockets");
    EXPECT_EQ(findings.front().field, "num_sockets");
    EXPECT_EQ(findings.front().message, Ctl(C::Value1).note);
    EXPECT_EQ(dlg.Record().num_sockets, 127);
    dlg.OnGenerateProject();
    EXPECT_FALSE(dlg.LastGeneration());
    EXPECT_EQ(ui.MessageTexts().back(), Ctl(C::Value1).note);
    dlg.OnValueEdited(C::Value1, "4");
    for (const Finding& f : dlg.Findings()) EXPECT_NE(f.field, "num_sockets") << f.message;
    // An address octet of 300 is not stored either.
    dlg.OnSelectionChange(N::IPAddresses);
    const Ip4 before = dlg.Record().ip_src_addr;
    EXPECT_EQ(dlg.OnAddressTyped(C::Address2, "10.0.0.300"),
              "octet 4: 300 does not fit (0 to 255): not stored; the address stays " +
                  std::to_string(before[0]) + "." + std::to_string(before[1]) + "." + std::to_string(before[2]) +
                  "." + std::to_string(before[3]));
    EXPECT_EQ(dlg.Record().ip_src_addr, before);
    ASSERT_FALSE(dlg.Findings().empty());
    EXPECT_EQ(dlg.Findings().front().caption, "Source IP Address");
    EXPECT_EQ(dlg.OnAddressTyped(C::Address2, "10.0.0.30"), "");
    EXPECT_EQ(dlg.Record().ip_src_addr, (Ip4{10, 0, 0, 30}));
    for (const Finding& f : dlg.Findings()) EXPECT_NE(f.node, N::IPAddresses) << f.message;

    // With ARP chosen the PING rule narrows the socket range; a refresh clears every note.
    Click(N::Ethernet);
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(dlg.OnValueEdited(C::Value1, "1"),
              "1 breaks a rule: At least 2 sockets are required when using PING (range 2 to 127)");
    dlg.OnSelectionChange(N::TCP);
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(Ctl(C::Value1).note, "");
    // A text the edit refuses leaves no note; the message box speaks for it.
    dlg.OnValueEdited(C::Value1, "300");
    dlg.OnValueEdited(C::Value1, std::string(36, '9'));
    EXPECT_EQ(Ctl(C::Value1).note, "");
}

}  // namespace
}  // namespace quillon::test
