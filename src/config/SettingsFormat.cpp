#include "config/SettingsFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <span>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "config/ChoiceStates.h"
#include "config/ClockDefaults.h"
#include "config/Parameters.h"

namespace quillon {

namespace {

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
};
constexpr FamilyName kFamilies[] = {
    {"vardex", DeviceBit::Vardex},
    {"pelmar", DeviceBit::Pelmar},
    {"zintor", DeviceBit::Zintor},
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

// Restores the choices of the extension block into the record; whatever the rest of the file
// rules out (another family beside the modem, USB FIFO above its clock) is settled afterwards.
void ApplyExtension(const Extension& keys, ConfigRecord& r) {
    if (const std::string* family = Find(keys, "family")) {
        for (const FamilyName& f : kFamilies) {
            if (*family != f.name) continue;
            const bool changed = (r.device_bits & DeviceBit::Families) != f.bit;
            r.device_bits = (r.device_bits & ~DeviceBit::Families) | f.bit;
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
        if (auto f = Flag(*v)) r.zintor_usb_fifo = *f ? 1 : 0;
    }
    if (const std::string* v = Find(keys, "dns")) {
        if (auto f = Flag(*v)) r.device_bits = *f ? (r.device_bits | DeviceBit::Dns) : (r.device_bits & ~DeviceBit::Dns);
    }
    if (const std::string* v = Find(keys, "locatra")) {
        if (auto f = Flag(*v)) r.locatra_enabled = *f ? 1 : 0;
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

std::string_view FamilyKey(std::uint32_t device_bits) {
    switch (FamilyOf(device_bits)) {
    case Family::Vardex: return "vardex";
    case Family::Pelmar: return "pelmar";
    case Family::Zintor: return "zintor";
    case Family::None: break;
    }
    return {};
}

// --- What reading had to guess ---------------------------------------------------------------

// How a plain line is written, and so what it is checked against.
enum class LineKind { Unsigned, Signed, Flag, Ip, MacList, Text, QuotedText, Folder };

struct LineForm {
    int number;  // parameter number; 0 for lines 1 to 3
    std::string_view field;
    LineKind kind;
    int width_bits;  // numbers: 8, 16 or 32
};

constexpr LineForm kHeadLines[] = {
    {0, "option_bits", LineKind::Signed, 32},
    {0, "code_bank", LineKind::Flag, 8},
    {0, "project_folder", LineKind::Folder, 0},
};

constexpr LineForm kParameterLines[] = {
    {1, "num_sockets", LineKind::Unsigned, 8},
    {2, "xmit_buff_size", LineKind::Unsigned, 16},
    {3, "recv_buff_size", LineKind::Unsigned, 16},
    {4, "socket_wait_ticks", LineKind::Unsigned, 16},
    {5, "ether_wait_ticks", LineKind::Unsigned, 16},
    {6, "arp_keep_ticks", LineKind::Unsigned, 16},
    {7, "arp_resend_trys", LineKind::Unsigned, 16},
    {8, "arp_wait_ticks", LineKind::Unsigned, 16},
    {9, "arp_cache_size", LineKind::Unsigned, 8},
    {10, "arp_auto_update", LineKind::Unsigned, 8},
    {11, "dhcp_resend_trys", LineKind::Unsigned, 16},
    {12, "dhcp_default_lease_time", LineKind::Unsigned, 16},
    {13, "bootp_resend_trys", LineKind::Signed, 8},
    {14, "bootp_request_ip", LineKind::Unsigned, 16},
    {15, "ftp_max_param", LineKind::Unsigned, 8},
    {16, "ftp_buffer_len", LineKind::Unsigned, 16},
    {17, "ftp_num_users", LineKind::Unsigned, 16},
    {18, "mem_pool_size", LineKind::Unsigned, 16},
    {19, "http_buffer_len", LineKind::Unsigned, 16},
    {20, "tftp_resend_trys", LineKind::Unsigned, 16},
    {21, "ip_time_to_live", LineKind::Unsigned, 16},
    {22, "ping_buff_size", LineKind::Unsigned, 16},
    {23, "tcp_window", LineKind::Unsigned, 16},
    {24, "multicast_ttl", LineKind::Unsigned, 16},
    {25, "tcp_resend_ticks", LineKind::Unsigned, 16},
    {26, "tcp_resend_trys", LineKind::Unsigned, 16},
    {27, "smtp_buffer_len", LineKind::Unsigned, 16},
    {28, "num_vf_pages", LineKind::Unsigned, 8},
    {29, "spare_byte", LineKind::Unsigned, 8},
    {30, "num_post_funcs", LineKind::Unsigned, 8},
    {100, "tl0_flash", LineKind::Unsigned, 16},
    {101, "th0_flash", LineKind::Unsigned, 16},
    {33, "ip_dest_addr", LineKind::Ip, 0},
    {34, "ip_src_addr", LineKind::Ip, 0},
    {35, "ip_smtp_addr", LineKind::Ip, 0},
    {102, "eth_src_hw_addr", LineKind::MacList, 0},
    {103, "eth_dest_hw_addr", LineKind::MacList, 0},
    {38, "gateway_ip_addr", LineKind::Ip, 0},
    {39, "subnet_mask", LineKind::Ip, 0},
    {104, "uart_reload", LineKind::Unsigned, 32},
    {54, "uart_baud_rate", LineKind::Unsigned, 32},
    {105, "country_cmd", LineKind::Text, 0},
    {106, "protocol_cmd", LineKind::Text, 0},
    {107, "login_name", LineKind::Text, 0},
    {108, "login_password", LineKind::Text, 0},
    {109, "dial_cmd", LineKind::Text, 0},
    {46, "pap_num_users", LineKind::Unsigned, 16},
    {47, "use_password", LineKind::Unsigned, 16},
    {51, "ppp_resend_ticks", LineKind::Unsigned, 16},
    {52, "ppp_resend_trys", LineKind::Unsigned, 8},
    {53, "ppp_terminate_trys", LineKind::Unsigned, 8},
    {57, "uri_buffer_len", LineKind::Unsigned, 16},
    {58, "body_buffer_len", LineKind::Unsigned, 16},
    {59, "dns_buff_size", LineKind::Unsigned, 16},
    {60, "dns_send_trys", LineKind::Unsigned, 16},
    {61, "dns_wait_ticks", LineKind::Unsigned, 16},
    {62, "locatra_name", LineKind::QuotedText, 0},
    {63, "locatra_description", LineKind::QuotedText, 0},
    {64, "locatra_event1", LineKind::QuotedText, 0},
    {65, "locatra_event2", LineKind::QuotedText, 0},
};
constexpr bool FollowsTheParameterOrder() {
    if (std::size(kParameterLines) != kSettingsParameterOrder.size()) return false;
    for (std::size_t i = 0; i < kSettingsParameterOrder.size(); ++i) {
        if (kParameterLines[i].number != kSettingsParameterOrder[i]) return false;
    }
    return true;
}
static_assert(FollowsTheParameterOrder(), "one form per parameter line, in the order of the file");

const LineForm& FormOfLine(std::size_t index) {
    return index < 3 ? kHeadLines[index] : kParameterLines[index - 3];
}

bool IsDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a run of digits, or nothing when it is above `limit`.
std::optional<std::uint64_t> DigitsValue(std::string_view digits, std::uint64_t limit) {
    std::uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return value;
}

// Text as the program writes it: UTF-8 without control characters (a tab is allowed).
bool IsText(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
            ++i;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (d & 0x3Fu);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not text either.
        const std::uint32_t least = extra == 1 ? 0x80u : extra == 2 ? 0x800u : 0x10000u;
        if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
}

std::string Dotted(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += '.';
        out += std::to_string(bytes[i]);
    }
    return out;
}

std::string MacColons(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ':';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0xF];
    }
    return out;
}

std::string HexText(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
    return buf;
}

// What is wrong with a "{ a, b, c, d }" list line, or nothing when it is well formed.
std::optional<std::string> ListProblem(std::string_view s, std::size_t count) {
    const std::string expected = "a list { ... } of " + std::to_string(count) + " numbers from 0 to 255";
    std::size_t i = 0;
    const auto spaces = [&] {
        while (i < s.size() && s[i] == ' ') ++i;
    };
    spaces();
    if (i >= s.size() || s[i] != '{') return expected + " expected";
    ++i;
    std::size_t numbers = 0;
    bool too_wide = false;
    for (;;) {
        spaces();
        const std::size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        if (i == start) return expected + " expected";
        if (!DigitsValue(s.substr(start, i - start), 255)) too_wide = true;
        ++numbers;
        spaces();
        if (i < s.size() && s[i] == ',') {
            ++i;
            continue;
        }
        if (i < s.size() && s[i] == '}') break;
        return expected + " expected";
    }
    ++i;
    spaces();
    if (i != s.size()) return expected + " expected";
    if (numbers != count) {
        return "a list of " + std::to_string(count) + " numbers expected, found " + std::to_string(numbers);
    }
    if (too_wide) return "a number of the list does not fit its byte (0 to 255)";
    return std::nullopt;
}

// What is wrong with a number line for a field of `width_bits`, or nothing.
std::optional<std::string> NumberProblem(std::string_view s, const LineForm& form) {
    const bool negative = !s.empty() && s.front() == '-';
    const std::string_view digits = negative ? s.substr(1) : s;
    if (!IsDigits(digits) || (negative && form.kind != LineKind::Signed)) {
        if (s.empty()) return std::string("an empty line where a number is expected");
        return std::string(IsText(s) ? "text where a number is expected" : "bytes that are not a number");
    }
    if (form.kind == LineKind::Flag) {
        if (DigitsValue(digits, 1)) return std::nullopt;
        return std::string("a flag (0 or 1) expected");
    }
    const std::uint64_t top = form.width_bits == 32 ? 0xFFFFFFFFull : (1ull << form.width_bits) - 1;
    if (form.kind == LineKind::Unsigned) {
        if (DigitsValue(digits, top)) return std::nullopt;
        return "the number does not fit the field (0 to " + std::to_string(top) + ")";
    }
    // Written with "%d": the 32-bit option bits may also be read back from an unsigned form,
    // the signed byte only from -128 to 127.
    const std::uint64_t half = (top + 1) / 2;
    const std::uint64_t low = half;
    const std::uint64_t high = form.width_bits == 32 ? top : half - 1;
    if (negative ? DigitsValue(digits, low).has_value() : DigitsValue(digits, high).has_value()) return std::nullopt;
    return "the number does not fit the field (-" + std::to_string(low) + " to " + std::to_string(high) + ")";
}

// What a plain line was read as, in the form `quillon-cli show` prints the field.
std::string ReadAs(std::size_t index, std::string_view s) {
    if (index == 0) return HexText(Signed(s, 32));
    if (index == 1) return std::to_string(ParseDecimal(s, 8));
    if (index == 2) return std::string(s);
    ConfigRecord scratch;
    const int number = kSettingsParameterOrder[index - 3];
    StoreParameter(scratch, number, s);
    switch (number) {
    case 33: return Dotted(scratch.ip_dest_addr);
    case 34: return Dotted(scratch.ip_src_addr);
    case 35: return Dotted(scratch.ip_smtp_addr);
    case 38: return Dotted(scratch.gateway_ip_addr);
    case 39: return Dotted(scratch.subnet_mask);
    case 102: return MacColons(scratch.eth_src_hw_addr);
    case 103: return MacColons(scratch.eth_dest_hw_addr);
    case 62: return scratch.locatra_name;
    case 63: return scratch.locatra_description;
    case 64: return scratch.locatra_event1;
    case 65: return scratch.locatra_event2;
    default: return RenderParameter(scratch, number);
    }
}

std::optional<std::string> PlainLineProblem(const LineForm& form, std::string_view s) {
    switch (form.kind) {
    case LineKind::Unsigned:
    case LineKind::Signed:
    case LineKind::Flag: return NumberProblem(s, form);
    case LineKind::Ip: return ListProblem(s, 4);
    case LineKind::MacList: return ListProblem(s, 6);
    case LineKind::Text:
        if (!IsText(s)) return std::string("bytes that are not text");
        return std::nullopt;
    case LineKind::Folder:
        if (!IsText(s)) return std::string("not a folder path: bytes that are not text");
        return std::nullopt;
    case LineKind::QuotedText:
        if (!IsText(s)) return std::string("bytes that are not text");
        if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::string("a text in double quotes expected");
        return std::nullopt;
    }
    return std::nullopt;
}

// Why the value of extension key `key` is not taken, or nothing when it is; `known` is false
// for keys the block does not have.
std::optional<std::string> ExtensionValueProblem(std::string_view key, std::string_view value, bool& known) {
    known = true;
    if (key == "family") {
        for (const FamilyName& f : kFamilies)
            if (value == f.name) return std::nullopt;
        return std::string("a family (vardex, pelmar or zintor) expected");
    }
    for (std::string_view flag : {"dns", "locatra", "usb_fifo", "clock_confirmed"}) {
        if (key == flag) {
            if (Flag(value)) return std::nullopt;
            return std::string("a flag (0 or 1) expected");
        }
    }
    if (key == "country_index") {
        if (Number(value, -1, kCountryCount - 1)) return std::nullopt;
        return "a country index from -1 to " + std::to_string(kCountryCount - 1) + " expected";
    }
    if (key == "protocol_index") {
        if (Number(value, -1, kProtocolCount - 1)) return std::nullopt;
        return "a protocol index from -1 to " + std::to_string(kProtocolCount - 1) + " expected";
    }
    if (key == "phone_number") {
        if (IsText(value)) return std::nullopt;
        return std::string("bytes that are not text");
    }
    for (const ByteKey& k : kClockBytes) {
        if (key == k.key) {
            if (Number(value, 0, 0xFF)) return std::nullopt;
            return std::string("a register byte from 0 to 255 expected");
        }
    }
    for (const WordKey& k : kClockWords) {
        if (key == k.key) {
            if (Number(value, 0, std::numeric_limits<std::uint32_t>::max())) return std::nullopt;
            return std::string("a frequency in hertz from 0 to 4294967295 expected");
        }
    }
    known = false;
    return std::string("a key the block does not have");
}

void CheckExtensionLines(const std::vector<std::string_view>& lines, std::vector<SettingsFinding>& out) {
    if (lines.size() <= kSettingsPlainLines) return;
    const std::string_view first = lines[kSettingsPlainLines];
    if (first != kSettingsExtensionHeader) {
        out.push_back({kSettingsPlainLines + 1, {},
                       "lines after line " + std::to_string(kSettingsPlainLines) + " that do not begin with " +
                           std::string(kSettingsExtensionHeader),
                       std::string(first), "ignored"});
        return;
    }
    for (std::size_t i = kSettingsPlainLines + 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty()) continue;
        const int number = static_cast<int>(i) + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            out.push_back({number, {}, "not a key=value line", std::string(line), "ignored"});
            continue;
        }
        const std::string_view key = line.substr(0, eq);
        bool known = true;
        if (auto problem = ExtensionValueProblem(key, line.substr(eq + 1), known)) {
            out.push_back({number, known ? std::string(key) : std::string(), std::move(*problem), std::string(line),
                           "ignored"});
        }
    }
}

// Every key of the block, in the order WriteSettings writes them.
std::vector<std::string_view> ExtensionKeys() {
    std::vector<std::string_view> keys = {"family",        "dns",           "locatra",     "usb_fifo",
                                          "country_index", "protocol_index", "phone_number"};
    for (const ByteKey& k : kClockBytes) keys.push_back(k.key);
    for (const WordKey& k : kClockWords) keys.push_back(k.key);
    keys.push_back("clock_confirmed");
    return keys;
}

// A block whose keys are not all there loads the missing ones as the defaults (a Zintor file
// cut after its family line would make a project without the choices that follow it): each
// missing key is a finding, and the keys a file cut short lacks are one, on the block's last
// line. A file without the block (the plain format) has nothing missing.
void CheckMissingExtensionKeys(const std::vector<std::string_view>& lines, std::vector<SettingsFinding>& out) {
    if (lines.size() <= kSettingsPlainLines || lines[kSettingsPlainLines] != kSettingsExtensionHeader) return;
    std::vector<std::string_view> present;
    for (std::size_t i = kSettingsPlainLines + 1; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq != std::string_view::npos && eq > 0) present.push_back(lines[i].substr(0, eq));
    }
    const auto has = [&](std::string_view key) { return std::find(present.begin(), present.end(), key) != present.end(); };
    const std::vector<std::string_view> keys = ExtensionKeys();
    std::size_t tail = keys.size();
    while (tail > 0 && !has(keys[tail - 1])) --tail;
    const int last_line = static_cast<int>(lines.size());
    for (std::size_t i = 0; i < tail; ++i) {
        if (!has(keys[i])) {
            out.push_back({last_line, std::string(keys[i]),
                           "missing: the " + std::string(kSettingsExtensionHeader) + " block has no such line", {},
                           "the defaults"});
        }
    }
    if (tail < keys.size()) {
        const std::size_t after = keys.size() - tail - 1;
        out.push_back({last_line, std::string(keys[tail]),
                       "missing: the " + std::string(kSettingsExtensionHeader) + " block ends after line " +
                           std::to_string(last_line) + " without it" +
                           (after ? " and the " + std::to_string(after) + " key(s) after it" : std::string()),
                       {}, "the defaults"});
    }
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
                  AdapterItem& adapter, std::vector<std::string>* settled) {
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.size() > 0) r.option_bits = Signed(lines[0], 32);
    if (lines.size() > 1) r.code_bank = ParseDecimal(lines[1], 8);
    if (lines.size() > 2) project_folder = std::string(lines[2]);
    for (std::size_t k = 3; k < lines.size() && k < kSettingsPlainLines; ++k) {
        StoreParameter(r, kSettingsParameterOrder[k - 3], lines[k]);
    }
    if (lines.size() > kSettingsPlainLines && lines[kSettingsPlainLines] == kSettingsExtensionHeader) {
        ApplyExtension(ParseExtension(lines, kSettingsPlainLines + 1), r);
    }
    // The tree shows what the file holds, made one consistent configuration.
    SettleChoices(r, settled);
    adapter = ShowChoices(r, options);
}

std::vector<SettingsFinding> CheckSettingsLines(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    std::vector<SettingsFinding> out;
    const std::size_t plain = std::min<std::size_t>(lines.size(), kSettingsPlainLines);
    for (std::size_t i = 0; i < plain; ++i) {
        const LineForm& form = FormOfLine(i);
        if (auto problem = PlainLineProblem(form, lines[i])) {
            const bool text = form.kind == LineKind::Text || form.kind == LineKind::QuotedText ||
                              form.kind == LineKind::Folder;
            out.push_back({static_cast<int>(i) + 1, std::string(form.field), std::move(*problem), std::string(lines[i]),
                           ReadAs(i, lines[i]), text});
        }
    }
    if (lines.size() < kSettingsPlainLines) {
        const std::size_t missing = lines.size();
        out.push_back({static_cast<int>(missing) + 1, std::string(FormOfLine(missing).field),
                       "missing: the file ends after line " + std::to_string(missing) + " of " +
                           std::to_string(kSettingsPlainLines),
                       {}, "the defaults"});
    }
    CheckExtensionLines(lines, out);
    CheckMissingExtensionKeys(lines, out);
    return out;
}

}  // namespace quillon
