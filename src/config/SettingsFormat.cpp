#include "config/SettingsFormat.h"

#include <charconv>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "config/ClockDefaults.h"
#include "config/Parameters.h"

namespace quillon {

namespace {

using N = OptionNode;

constexpr std::uint32_t kFamilyBits = DeviceBit::Vardex | DeviceBit::Pelmar | DeviceBit::Zintor;

// --- Lines ----------------------------------------------------------------------------------

// CR LF, a lone CR and a lone LF each end a line, so files from any editor read alike. A last
// line without its line end is still a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::uint8_t U8(std::string_view s) { return static_cast<std::uint8_t>(ParseDecimal(s, 8)); }
std::uint16_t U16(std::string_view s) { return static_cast<std::uint16_t>(ParseDecimal(s, 16)); }

// The four LOCATRA texts are written between double quotes.
std::string Unquoted(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

// A line written with "%d" from a field that can render negative (the option bits, the signed
// `bootp_resend_trys`): the decimal parse ignores the minus sign, so it is applied here, which
// brings back the value the line was written from.
std::uint32_t Signed(std::string_view s, int width_bits) {
    const bool negative = !s.empty() && s.front() == '-';
    const std::uint32_t magnitude = ParseDecimal(negative ? s.substr(1) : s, width_bits);
    const std::uint32_t value = negative ? 0u - magnitude : magnitude;
    return width_bits == 8 ? (value & 0xFFu) : value;
}

void StoreParameter(ConfigRecord& r, int number, std::string_view s) {
    switch (number) {
    case 1: r.num_sockets = U8(s); break;
    case 2: r.xmit_buff_size = U16(s); break;
    case 3: r.recv_buff_size = U16(s); break;
    case 4: r.socket_wait_ticks = U16(s); break;
    case 5: r.ether_wait_ticks = U16(s); break;
    case 6: r.arp_keep_ticks = U16(s); break;
    case 7: r.arp_resend_trys = U16(s); break;
    case 8: r.arp_wait_ticks = U16(s); break;
    case 9: r.arp_cache_size = U8(s); break;
    case 10: r.arp_auto_update = U8(s); break;
    case 11: r.dhcp_resend_trys = U16(s); break;
    case 12: r.dhcp_default_lease_time = U16(s); break;
    case 13: r.bootp_resend_trys = static_cast<std::int8_t>(Signed(s, 8)); break;
    case 14: r.bootp_request_ip = U16(s); break;
    case 15: r.ftp_max_param = U8(s); break;
    case 16: r.ftp_buffer_len = U16(s); break;
    case 17: r.ftp_num_users = U16(s); break;
    case 18: r.mem_pool_size = U16(s); break;
    case 19: r.http_buffer_len = U16(s); break;
    case 20: r.tftp_resend_trys = U16(s); break;
    case 21: r.ip_time_to_live = U16(s); break;
    case 22: r.ping_buff_size = U16(s); break;
    case 23: r.tcp_window = U16(s); break;
    case 24: r.multicast_ttl = U16(s); break;
    case 25: r.tcp_resend_ticks = U16(s); break;
    case 26: r.tcp_resend_trys = U16(s); break;
    case 27: r.smtp_buffer_len = U16(s); break;
    case 28: r.num_vf_pages = U8(s); break;
    case 29: r.spare_byte = U8(s); break;
    case 30: r.num_post_funcs = U8(s); break;
    case 100: r.tl0_flash = U16(s); break;
    case 101: r.th0_flash = U16(s); break;
    case 33: ParseList(s, r.ip_dest_addr); break;
    case 34: ParseList(s, r.ip_src_addr); break;
    case 35: ParseList(s, r.ip_smtp_addr); break;
    case 102: ParseList(s, r.eth_src_hw_addr); break;
    case 103: ParseList(s, r.eth_dest_hw_addr); break;
    case 38: ParseList(s, r.gateway_ip_addr); break;
    case 39: ParseList(s, r.subnet_mask); break;
    case 104: r.uart_reload = ParseDecimal(s, 32); break;
    case 54: r.uart_baud_rate = ParseDecimal(s, 32); break;
    case 105: r.country_cmd = std::string(s); break;
    case 106: r.protocol_cmd = std::string(s); break;
    case 107: r.login_name = std::string(s); break;
    case 108: r.login_password = std::string(s); break;
    case 109: r.dial_cmd = std::string(s); break;
    case 46: r.pap_num_users = U16(s); break;
    case 47: r.use_password = U16(s); break;
    case 51: r.ppp_resend_ticks = U16(s); break;
    case 52: r.ppp_resend_trys = U8(s); break;
    case 53: r.ppp_terminate_trys = U8(s); break;
    case 57: r.uri_buffer_len = U16(s); break;
    case 58: r.body_buffer_len = U16(s); break;
    case 59: r.dns_buff_size = U16(s); break;
    case 60: r.dns_send_trys = U16(s); break;
    case 61: r.dns_wait_ticks = U16(s); break;
    case 62: r.locatra_name = Unquoted(s); break;
    case 63: r.locatra_description = Unquoted(s); break;
    case 64: r.locatra_event1 = Unquoted(s); break;
    case 65: r.locatra_event2 = Unquoted(s); break;
    default: break;
    }
}

// --- Extension block ------------------------------------------------------------------------

struct ByteKey {
    std::string_view key;
    std::uint8_t ClockBlock::*field;
};
struct WordKey {
    std::string_view key;
    std::uint32_t ClockBlock::*field;
};

constexpr ByteKey kClockBytes[] = {
    {"oscxcn", &ClockBlock::oscxcn}, {"pll0cn", &ClockBlock::pll0cn}, {"pll0div", &ClockBlock::pll0div},
    {"pll0mul", &ClockBlock::pll0mul}, {"pll0flt", &ClockBlock::pll0flt}, {"clksel", &ClockBlock::clksel},
    {"clkmul", &ClockBlock::clkmul}, {"oscicn", &ClockBlock::oscicn}, {"flscl", &ClockBlock::flscl},
};
constexpr WordKey kClockWords[] = {
    {"ext_osc_hz", &ClockBlock::ext_osc_hz},
    {"sysclk_hz", &ClockBlock::sysclk_hz},
    {"int_osc_hz", &ClockBlock::int_osc_hz},
};

struct FamilyName {
    std::string_view name;
    std::uint32_t bit;
    OptionNode node;
};
constexpr FamilyName kFamilies[] = {
    {"vardex", DeviceBit::Vardex, N::Vardex},
    {"pelmar", DeviceBit::Pelmar, N::Pelmar},
    {"zintor", DeviceBit::Zintor, N::Zintor},
};

// A whole decimal number no greater than `max`; anything else is not a value.
std::optional<std::int64_t> Number(std::string_view s, std::int64_t min, std::int64_t max) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<bool> Flag(std::string_view s) {
    if (s == "1") return true;
    if (s == "0") return false;
    return std::nullopt;
}

using Extension = std::map<std::string, std::string, std::less<>>;

Extension ParseExtension(const std::vector<std::string_view>& lines, std::size_t first) {
    Extension keys;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;  // not a key=value line
        keys[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
    return keys;
}

const std::string* Find(const Extension& keys, std::string_view key) {
    const auto it = keys.find(key);
    return it == keys.end() ? nullptr : &it->second;
}

void SetUsbFifoState(const ConfigRecord& r, OptionStates& o) {
    if (!(r.device_bits & DeviceBit::Zintor)) {
        o.SetState(N::UsbFifoSupport, NodeState::Unavailable);
    } else if (r.zintor_usb_fifo) {
        o.SetState(N::UsbFifoSupport, NodeState::On);
    } else {
        o.SetState(N::UsbFifoSupport, r.clock.sysclk_hz <= kUsbFifoMaxSysclk ? NodeState::Off : NodeState::Unavailable);
    }
}

// Restores the choices of the extension block. Values the rest of the file rules out (another
// family beside the modem or a code-banked project, USB FIFO above its clock) are not taken.
void ApplyExtension(const Extension& keys, ConfigRecord& r, OptionStates& o) {
    if (const std::string* family = Find(keys, "family")) {
        const bool vardex_only = (r.option_bits & OptionBit::Modem) || r.code_bank != 0;
        for (const FamilyName& f : kFamilies) {
            if (*family != f.name || (vardex_only && f.bit != DeviceBit::Vardex)) continue;
            const bool changed = (r.device_bits & kFamilyBits) != f.bit;
            r.device_bits = (r.device_bits & ~kFamilyBits) | f.bit;
            for (const FamilyName& g : kFamilies) o.SetState(g.node, g.bit == f.bit ? NodeState::On : NodeState::Off);
            if (f.bit != DeviceBit::Vardex) o.SetState(N::CodeBankProject, NodeState::Off);
            if (changed) ApplyClockDefaults(r);
        }
    }
    for (const ByteKey& k : kClockBytes) {
        if (const std::string* v = Find(keys, k.key)) {
            if (auto n = Number(*v, 0, 0xFF)) r.clock.*k.field = static_cast<std::uint8_t>(*n);
        }
    }
    for (const WordKey& k : kClockWords) {
        if (const std::string* v = Find(keys, k.key)) {
            if (auto n = Number(*v, 0, std::numeric_limits<std::uint32_t>::max())) {
                r.clock.*k.field = static_cast<std::uint32_t>(*n);
            }
        }
    }
    if (const std::string* v = Find(keys, "clock_confirmed")) {
        if (auto f = Flag(*v)) r.clock_confirmed = *f ? 1 : 0;
    }
    if (const std::string* v = Find(keys, "usb_fifo")) {
        if (auto f = Flag(*v)) {
            const bool possible = (r.device_bits & DeviceBit::Zintor) && r.clock.sysclk_hz <= kUsbFifoMaxSysclk;
            r.zintor_usb_fifo = *f && possible ? 1 : 0;
        }
    }
    SetUsbFifoState(r, o);
    if (const std::string* v = Find(keys, "dns")) {
        if (auto f = Flag(*v)) {
            r.device_bits = *f ? (r.device_bits | DeviceBit::Dns) : (r.device_bits & ~DeviceBit::Dns);
            o.SetState(N::DNS, *f ? NodeState::On : NodeState::Off);
        }
    }
    if (const std::string* v = Find(keys, "locatra")) {
        if (auto f = Flag(*v)) {
            r.locatra_enabled = *f ? 1 : 0;
            o.SetState(N::LOCATRA, *f ? NodeState::On : NodeState::Off);
        }
    }
    if (const std::string* v = Find(keys, "country_index")) {
        if (auto n = Number(*v, -1, kCountryCount - 1)) {
            r.country_index = static_cast<std::int32_t>(*n);
            if (*n >= 0) r.country_code = std::string(kCountryTable[static_cast<std::size_t>(*n)].code);
        }
    }
    if (const std::string* v = Find(keys, "protocol_index")) {
        if (auto n = Number(*v, -1, kProtocolCount - 1)) {
            r.protocol_index = static_cast<std::int32_t>(*n);
            if (*n >= 0) r.modem_protocol = std::string(kProtocolTable[static_cast<std::size_t>(*n)].code);
        }
    }
    if (const std::string* v = Find(keys, "phone_number")) r.phone_number = *v;
}

// --- Tree sync ------------------------------------------------------------------------------

void SyncTree(ConfigRecord& r, OptionStates& o, AdapterItem& adapter) {
    const auto bit = [&](std::uint32_t b) { return (r.option_bits & b) != 0; };
    const auto on_if = [&](N n, bool on) { o.SetState(n, on ? NodeState::On : NodeState::Off); };

    on_if(N::Ethernet, bit(OptionBit::Ethernet));
    on_if(N::PPP, bit(OptionBit::PPP));
    on_if(N::SLIP, bit(OptionBit::SLIP));
    // PAP follows its bit too, so that a loaded PPP project with PAP shows PAP chosen.
    on_if(N::PAP, bit(OptionBit::PAP));
    on_if(N::UsePassword, r.use_password != 0);
    on_if(N::TCP, bit(OptionBit::TCP));
    on_if(N::UDP, bit(OptionBit::UDP));
    on_if(N::BOOTP, bit(OptionBit::BOOTP));
    on_if(N::DHCP, bit(OptionBit::DHCP));
    on_if(N::FTP, bit(OptionBit::FTP));
    on_if(N::HTTP, bit(OptionBit::HTTP));
    on_if(N::SMTP, bit(OptionBit::SMTP));
    on_if(N::TFTP, bit(OptionBit::TFTP));

    // Exactly one adapter, in the tree and in the device bits, as the option bits say.
    const bool modem = bit(OptionBit::Modem);
    const bool custom = !modem && bit(OptionBit::Ethernet) && bit(OptionBit::CustomDevice);
    on_if(N::Modara, modem);
    on_if(N::CustomEthernetDevice, custom);
    on_if(N::Lanvik, !modem && !custom);
    on_if(N::PolledMode, custom && bit(OptionBit::PolledMode));
    on_if(N::InterruptMode, custom && bit(OptionBit::InterruptMode));
    r.device_bits &= ~(DeviceBit::Lanvik | DeviceBit::CustomDevice);
    if (modem) {
        adapter = AdapterItem::Modara;
    } else if (custom) {
        r.device_bits |= DeviceBit::CustomDevice;
        adapter = AdapterItem::CustomDevice;
    } else {
        r.device_bits |= DeviceBit::Lanvik;
        adapter = AdapterItem::Lanvik;
    }

    // A code-banked project is a Vardex project.
    if (r.code_bank != 0) {
        o.SetState(N::CodeBankProject, NodeState::On);
        o.SetState(N::Vardex, NodeState::On);
        o.SetState(N::Pelmar, NodeState::Off);
        o.SetState(N::Zintor, NodeState::Off);
        if ((r.device_bits & kFamilyBits) != DeviceBit::Vardex) {
            r.device_bits = (r.device_bits & ~kFamilyBits) | DeviceBit::Vardex;
            ApplyClockDefaults(r);
        }
    }
}

std::string_view FamilyKey(std::uint32_t device_bits) {
    switch (FamilyOf(device_bits)) {
    case Family::Vardex: return "vardex";
    case Family::Pelmar: return "pelmar";
    case Family::Zintor: return "zintor";
    case Family::None: break;
    }
    return {};
}

}  // namespace

std::string WriteSettings(const ConfigRecord& r, const std::string& project_folder) {
    std::string out;
    const auto line = [&](std::string_view text) {
        out.append(text);
        out.push_back('\n');
    };
    const auto entry = [&](std::string_view key, const std::string& value) {
        out.append(key).append("=").append(value);
        out.push_back('\n');
    };
    line(std::to_string(static_cast<std::int32_t>(r.option_bits)));
    line(std::to_string(static_cast<std::int32_t>(r.code_bank)));
    line(project_folder);
    for (int number : kSettingsParameterOrder) line(RenderParameter(r, number));

    line(kSettingsExtensionHeader);
    const std::string_view family = FamilyKey(r.device_bits);
    if (!family.empty()) entry("family", std::string(family));
    entry("dns", (r.device_bits & DeviceBit::Dns) ? "1" : "0");
    entry("locatra", r.locatra_enabled ? "1" : "0");
    entry("usb_fifo", r.zintor_usb_fifo ? "1" : "0");
    entry("country_index", std::to_string(r.country_index));
    entry("protocol_index", std::to_string(r.protocol_index));
    entry("phone_number", r.phone_number);
    for (const ByteKey& k : kClockBytes) entry(k.key, std::to_string(r.clock.*k.field));
    for (const WordKey& k : kClockWords) entry(k.key, std::to_string(r.clock.*k.field));
    entry("clock_confirmed", r.clock_confirmed ? "1" : "0");
    return out;
}

void ReadSettings(std::string_view text, ConfigRecord& r, std::string& project_folder, OptionStates& options,
                  AdapterItem& adapter) {
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.size() > 0) r.option_bits = Signed(lines[0], 32);
    if (lines.size() > 1) r.code_bank = ParseDecimal(lines[1], 8);
    if (lines.size() > 2) project_folder = std::string(lines[2]);
    for (std::size_t k = 3; k < lines.size() && k < kSettingsPlainLines; ++k) {
        StoreParameter(r, kSettingsParameterOrder[k - 3], lines[k]);
    }
    SyncTree(r, options, adapter);
    if (lines.size() > kSettingsPlainLines && lines[kSettingsPlainLines] == kSettingsExtensionHeader) {
        ApplyExtension(ParseExtension(lines, kSettingsPlainLines + 1), r, options);
    }
}

}  // namespace quillon
