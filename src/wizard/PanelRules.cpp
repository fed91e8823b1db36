// The settings panel: which controls a tree node shows, how they are filled from the record,
// and how each edit writes its value straight back into the record.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "clock/ClockMath.h"
#include "config/ClockDefaults.h"
#include "config/Parameters.h"
#include "config/Validation.h"
#include "wizard/ClockFindings.h"
#include "wizard/PanelFacts.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

using N = OptionNode;

// A record field behind one value edit: how it is shown, and how a typed text is stored.
// `store` is empty for a value that is shown but set elsewhere. Numbers also carry the
// field's name (as the validation rules know it), the values a typed number can be stored as
// unchanged (its width) and the field's present value, so that the panel can tell the user
// what became of a typed text.
struct ValueField {
    std::string (*show)(const ConfigRecord&) = nullptr;
    void (*store)(ConfigRecord&, std::string_view) = nullptr;
    std::string_view name;
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::int64_t (*value)(const ConfigRecord&) = nullptr;
    PanelValueKind kind = PanelValueKind::None;
    int width_bits = 0;  // numbers
};

template <auto Member>
using FieldType = std::remove_cvref_t<decltype(std::declval<ConfigRecord&>().*Member)>;

// Numbers show in decimal and take the 16-bit decimal parse, cut to the field's width. The
// parse never gives a negative number, so a signed field keeps a typed number up to its
// largest positive value.
template <auto Member>
constexpr ValueField Number(std::string_view name) {
    ValueField f;
    f.show = [](const ConfigRecord& r) { return std::to_string(static_cast<long long>(r.*Member)); };
    f.store = [](ConfigRecord& r, std::string_view text) {
        r.*Member = static_cast<FieldType<Member>>(ParseDecimal(text, 16));
    };
    f.name = name;
    f.low = 0;
    f.high = static_cast<std::int64_t>(std::numeric_limits<FieldType<Member>>::max());
    f.value = [](const ConfigRecord& r) { return static_cast<std::int64_t>(r.*Member); };
    f.kind = PanelValueKind::Number;
    f.width_bits = static_cast<int>(8 * sizeof(FieldType<Member>));
    return f;
}

template <auto Member>
constexpr ValueField ShownOnly() {
    ValueField f;
    f.show = [](const ConfigRecord& r) { return std::to_string(static_cast<long long>(r.*Member)); };
    f.kind = PanelValueKind::ShownOnly;
    f.width_bits = static_cast<int>(8 * sizeof(FieldType<Member>));
    return f;
}

template <auto Member>
constexpr ValueField Text() {
    ValueField f;
    f.show = [](const ConfigRecord& r) { return r.*Member; };
    f.store = [](ConfigRecord& r, std::string_view text) { r.*Member = std::string(text); };
    f.kind = PanelValueKind::Text;
    return f;
}

constexpr ValueField kNone{};

struct PanelRow {
    OptionNode node;
    std::array<std::string_view, 5> labels;
    std::array<ValueField, 4> values;
};

using R = ConfigRecord;

// Rows whose controls are the value edits; the nodes with other controls add them in
// RefreshPanel. Nodes without a row show an empty panel.
const PanelRow kRows[] = {
    {N::Modara,
     {"UART Baud Rate:", "", "", "Outgoing phone number:", "No dashes or spaces (e.g., 5551234)."},
     // The baud rate is set by "Update UART Baud Rate", never by typing here.
     {ShownOnly<&R::uart_baud_rate>(), kNone, kNone, Text<&R::phone_number>()}},
    {N::UsePassword, {"Login Name:", "Password:"}, {Text<&R::login_name>(), Text<&R::login_password>()}},
    {N::VirtualFiles, {"Number of virtual file pages ( >= 1):"}, {Number<&R::num_vf_pages>("num_vf_pages")}},
    {N::PAP, {"Number of Users:"}, {Number<&R::pap_num_users>("pap_num_users")}},
    {N::Ethernet, {"Packet timeout (10ms ticks):"}, {Number<&R::ether_wait_ticks>("ether_wait_ticks")}},
    {N::PPP,
     {"PPP resend delay (10ms ticks):", "PPP retransmit attempts:", "PPP times to send before connection reset:"},
     {Number<&R::ppp_resend_ticks>("ppp_resend_ticks"), Number<&R::ppp_resend_trys>("ppp_resend_trys"),
      Number<&R::ppp_terminate_trys>("ppp_terminate_trys")}},
    {N::LOCATRA,
     {"Device Name:", "Text Description:", "Definition of Event 1:", "Definition of Event 2:"},
     {Text<&R::locatra_name>(), Text<&R::locatra_description>(), Text<&R::locatra_event1>(),
      Text<&R::locatra_event2>()}},
    {N::IP, {"Number of hops packet will be valid:"}, {Number<&R::ip_time_to_live>("ip_time_to_live")}},
    {N::PING, {"PING buffer size (bytes):"}, {Number<&R::ping_buff_size>("ping_buff_size")}},
    {N::ARP,
     {"Number of 10ms ticks to keep entry cached:", "Number of retrys before aborting:",
      "ARP packet wait time (10ms ticks):", "Size of ARP cache:"},
     {Number<&R::arp_keep_ticks>("arp_keep_ticks"), Number<&R::arp_resend_trys>("arp_resend_trys"),
      Number<&R::arp_wait_ticks>("arp_wait_ticks"), Number<&R::arp_cache_size>("arp_cache_size")}},
    {N::DHCP,
     {"Retransmit attempts:", "Length of DHCP Lease time:"},
     {Number<&R::dhcp_resend_trys>("dhcp_resend_trys"),
      Number<&R::dhcp_default_lease_time>("dhcp_default_lease_time")}},
    {N::BOOTP,
     {"Retransmit attempts:", "Force a new IP:"},
     {Number<&R::bootp_resend_trys>("bootp_resend_trys"), Number<&R::bootp_request_ip>("bootp_request_ip")}},
    {N::FTP,
     {"Buffer size for command line params (bytes):", "Size of FTP holding buffer (bytes):",
      "Number of users in the FTP server:", "Size of memory pool used for malloc (bytes):"},
     {Number<&R::ftp_max_param>("ftp_max_param"), Number<&R::ftp_buffer_len>("ftp_buffer_len"),
      Number<&R::ftp_num_users>("ftp_num_users"), Number<&R::mem_pool_size>("mem_pool_size")}},
    {N::HTTP,
     {"Size of HTTP buffer (bytes):", "Number of post functions:", "Size of URI buffer (bytes):",
      "Size of HTTP POST request buffer (bytes):"},
     {Number<&R::http_buffer_len>("http_buffer_len"), Number<&R::num_post_funcs>("num_post_funcs"),
      Number<&R::uri_buffer_len>("uri_buffer_len"), Number<&R::body_buffer_len>("body_buffer_len")}},
    {N::TFTP, {"Retransmit attempts:"}, {Number<&R::tftp_resend_trys>("tftp_resend_trys")}},
    {N::SMTP,
     {"SMTP buffer size (bytes):", "SMTP server IP address:"},
     {Number<&R::smtp_buffer_len>("smtp_buffer_len")}},
    {N::TCP,
     {"TCP Window Size:", "TCP resend delay (10ms ticks):", "TCP retransmit attempts:"},
     {Number<&R::tcp_window>("tcp_window"), Number<&R::tcp_resend_ticks>("tcp_resend_ticks"),
      Number<&R::tcp_resend_trys>("tcp_resend_trys")}},
    {N::DNS,
     {"Size of DNS buffer (bytes):", "Number of retrys before aborting:", "DNS packet wait time (10ms ticks):"},
     {Number<&R::dns_buff_size>("dns_buff_size"), Number<&R::dns_send_trys>("dns_send_trys"),
      Number<&R::dns_wait_ticks>("dns_wait_ticks")}},
    {N::Sockets,
     {"Number of sockets:", "Size of TX buffer (bytes):", "Size of RX buffer (bytes):", "Socket timeout (10ms ticks):"},
     {Number<&R::num_sockets>("num_sockets"), Number<&R::xmit_buff_size>("xmit_buff_size"),
      Number<&R::recv_buff_size>("recv_buff_size"), Number<&R::socket_wait_ticks>("socket_wait_ticks")}},
    {N::IPAddresses, {"Destination IP Address:", "Source IP Address:"}, {}},
    {N::MACAddresses, {"Destination MAC Address (Hex):", "Source MAC Address (Hex):"}, {}},
};

// The captions RefreshPanel adds to some pages besides their row's labels.
constexpr std::string_view kGatewayLabel = "Gateway IP Address:";
constexpr std::string_view kSubnetLabel = "Subnet Mask IP Address:";
constexpr std::string_view kUsbFifoNote = "Sysclk must be 24 MHz or lower.";
constexpr std::string_view kVardexSysclkNote = "SYSCLK default is 98 MHz.";
constexpr std::string_view kPelmarSysclkNote = "SYSCLK default is 22.1184 MHz.";
constexpr std::string_view kZintorSysclkNote = "SYSCLK default is 48 MHz.";

const PanelRow* RowOf(OptionNode node) {
    for (const PanelRow& row : kRows) {
        if (row.node == node) return &row;
    }
    return nullptr;
}

// Value n (1 to 4) of an edit id, or 0.
int ValueNumberOf(int control_id) {
    for (int n = 1; n <= 4; ++n) {
        if (SettingsPanel::ValueId(n) == control_id) return n;
    }
    return 0;
}

constexpr int kMacEdits = 12;

bool IsMacEdit(int id) { return id >= ControlId::DestMacFirst && id < ControlId::DestMacFirst + kMacEdits; }

std::string HexByteText(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

// One MAC edit's text as a byte: trimmed, padded on the left with "0" to two characters, the
// last two characters taken. The edit takes nothing but hexadecimal digits and blanks.
std::uint8_t ReadHexByte(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::string padded(text);
    if (padded.size() < 2) padded.insert(0, 2 - padded.size(), '0');
    const std::string_view last = std::string_view(padded).substr(padded.size() - 2);
    unsigned value = 0;
    for (char c : last) {
        value <<= 4;
        if (c >= '0' && c <= '9') value += static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F') value += static_cast<unsigned>(c - 'A' + 10);
    }
    return static_cast<std::uint8_t>(value);
}

bool IsHexDigitOrBlank(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == ' '; }

// The first character of an (upper-cased) MAC text that is neither a hexadecimal digit nor a
// blank, with the rest of its UTF-8 sequence; empty when there is none.
std::string_view FirstNonHexCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHexDigitOrBlank(text[i])) continue;
        std::size_t n = 1;
        if (static_cast<unsigned char>(text[i]) >= 0xC0) {
            while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        }
        return text.substr(i, n);
    }
    return {};
}

// The number a text of decimal digits stands for, held at a ceiling far above every field's
// width; nothing for a text that is not digits alone.
std::optional<std::uint64_t> PlainNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    constexpr std::uint64_t kCeiling = std::uint64_t{1} << 40;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(value * 10 + static_cast<std::uint64_t>(c - '0'), kCeiling);
    }
    return value;
}

// Whether the record can hold `typed` as typed: a plain number within the field's width.
// Anything else (a wrapped, cut or half-read number) is not stored at all.
bool FitsAsTyped(const ValueField& field, std::string_view typed) {
    const std::optional<std::uint64_t> plain = PlainNumber(typed);
    return plain && *plain <= static_cast<std::uint64_t>(field.high);
}

// What the panel says beside a number edit once `typed` has been handled: nothing when the
// text was a plain number that the field holds as typed and that breaks no rule in force;
// otherwise why it was not stored and what the field keeps, or the first rule it breaks, and
// the range that passes every rule.
std::string TypedNumberNote(const ValueField& field, std::string_view typed, const ConfigRecord& record,
                            const OptionStates& options) {
    const FieldLimits limits = LimitsOf(record, options, field.name, field.low, field.high);
    const std::string range = " (range " + std::to_string(limits.low) + " to " + std::to_string(limits.high) + ")";
    std::string note;
    if (typed.empty()) {
        note = "Nothing typed";
    } else if (!PlainNumber(typed)) {
        note = "\"" + std::string(typed) + "\" is not a plain number";
    } else if (!FitsAsTyped(field, typed)) {
        note = std::string(typed) + " does not fit";
    } else if (limits.broken) {
        return std::string(typed) + " breaks a rule: " + limits.broken->message + range;
    } else {
        return {};
    }
    note += ": not stored; the value stays " + std::to_string(field.value(record));
    if (limits.broken) note += "; " + limits.broken->message;
    return note + range;
}

// The octets of a typed address ("10.0.0.300"): four groups of up to three digits, each
// possibly too large for a byte; nothing for a text of another form.
std::optional<std::array<unsigned, 4>> TypedOctets(std::string_view text) {
    std::array<unsigned, 4> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::size_t n = 0;
        while (n < text.size() && n < 3 && text[n] >= '0' && text[n] <= '9') {
            out[i] = out[i] * 10 + static_cast<unsigned>(text[n] - '0');
            ++n;
        }
        if (n == 0) return std::nullopt;
        text.remove_prefix(n);
        if (i + 1 < out.size()) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (!text.empty()) return std::nullopt;
    return out;
}

std::string DottedText(const Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

// An edit holds one line: text after a line break never reaches it, as in a one-line edit.
std::string_view FirstLine(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string LimitMessage(std::size_t limit) {
    return "Please enter no more than " + std::to_string(limit) + " characters.";
}

}  // namespace

PanelPageFacts PanelFactsOf(OptionNode node) {
    namespace C = ControlId;
    PanelPageFacts facts;
    const auto add = [&](std::string_view caption) {
        if (!caption.empty()) facts.captions.emplace_back(caption);
    };
    if (const PanelRow* row = RowOf(node)) {
        for (std::string_view label : row->labels) add(label);
        for (std::size_t n = 0; n < 4; ++n) {
            const ValueField& f = row->values[n];
            facts.values[n] = {f.kind, f.width_bits, std::string(row->labels[n]), std::string(f.name), f.low, f.high};
        }
    }
    const SettingsPanel controls;
    switch (node) {
    case N::Modara:
        for (int id : {C::CountryLabel, C::ProtocolLabel, C::UpdateBaudRate}) add(controls.Control(id).text);
        break;
    case N::UsbFifoSupport: add(kUsbFifoNote); break;
    case N::ARP: add(controls.Control(C::ArpAutoUpdate).text); break;
    case N::SYSCLK:
        for (std::string_view note : {kVardexSysclkNote, kPelmarSysclkNote, kZintorSysclkNote}) add(note);
        // The fixed part of the line with the clock as it is now.
        add("Current SYSCLK is");
        add(controls.Control(C::ConfigureSysclk).text);
        break;
    case N::IPAddresses:
        add(kGatewayLabel);
        add(kSubnetLabel);
        break;
    default: break;
    }
    return facts;
}

std::vector<PanelValueText> PanelValuesOf(OptionNode node, const ConfigRecord& record) {
    std::vector<PanelValueText> out;
    const auto add = [&](std::string_view caption, std::string value) {
        if (caption.ends_with(':')) caption.remove_suffix(1);
        out.push_back({std::string(caption), std::move(value)});
    };
    const PanelRow* row = RowOf(node);
    if (row) {
        for (std::size_t n = 0; n < row->values.size(); ++n) {
            if (row->values[n].show) add(row->labels[n], row->values[n].show(record));
        }
    }
    const auto mac = [](const Mac& bytes) {
        std::string text;
        for (std::uint8_t byte : bytes) text += (text.empty() ? "" : ":") + HexByteText(byte);
        return text;
    };
    const auto entry = [](const auto& table, int index) {
        return index >= 0 && static_cast<std::size_t>(index) < table.size()
                   ? std::string(table[static_cast<std::size_t>(index)].name)
                   : std::string("(none)");
    };
    const SettingsPanel controls;
    switch (node) {
    case N::Modara: {
        // The page shows the combos between the baud rate and the phone number.
        const PanelValueText phone = out.back();
        out.pop_back();
        add(controls.Control(ControlId::CountryLabel).text, entry(kCountryTable, record.country_index));
        add(controls.Control(ControlId::ProtocolLabel).text, entry(kProtocolTable, record.protocol_index));
        out.push_back(phone);
        break;
    }
    case N::ARP: add(controls.Control(ControlId::ArpAutoUpdate).text, record.arp_auto_update ? "On" : "Off"); break;
    case N::SMTP: add(row->labels[1], DottedText(record.ip_smtp_addr)); break;
    case N::SYSCLK: add("SYSCLK", FormatMHz(record.clock.sysclk_hz)); break;
    case N::IPAddresses:
        add(row->labels[0], DottedText(record.ip_dest_addr));
        add(row->labels[1], DottedText(record.ip_src_addr));
        // The page shows these two only over Ethernet.
        if (record.option_bits & OptionBit::Ethernet) {
            add(kGatewayLabel, DottedText(record.gateway_ip_addr));
            add(kSubnetLabel, DottedText(record.subnet_mask));
        }
        break;
    case N::MACAddresses:
        add(row->labels[0], mac(record.eth_dest_hw_addr));
        add(row->labels[1], mac(record.eth_src_hw_addr));
        break;
    default: break;
    }
    return out;
}

void WizardDialog::RefreshPanel() {
    namespace C = ControlId;
    for (int id : {C::CountryCombo, C::UpdateBaudRate, C::CountryLabel, C::ProtocolLabel, C::ProtocolCombo,
                   C::ConfigureSysclk, C::ArpAutoUpdate, C::Address1, C::Address2, C::Address3, C::Address4}) {
        panel_.Control(id).visible = false;
    }
    for (int n = 1; n <= 4; ++n) {
        PanelControl& value = panel_.Control(SettingsPanel::ValueId(n));
        value.visible = false;
        value.enabled = true;
    }
    for (int i = 0; i < kMacEdits; ++i) panel_.Control(C::DestMacFirst + i).visible = false;
    for (int n = 1; n <= 4; ++n) panel_.Control(SettingsPanel::ValueId(n)).note.clear();
    for (int i = 0; i < kMacEdits; ++i) panel_.Control(C::DestMacFirst + i).note.clear();
    for (int id = C::Address1; id <= C::Address4; ++id) panel_.Control(id).note.clear();
    for (PanelControl& control : panel_.Controls()) control.unstored = false;
    panel_.Control(C::UpdateBaudRate).enabled = false;
    for (int n = 1; n <= 5; ++n) panel_.LabelText(n).clear();
    // The combos always show the record's selections, so that whatever reads them (the view,
    // a generation for the modem) sees what the record holds.
    panel_.Control(C::CountryCombo).selection = record_.country_index;
    panel_.Control(C::ProtocolCombo).selection = record_.protocol_index;

    const std::optional<OptionNode> selected = tree_.Selected();
    if (selected) {
        if (const PanelRow* row = RowOf(*selected)) {
            for (int n = 1; n <= 5; ++n) panel_.LabelText(n) = std::string(row->labels[static_cast<std::size_t>(n - 1)]);
            for (int n = 1; n <= 4; ++n) {
                const ValueField& field = row->values[static_cast<std::size_t>(n - 1)];
                if (!field.show) continue;
                PanelControl& value = panel_.Control(SettingsPanel::ValueId(n));
                value.visible = true;
                value.text = field.show(record_);
            }
        }
        const bool ethernet = (record_.option_bits & OptionBit::Ethernet) != 0;
        const auto show_address = [&](int id, const Ip4& address) {
            PanelControl& c = panel_.Control(id);
            c.visible = true;
            c.address = address;
        };
        switch (*selected) {
        case N::Modara: {
            for (int id : {C::CountryLabel, C::ProtocolLabel, C::CountryCombo, C::ProtocolCombo, C::UpdateBaudRate}) {
                panel_.Control(id).visible = true;
            }
            const bool editable = !tree_.IsChecked(N::Modara) && !tree_.IsChecked(N::Lanvik);
            panel_.Control(C::Value1).enabled = editable;
            panel_.Control(C::UpdateBaudRate).enabled = editable;
            break;
        }
        case N::UsbFifoSupport:
            if (record_.clock.sysclk_hz > kUsbFifoMaxSysclk) panel_.LabelText(1) = kUsbFifoNote;
            break;
        case N::ARP: {
            PanelControl& check = panel_.Control(C::ArpAutoUpdate);
            check.visible = true;
            check.checked = record_.arp_auto_update != 0;
            break;
        }
        case N::SMTP: show_address(C::Address2, record_.ip_smtp_addr); break;
        case N::SYSCLK:
            if (record_.device_bits & DeviceBit::Vardex) panel_.LabelText(1) = kVardexSysclkNote;
            else if (record_.device_bits & DeviceBit::Pelmar) panel_.LabelText(1) = kPelmarSysclkNote;
            else if (record_.device_bits & DeviceBit::Zintor) panel_.LabelText(1) = kZintorSysclkNote;
            if (!panel_.LabelText(1).empty()) panel_.LabelText(2) = CurrentSysclkText(record_.clock.sysclk_hz);
            panel_.Control(C::ConfigureSysclk).visible = true;
            break;
        case N::IPAddresses:
            show_address(C::Address1, record_.ip_dest_addr);
            show_address(C::Address2, record_.ip_src_addr);
            if (ethernet) {
                panel_.LabelText(3) = kGatewayLabel;
                panel_.LabelText(4) = kSubnetLabel;
                show_address(C::Address3, record_.gateway_ip_addr);
                show_address(C::Address4, record_.subnet_mask);
                gateway_flag_ = true;
            }
            break;
        case N::MACAddresses:
            for (int i = 0; i < kMacEdits; ++i) {
                PanelControl& mac = panel_.Control(C::DestMacFirst + i);
                const std::uint8_t byte = i < 6 ? record_.eth_dest_hw_addr[static_cast<std::size_t>(i)]
                                                : record_.eth_src_hw_addr[static_cast<std::size_t>(i - 6)];
                mac.visible = true;
                mac.enabled = ethernet;
                mac.text = HexByteText(byte);
            }
            break;
        default: break;
        }
    }
    RefreshControls();
}

bool WizardDialog::AcceptsTypedText(PanelControl& control, const std::string& text) {
    // A view that echoes the model's own text back is not a change.
    if (text == control.text) return false;
    control.text = text;  // what was typed stays in the edit, accepted or not
    if (control.limit == 0 || text.size() <= control.limit) return true;
    control.note.clear();  // the message box speaks for the refused text
    Warn(LimitMessage(control.limit));
    return false;
}

std::string WizardDialog::OnValueEdited(int control_id, const std::string& text) {
    if (refreshing_) return {};
    const int n = ValueNumberOf(control_id);
    if (n == 0) return {};
    PanelControl& control = panel_.Control(control_id);
    if (!control.visible || !control.enabled) return {};
    const auto action = session_.Edit(control, FirstLine(text));
    const std::string note_before = control.note;
    if (!AcceptsTypedText(control, std::string(FirstLine(text)))) {
        if (control.note != note_before) NotifyView();
        return {};
    }
    control.note.clear();
    control.unstored = false;
    if (const std::optional<OptionNode> selected = tree_.Selected()) {
        if (const PanelRow* row = RowOf(*selected)) {
            const ValueField& field = row->values[static_cast<std::size_t>(n - 1)];
            const bool number = field.store && field.value;
            control.unstored = number && !FitsAsTyped(field, control.text);
            if (field.store && !control.unstored) {
                field.store(record_, control.text);
                modified_ = true;
            }
            if (number) control.note = TypedNumberNote(field, control.text, record_, tree_);
            if (control.unstored) session_.EditNotStored();
        }
    }
    if (control.note != note_before) NotifyView();
    return control.note;
}

std::string WizardDialog::OnMacEdited(int control_id, const std::string& text) {
    if (refreshing_ || !IsMacEdit(control_id)) return {};
    PanelControl& control = panel_.Control(control_id);
    if (!control.visible || !control.enabled) return {};
    std::string upper(FirstLine(text));
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (upper == control.text) return {};
    const auto action = session_.Edit(control, upper);
    const int index = control_id - ControlId::DestMacFirst;
    const std::uint8_t byte = index < 6 ? record_.eth_dest_hw_addr[static_cast<std::size_t>(index)]
                                        : record_.eth_src_hw_addr[static_cast<std::size_t>(index - 6)];
    // A character that is no hexadecimal digit is not taken: the edit and the byte keep what
    // they held, and the note says why.
    if (const std::string_view refused = FirstNonHexCharacter(upper); !refused.empty()) {
        control.note = "\"" + std::string(refused) + "\" is not a hexadecimal digit (0-9, A-F); the byte stays " +
                       HexByteText(byte);
        NotifyView();
        return control.note;
    }
    const bool had_note = !control.note.empty();
    control.note.clear();
    if (!AcceptsTypedText(control, upper)) {
        if (had_note) NotifyView();
        return {};
    }
    modified_ = true;
    for (int i = 0; i < kMacEdits; ++i) {
        const std::uint8_t value = ReadHexByte(panel_.Control(ControlId::DestMacFirst + i).text);
        if (i < 6) {
            record_.eth_dest_hw_addr[static_cast<std::size_t>(i)] = value;
        } else {
            record_.eth_src_hw_addr[static_cast<std::size_t>(i - 6)] = value;
        }
    }
    if (had_note) NotifyView();
    return {};
}

bool WizardDialog::StoreAddress(int control_id) {
    const std::optional<OptionNode> selected = tree_.Selected();
    if (!selected) return false;
    Ip4* target = nullptr;
    const bool ip_page = *selected == N::IPAddresses;
    switch (control_id) {
    case ControlId::Address1: target = ip_page ? &record_.ip_dest_addr : nullptr; break;
    case ControlId::Address2:
        target = ip_page ? &record_.ip_src_addr : *selected == N::SMTP ? &record_.ip_smtp_addr : nullptr;
        break;
    case ControlId::Address3: target = ip_page && gateway_flag_ ? &record_.gateway_ip_addr : nullptr; break;
    case ControlId::Address4: target = ip_page && gateway_flag_ ? &record_.subnet_mask : nullptr; break;
    default: break;
    }
    // A hidden control holds nothing the user typed: only what an earlier page showed.
    if (!target || !panel_.Control(control_id).visible) return false;
    const Ip4& address = panel_.Control(control_id).address;
    if (*target == address) return false;
    *target = address;
    return true;
}

std::string WizardDialog::OnAddressTyped(int control_id, std::string_view dotted) {
    if (refreshing_ || control_id < ControlId::Address1 || control_id > ControlId::Address4) return {};
    PanelControl& control = panel_.Control(control_id);
    if (!control.visible || !control.enabled) return {};
    const std::string note_before = control.note;
    control.note.clear();
    control.unstored = false;
    const std::optional<std::array<unsigned, 4>> octets = TypedOctets(dotted);
    std::size_t wide = 0;
    while (octets && wide < 4 && (*octets)[wide] <= 255) ++wide;
    if (!octets || wide < 4) {
        // The record keeps the address it has; the control shows what was typed until the
        // user mends it or leaves the page.
        control.unstored = true;
        control.note = octets ? "octet " + std::to_string(wide + 1) + ": " + std::to_string((*octets)[wide]) +
                                    " does not fit (0 to 255)"
                              : "\"" + std::string(dotted) + "\" is not an address";
        control.note += ": not stored; the address stays " + DottedText(control.address);
    } else {
        Ip4 address{};
        for (std::size_t i = 0; i < 4; ++i) address[i] = static_cast<std::uint8_t>((*octets)[i]);
        OnAddressChanged(control_id, address);
    }
    if (control.note != note_before) NotifyView();
    return control.note;
}

std::vector<Finding> WizardDialog::UnstoredTexts() const {
    std::vector<Finding> findings;
    const std::optional<OptionNode> selected = tree_.Selected();
    if (!selected) return findings;
    const PanelRow* row = RowOf(*selected);
    for (const PanelControl& control : panel_.Controls()) {
        if (!control.unstored || !control.visible) continue;
        Finding finding;
        finding.node = *selected;
        finding.control = control.id;
        finding.message = control.note;
        const int n = ValueNumberOf(control.id);
        if (row && n != 0) {
            const ValueField& field = row->values[static_cast<std::size_t>(n - 1)];
            finding.field = std::string(field.name);
            std::string_view caption = row->labels[static_cast<std::size_t>(n - 1)];
            if (caption.ends_with(':')) caption.remove_suffix(1);
            finding.caption = std::string(caption);
        } else {
            std::string_view caption = panel_.Control(SettingsPanel::LabelId(control.id - ControlId::Address1 + 1)).text;
            if (caption.ends_with(':')) caption.remove_suffix(1);
            finding.caption = std::string(caption);
        }
        findings.push_back(std::move(finding));
    }
    return findings;
}

void WizardDialog::OnAddressChanged(int control_id, const Ip4& address) {
    if (refreshing_ || control_id < ControlId::Address1 || control_id > ControlId::Address4) return;
    PanelControl& control = panel_.Control(control_id);
    if (control.visible && control.unstored) {
        // A whole address again: the text and the record agree once more.
        control.unstored = false;
        control.note.clear();
        NotifyView();
    }
    if (!control.visible || control.address == address) return;
    const auto action = session_.Address(control, address);
    control.address = address;
    modified_ = true;
    StoreAddress(control_id);
}

void WizardDialog::CommitAddressControls() {
    // Moving the selection only carries the last typed address into the record; browsing the
    // tree is not a change, so the modified flag follows only a value that really changed.
    bool changed = false;
    for (int id = ControlId::Address1; id <= ControlId::Address4; ++id) changed = StoreAddress(id) || changed;
    if (changed) modified_ = true;
}

void WizardDialog::OnComboChanged(int control_id, int index) {
    if (refreshing_) return;
    const bool country = control_id == ControlId::CountryCombo;
    if (!country && control_id != ControlId::ProtocolCombo) return;
    const int count = country ? kCountryCount : kProtocolCount;
    if (index < -1 || index >= count) return;  // a combo has no such entry
    PanelControl& control = panel_.Control(control_id);
    if (!control.visible || control.selection == index) return;
    const auto action = session_.Combo(control, index);
    control.selection = index;
    modified_ = true;
    if (country) {
        record_.country_index = index;
        if (index >= 0) record_.country_code = std::string(kCountryTable[static_cast<std::size_t>(index)].code);
    } else {
        record_.protocol_index = index;
        if (index >= 0) record_.modem_protocol = std::string(kProtocolTable[static_cast<std::size_t>(index)].code);
    }
}

std::optional<PanelField> PanelFieldOf(std::string_view field) {
    for (const PanelRow& row : kRows) {
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            if (row.values[i].name.empty() || row.values[i].name != field) continue;
            std::string_view caption = row.labels[i];
            if (caption.ends_with(':')) caption.remove_suffix(1);
            return PanelField{row.node, SettingsPanel::ValueId(static_cast<int>(i) + 1), caption};
        }
    }
    return std::nullopt;
}

}  // namespace quillon
