// 500 damaged settings files (cut short, bytes flipped, a line of binary bytes, a line of a few
// hundred kilobytes) read by `quillon-cli show`: each loads, every line that is not of its
// expected form is warned about and no other, and --strict refuses exactly the damaged ones.
//
// Whether a line is damaged is decided here without the reader's own checks: a number line is
// well formed when the value `show` reports for its field, written back, gives the line again
// (leading zeros and blanks aside); a text line when it holds only printable ASCII (the
// examples are ASCII, and flipped bytes are never neighbours, so a high byte here is never part
// of a UTF-8 character); a LOCATRA text when it is also between double quotes. The option bits
// and `use_password` are the exception: loading makes choices that do not fit together (the
// modem's login beside Lanvik, the modem beside Ethernet) one configuration, so their lines are
// well formed when they are whole decimal numbers that fit their fields.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "cli/CliCommands.h"

namespace quillon::test {
namespace {

enum class Form { OptionBits, Flag, Number, Settled, Ip, Mac, Text, Quoted, Folder };

struct PlainLine {
    const char* field;
    Form form;
};

// Lines 1 to 63 as `show` names their fields.
constexpr PlainLine kPlainLines[63] = {
    {"option_bits", Form::OptionBits}, {"code_bank", Form::Flag}, {"", Form::Folder},
    {"num_sockets", Form::Number}, {"xmit_buff_size", Form::Number}, {"recv_buff_size", Form::Number},
    {"socket_wait_ticks", Form::Number}, {"ether_wait_ticks", Form::Number}, {"arp_keep_ticks", Form::Number},
    {"arp_resend_trys", Form::Number}, {"arp_wait_ticks", Form::Number}, {"arp_cache_size", Form::Number},
    {"arp_auto_update", Form::Number}, {"dhcp_resend_trys", Form::Number}, {"dhcp_default_lease_time", Form::Number},
    {"bootp_resend_trys", Form::Number}, {"bootp_request_ip", Form::Number}, {"ftp_max_param", Form::Number},
    {"ftp_buffer_len", Form::Number}, {"ftp_num_users", Form::Number}, {"mem_pool_size", Form::Number},
    {"http_buffer_len", Form::Number}, {"tftp_resend_trys", Form::Number}, {"ip_time_to_live", Form::Number},
    {"ping_buff_size", Form::Number}, {"tcp_window", Form::Number}, {"multicast_ttl", Form::Number},
    {"tcp_resend_ticks", Form::Number}, {"tcp_resend_trys", Form::Number}, {"smtp_buffer_len", Form::Number},
    {"num_vf_pages", Form::Number}, {"spare_byte", Form::Number}, {"num_post_funcs", Form::Number},
    {"tl0_flash", Form::Number}, {"th0_flash", Form::Number}, {"ip_dest_addr", Form::Ip},
    {"ip_src_addr", Form::Ip}, {"ip_smtp_addr", Form::Ip}, {"eth_src_hw_addr", Form::Mac},
    {"eth_dest_hw_addr", Form::Mac}, {"gateway_ip_addr", Form::Ip}, {"subnet_mask", Form::Ip},
    {"uart_reload", Form::Number}, {"uart_baud_rate", Form::Number}, {"country_cmd", Form::Text},
    {"protocol_cmd", Form::Text}, {"login_name", Form::Text}, {"login_password", Form::Text},
    {"dial_cmd", Form::Text}, {"pap_num_users", Form::Number}, {"use_password", Form::Settled},
    {"ppp_resend_ticks", Form::Number}, {"ppp_resend_trys", Form::Number}, {"ppp_terminate_trys", Form::Number},
    {"uri_buffer_len", Form::Number}, {"body_buffer_len", Form::Number}, {"dns_buff_size", Form::Number},
    {"dns_send_trys", Form::Number}, {"dns_wait_ticks", Form::Number}, {"locatra_name", Form::Quoted},
    {"locatra_description", Form::Quoted}, {"locatra_event1", Form::Quoted}, {"locatra_event2", Form::Quoted},
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Leading zeros of every run of digits off, "-0" as "0"; in a list also the blanks beside its
// braces and commas (a blank between two digits stays, and so differs from what is written).
std::string Normal(const std::string& s, bool list) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (list && c == ' ') {
            std::size_t end = i;
            while (end < s.size() && s[end] == ' ') ++end;
            const bool inside_number = !out.empty() && digit(out.back()) && end < s.size() && digit(s[end]);
            if (inside_number) out += ' ';
            i = end - 1;
            continue;
        }
        const bool run_start = digit(c) && (out.empty() || !digit(out.back()));
        if (run_start && c == '0' && i + 1 < s.size() && digit(s[i + 1])) continue;
        out += c;
    }
    return out == "-0" ? "0" : out;
}

// A whole decimal number (a minus sign allowed when `negative`) from `min` to `max`.
bool WholeNumber(const std::string& s, long long min, long long max) {
    const std::string n = Normal(s, false);
    const std::size_t digits = n.starts_with('-') ? 1 : 0;
    if (n.size() == digits || n.size() - digits > 12) return false;
    for (std::size_t i = digits; i < n.size(); ++i) {
        if (n[i] < '0' || n[i] > '9') return false;
    }
    const long long value = std::stoll(n);
    return value >= min && value <= max;
}

bool PrintableAscii(const std::string& s) {
    for (unsigned char c : s) {
        if ((c < 0x20 && c != '\t') || c >= 0x7F) return false;
    }
    return true;
}

std::string DecimalList(const std::string& shown, char separator, int base) {
    std::string out = "{";
    std::stringstream in(shown);
    for (std::string part; std::getline(in, part, separator);) {
        out += (out.size() > 1 ? "," : "") + std::to_string(std::stoul(part, nullptr, base));
    }
    return out + "}";
}

// Whether line `index` (0 for the first) is damaged, by the value `show` read from it.
bool Damaged(std::size_t index, const std::string& line, const std::map<std::string, std::string>& shown) {
    const PlainLine& form = kPlainLines[index];
    const auto value = [&] { return shown.at(form.field); };
    switch (form.form) {
    case Form::OptionBits: return !WholeNumber(line, INT32_MIN, UINT32_MAX);
    case Form::Settled: return !WholeNumber(line, 0, 0xFFFF);
    case Form::Flag: return Normal(line, false) != value() || (value() != "0" && value() != "1");
    case Form::Number: return Normal(line, false) != value();
    case Form::Ip: return Normal(line, true) != DecimalList(value(), '.', 10);
    case Form::Mac: return Normal(line, true) != DecimalList(value(), ':', 16);
    case Form::Text:
    case Form::Folder: return !PrintableAscii(line);
    case Form::Quoted: return !PrintableAscii(line) || line.size() < 2 || line.front() != '"' || line.back() != '"';
    }
    return true;
}

struct Mutated {
    std::string text;
    std::string how;
};

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    Mutated Make(const std::string& original, int kind) {
        std::string text = original;
        const std::vector<std::string> lines = SplitLines(original);
        std::size_t plain_end = 0;  // bytes of the 63 plain lines
        for (std::size_t i = 0; i < 63; ++i) plain_end += lines[i].size() + 1;
        switch (kind % 5) {
        case 0: return {text.substr(0, Below(text.size())), "cut short"};
        case 1: return {Flip(text, plain_end), "bytes flipped"};
        case 2: {
            std::string binary = "\x01";
            for (std::size_t n = 1 + Below(200); n > 0; --n) {
                const char c = static_cast<char>(Below(256));
                if (c != '\n' && c != '\r') binary += c;
            }
            return {ReplaceLine(lines, Below(63), binary, original), "a line of binary bytes"};
        }
        case 3: {
            static constexpr char kChars[] = "0123456789 abcXYZ{},.-\"";
            std::string huge(100000 + Below(200000), '7');
            const char c = kChars[Below(sizeof kChars - 1)];
            for (std::size_t i = 0; i < huge.size(); i += 1 + Below(5000)) huge[i] = c;
            return {ReplaceLine(lines, Below(63), huge, original), "a huge line"};
        }
        default: {
            std::string flipped = Flip(text, plain_end);
            return {flipped.substr(0, Below(flipped.size())), "bytes flipped, then cut short"};
        }
        }
    }

private:
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : random_() % n; }

    // One to three bytes of the plain lines flipped to any value, never two side by side.
    std::string Flip(std::string text, std::size_t end) {
        std::set<std::size_t> at;
        for (std::size_t n = 1 + Below(3); at.size() < n;) {
            const std::size_t i = Below(end);
            if (!at.count(i) && !at.count(i + 1) && (i == 0 || !at.count(i - 1))) at.insert(i);
        }
        for (std::size_t i : at) {
            char c;
            do c = static_cast<char>(Below(256));
            while (c == text[i]);
            text[i] = c;
        }
        return text;
    }

    std::string ReplaceLine(std::vector<std::string> lines, std::size_t index, std::string line,
                            const std::string& original) {
        lines[index] = std::move(line);
        std::string out;
        for (const std::string& l : lines) out += l + "\n";
        (void)original;
        return out;
    }

    std::mt19937 random_;
};

// The line numbers of the findings `show` wrote on stderr for `file`.
std::set<int> WarnedLines(const std::string& err, const std::string& file) {
    std::set<int> lines;
    const std::string lead = "quillon-cli show: " + file + ":";
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(lead)) lines.insert(std::stoi(line.substr(lead.size())));
    }
    return lines;
}

std::map<std::string, std::string> Fields(const std::string& out) {
    std::map<std::string, std::string> fields;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

// True when reading reported choices it settled (on line 1, the option bits).
bool SettledOnLoading(const std::string& err, const std::string& file) {
    const std::string head = file + ":1: option_bits: ";
    for (std::size_t at = err.find(head); at != std::string::npos; at = err.find(head, at + 1)) {
        const std::string line = err.substr(at + head.size(), err.find('\n', at) - at - head.size());
        for (const char* mark : {" beside ", " without Ethernet", "no link layer", "runs on Vardex only", "USB FIFO needs"}) {
            if (line.find(mark) != std::string::npos) return true;
        }
    }
    return false;
}

TEST(MutatedSettings, EveryDamagedLineIsWarnedAboutAndStrictRefusesTheFile) {
    TempDir dir;
    WizardOptions options;
    options.store_path = dir.File("no-store.so");
    const std::string examples = std::string(QUILLON_SOURCE_DIR) + "/examples/";
    const std::vector<std::string> originals = {ReadText(examples + "ethernet-web-server.wp"),
                                                ReadText(examples + "modem-ppp-client.wp"),
                                                ReadText(examples + "zintor-udp-device.wp")};
    Mutator mutator(16016);
    const std::string file = dir.File("damaged.wp");
    int refused = 0;
    for (int n = 0; n < 500; ++n) {
        const Mutated m = mutator.Make(originals[static_cast<std::size_t>(n) % originals.size()], n / 3);
        WriteText(file, m.text);
        const std::string what = "file " + std::to_string(n) + " (" + m.how + ")";

        std::istringstream in;
        std::ostringstream out, err;
        ASSERT_EQ(cli::RunCli({"show", file}, options, in, out, err), cli::kExitOk) << what << "\n" << err.str();
        const std::map<std::string, std::string> shown = Fields(out.str());
        ASSERT_TRUE(shown.count("option_bits")) << what;

        const std::vector<std::string> lines = SplitLines(m.text);
        std::set<int> expected;
        std::set<int> either;  // a cut inside the extension block leaves a line that may still be whole
        for (std::size_t i = 0; i < lines.size() && i < 63; ++i) {
            if (Damaged(i, lines[i], shown)) expected.insert(static_cast<int>(i) + 1);
        }
        if (lines.size() < 63) expected.insert(static_cast<int>(lines.size()) + 1);
        if (lines.size() > 63 && lines[63] != "[quillon]") expected.insert(64);
        if (lines.size() > 64 && lines[63] == "[quillon]" && !m.text.ends_with("\n")) {
            either.insert(static_cast<int>(lines.size()));
        }
        // A block cut short lacks its last keys, which are named on its last line (a line that
        // may itself be cut, and then warned about as well).
        if (m.how.ends_with("cut short") && lines.size() > 63 && lines[63] == "[quillon]") {
            (m.text.ends_with("\n") ? expected : either).insert(static_cast<int>(lines.size()));
        }
        const std::set<int> all_warned = WarnedLines(err.str(), file);
        std::set<int> warned = all_warned;
        for (int line : either) warned.erase(line);
        // Damage elsewhere (a login flag, a code bank) can leave choices that do not fit
        // together; their settling is reported on the option bits' line.
        if (!expected.count(1) && SettledOnLoading(err.str(), file)) warned.erase(1);
        EXPECT_EQ(warned, expected) << what << "\n" << err.str();

        std::ostringstream strict_out, strict_err;
        const int status = cli::RunCli({"show", "--strict", file}, options, in, strict_out, strict_err);
        if (all_warned.empty()) {
            EXPECT_EQ(status, cli::kExitOk) << what << "\n" << strict_err.str();
        } else {
            ++refused;
            EXPECT_EQ(status, cli::kExitFailed) << what;
            EXPECT_EQ(strict_out.str(), "") << what;
        }
    }
    // Nearly every mutation damages something; a test that refused nothing would prove nothing.
    EXPECT_GT(refused, 400);
}

}  // namespace
}  // namespace quillon::test
