#include "WindowTestSupport.h"

namespace quillon::test {
namespace {

using N = OptionNode;
namespace C = ControlId;

using PanelRulesTest = WindowTest;

// Ids of the shown controls that take input, in id order.
std::vector<int> ShownInputs(const SettingsPanel& panel) {
    std::vector<int> ids;
    for (const PanelControl& c : panel.Controls()) {
        const bool input = c.kind != PanelControlKind::Label && !c.read_only;
        if (c.visible && input && c.id != C::UpdateBaudRate) ids.push_back(c.id);
    }
    return ids;
}

TEST_F(PanelRulesTest, RefreshShowsTheNodesValuesAndWritesNothing) {
    const ConfigRecord before = dlg.Record();
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(ShownInputs(dlg.Panel()), (std::vector<int>{C::Value1, C::Value2, C::Value3, C::Value4}));
    EXPECT_EQ(Ctl(C::Label1).text, "Number of sockets:");
    EXPECT_EQ(Ctl(C::Label4).text, "Socket timeout (10ms ticks):");
    EXPECT_EQ(Ctl(C::Value1).text, "3");
    EXPECT_EQ(Ctl(C::Value2).text, "1514");
    EXPECT_EQ(Ctl(C::Value4).text, "100");

    // A view that echoes what it renders back as change notifications changes nothing.
    dlg.SetViewListener([&] {
        for (int n = 1; n <= 4; ++n) dlg.OnValueEdited(SettingsPanel::ValueId(n), dlg.Panel().Control(SettingsPanel::ValueId(n)).text);
    });
    dlg.OnSelectionChange(N::ARP);
    dlg.SetViewListener({});
    EXPECT_EQ(ShownInputs(dlg.Panel()), (std::vector<int>{C::Value1, C::Value2, C::Value3, C::Value4, C::ArpAutoUpdate}));
    EXPECT_EQ(Ctl(C::Value4).text, "4");
    EXPECT_EQ(Ctl(C::Label5).text, "");
    EXPECT_EQ(dlg.Record(), before);
    EXPECT_FALSE(dlg.Modified());

    dlg.OnSelectionChange(N::UDP);
    EXPECT_TRUE(ShownInputs(dlg.Panel()).empty());
    EXPECT_EQ(Ctl(C::Label1).text, "");
}

TEST_F(PanelRulesTest, NumbersThatDoNotFitAreNotStoredAndTextsAreStoredAsTyped) {
    dlg.OnSelectionChange(N::Sockets);
    dlg.OnValueEdited(C::Value1, "300");
    EXPECT_EQ(dlg.Record().num_sockets, 3);
    EXPECT_FALSE(dlg.Modified());
    EXPECT_TRUE(Ctl(C::Value1).unstored);
    EXPECT_EQ(Ctl(C::Value1).text, "300");  // the edit keeps what was typed
    dlg.OnValueEdited(C::Value1, "200");
    EXPECT_EQ(dlg.Record().num_sockets, 200);
    EXPECT_FALSE(Ctl(C::Value1).unstored);
    EXPECT_TRUE(dlg.Modified());
    dlg.OnValueEdited(C::Value2, "70000");
    EXPECT_EQ(dlg.Record().xmit_buff_size, 1514);
    dlg.OnValueEdited(C::Value3, "1 2");  // not a plain number
    EXPECT_EQ(dlg.Record().recv_buff_size, 1514);
    dlg.OnValueEdited(C::Value4, "12abc");
    EXPECT_EQ(dlg.Record().socket_wait_ticks, 100);
    // Leaving the page shows the record again.
    dlg.OnSelectionChange(N::TCP);
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(Ctl(C::Value2).text, "1514");
    EXPECT_FALSE(Ctl(C::Value2).unstored);

    dlg.OnSelectionChange(N::BOOTP);
    dlg.OnValueEdited(C::Value1, "200");  // a signed byte
    EXPECT_EQ(dlg.Record().bootp_resend_trys, 6);
    dlg.OnValueEdited(C::Value1, "127");
    EXPECT_EQ(dlg.Record().bootp_resend_trys, 127);

    dlg.OnSelectionChange(N::UsePassword);
    dlg.OnValueEdited(C::Value1, " my name ");
    EXPECT_EQ(dlg.Record().login_name, " my name ");
    dlg.OnValueEdited(C::Value2, "first\nsecond");  // a one-line edit keeps the first line
    EXPECT_EQ(dlg.Record().login_password, "first");
}

TEST_F(PanelRulesTest, TooLongTextsAreRefusedWithTheLimitMessage) {
    dlg.OnSelectionChange(N::LOCATRA);
    dlg.OnValueEdited(C::Value1, std::string(35, 'x'));
    EXPECT_EQ(dlg.Record().locatra_name, std::string(35, 'x'));
    EXPECT_TRUE(ui.messages.empty());

    dlg.OnValueEdited(C::Value2, std::string(36, 'y'));
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{"Please enter no more than 35 characters."});
    EXPECT_EQ(dlg.Record().locatra_description, "Enter Text Description");
    EXPECT_EQ(Ctl(C::Value2).text, std::string(36, 'y'));  // the text stays in the edit

    dlg.OnSelectionChange(N::MACAddresses);
    const Mac before = dlg.Record().eth_dest_hw_addr;
    dlg.OnMacEdited(C::DestMacFirst, "123");
    EXPECT_EQ(ui.MessageTexts().back(), "Please enter no more than 2 characters.");
    EXPECT_EQ(dlg.Record().eth_dest_hw_addr, before);
}

TEST_F(PanelRulesTest, MacBytesAreReadAsHexadecimal) {
    dlg.OnSelectionChange(N::MACAddresses);
    EXPECT_EQ(ShownInputs(dlg.Panel()).size(), 12u);
    EXPECT_EQ(Ctl(C::SrcMacFirst + 1).text, "0B");
    EXPECT_EQ(Ctl(C::DestMacFirst).text, "FF");
    EXPECT_TRUE(Ctl(C::DestMacFirst).enabled);

    EXPECT_EQ(dlg.OnMacEdited(C::SrcMacFirst + 3, "a"), "");  // upper-cased and padded: 0A
    // G is no hexadecimal digit: the edit and the byte keep what they held.
    EXPECT_EQ(dlg.OnMacEdited(C::SrcMacFirst + 4, "g1"),
              "\"G\" is not a hexadecimal digit (0-9, A-F); the byte stays 00");
    EXPECT_EQ(Ctl(C::SrcMacFirst + 4).text, "00");
    EXPECT_EQ(dlg.OnMacEdited(C::SrcMacFirst + 5, " 7"), "");  // blanks are trimmed
    dlg.OnMacEdited(C::DestMacFirst + 5, "");
    EXPECT_EQ(dlg.Record().eth_src_hw_addr, (Mac{0x00, 0x0B, 0x3C, 0x0A, 0x00, 0x07}));
    EXPECT_EQ(dlg.Record().eth_dest_hw_addr, (Mac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Ctl(C::SrcMacFirst + 3).text, "A");
    EXPECT_EQ(dlg.OnMacEdited(C::SrcMacFirst, "\xC3\xA9"),
              "\"\xC3\xA9\" is not a hexadecimal digit (0-9, A-F); the byte stays 00");  // the whole character
    EXPECT_EQ(dlg.OnMacEdited(C::SrcMacFirst + 4, "1f"), "");  // a good byte clears the note
    EXPECT_EQ(Ctl(C::SrcMacFirst + 4).note, "");
    EXPECT_EQ(dlg.Record().eth_src_hw_addr[4], 0x1F);
}

TEST_F(PanelRulesTest, MacBytesAreGreyedOutWithoutEthernet) {
    Click(N::PPP);
    dlg.OnSelectionChange(N::MACAddresses);
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(Ctl(C::DestMacFirst + i).visible);
        EXPECT_FALSE(Ctl(C::DestMacFirst + i).enabled);
    }
    const Mac before = dlg.Record().eth_src_hw_addr;
    dlg.OnMacEdited(C::SrcMacFirst, "12");  // a disabled edit takes no input
    EXPECT_EQ(dlg.Record().eth_src_hw_addr, before);
}

TEST_F(PanelRulesTest, GatewayAndSubnetOnlyWithEthernet) {
    EXPECT_FALSE(dlg.GatewayFlag());
    dlg.OnSelectionChange(N::IPAddresses);
    EXPECT_TRUE(dlg.GatewayFlag());
    EXPECT_EQ(ShownInputs(dlg.Panel()), (std::vector<int>{C::Address1, C::Address2, C::Address3, C::Address4}));
    EXPECT_EQ(Ctl(C::Address4).address, (Ip4{255, 255, 255, 0}));
    EXPECT_EQ(Ctl(C::Label3).text, "Gateway IP Address:");
    dlg.OnAddressChanged(C::Address3, {10, 0, 0, 254});
    dlg.OnAddressChanged(C::Address2, {10, 0, 0, 7});
    EXPECT_EQ(dlg.Record().gateway_ip_addr, (Ip4{10, 0, 0, 254}));
    EXPECT_EQ(dlg.Record().ip_src_addr, (Ip4{10, 0, 0, 7}));

    Click(N::SLIP);
    dlg.OnSelectionChange(N::IPAddresses);
    EXPECT_EQ(ShownInputs(dlg.Panel()), (std::vector<int>{C::Address1, C::Address2}));
    EXPECT_EQ(Ctl(C::Label3).text, "");
    dlg.OnAddressChanged(C::Address1, {192, 168, 1, 1});
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(dlg.Record().ip_dest_addr, (Ip4{192, 168, 1, 1}));
    EXPECT_EQ(dlg.Record().gateway_ip_addr, (Ip4{10, 0, 0, 254}));
    EXPECT_EQ(dlg.Record().subnet_mask, (Ip4{255, 255, 255, 0}));
}

TEST_F(PanelRulesTest, SmtpSharesTheSecondAddressControl) {
    dlg.OnSelectionChange(N::SMTP);
    EXPECT_EQ(ShownInputs(dlg.Panel()), (std::vector<int>{C::Value1, C::Address2}));
    EXPECT_EQ(Ctl(C::Label2).text, "SMTP server IP address:");
    dlg.OnAddressChanged(C::Address2, {10, 1, 2, 3});
    EXPECT_EQ(dlg.Record().ip_smtp_addr, (Ip4{10, 1, 2, 3}));
    EXPECT_EQ(dlg.Record().ip_src_addr, (Ip4{0, 0, 0, 1}));
}

TEST_F(PanelRulesTest, BrowsingCommitsAddressesWithoutCountingAsAChange) {
    dlg.OnSelectionChange(N::IPAddresses);
    dlg.OnSelectionChange(N::SMTP);
    dlg.OnSelectionChange(N::IPAddresses);
    dlg.OnSelectionChange(N::HardwareSettings);
    EXPECT_FALSE(dlg.Modified());
    EXPECT_EQ(dlg.Record().ip_smtp_addr, (Ip4{255, 255, 255, 255}));
}

TEST_F(PanelRulesTest, ModemPageCombosAndBaudRate) {
    dlg.OnSelectionChange(N::Modara);
    EXPECT_EQ(Ctl(C::CountryCombo).selection, 40);
    EXPECT_EQ(kCountryTable[40].name, "United States");
    EXPECT_EQ(Ctl(C::ProtocolCombo).selection, 0);
    EXPECT_TRUE(Ctl(C::CountryLabel).visible);
    EXPECT_EQ(Ctl(C::Label5).text, "No dashes or spaces (e.g., 5551234).");
    EXPECT_EQ(Ctl(C::Value1).text, "307200");
    // Lanvik is the adapter: the baud rate is shown greyed out and its button disabled.
    EXPECT_FALSE(Ctl(C::Value1).enabled);
    EXPECT_TRUE(Ctl(C::UpdateBaudRate).visible);
    EXPECT_FALSE(Ctl(C::UpdateBaudRate).enabled);

    dlg.OnComboChanged(C::CountryCombo, 14);
    dlg.OnComboChanged(C::ProtocolCombo, 11);
    EXPECT_EQ(dlg.Record().country_index, 14);
    EXPECT_EQ(dlg.Record().country_code, "42");
    EXPECT_EQ(dlg.Record().protocol_index, 11);
    EXPECT_EQ(dlg.Record().modem_protocol, "H11");
    dlg.OnComboChanged(C::CountryCombo, 42);  // no such entry
    EXPECT_EQ(dlg.Record().country_index, 14);
    dlg.OnValueEdited(C::Value4, "5551234");
    EXPECT_EQ(dlg.Record().phone_number, "5551234");

    Click(N::CustomEthernetDevice);
    dlg.OnSelectionChange(N::Modara);
    EXPECT_TRUE(Ctl(C::Value1).enabled);
    EXPECT_TRUE(Ctl(C::UpdateBaudRate).enabled);
    dlg.OnValueEdited(C::Value1, "9600");  // the baud rate is set by its button only
    EXPECT_EQ(dlg.Record().uart_baud_rate, 307200u);

    // New keeps the modem selections.
    ui.answers.push_back(false);  // do not save
    dlg.OnFileNew();
    EXPECT_EQ(dlg.Record().country_code, "42");
    EXPECT_EQ(dlg.Record().phone_number, "5551234");
}

TEST_F(PanelRulesTest, ClockNotesFollowFamilyAndSysclk) {
    dlg.OnSelectionChange(N::SYSCLK);
    EXPECT_EQ(Ctl(C::Label1).text, "SYSCLK default is 98 MHz.");
    EXPECT_TRUE(Ctl(C::ConfigureSysclk).visible);
    Click(N::Pelmar);
    dlg.OnSelectionChange(N::SYSCLK);
    EXPECT_EQ(Ctl(C::Label1).text, "SYSCLK default is 22.1184 MHz.");
    Click(N::Zintor);
    dlg.OnSelectionChange(N::SYSCLK);
    EXPECT_EQ(Ctl(C::Label1).text, "SYSCLK default is 48 MHz.");

    dlg.OnSelectionChange(N::UsbFifoSupport);
    EXPECT_EQ(Ctl(C::Label1).text, "Sysclk must be 24 MHz or lower.");
    dlg.Record().clock.sysclk_hz = 24000000;
    dlg.OnSelectionChange(N::SYSCLK);
    dlg.OnSelectionChange(N::UsbFifoSupport);
    EXPECT_EQ(Ctl(C::Label1).text, "");
}

}  // namespace
}  // namespace quillon::test
