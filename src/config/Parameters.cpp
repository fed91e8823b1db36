#include "config/Parameters.h"

#include <cstdio>
#include <initializer_list>

namespace quillon {

namespace {

std::string Dec(long long value) { return std::to_string(value); }

std::string Hex2(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(value));
    return buf;
}

std::string DecList(std::span<const std::uint8_t> bytes) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ", ";
        out += Dec(bytes[i]);
    }
    return out + " }";
}

std::string HexList(std::span<const std::uint8_t> bytes) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ", ";
        out += Hex2(bytes[i]);
    }
    return out + " }";
}

// The two characters backslash and r, the C escape of a carriage return.
constexpr std::string_view kCrEscape = "\\r";

// Typed texts between quotes, then the fixed carriage-return escape when `cr` is set.
std::string Quoted(TextForm form, std::initializer_list<std::string_view> typed, bool cr = false) {
    std::string out = "\"";
    for (const std::string_view text : typed) {
        out += form == TextForm::CString ? EscapeForCString(text) : std::string(text);
    }
    if (cr) out += kCrEscape;
    return out + "\"";
}

}  // namespace

std::string RenderParameter(const ConfigRecord& r, int number, TextForm form) {
    const int n = static_cast<int>(static_cast<unsigned>(number) & 0xFFu);
    switch (n) {
    case 1: return Dec(r.num_sockets);
    case 2: return Dec(r.xmit_buff_size);
    case 3: return Dec(r.recv_buff_size);
    case 4: return Dec(r.socket_wait_ticks);
    case 5: return Dec(r.ether_wait_ticks);
    case 6: return Dec(r.arp_keep_ticks);
    case 7: return Dec(r.arp_resend_trys);
    case 8: return Dec(r.arp_wait_ticks);
    case 9: return Dec(r.arp_cache_size);
    case 10: return Dec(r.arp_auto_update);
    case 11: return Dec(r.dhcp_resend_trys);
    case 12: return Dec(r.dhcp_default_lease_time);
    case 13: return Dec(r.bootp_resend_trys);  // signed: 200 renders as -56
    case 14: return Dec(r.bootp_request_ip);
    case 15: return Dec(r.ftp_max_param);
    case 16: return Dec(r.ftp_buffer_len);
    case 17: return Dec(r.ftp_num_users);
    case 18: return Dec(r.mem_pool_size);
    case 19: return Dec(r.http_buffer_len);
    case 20: return Dec(r.tftp_resend_trys);
    case 21: return Dec(r.ip_time_to_live);
    case 22: return Dec(r.ping_buff_size);
    case 23: return Dec(r.tcp_window);
    case 24: return Dec(r.multicast_ttl);
    case 25: return Dec(r.tcp_resend_ticks);
    case 26: return Dec(r.tcp_resend_trys);
    case 27: return Dec(r.smtp_buffer_len);
    case 28: return Dec(r.num_vf_pages);
    case 29: return Dec(r.spare_byte);
    case 30: return Dec(r.num_post_funcs);
    case 31: return Hex2(r.tl0_flash);
    case 32: return Hex2(r.th0_flash);
    case 33: return DecList(r.ip_dest_addr);
    case 34: return DecList(r.ip_src_addr);
    case 35: return DecList(r.ip_smtp_addr);
    case 36: return HexList(r.eth_src_hw_addr);
    case 37: return HexList(r.eth_dest_hw_addr);
    case 38: return DecList(r.gateway_ip_addr);
    case 39: return DecList(r.subnet_mask);
    case 40: return Hex2(r.uart_reload);
    case 41: return Quoted(form, {r.country_cmd, r.country_code}, true);
    case 42: return Quoted(form, {r.protocol_cmd, r.modem_protocol}, true);
    case 43: return Quoted(form, {r.login_name}, true);
    case 44: return Quoted(form, {r.login_password}, true);
    case 45: return Quoted(form, {r.dial_cmd, r.phone_number}, true);
    case 46: return Dec(r.pap_num_users);
    case 47: return Dec(r.use_password);
    case 48: return DecList(r.ip_src_addr);
    case 49: return DecList(r.ip_dest_addr);
    case 50: return DecList(r.ip_smtp_addr);
    case 51: return Dec(r.ppp_resend_ticks);
    case 52: return Dec(r.ppp_resend_trys);
    case 53: return Dec(r.ppp_terminate_trys);
    case 54: return Dec(r.uart_baud_rate);
    case 55: return Hex2(r.emif_timing);
    case 56: return Dec(r.zintor_usb_fifo);
    case 57: return Dec(r.uri_buffer_len);
    case 58: return Dec(r.body_buffer_len);
    case 59: return Dec(r.dns_buff_size);
    case 60: return Dec(r.dns_send_trys);
    case 61: return Dec(r.dns_wait_ticks);
    case 62: return Quoted(form, {r.locatra_name});
    case 63: return Quoted(form, {r.locatra_description});
    case 64: return Quoted(form, {r.locatra_event1});
    case 65: return Quoted(form, {r.locatra_event2});
    case 100: return Dec(r.tl0_flash);
    case 101: return Dec(r.th0_flash);
    case 102: return DecList(r.eth_src_hw_addr);
    case 103: return DecList(r.eth_dest_hw_addr);
    case 104: return Dec(r.uart_reload);
    case 105: return r.country_cmd;
    case 106: return r.protocol_cmd;
    case 107: return r.login_name;
    case 108: return r.login_password;
    case 109: return r.dial_cmd;
    default: return "0";  // 0, 66 to 99 and above 109
    }
}

std::int32_t ParseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::string RenderParameterText(const ConfigRecord& record, std::string_view text, TextForm form) {
    const auto n = static_cast<std::uint32_t>(ParseLeadingInt(text)) & 0xFFu;
    return RenderParameter(record, static_cast<int>(n), form);
}

std::string EscapeForCString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '?':
            // Two question marks in a row would start a trigraph ("??=" is "#").
            out += !out.empty() && out.back() == '?' ? "\\?" : "?";
            break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                // Always three digits, so that a digit typed next is not read into the escape.
                char octal[5];
                std::snprintf(octal, sizeof octal, "\\%03o", byte);
                out += octal;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::uint32_t ParseDecimal(std::string_view text, int width_bits) {
    std::uint32_t sum = 0;
    std::uint32_t place = 1;  // 10^position, wrapping modulo 2^32 like the sum
    for (std::size_t k = text.size(); k-- > 0;) {
        const char c = text[k];
        if (c >= '1' && c <= '9') sum += static_cast<std::uint32_t>(c - '0') * place;
        place *= 10u;
    }
    switch (width_bits) {
    case 8: return sum & 0xFFu;
    case 16: return sum & 0xFFFFu;
    default: return sum;
    }
}

void ParseList(std::string_view text, std::span<std::uint8_t> bytes) {
    std::size_t stored = 0;
    std::string collected;
    for (char c : text) {
        if (c == '{' || c == ' ') continue;
        if (c == ',' || c == '}') {
            if (stored < bytes.size()) bytes[stored++] = static_cast<std::uint8_t>(ParseDecimal(collected, 8));
            collected.clear();
            continue;
        }
        collected.push_back(c);
    }
}

}  // namespace quillon
