#include "config/Validation.h"

#include <algorithm>
#include <string>

namespace quillon {

namespace {

using N = OptionNode;
using R = ConfigRecord;

// A numeric record field a rule reads, by the name findings carry.
struct FieldRef {
    std::string_view name;
    std::int64_t (*value)(const ConfigRecord&) = nullptr;
};

template <auto Member>
FieldRef Field(std::string_view name) {
    return {name, [](const ConfigRecord& r) { return static_cast<std::int64_t>(r.*Member); }};
}

// One rule: `field` must be at least `low`, at most `high` and at most the value of
// `high_field`, each where given. It applies always, or while any node of `when` has its
// check flag set. All comparisons are on the unsigned field values.
struct Rule {
    const char* message;
    OptionNode node;  // the page whose panel edits the field
    FieldRef field;
    std::vector<OptionNode> when;
    std::optional<std::int64_t> low;
    std::optional<std::int64_t> high;
    std::optional<FieldRef> high_field;
};

// In the order they are tested; the window reports the first that fails.
const std::vector<Rule>& Rules() {
    static const std::vector<Rule> rules = {
        {"At least 2 sockets are required when using PING", N::Sockets, Field<&R::num_sockets>("num_sockets"),
         {N::ARP, N::PING}, 2, {}, {}},
        {"Number of sockets must be between 1 and 127", N::Sockets, Field<&R::num_sockets>("num_sockets"), {}, 1, 127,
         {}},
        {"RX buffer size must be at least 64", N::Sockets, Field<&R::recv_buff_size>("recv_buff_size"), {}, 64, {}, {}},
        {"TX buffer size must be at least 64", N::Sockets, Field<&R::xmit_buff_size>("xmit_buff_size"), {}, 64, {}, {}},
        {"TCP window is too large for RX buffers", N::TCP, Field<&R::tcp_window>("tcp_window"), {N::TCP}, {}, {},
         Field<&R::recv_buff_size>("recv_buff_size")},
        {"TCP window is too large for HTTP buffers", N::TCP, Field<&R::tcp_window>("tcp_window"), {N::HTTP}, {}, {},
         Field<&R::http_buffer_len>("http_buffer_len")},
        {"TCP window is too large for FTP buffers", N::TCP, Field<&R::tcp_window>("tcp_window"), {N::FTP}, {}, {},
         Field<&R::ftp_buffer_len>("ftp_buffer_len")},
        {"Number of FTP users must be less than 128", N::FTP, Field<&R::ftp_num_users>("ftp_num_users"), {N::FTP}, {},
         127, {}},
        {"FTP max param must be at least 24", N::FTP, Field<&R::ftp_max_param>("ftp_max_param"), {N::FTP},
         kFtpMaxParamMinimum, {}, {}},
        {"SMTP buffer must be at least 46", N::SMTP, Field<&R::smtp_buffer_len>("smtp_buffer_len"), {N::SMTP}, 46, {},
         {}},
        // The field is 8 bits wide, so only the lower bound can fail.
        {"ARP cache size must be between 1 and 255", N::ARP, Field<&R::arp_cache_size>("arp_cache_size"), {N::ARP}, 1,
         255, {}},
    };
    return rules;
}

bool Applies(const Rule& rule, const OptionStates& options) {
    return rule.when.empty() ||
           std::any_of(rule.when.begin(), rule.when.end(), [&](OptionNode n) { return options.IsChecked(n); });
}

std::optional<Finding> Test(const Rule& rule, const ConfigRecord& record) {
    const std::int64_t value = rule.field.value(record);
    std::optional<std::int64_t> limit;
    if (rule.low && value < *rule.low) {
        limit = rule.low;
    } else if (rule.high && value > *rule.high) {
        limit = rule.high;
    } else if (rule.high_field && value > rule.high_field->value(record)) {
        limit = rule.high_field->value(record);
    }
    if (!limit) return std::nullopt;
    Finding finding;
    finding.message = rule.message;
    finding.node = rule.node;
    finding.field = std::string(rule.field.name);
    finding.value = value;
    finding.limit = limit;
    return finding;
}

}  // namespace

std::vector<Finding> ValidateRecord(const ConfigRecord& record, const OptionStates& options) {
    std::vector<Finding> findings;
    for (const Rule& rule : Rules()) {
        if (!Applies(rule, options)) continue;
        if (auto finding = Test(rule, record)) findings.push_back(std::move(*finding));
    }
    return findings;
}

FieldLimits LimitsOf(const ConfigRecord& record, const OptionStates& options, std::string_view field,
                     std::int64_t low, std::int64_t high) {
    FieldLimits limits{low, high, std::nullopt};
    for (const Rule& rule : Rules()) {
        if (!Applies(rule, options)) continue;
        if (rule.field.name == field) {
            if (rule.low) limits.low = std::max(limits.low, *rule.low);
            if (rule.high) limits.high = std::min(limits.high, *rule.high);
            if (rule.high_field) limits.high = std::min(limits.high, rule.high_field->value(record));
        } else if (rule.high_field && rule.high_field->name == field) {
            limits.low = std::max(limits.low, rule.field.value(record));
        } else {
            continue;
        }
        if (!limits.broken) limits.broken = Test(rule, record);
    }
    return limits;
}

namespace {

std::uint32_t AddressValue(const Ip4& a) {
    return (std::uint32_t{a[0]} << 24) | (std::uint32_t{a[1]} << 16) | (std::uint32_t{a[2]} << 8) | a[3];
}

std::string DottedAddress(const Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

}  // namespace

std::vector<Finding> AddressWarnings(const ConfigRecord& r, const OptionStates& options) {
    std::vector<Finding> out;
    const auto warn = [&](OptionNode node, std::string_view field, std::string message) {
        Finding f;
        f.message = std::move(message);
        f.node = node;
        f.field = std::string(field);
        f.warning = true;
        out.push_back(std::move(f));
    };
    const bool fixed_address = options.IsChecked(N::Ethernet) && !options.IsChecked(N::DHCP) && !options.IsChecked(N::BOOTP);
    if (fixed_address) {
        const std::uint32_t device = AddressValue(r.ip_src_addr);
        const std::uint32_t mask = AddressValue(r.subnet_mask);
        const std::uint32_t gateway = AddressValue(r.gateway_ip_addr);
        const std::uint32_t hosts = ~mask;
        const std::string device_text = DottedAddress(r.ip_src_addr);
        if (device == 0x00000001u) {
            warn(N::IPAddresses, "ip_src_addr",
                 "0.0.0.1 is the default, not an address on any network: give the device its own address");
        } else if (hosts != 0 && hosts != 1 && (device & hosts) == hosts) {
            warn(N::IPAddresses, "ip_src_addr",
                 device_text + " is the broadcast address of its subnet " + DottedAddress(r.subnet_mask) +
                     ": the device would answer every broadcast as its own");
        } else if (hosts != 0 && hosts != 1 && (device & hosts) == 0) {
            warn(N::IPAddresses, "ip_src_addr",
                 device_text + " is the network address of its subnet " + DottedAddress(r.subnet_mask) +
                     ": no device can have it");
        }
        if (gateway == 0xFFFFFFFFu) {
            warn(N::IPAddresses, "gateway_ip_addr",
                 "255.255.255.255 is the default, not a router's address: nothing beyond the subnet can be reached");
        } else if ((gateway & mask) != (device & mask)) {
            warn(N::IPAddresses, "gateway_ip_addr",
                 DottedAddress(r.gateway_ip_addr) + " is outside the device's subnet " + DottedAddress(r.subnet_mask) +
                     " of " + device_text + ": the device cannot reach it");
        }
    }
    if (options.IsChecked(N::SMTP) && AddressValue(r.ip_smtp_addr) == 0xFFFFFFFFu) {
        warn(N::SMTP, "ip_smtp_addr", "255.255.255.255 is the default, not a mail server's address");
    }
    return out;
}

}  // namespace quillon
