#include "config/ConfigRecord.h"

#include "config/ClockDefaults.h"

namespace quillon {

const std::array<TableEntry, kCountryCount> kCountryTable{{
    {"Japan", "0"},          {"Australia", "9"},     {"Austria", "A"},        {"Belgium", "F"},
    {"Brazil", "16"},        {"Bulgaria", "1B"},     {"Canada", "20"},        {"China", "26"},
    {"Columbia", "27"},      {"Czech Republic", "2E"}, {"Denmark", "31"},     {"Ecuador", "35"},
    {"Finland", "3C"},       {"France", "3D"},       {"Germany", "42"},       {"Greece", "46"},
    {"Hong Kong", "50"},     {"Hungary", "51"},      {"India", "53"},         {"Ireland", "57"},
    {"Israel", "58"},        {"Italy", "59"},        {"South Korea", "61"},   {"Luxembourg", "69"},
    {"Malaysia", "6C"},      {"Mexico", "73"},       {"Netherlands", "7B"},   {"New Zealand", "7E"},
    {"Norway", "82"},        {"Paraguay", "87"},     {"Philippines", "89"},   {"Poland", "8A"},
    {"Portugal", "8B"},      {"Singapore", "9C"},    {"South Africa", "9F"},  {"Spain", "A0"},
    {"Sweden", "A5"},        {"Switzerland", "A6"},  {"Russia", "B8"},        {"United Kingdom", "B4"},
    {"United States", "B5"}, {"Taiwan", "FE"},
}};

const std::array<TableEntry, kProtocolCount> kProtocolTable{{
    {"V.90 with automatic fallback", "H0"},
    {"V.90 only", "H1"},
    {"V.34 with automatic fallback", "H2"},
    {"V.34 only", "H3"},
    {"ITU-T V.32bis with automatic fallback", "H4"},
    {"ITU-T V.32 bis only", "H5"},
    {"ITU-T V.22bis only", "H6"},
    {"ITU-T V.22 only", "H7"},
    {"Bell 212 only", "H8"},
    {"Bell 103 only", "H9"},
    {"ITU-T V.21 only", "H10"},
    {"V.23", "H11"},
}};

namespace {

void SetBufferProfile(ConfigRecord& r, std::uint16_t xmit, std::uint16_t recv, std::uint16_t others) {
    r.xmit_buff_size = xmit;
    r.recv_buff_size = recv;
    r.ftp_buffer_len = others;
    r.tcp_window = others;
    r.http_buffer_len = others;
    r.smtp_buffer_len = others;
}

}  // namespace

void ApplyDeviceProfile(ConfigRecord& record, const OptionStates& options) {
    if (options.IsChecked(OptionNode::Vardex)) {
        SetBufferProfile(record, 1514, 1514, 512);
    } else if (options.IsChecked(OptionNode::Pelmar) || options.IsChecked(OptionNode::Zintor)) {
        SetBufferProfile(record, 560, 840, 256);
    }
}

void ApplyModemProfile(ConfigRecord& record) { SetBufferProfile(record, 570, 570, 285); }

void ResetToDefaults(ConfigRecord& r, DefaultsHost& host) {
    host.CloseHeldSettingsFile();
    host.SetCurrentAdapter(AdapterItem::None);

    OptionStates& o = host.Options();
    o.SetState(OptionNode::Modara, NodeState::Off);
    o.SetState(OptionNode::Lanvik, NodeState::On);
    o.SetState(OptionNode::Ethernet, NodeState::On);
    o.SetState(OptionNode::PPP, NodeState::Off);
    o.SetState(OptionNode::PAP, NodeState::Off);
    o.SetState(OptionNode::UsePassword, NodeState::Off);
    o.SetState(OptionNode::SLIP, NodeState::Off);
    o.SetState(OptionNode::CustomEthernetDevice, NodeState::Off);
    o.SetState(OptionNode::PolledMode, NodeState::Off);
    o.SetState(OptionNode::InterruptMode, NodeState::Off);
    o.SetState(OptionNode::Vardex, NodeState::On);
    o.SetState(OptionNode::Pelmar, NodeState::Off);
    o.SetState(OptionNode::Zintor, NodeState::Off);
    o.SetState(OptionNode::CodeBankProject, NodeState::Off);
    o.SetState(OptionNode::UsbFifoSupport, NodeState::Unavailable, StateReason::NeedsZintor);
    for (OptionNode n : {OptionNode::TCP, OptionNode::UDP, OptionNode::BOOTP, OptionNode::DHCP, OptionNode::FTP,
                         OptionNode::HTTP, OptionNode::SMTP, OptionNode::TFTP, OptionNode::DNS, OptionNode::LOCATRA}) {
        o.SetState(n, NodeState::Off);
    }
    // IP, PING and ARP as inserted: in every library of the default Ethernet link, ARP without
    // its bit until a rule sets it. Whatever a modem configuration made of ARP goes with it.
    o.SetState(OptionNode::IP, NodeState::Included, StateReason::InEveryLibrary);
    o.SetState(OptionNode::PING, NodeState::Included, StateReason::InEveryLibrary);
    o.SetState(OptionNode::ARP, NodeState::Included, StateReason::ComesWithEthernet);

    r.code_bank = 0;

    // Step 5: the stack parameters. The two socket buffers start at 1518; the device profile
    // below brings them to the family's sizes.
    const ConfigRecord fresh;
    r.num_sockets = fresh.num_sockets;
    r.xmit_buff_size = 1518;
    r.recv_buff_size = 1518;
    r.socket_wait_ticks = fresh.socket_wait_ticks;
    r.ether_wait_ticks = fresh.ether_wait_ticks;
    r.arp_keep_ticks = fresh.arp_keep_ticks;
    r.arp_resend_trys = fresh.arp_resend_trys;
    r.arp_wait_ticks = fresh.arp_wait_ticks;
    r.arp_cache_size = fresh.arp_cache_size;
    r.arp_auto_update = fresh.arp_auto_update;
    r.dhcp_resend_trys = fresh.dhcp_resend_trys;
    r.dhcp_default_lease_time = fresh.dhcp_default_lease_time;
    r.bootp_resend_trys = fresh.bootp_resend_trys;
    r.bootp_request_ip = fresh.bootp_request_ip;
    r.ftp_max_param = fresh.ftp_max_param;
    r.ftp_buffer_len = fresh.ftp_buffer_len;
    r.ftp_num_users = fresh.ftp_num_users;
    r.mem_pool_size = fresh.mem_pool_size;
    r.http_buffer_len = fresh.http_buffer_len;
    r.tftp_resend_trys = fresh.tftp_resend_trys;
    r.ip_time_to_live = fresh.ip_time_to_live;
    r.ping_buff_size = fresh.ping_buff_size;
    r.tcp_window = fresh.tcp_window;
    r.multicast_ttl = fresh.multicast_ttl;
    r.tcp_resend_ticks = fresh.tcp_resend_ticks;
    r.tcp_resend_trys = fresh.tcp_resend_trys;
    r.smtp_buffer_len = fresh.smtp_buffer_len;
    r.num_vf_pages = fresh.num_vf_pages;
    r.spare_byte = fresh.spare_byte;
    r.num_post_funcs = fresh.num_post_funcs;
    r.tl0_flash = fresh.tl0_flash;
    r.th0_flash = fresh.th0_flash;
    r.uart_reload = fresh.uart_reload;
    r.uart_baud_rate = fresh.uart_baud_rate;

    // Step 6: modem and login strings, PAP, password, PPP, HTTP and DNS values.
    r.country_cmd = fresh.country_cmd;
    r.protocol_cmd = fresh.protocol_cmd;
    r.login_name = fresh.login_name;
    r.login_password = fresh.login_password;
    r.dial_cmd = fresh.dial_cmd;
    r.pap_num_users = 1;
    r.use_password = 0;
    r.ppp_resend_ticks = fresh.ppp_resend_ticks;
    r.ppp_resend_trys = fresh.ppp_resend_trys;
    r.ppp_terminate_trys = fresh.ppp_terminate_trys;
    r.uri_buffer_len = fresh.uri_buffer_len;
    r.body_buffer_len = fresh.body_buffer_len;
    r.dns_buff_size = fresh.dns_buff_size;
    r.dns_send_trys = fresh.dns_send_trys;
    r.dns_wait_ticks = fresh.dns_wait_ticks;

    // Step 7: the seven addresses.
    r.ip_dest_addr = fresh.ip_dest_addr;
    r.ip_src_addr = fresh.ip_src_addr;
    r.ip_smtp_addr = fresh.ip_smtp_addr;
    r.eth_src_hw_addr = fresh.eth_src_hw_addr;
    r.eth_dest_hw_addr = fresh.eth_dest_hw_addr;
    r.gateway_ip_addr = fresh.gateway_ip_addr;
    r.subnet_mask = fresh.subnet_mask;

    r.locatra_enabled = 0;
    r.zintor_usb_fifo = 0;
    host.ClearGatewayFlag();

    r.locatra_name = fresh.locatra_name;
    r.locatra_description = fresh.locatra_description;
    r.locatra_event1 = fresh.locatra_event1;
    r.locatra_event2 = fresh.locatra_event2;

    r.device_bits = kDefaultDeviceBits;
    host.SetCurrentAdapter(AdapterItem::Lanvik);
    ApplyClockDefaults(r);
    ApplyDeviceProfile(r, o);
    r.option_bits = kDefaultOptionBits;
    host.RefreshControls();
}

}  // namespace quillon
