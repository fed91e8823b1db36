#include <gtest/gtest.h>

#include <random>

#include "WindowTestSupport.h"
#include "config/ClockDefaults.h"
#include "config/SettingsFormat.h"

namespace quillon::test {
namespace {

using N = OptionNode;

std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string out;
    for (const auto& l : lines) out += l + end;
    return out;
}

// The settings text of a default record with `folder` on line 3, plain lines only.
std::vector<std::string> PlainDefaults(const std::string& folder = "/home/u/proj") {
    auto lines = TextLines(WriteSettings(ConfigRecord{}, folder));
    lines.resize(kSettingsPlainLines);
    return lines;
}

// A record and tree as Open leaves them before reading: the defaults.
struct Loaded {
    explicit Loaded(const std::string& text) {
        for (N n : {N::Lanvik, N::Ethernet, N::Vardex}) options.SetState(n, NodeState::On);
        options.SetState(N::UsbFifoSupport, NodeState::Unavailable);
        ReadSettings(text, record, folder, options, adapter);
    }
    ConfigRecord record;
    std::string folder;
    FakeOptions options;
    AdapterItem adapter = AdapterItem::Lanvik;
};

TEST(SettingsFormatTest, DefaultsWriteTheSixtyThreeLinesThenTheExtensionBlock) {
    ConfigRecord r;
    r.clock = DefaultClock(Family::Vardex);
    const std::string text = WriteSettings(r, "/home/u/proj");
    EXPECT_EQ(text.find('\r'), std::string::npos);
    ASSERT_EQ(text.back(), '\n');
    const auto lines = TextLines(text);
    ASSERT_GT(lines.size(), 64u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 9),
              (std::vector<std::string>{"1081369", "0", "/home/u/proj", "3", "1514", "1514", "100", "5", "6000"}));
    EXPECT_EQ(lines[33], "63");  // parameter 100: tl0 in decimal
    EXPECT_EQ(lines[35], "{ 255, 255, 255, 255 }");  // 33
    EXPECT_EQ(lines[39], "{ 255, 255, 255, 255, 255, 255 }");  // 103
    EXPECT_EQ(lines[44], "AT+GCI=");  // 105, bare
    EXPECT_EQ(lines[62], "\"Time on Network\"");  // 65, the last plain line
    EXPECT_EQ(lines[63], "[quillon]");
    const std::vector<std::string> extension(lines.begin() + 64, lines.end());
    EXPECT_EQ(extension, (std::vector<std::string>{
                             "family=vardex", "dns=0", "locatra=0", "usb_fifo=0", "country_index=40",
                             "protocol_index=0", "phone_number=", "oscxcn=0", "pll0cn=3", "pll0div=1", "pll0mul=4",
                             "pll0flt=1", "clksel=2", "clkmul=0", "oscicn=131", "flscl=48", "ext_osc_hz=0",
                             "sysclk_hz=98000000", "int_osc_hz=24500000", "clock_confirmed=0"}));
}

TEST(SettingsFormatTest, EverySavedValueComesBack) {
    ConfigRecord r;
    r.option_bits = 0x1488F9 | OptionBit::CustomDevice | OptionBit::InterruptMode;
    r.device_bits = DeviceBit::Zintor | DeviceBit::CustomDevice | DeviceBit::Dns;
    r.clock = DefaultClock(Family::Zintor);
    r.clock.sysclk_hz = 24000000;
    r.clock.clkmul = 0x81;
    r.clock_confirmed = 1;
    r.zintor_usb_fifo = 1;
    r.locatra_enabled = 1;
    r.num_sockets = 7;
    r.bootp_resend_trys = static_cast<std::int8_t>(200);  // written as -56
    r.uart_baud_rate = 115200;
    r.uart_reload = 0x1A5;
    r.ip_src_addr = {10, 0, 0, 7};
    r.eth_src_hw_addr = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56};
    r.login_name = "admin user";
    r.uri_buffer_len = 80;
    r.dns_wait_ticks = 123;
    r.locatra_name = "Pump \"7\"";
    r.locatra_event2 = "";
    r.country_index = 14;
    r.country_code = "42";
    r.protocol_index = 3;
    r.modem_protocol = "H3";
    r.phone_number = "5551234";
    const std::string text = WriteSettings(r, "/p");
    EXPECT_EQ(TextLines(text)[15], "-56");  // parameter 13

    Loaded loaded(text);
    EXPECT_EQ(loaded.record, r);
    EXPECT_EQ(loaded.folder, "/p");
    EXPECT_TRUE(loaded.options.IsChecked(N::Zintor));
    EXPECT_FALSE(loaded.options.IsChecked(N::Vardex));
    EXPECT_EQ(loaded.options.State(N::UsbFifoSupport), NodeState::On);
    EXPECT_TRUE(loaded.options.IsChecked(N::CustomEthernetDevice));
    EXPECT_TRUE(loaded.options.IsChecked(N::InterruptMode));
    EXPECT_FALSE(loaded.options.IsChecked(N::PolledMode));
    EXPECT_FALSE(loaded.options.IsChecked(N::Lanvik));
    EXPECT_TRUE(loaded.options.IsChecked(N::DNS));
    EXPECT_TRUE(loaded.options.IsChecked(N::LOCATRA));
    EXPECT_FALSE(loaded.options.IsChecked(N::UsePassword));
    EXPECT_EQ(loaded.options.State(N::ARP), NodeState::Fixed);
    EXPECT_EQ(loaded.adapter, AdapterItem::CustomDevice);

    // The modem's login comes back with the modem.
    ConfigRecord modem;
    modem.option_bits = 0xC805A;  // PPP without PAP, TCP
    modem.device_bits = DeviceBit::Vardex;
    modem.clock = DefaultClock(Family::Vardex);
    modem.use_password = 1;
    modem.country_code = "B5";  // from the saved country and protocol indexes
    modem.modem_protocol = "H0";
    const Loaded modem_loaded(WriteSettings(modem, ""));
    EXPECT_EQ(modem_loaded.record, modem);
    EXPECT_TRUE(modem_loaded.options.IsChecked(N::UsePassword));
    EXPECT_EQ(modem_loaded.adapter, AdapterItem::Modara);
}

// Choices that do not fit together (a file edited by hand, or written before the tree kept
// them in step) load as the one configuration they stand for, and the tree shows it.
TEST(SettingsFormatTest, ChoicesThatDoNotFitTogetherAreSettled) {
    namespace OB = OptionBit;
    const auto load = [](std::uint32_t bits, const std::string& extra = "") {
        auto lines = PlainDefaults();
        lines[0] = std::to_string(static_cast<std::int32_t>(bits));
        return Loaded(Join(lines) + extra);
    };
    // The modem beside Ethernet and its services, DHCP, LOCATRA and a Zintor family.
    const Loaded modem = load(0x1488F9 | OB::Modem | OB::PPP | OB::DHCP, "[quillon]\nfamily=zintor\nlocatra=1\n");
    EXPECT_EQ(modem.record.option_bits & (OB::Ethernet | OB::EthernetHardware | OB::ARP | OB::DHCP), 0u);
    EXPECT_EQ(modem.record.locatra_enabled, 0u);
    EXPECT_EQ(modem.record.device_bits, DeviceBit::Vardex);
    for (N n : {N::Pelmar, N::Zintor, N::ARP, N::BOOTP, N::DHCP, N::LOCATRA, N::UsbFifoSupport}) {
        EXPECT_EQ(modem.options.State(n), NodeState::Unavailable) << InfoOf(n).text;
    }
    EXPECT_EQ(modem.adapter, AdapterItem::Modara);

    // A serial link without the modem bit stands for the modem; PAP drops the no-PAP bit.
    const Loaded serial = load(OB::PPP | OB::PAP | OB::NoPap | OB::TCP);
    EXPECT_EQ(serial.record.option_bits, OB::PPP | OB::PAP | OB::TCP | OB::Modem);
    EXPECT_EQ(serial.adapter, AdapterItem::Modara);

    // The custom device gets one driver mode: with neither the interrupt-driven one the
    // generator would use, with both the polled one.
    const Loaded neither = load(0x148079 | OB::CustomDevice);
    EXPECT_EQ(neither.record.option_bits & (OB::PolledMode | OB::InterruptMode), OB::InterruptMode);
    EXPECT_EQ(neither.options.State(N::InterruptMode), NodeState::On);
    const Loaded both = load(0x148079 | OB::CustomDevice | OB::PolledMode | OB::InterruptMode);
    EXPECT_EQ(both.record.option_bits & (OB::PolledMode | OB::InterruptMode), OB::PolledMode);

    // Lanvik with the modem's login, BOOTP beside DHCP and a mode without the custom device.
    auto lines = PlainDefaults();
    lines[0] = std::to_string(0x1482F9 | OB::BOOTP | OB::PolledMode);
    lines[50] = "1";  // parameter 47: use_password
    const Loaded lanvik(Join(lines));
    EXPECT_EQ(lanvik.record.option_bits, 0x1482F9u);
    EXPECT_EQ(lanvik.record.use_password, 0u);
    EXPECT_EQ(lanvik.options.State(N::UsePassword), NodeState::Off);
    EXPECT_EQ(lanvik.options.State(N::DHCP), NodeState::On);
    EXPECT_EQ(lanvik.options.State(N::BOOTP), NodeState::Off);
}

TEST(SettingsFormatTest, PlainFilesReadAsWritten) {
    auto lines = PlainDefaults();
    lines[36] = "{ 10, 0, 0, 7 }";    // 34: source address
    lines[37] = "{ 1, 2, 3, 4, 5 }";  // 35: extra numbers are dropped
    lines[3] = "300";                      // 8-bit field: 44
    lines[4] = "12x4";                     // not a number: its digits by position
    Loaded loaded(Join(lines));
    EXPECT_EQ(loaded.record.ip_src_addr, (Ip4{10, 0, 0, 7}));
    EXPECT_EQ(loaded.record.ip_smtp_addr, (Ip4{1, 2, 3, 4}));
    EXPECT_EQ(loaded.record.num_sockets, 44);
    EXPECT_EQ(loaded.record.xmit_buff_size, 1204);
    EXPECT_EQ(loaded.folder, "/home/u/proj");
    // Without an extension block the family stays the default one.
    EXPECT_EQ(loaded.record.device_bits & 0x700u, DeviceBit::Vardex);
    EXPECT_EQ(loaded.adapter, AdapterItem::Lanvik);

    // A short file sets only the lines it has.
    Loaded shorter("1083481\n0\n\n9\n");
    EXPECT_EQ(shorter.record.option_bits, 1083481u);
    EXPECT_EQ(shorter.record.num_sockets, 9);
    EXPECT_EQ(shorter.record.xmit_buff_size, 1514);
    EXPECT_EQ(shorter.folder, "");
}

TEST(SettingsFormatTest, LineEndsOfAnyKindReadAlike) {
    auto lines = PlainDefaults();
    lines[0] = std::to_string(0x1488F9);
    lines[7] = "77";  // parameter 5
    lines[62] = "\"last line\"";
    const Loaded lf(Join(lines));
    EXPECT_EQ(lf.record.ether_wait_ticks, 77);
    EXPECT_EQ(lf.record.locatra_event2, "last line");
    EXPECT_EQ(Loaded(Join(lines, "\r\n")).record, lf.record);
    EXPECT_EQ(Loaded(Join(lines, "\r")).record, lf.record);
    // The last line counts even without its line end.
    std::string unterminated = Join(lines);
    unterminated.pop_back();
    EXPECT_EQ(Loaded(unterminated).record, lf.record);
}

TEST(SettingsFormatTest, TreeSyncChoosesExactlyOneAdapter) {
    auto lines = PlainDefaults();
    lines[0] = std::to_string(0xC805A);  // PPP over the modem, with the Ethernet hardware bit
    Loaded modem(Join(lines));
    EXPECT_TRUE(modem.options.IsChecked(N::Modara));
    EXPECT_TRUE(modem.options.IsChecked(N::PPP));
    EXPECT_FALSE(modem.options.IsChecked(N::Lanvik));
    EXPECT_FALSE(modem.options.IsChecked(N::Ethernet));
    EXPECT_FALSE(modem.options.IsChecked(N::CustomEthernetDevice));
    EXPECT_EQ(modem.record.device_bits, DeviceBit::Vardex);
    EXPECT_EQ(modem.adapter, AdapterItem::Modara);

    lines[0] = std::to_string(0x148039 | OptionBit::CustomDevice | OptionBit::PolledMode);
    Loaded custom(Join(lines));
    EXPECT_TRUE(custom.options.IsChecked(N::CustomEthernetDevice));
    EXPECT_TRUE(custom.options.IsChecked(N::PolledMode));
    EXPECT_FALSE(custom.options.IsChecked(N::InterruptMode));
    EXPECT_FALSE(custom.options.IsChecked(N::Lanvik));
    EXPECT_EQ(custom.record.device_bits, DeviceBit::Vardex | DeviceBit::CustomDevice);
    EXPECT_EQ(custom.adapter, AdapterItem::CustomDevice);

    lines[0] = std::to_string(0x148879);  // Ethernet, TCP, HTTP
    Loaded lanvik(Join(lines));
    EXPECT_TRUE(lanvik.options.IsChecked(N::Lanvik));
    EXPECT_TRUE(lanvik.options.IsChecked(N::HTTP));
    EXPECT_TRUE(lanvik.options.IsChecked(N::TCP));
    EXPECT_FALSE(lanvik.options.IsChecked(N::UDP));
    EXPECT_EQ(lanvik.record.device_bits, DeviceBit::Vardex | DeviceBit::Lanvik);
}

TEST(SettingsFormatTest, CodeBankComesBackWithItsNodeAndVardex) {
    auto lines = PlainDefaults();
    lines[1] = "1";
    lines.push_back("[quillon]");
    lines.push_back("family=pelmar");  // ruled out by the code bank
    Loaded loaded(Join(lines));
    EXPECT_EQ(loaded.record.code_bank, 1u);
    EXPECT_TRUE(loaded.options.IsChecked(N::CodeBankProject));
    EXPECT_TRUE(loaded.options.IsChecked(N::Vardex));
    EXPECT_FALSE(loaded.options.IsChecked(N::Pelmar));
    EXPECT_EQ(loaded.record.device_bits & 0x700u, DeviceBit::Vardex);
}

TEST(SettingsFormatTest, MalformedExtensionLinesAreSkipped) {
    auto lines = PlainDefaults();
    lines.push_back("[quillon]");
    for (const char* l : {"family=zintor", "no equals sign", "=5", "sysclk_hz=twelve", "oscxcn=256",
                          "clkmul=0x10", "flscl=16", "country_index=99", "protocol_index=-7", "dns=yes",
                          "locatra=1", "unknown_key=1", "phone_number=555=1234", "usb_fifo=1"}) {
        lines.push_back(l);
    }
    Loaded loaded(Join(lines, "\r\n"));
    const ClockBlock zintor = DefaultClock(Family::Zintor);
    EXPECT_EQ(loaded.record.device_bits & 0x700u, DeviceBit::Zintor);
    EXPECT_TRUE(loaded.options.IsChecked(N::Zintor));
    EXPECT_EQ(loaded.record.clock.sysclk_hz, zintor.sysclk_hz);
    EXPECT_EQ(loaded.record.clock.oscxcn, zintor.oscxcn);
    EXPECT_EQ(loaded.record.clock.clkmul, zintor.clkmul);
    EXPECT_EQ(loaded.record.clock.flscl, 16);
    EXPECT_EQ(loaded.record.country_index, 40);
    EXPECT_EQ(loaded.record.protocol_index, 0);
    EXPECT_FALSE(loaded.record.device_bits & DeviceBit::Dns);
    EXPECT_EQ(loaded.record.locatra_enabled, 1u);
    EXPECT_EQ(loaded.record.phone_number, "555=1234");
    // USB FIFO cannot run at Zintor's 48 MHz default.
    EXPECT_EQ(loaded.record.zintor_usb_fifo, 0u);
    EXPECT_EQ(loaded.options.State(N::UsbFifoSupport), NodeState::Unavailable);

    // A block that is not on line 64 is no extension block.
    auto late = PlainDefaults();
    late.push_back("");
    late.push_back("[quillon]");
    late.push_back("family=pelmar");
    EXPECT_EQ(Loaded(Join(late)).record.device_bits & 0x700u, DeviceBit::Vardex);
}

TEST(SettingsFormatTest, ArbitraryBytesNeverBreakTheReader) {
    std::mt19937 rng(1234);
    const std::string valid = WriteSettings(ConfigRecord{}, "/p");
    for (int round = 0; round < 400; ++round) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(rng() % 40);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % (text.size() + 1);
            switch (rng() % 3) {
            case 0: text.insert(at, 1, static_cast<char>(rng() % 256)); break;
            case 1: if (at < text.size()) text.erase(at, 1 + rng() % 20); break;
            default: if (at < text.size()) text[at] = "\r\n={}-,\"0123456789"[rng() % 18]; break;
            }
        }
        if (round % 4 == 0) text.resize(rng() % (text.size() + 1));
        Loaded loaded(text);
        EXPECT_EQ(__builtin_popcount(loaded.record.device_bits & 0x700u), 1);
        const int adapters = loaded.options.IsChecked(N::Lanvik) + loaded.options.IsChecked(N::Modara) +
                             loaded.options.IsChecked(N::CustomEthernetDevice);
        EXPECT_EQ(adapters, 1);

        // Whatever was read is saved and read back unchanged; the modem codes follow their indices.
        Loaded again(WriteSettings(loaded.record, loaded.folder));
        ConfigRecord expected = loaded.record;
        expected.country_code = again.record.country_code;
        expected.modem_protocol = again.record.modem_protocol;
        ASSERT_EQ(again.record, expected) << text;
        EXPECT_EQ(again.folder, loaded.folder);
        for (int n = 1; n <= kOptionNodeCount; ++n) {
            EXPECT_EQ(again.options.State(OptionNode(n)), loaded.options.State(OptionNode(n))) << n;
        }
    }
}

}  // namespace
}  // namespace quillon::test
