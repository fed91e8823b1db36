// zs_userconst.h as generation writes it: expanded after the option bits are widened to the
// library's set, it must hold exactly the constants of the configuration table, each once,
// with the value of its parameter.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "../../sdcc/SweepConfigurations.h"
#include "config/LibrarySelection.h"
#include "config/Parameters.h"
#include "generator/TemplateExpander.h"
#include "resources/Resources.h"

using namespace quillon;

namespace {

using Constants = std::map<std::string, std::string>;

// Every "#define NAME VALUE" line of the expanded header; a name defined twice is a failure.
Constants Defines(const ConfigRecord& record) {
    const auto bytes = ExpandTemplateBytes(record, DataFile(162));
    const std::string text(bytes.begin(), bytes.end());
    static const std::regex define(R"((?:^|\n)#define +(\w+) +([^\r\n]*?) *(?=\r\n))");
    Constants out;
    for (std::sregex_iterator it(text.begin(), text.end(), define), end; it != end; ++it) {
        const bool fresh = out.emplace((*it)[1], (*it)[2]).second;
        EXPECT_TRUE(fresh) << (*it)[1] << " is defined twice";
    }
    return out;
}

// The table of constants, condition by condition.
Constants Expected(const ConfigRecord& r) {
    const auto O = [&](int bit) { return ((r.option_bits >> bit) & 1u) != 0; };
    const auto D = [&](int bit) { return ((r.device_bits >> bit) & 1u) != 0; };
    const auto P = [&](int number) { return RenderParameter(r, number); };
    Constants m;
    auto put = [&](bool condition, const char* name, std::string value) {
        if (condition) m[name] = std::move(value);
    };
    put(true, "ZS_USERCONST_H", "1");
    put(true, "IP_SRC_ADDR", P(48));
    put(true, "IP_DEST_ADDR", P(49));
    put(O(12), "IP_SMTP_ADDR", P(50));
    put(O(0), "ETH_SRC_HW_ADDR", P(36));
    put(O(0), "ETH_DEST_HW_ADDR", P(37));
    put(O(0), "GATEWAY_IP_ADDR", P(38));
    put(O(0), "SUBNET_MASK_ADDR", P(39));
    put(O(19), "MODEM_COUNTRY_CODE", P(41));
    put(O(19), "MODEM_PROTOCOL", P(42));
    put(O(19), "MODEM_INIT_DIAL", "\"ATM1E0\\r\"");
    put(O(19), "MODEM_INIT_ANSWER", "\"AT&F0S0=1\\r\"");
    put(O(19), "MODEM_DIAL", P(45));
    const bool login = O(19) && O(18);
    put(login, "LOGIN_NAME", P(43));
    put(login, "PASSWORD", P(44));
    put(login, "DIAL_LOGIN_PROMPT", "\"ogin\"");
    put(login, "DIAL_PASSWORD_PROMPT", "\"assword\"");
    put(login, "ANS_LOGIN_PROMPT", "\"Login:\"");
    put(login, "ANS_PASSWORD_PROMPT", "\"Password:\"");
    put(D(10), "device_id", "ZINTOR");
    put(D(9), "device_id", "PELMAR");
    put(D(8), "device_id", "VARDEX");
    put(true, "zintor_usb_fifo", P(56));
    put(true, "num_sockets", P(1));
    put(true, "xmit_buff_size", P(2));
    put(true, "recv_buff_size", P(3));
    put(true, "socket_wait_ticks", P(4));
    put(true, "ip_time_to_live", P(21));
    put(true, "multicast_ttl", P(24));
    put(true, "tl0_flash", P(31));
    put(true, "th0_flash", P(32));
    put(O(0), "ether_wait_ticks", "5");
    put(O(1), "ppp_resend_ticks", "300");
    put(O(1), "ppp_resend_trys", "6");
    put(O(1), "ppp_terminate_trys", "2");
    put(O(1) && O(14), "pap_num_users", P(46));
    put(O(1) || O(2), "uart_reload", P(40));
    const char* arp[] = {"arp_keep_ticks", "arp_resend_trys", "arp_wait_ticks", "arp_cache_size", "arp_auto_update"};
    for (int i = 0; i < 5; ++i) put(O(5), arp[i], P(6 + i));
    put(O(9), "dhcp_resend_trys", P(11));
    put(O(9), "dhcp_default_lease_time", P(12));
    put(O(8), "bootp_resend_trys", P(13));
    put(O(8), "bootp_request_ip", P(14));
    put(D(20), "dns_buff_size", P(59));
    put(D(20), "dns_send_trys", P(60));
    put(D(20), "dns_wait_ticks", P(61));
    put(O(10), "ftp_max_param", P(15));
    put(O(10), "ftp_buffer_len", P(16));
    put(O(10), "ftp_num_users", P(17));
    put(O(10), "mem_pool_size", P(18));
    put(O(11), "http_buffer_len", P(19));
    put(O(11), "uri_buffer_len", P(57));
    put(O(11), "body_buffer_len", P(58));
    put(O(13), "tftp_resend_trys", P(20));
    put(O(4), "ping_buff_size", P(22));
    put(O(6), "tcp_window", P(23));
    put(O(6), "tcp_resend_ticks", P(25));
    put(O(6), "tcp_resend_trys", P(26));
    put(O(12), "smtp_buffer_len", P(27));
    put(true, "num_vf_pages", P(28));
    put(O(15) && O(11), "num_post_funcs", P(30));
    put(D(0), "BASE_ADDRESS", "0xC0");
    put((D(1) || D(2)) && D(8), "BASE_ADDRESS", "0x20");
    put((D(1) || D(2)) && (D(9) || D(10)), "BASE_ADDRESS", "0x10");
    put(O(0), "EMIF_TIMING", P(55));
    put((O(1) && O(18)) || O(2), "use_password", P(47));
    return m;
}

ConfigRecord Widened(ConfigRecord record) {
    SelectLibrary(record, true);
    return record;
}

ConfigRecord Modem(std::uint32_t link_bits) {
    ConfigRecord r;
    r.option_bits = OptionBit::IP | OptionBit::PING | OptionBit::Modem | link_bits;
    r.device_bits = DeviceBit::Vardex;
    return Widened(r);
}

}  // namespace

TEST(UserConstants, DefaultProjectHasTheEthernetArpAndTcpConstants) {
    ConfigRecord r;
    EXPECT_EQ(SelectLibrary(r, true).number, 37);
    const Constants c = Defines(r);
    EXPECT_EQ(c, Expected(r));
    EXPECT_EQ(c.at("BASE_ADDRESS"), "0x20");
    EXPECT_EQ(c.at("device_id"), "VARDEX");
    EXPECT_EQ(c.at("IP_SRC_ADDR"), "{ 0, 0, 0, 1 }");
    for (const char* present : {"ETH_SRC_HW_ADDR", "arp_cache_size", "tcp_window", "ping_buff_size", "EMIF_TIMING"})
        EXPECT_TRUE(c.count(present)) << present;
    for (const char* absent : {"dhcp_resend_trys", "bootp_request_ip", "ftp_max_param", "http_buffer_len",
                               "smtp_buffer_len", "tftp_resend_trys", "ppp_resend_ticks", "MODEM_DIAL", "use_password"})
        EXPECT_FALSE(c.count(absent)) << absent;
}

TEST(UserConstants, ModemProjectsByLinkAndPap) {
    const ConfigRecord no_pap = Modem(OptionBit::PPP | OptionBit::NoPap);
    const ConfigRecord pap = Modem(OptionBit::PPP | OptionBit::PAP);
    const ConfigRecord slip = Modem(OptionBit::SLIP | OptionBit::NoPap);
    for (const ConfigRecord* r : {&no_pap, &pap, &slip}) {
        const Constants c = Defines(*r);
        EXPECT_EQ(c, Expected(*r));
        EXPECT_FALSE(c.count("BASE_ADDRESS"));
        EXPECT_FALSE(c.count("ETH_SRC_HW_ADDR"));
        EXPECT_TRUE(c.count("uart_reload"));
    }
    EXPECT_TRUE(Defines(no_pap).count("LOGIN_NAME"));
    EXPECT_TRUE(Defines(no_pap).count("use_password"));
    EXPECT_FALSE(Defines(pap).count("LOGIN_NAME"));
    EXPECT_FALSE(Defines(pap).count("use_password"));
    EXPECT_TRUE(Defines(pap).count("pap_num_users"));
    EXPECT_TRUE(Defines(slip).count("use_password"));
    EXPECT_FALSE(Defines(slip).count("ppp_resend_ticks"));
}

TEST(UserConstants, FamilyAndAdapterChooseDeviceAndBaseAddress) {
    ConfigRecord pelmar;
    pelmar.device_bits = DeviceBit::Pelmar | DeviceBit::Lanvik;
    pelmar = Widened(pelmar);
    EXPECT_EQ(Defines(pelmar).at("BASE_ADDRESS"), "0x10");
    EXPECT_EQ(Defines(pelmar).at("device_id"), "PELMAR");

    ConfigRecord custom;
    custom.option_bits |= OptionBit::CustomDevice | OptionBit::PolledMode;
    custom.device_bits = DeviceBit::Zintor | DeviceBit::CustomDevice | DeviceBit::Dns;
    custom = Widened(custom);
    EXPECT_EQ(Defines(custom), Expected(custom));
    EXPECT_EQ(Defines(custom).at("BASE_ADDRESS"), "0x10");
    EXPECT_TRUE(Defines(custom).count("dns_wait_ticks"));
}

TEST(UserConstants, PostFunctionsNeedHttpAndVirtualFiles) {
    ConfigRecord r;
    r.option_bits = OptionBit::Ethernet | OptionBit::IP | OptionBit::TCP | OptionBit::HTTP;
    EXPECT_FALSE(Defines(r).count("num_post_funcs"));
    r.option_bits |= OptionBit::VirtualFiles;
    EXPECT_EQ(Defines(r).at("num_post_funcs"), "1");
    r.option_bits &= ~OptionBit::HTTP;
    EXPECT_FALSE(Defines(r).count("num_post_funcs"));
}

TEST(UserConstants, EverySweepConfigurationMatchesTheTable) {
    for (const sweep::SweepConfig& config : sweep::SweepConfigs()) {
        const ConfigRecord r = Widened(sweep::BuildSweepRecord(config));
        EXPECT_EQ(Defines(r), Expected(r)) << config.name;
    }
}
