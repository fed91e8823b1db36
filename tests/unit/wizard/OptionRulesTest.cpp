#include "WindowTestSupport.h"
#include "config/ClockDefaults.h"

namespace quillon::test {
namespace {

using N = OptionNode;
namespace OB = OptionBit;
namespace DB = DeviceBit;

using OptionRulesTest = WindowTest;

void ExpectModemProfile(const ConfigRecord& r) {
    EXPECT_EQ(r.xmit_buff_size, 570);
    EXPECT_EQ(r.recv_buff_size, 570);
    for (auto v : {r.ftp_buffer_len, r.http_buffer_len, r.tcp_window, r.smtp_buffer_len}) EXPECT_EQ(v, 285);
}

TEST_F(OptionRulesTest, StartsWithTheDefaultsAndNothingModified) {
    EXPECT_EQ(Options(), kDefaultOptionBits);
    EXPECT_EQ(Devices(), kDefaultDeviceBits);
    EXPECT_TRUE(Checked(N::Lanvik));
    EXPECT_TRUE(Checked(N::Vardex));
    EXPECT_TRUE(Checked(N::Ethernet));
    EXPECT_EQ(Image(N::UsbFifoSupport), TreeImage::Unavailable);
    EXPECT_EQ(dlg.CurrentAdapter(), AdapterItem::Lanvik);
    EXPECT_EQ(dlg.Tree().Selected(), N::HardwareSettings);
    EXPECT_FALSE(dlg.Modified());
}

TEST_F(OptionRulesTest, OnlyABoxPressThatChangesSomethingIsAChange) {
    const ConfigRecord before = dlg.Record();
    dlg.OnSelectionChange(N::TCP);
    EXPECT_FALSE(Checked(N::TCP));
    EXPECT_EQ(dlg.Record(), before);
    EXPECT_FALSE(dlg.Modified());

    // A page has no rules, a greyed option and a chosen family stay as they are: nothing to save.
    for (N node : {N::Sockets, N::UsbFifoSupport, N::Vardex, N::ARP}) {
        Click(node);
        EXPECT_FALSE(dlg.Modified()) << InfoOf(node).text;
        EXPECT_EQ(dlg.Tree().Selected(), node);
    }
    EXPECT_EQ(Options(), kDefaultOptionBits);
    Click(N::TCP);
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(OptionRulesTest, PppMakesTheModemTheOnlyAdapter) {
    Click(N::PPP);
    EXPECT_TRUE(Checked(N::PPP));
    EXPECT_TRUE(Checked(N::Modara));
    EXPECT_FALSE(Checked(N::Lanvik));
    EXPECT_FALSE(Checked(N::Ethernet));
    EXPECT_EQ(dlg.CurrentAdapter(), AdapterItem::Modara);
    EXPECT_EQ(Options() & (OB::PPP | OB::Modem | OB::Ethernet | OB::EthernetHardware), OB::PPP | OB::Modem);
    // Neither Ethernet adapter is left in the device bits.
    EXPECT_EQ(Devices(), DB::Vardex);
    for (N n : {N::ARP, N::BOOTP, N::DHCP, N::Pelmar, N::Zintor, N::UsbFifoSupport}) {
        EXPECT_EQ(Image(n), TreeImage::Unavailable) << static_cast<int>(n);
    }
    ExpectModemProfile(dlg.Record());
}

TEST_F(OptionRulesTest, SlipSwitchesPapOffAndSetsTheModemProfile) {
    Click(N::SLIP);
    EXPECT_TRUE(Checked(N::SLIP));
    EXPECT_TRUE(Checked(N::Modara));
    EXPECT_TRUE(Checked(N::Vardex));
    EXPECT_TRUE(Options() & OB::NoPap);
    EXPECT_FALSE(Options() & (OB::PAP | OB::ARP | OB::BOOTP | OB::DHCP));
    ExpectModemProfile(dlg.Record());
}

TEST_F(OptionRulesTest, SerialLinkFromAZintorProjectBringsTheVardexClock) {
    Click(N::Zintor);
    ASSERT_EQ(dlg.Record().clock, DefaultClock(Family::Zintor));
    Click(N::SLIP);
    EXPECT_EQ(Devices() & (DB::Vardex | DB::Pelmar | DB::Zintor), DB::Vardex);
    EXPECT_EQ(dlg.Record().clock, DefaultClock(Family::Vardex));
}

TEST_F(OptionRulesTest, ModemLinkClickedWhileTheCustomDeviceIsTheAdapterEndsOn) {
    for (N link : {N::PPP, N::SLIP, N::PAP}) {
        if (dlg.Modified()) ui.answers.push_back(false);  // New: do not save
        dlg.OnFileNew();
        Click(N::CustomEthernetDevice);
        ASSERT_TRUE(Checked(N::CustomEthernetDevice));
        ASSERT_EQ(dlg.CurrentAdapter(), AdapterItem::CustomDevice);
        ASSERT_TRUE(Devices() & DB::CustomDevice);

        Click(link);
        EXPECT_TRUE(Checked(link)) << InfoOf(link).text;
        EXPECT_TRUE(Checked(N::Modara));
        EXPECT_FALSE(Checked(N::CustomEthernetDevice));
        EXPECT_FALSE(Checked(N::PolledMode));
        EXPECT_EQ(Devices() & (DB::Lanvik | DB::CustomDevice), 0u);
        EXPECT_EQ(Options() & (OB::CustomDevice | OB::PolledMode | OB::InterruptMode), 0u);
        EXPECT_EQ(dlg.CurrentAdapter(), AdapterItem::Modara);
    }
    EXPECT_TRUE(Checked(N::PPP));  // PAP brings PPP
}

TEST_F(OptionRulesTest, LanvikKeepsTheChosenFamily) {
    Click(N::CustomEthernetDevice);
    Click(N::Pelmar);
    ASSERT_TRUE(Checked(N::Pelmar));
    Click(N::Lanvik);
    EXPECT_TRUE(Checked(N::Lanvik));
    EXPECT_TRUE(Checked(N::Pelmar));
    EXPECT_FALSE(Checked(N::Vardex));
    EXPECT_EQ(Devices() & (DB::Vardex | DB::Pelmar | DB::Zintor | DB::Lanvik | DB::CustomDevice),
              DB::Pelmar | DB::Lanvik);
    EXPECT_EQ(dlg.Record().xmit_buff_size, 560);
}

TEST_F(OptionRulesTest, ChosenChoicesStayChosenAndReapplyTheirProfile) {
    dlg.Record().xmit_buff_size = 99;
    Click(N::Lanvik);
    EXPECT_TRUE(Checked(N::Lanvik));
    EXPECT_EQ(dlg.Record().xmit_buff_size, 1514);
    Click(N::Vardex);
    EXPECT_TRUE(Checked(N::Vardex));
    Click(N::Ethernet);
    EXPECT_TRUE(Checked(N::Ethernet));
    EXPECT_TRUE(Options() & OB::Ethernet);
    Click(N::Modara);
    dlg.Record().xmit_buff_size = 99;
    Click(N::Modara);
    EXPECT_TRUE(Checked(N::Modara));
    EXPECT_EQ(dlg.Record().xmit_buff_size, 570);
}

TEST_F(OptionRulesTest, PelmarAndZintorAreRefusedBesideTheModem) {
    Click(N::Modara);
    const ConfigRecord before = dlg.Record();
    Click(N::Pelmar);
    Click(N::Zintor);
    EXPECT_EQ(dlg.Record(), before);
    EXPECT_TRUE(Checked(N::Vardex));
    EXPECT_FALSE(Checked(N::Pelmar));
    EXPECT_FALSE(Checked(N::Zintor));
}

TEST_F(OptionRulesTest, FamilySwitchesBringClockAndProfileAndDropCodeBank) {
    Click(N::CodeBankProject);
    ASSERT_EQ(dlg.Record().code_bank, 1u);
    Click(N::Pelmar);
    EXPECT_EQ(dlg.Record().code_bank, 0u);
    EXPECT_FALSE(Checked(N::CodeBankProject));
    EXPECT_EQ(Devices() & 0x700u, DB::Pelmar);
    EXPECT_EQ(dlg.Record().clock, DefaultClock(Family::Pelmar));
    EXPECT_EQ(dlg.Record().recv_buff_size, 840);
    EXPECT_EQ(Options(), kDefaultOptionBits);  // a family click never toggles

    // Code Bank Project brings Vardex back, with its clock and profile.
    Click(N::CodeBankProject);
    EXPECT_TRUE(Checked(N::CodeBankProject));
    EXPECT_TRUE(Checked(N::Vardex));
    EXPECT_FALSE(Checked(N::Pelmar));
    EXPECT_EQ(Devices() & 0x700u, DB::Vardex);
    EXPECT_EQ(dlg.Record().clock, DefaultClock(Family::Vardex));
    EXPECT_EQ(dlg.Record().recv_buff_size, 1514);
}

TEST_F(OptionRulesTest, UsbFifoFollowsTheZintorClock) {
    Click(N::Zintor);
    EXPECT_EQ(Image(N::UsbFifoSupport), TreeImage::Unavailable);  // 48 MHz by default
    Click(N::UsbFifoSupport);
    EXPECT_FALSE(Checked(N::UsbFifoSupport));
    EXPECT_EQ(dlg.Record().zintor_usb_fifo, 0u);

    dlg.Record().clock.sysclk_hz = 24000000;
    Click(N::UsbFifoSupport);
    EXPECT_TRUE(Checked(N::UsbFifoSupport));
    EXPECT_EQ(dlg.Record().zintor_usb_fifo, 1u);
    Click(N::UsbFifoSupport);
    EXPECT_EQ(dlg.Record().zintor_usb_fifo, 0u);
}

TEST_F(OptionRulesTest, ApplicationProtocolsPullInTheirTransport) {
    Click(N::HTTP);
    EXPECT_TRUE(Checked(N::HTTP));
    EXPECT_TRUE(Checked(N::TCP));
    Click(N::FTP);
    Click(N::TCP);
    EXPECT_FALSE(Checked(N::TCP));
    for (N n : {N::HTTP, N::FTP, N::SMTP}) EXPECT_FALSE(Checked(n));
    EXPECT_EQ(Options() & (OB::TCP | OB::HTTP | OB::FTP | OB::SMTP), 0u);

    Click(N::DNS);
    EXPECT_TRUE(Checked(N::UDP));
    EXPECT_TRUE(Devices() & DB::Dns);
    Click(N::TFTP);
    Click(N::UDP);
    EXPECT_FALSE(Checked(N::DNS));
    EXPECT_FALSE(Checked(N::TFTP));
    EXPECT_FALSE(Devices() & DB::Dns);
    EXPECT_EQ(Options() & (OB::UDP | OB::TFTP), 0u);
}

TEST_F(OptionRulesTest, DhcpAndBootpExcludeEachOther) {
    Click(N::BOOTP);
    ASSERT_TRUE(Checked(N::BOOTP));
    Click(N::DHCP);
    EXPECT_TRUE(Checked(N::DHCP));
    EXPECT_FALSE(Checked(N::BOOTP));
    EXPECT_TRUE(Checked(N::UDP));
    EXPECT_EQ(Options() & (OB::BOOTP | OB::DHCP | OB::UDP), OB::DHCP | OB::UDP);
}

TEST_F(OptionRulesTest, EthernetServicesAreRefusedWithoutEthernet) {
    Click(N::PPP);
    const std::uint32_t bits = Options();
    for (N n : {N::BOOTP, N::DHCP, N::LOCATRA}) {
        Click(n);
        EXPECT_FALSE(Checked(n));
    }
    EXPECT_EQ(Options(), bits);
    EXPECT_EQ(dlg.Record().locatra_enabled, 0u);
    EXPECT_EQ(Image(N::BOOTP), TreeImage::Unavailable);
    EXPECT_EQ(Image(N::DHCP), TreeImage::Unavailable);
}

TEST_F(OptionRulesTest, EthernetAgainKeepsDhcpChosenAndShowsIt) {
    Click(N::DHCP);
    Click(N::Ethernet);
    EXPECT_EQ(Image(N::DHCP), TreeImage::On);
    EXPECT_TRUE(Checked(N::DHCP));
    EXPECT_TRUE(Options() & OB::DHCP);
    Click(N::DHCP);
    EXPECT_FALSE(Checked(N::DHCP));
    EXPECT_FALSE(Options() & OB::DHCP);
}

TEST_F(OptionRulesTest, EthernetAgainSwitchesLocatraOffInTheRecordToo) {
    Click(N::LOCATRA);
    ASSERT_TRUE(Checked(N::LOCATRA));
    ASSERT_EQ(dlg.Record().locatra_enabled, 1u);
    EXPECT_TRUE(Checked(N::UDP));
    Click(N::Ethernet);
    EXPECT_FALSE(Checked(N::LOCATRA));
    EXPECT_EQ(dlg.Record().locatra_enabled, 0u);
}

TEST_F(OptionRulesTest, PolledModeChoosesTheCustomDevice) {
    Click(N::PolledMode);
    EXPECT_TRUE(Checked(N::PolledMode));
    EXPECT_TRUE(Checked(N::CustomEthernetDevice));
    EXPECT_TRUE(Checked(N::Ethernet));
    EXPECT_FALSE(Checked(N::Lanvik));
    EXPECT_EQ(dlg.CurrentAdapter(), AdapterItem::CustomDevice);
    EXPECT_EQ(Options() & (OB::CustomDevice | OB::PolledMode | OB::InterruptMode | OB::EthernetHardware),
              OB::CustomDevice | OB::PolledMode | OB::EthernetHardware);
    EXPECT_EQ(Devices() & (DB::Lanvik | DB::CustomDevice), DB::CustomDevice);

    Click(N::InterruptMode);
    EXPECT_TRUE(Checked(N::InterruptMode));
    EXPECT_FALSE(Checked(N::PolledMode));
    EXPECT_EQ(Options() & (OB::PolledMode | OB::InterruptMode), OB::InterruptMode);

    // The chosen mode stays chosen when clicked again: the device always has one.
    Click(N::InterruptMode);
    EXPECT_TRUE(Checked(N::InterruptMode));
    EXPECT_FALSE(Checked(N::PolledMode));
    EXPECT_EQ(Options() & (OB::PolledMode | OB::InterruptMode), OB::InterruptMode);
}

TEST_F(OptionRulesTest, CustomDeviceFromTheModemDropsTheModemLogin) {
    Click(N::UsePassword);
    ASSERT_TRUE(Checked(N::Modara));
    ASSERT_EQ(dlg.Record().use_password, 1u);
    Click(N::CustomEthernetDevice);
    EXPECT_TRUE(Checked(N::CustomEthernetDevice));
    EXPECT_TRUE(Checked(N::Ethernet));
    EXPECT_FALSE(Checked(N::Modara));
    EXPECT_FALSE(Checked(N::UsePassword));
    EXPECT_EQ(dlg.Record().use_password, 0u);
    EXPECT_FALSE(Options() & OB::Modem);
    EXPECT_FALSE(Checked(N::Pelmar));
    EXPECT_EQ(Image(N::Pelmar), TreeImage::Off);  // available again with Ethernet
}

TEST_F(OptionRulesTest, PapChoosesPppAndDropsTheModemLoginAndEthernetServices) {
    Click(N::UsePassword);
    Click(N::Ethernet);
    Click(N::DHCP);
    ASSERT_TRUE(Options() & OB::DHCP);
    Click(N::PAP);
    EXPECT_TRUE(Checked(N::PAP));
    EXPECT_TRUE(Checked(N::PPP));
    EXPECT_TRUE(Checked(N::Modara));
    EXPECT_FALSE(Checked(N::UsePassword));
    EXPECT_EQ(dlg.Record().use_password, 0u);
    EXPECT_EQ(Options() & (OB::PAP | OB::NoPap | OB::DHCP | OB::ARP | OB::Ethernet), OB::PAP);
    EXPECT_EQ(Devices() & (DB::Lanvik | DB::CustomDevice), 0u);

    Click(N::PAP);
    EXPECT_FALSE(Checked(N::PAP));
    EXPECT_EQ(Options() & (OB::PAP | OB::NoPap), OB::NoPap);
}

TEST_F(OptionRulesTest, ModaraThenLanvikRestoresEthernet) {
    Click(N::Modara);
    EXPECT_EQ(Devices() & (DB::Lanvik | DB::CustomDevice), 0u);
    EXPECT_FALSE(Options() & (OB::Ethernet | OB::EthernetHardware));
    Click(N::Lanvik);
    EXPECT_TRUE(Checked(N::Lanvik));
    EXPECT_TRUE(Checked(N::Ethernet));
    EXPECT_FALSE(Checked(N::Modara));
    EXPECT_EQ(Options() & (OB::Ethernet | OB::EthernetHardware | OB::Modem | OB::ARP),
              OB::Ethernet | OB::EthernetHardware | OB::ARP);
    EXPECT_TRUE(Devices() & DB::Lanvik);
    EXPECT_EQ(dlg.CurrentAdapter(), AdapterItem::Lanvik);
    EXPECT_EQ(dlg.Record().xmit_buff_size, 1514);
}

}  // namespace
}  // namespace quillon::test
