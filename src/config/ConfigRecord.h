// The configuration record: every choice the user makes for the embedded stack.
//
// One record lives in the main window for the whole run. The option tree, the settings panel and
// the oscillator pages edit it field by field; the settings file saves and restores it; the
// generator renders it into C text through the numbered parameters (Parameters.h) and through
// the option and device bits that the template sections test.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/OptionNodes.h"

namespace quillon {

// Bits of ConfigRecord::option_bits. Templates refer to them by bit number, so they never move.
namespace OptionBit {
inline constexpr std::uint32_t Ethernet = 0x1;
inline constexpr std::uint32_t PPP = 0x2;
inline constexpr std::uint32_t SLIP = 0x4;
inline constexpr std::uint32_t IP = 0x8;
inline constexpr std::uint32_t PING = 0x10;
inline constexpr std::uint32_t ARP = 0x20;
inline constexpr std::uint32_t TCP = 0x40;
inline constexpr std::uint32_t UDP = 0x80;
inline constexpr std::uint32_t BOOTP = 0x100;
inline constexpr std::uint32_t DHCP = 0x200;
inline constexpr std::uint32_t FTP = 0x400;
inline constexpr std::uint32_t HTTP = 0x800;
inline constexpr std::uint32_t SMTP = 0x1000;
inline constexpr std::uint32_t TFTP = 0x2000;
inline constexpr std::uint32_t PAP = 0x4000;
inline constexpr std::uint32_t VirtualFiles = 0x8000;
inline constexpr std::uint32_t CustomDevice = 0x10000;
inline constexpr std::uint32_t PolledMode = 0x20000;
inline constexpr std::uint32_t NoPap = 0x40000;
inline constexpr std::uint32_t Modem = 0x80000;
inline constexpr std::uint32_t EthernetHardware = 0x100000;
inline constexpr std::uint32_t InterruptMode = 0x200000;
// Set only while the main routine of a LOCATRA project is expanded.
inline constexpr std::uint32_t LocatraMain = 0x400000;
}  // namespace OptionBit

// Bits of ConfigRecord::device_bits (never saved in the settings file).
namespace DeviceBit {
// A board variant with external memory at base 0xC0; tested by templates, set by nothing.
inline constexpr std::uint32_t BoardC0 = 0x1;
inline constexpr std::uint32_t Lanvik = 0x2;
inline constexpr std::uint32_t CustomDevice = 0x4;
inline constexpr std::uint32_t Vardex = 0x100;
inline constexpr std::uint32_t Pelmar = 0x200;
inline constexpr std::uint32_t Zintor = 0x400;
inline constexpr std::uint32_t Dns = 0x100000;
// The family bits: exactly one of them is set.
inline constexpr std::uint32_t Families = Vardex | Pelmar | Zintor;
}  // namespace DeviceBit

inline constexpr std::uint32_t kDefaultOptionBits = 0x108019;
inline constexpr std::uint32_t kDefaultDeviceBits = 0x102;

// The clock registers and frequencies that the oscillator sheet edits and that SYSCLK_Init,
// the tick reload, the memory-interface timing and the baud rate are derived from.
struct ClockBlock {
    std::uint8_t oscxcn = 0;
    std::uint8_t pll0cn = 0;
    std::uint8_t pll0div = 0;
    std::uint8_t pll0mul = 0;
    std::uint8_t pll0flt = 0;
    std::uint8_t clksel = 0;
    std::uint8_t clkmul = 0;
    std::uint8_t oscicn = 0;
    std::uint8_t flscl = 0;
    std::uint32_t ext_osc_hz = 0;
    std::uint32_t sysclk_hz = 0;
    std::uint32_t int_osc_hz = 0;

    friend bool operator==(const ClockBlock&, const ClockBlock&) = default;
};

using Ip4 = std::array<std::uint8_t, 4>;
using Mac = std::array<std::uint8_t, 6>;

// Field order follows the declared order of the stored configuration; `quillon-cli show record`
// prints the fields in this order. Values that do not fit a field are cut to its width.
struct ConfigRecord {
    std::uint32_t option_bits = kDefaultOptionBits;
    std::uint32_t device_bits = kDefaultDeviceBits;

    // Flags, each 0 or 1.
    std::uint32_t code_bank = 0;
    std::uint32_t zintor_usb_fifo = 0;
    std::uint32_t locatra_enabled = 0;
    std::uint32_t use_password = 0;

    // Stack parameters; where a constant of the generated header exists, the field is its value.
    std::uint8_t num_sockets = 3;
    std::uint16_t xmit_buff_size = 1514;
    std::uint16_t recv_buff_size = 1514;
    std::uint16_t socket_wait_ticks = 100;
    std::uint16_t ether_wait_ticks = 5;
    std::uint16_t arp_keep_ticks = 6000;
    std::uint16_t arp_resend_trys = 6;
    std::uint16_t arp_wait_ticks = 600;
    std::uint8_t arp_cache_size = 4;
    std::uint8_t arp_auto_update = 0;
    std::uint16_t dhcp_resend_trys = 3;
    std::uint16_t dhcp_default_lease_time = 36000;
    std::int8_t bootp_resend_trys = 6;
    std::uint16_t bootp_request_ip = 1;
    std::uint8_t ftp_max_param = 24;
    std::uint16_t ftp_buffer_len = 512;
    std::uint16_t ftp_num_users = 1;
    std::uint16_t mem_pool_size = 512;
    std::uint16_t http_buffer_len = 512;
    std::uint16_t tftp_resend_trys = 3;
    std::uint16_t ip_time_to_live = 64;
    std::uint16_t ping_buff_size = 32;
    std::uint16_t tcp_window = 512;
    std::uint16_t multicast_ttl = 1;
    std::uint16_t tcp_resend_ticks = 100;
    std::uint16_t tcp_resend_trys = 12;
    std::uint16_t smtp_buffer_len = 512;
    std::uint8_t num_vf_pages = 1;
    std::uint8_t spare_byte = 0;
    std::uint8_t num_post_funcs = 1;
    std::uint16_t tl0_flash = 0x3F;
    std::uint16_t th0_flash = 0xB0;
    Ip4 ip_dest_addr{255, 255, 255, 255};
    Ip4 ip_src_addr{0, 0, 0, 1};
    Ip4 ip_smtp_addr{255, 255, 255, 255};
    Mac eth_src_hw_addr{0x00, 0x0B, 0x3C, 0x00, 0x00, 0x00};
    Mac eth_dest_hw_addr{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Ip4 gateway_ip_addr{255, 255, 255, 255};
    Ip4 subnet_mask{255, 255, 255, 0};
    std::uint32_t uart_reload = 0x60;
    std::uint32_t uart_baud_rate = 307200;
    std::string country_cmd = "AT+GCI=";
    std::string protocol_cmd = "AT&";
    std::string login_name = "guest";
    std::string login_password = "tulipbed";
    std::string dial_cmd = "ATDT";
    std::uint16_t pap_num_users = 1;
    std::uint16_t ppp_resend_ticks = 300;
    std::uint8_t ppp_resend_trys = 6;
    std::uint8_t ppp_terminate_trys = 2;
    std::uint16_t uri_buffer_len = 52;
    std::uint16_t body_buffer_len = 52;
    std::uint16_t dns_buff_size = 512;
    std::uint16_t dns_send_trys = 3;
    std::uint16_t dns_wait_ticks = 400;
    std::string locatra_name = "Locatra Device Name";
    std::string locatra_description = "Enter Text Description";
    std::string locatra_event1 = "Time Powered";
    std::string locatra_event2 = "Time on Network";

    // Modem selections; the defaults procedure leaves them alone.
    std::int32_t country_index = 40;
    std::int32_t protocol_index = 0;
    std::string country_code;
    std::string modem_protocol;
    std::string phone_number;

    // Derived from SYSCLK; not reset by the defaults.
    std::uint8_t emif_timing = 0xFF;

    ClockBlock clock;
    std::uint32_t clock_confirmed = 0;

    friend bool operator==(const ConfigRecord&, const ConfigRecord&) = default;
};

struct TableEntry {
    std::string_view name;
    std::string_view code;
};

// Modem country table (ITU-T T.35 codes in hexadecimal) and modulation-protocol table; entry i
// of each combo box is row i.
inline constexpr int kCountryCount = 42;
inline constexpr int kProtocolCount = 12;
extern const std::array<TableEntry, kCountryCount> kCountryTable;
extern const std::array<TableEntry, kProtocolCount> kProtocolTable;

// Which tree item is the chosen adapter.
enum class AdapterItem { None, Lanvik, Modara, CustomDevice };

// What the defaults procedure needs from the window and the option tree, which own these pieces.
class DefaultsHost {
public:
    virtual ~DefaultsHost() = default;
    virtual OptionStates& Options() = 0;
    // Closes the held settings file, if any, and forgets its name.
    virtual void CloseHeldSettingsFile() = 0;
    virtual void SetCurrentAdapter(AdapterItem item) = 0;
    virtual void ClearGatewayFlag() = 0;
    // Moves the record's values into the window's controls.
    virtual void RefreshControls() = 0;
};

// The defaults procedure: option states, parameters, addresses, texts, device bits, the
// family's clock defaults and buffer profile, and the default option bits. Leaves the modem
// selections, emif_timing, clock_confirmed, the project folder and the modified flag alone.
void ResetToDefaults(ConfigRecord& record, DefaultsHost& host);

// Sets the six buffer sizes from the family whose tree node is On (Vardex first).
void ApplyDeviceProfile(ConfigRecord& record, const OptionStates& options);

// The modem's buffer profile, which the option tree's rules set directly.
void ApplyModemProfile(ConfigRecord& record);

}  // namespace quillon
