// The limits that the stack's sources and libraries need, checked before a project is
// generated (and by `check`). Every failing rule is reported; nothing is changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/Finding.h"
#include "config/OptionNodes.h"

namespace quillon {

// Least value of ftp_max_param; the message of the rule names the same number.
inline constexpr unsigned kFtpMaxParamMinimum = 24;

// Every rule that fails, in rule order; empty when the record passes. Protocol rules ask the
// option tree whether the node's check flag is set, not the option bits.
std::vector<Finding> ValidateRecord(const ConfigRecord& record, const OptionStates& options);

// Warnings about the addresses of an Ethernet device whose address is fixed (neither DHCP nor
// BOOTP assigns it): a device address that is still the default 0.0.0.1, or the network or
// broadcast address of its own subnet; a gateway that is still the default 255.255.255.255 or
// lies outside the device's subnet; and with SMTP, a mail server at 255.255.255.255. Each
// finding has `warning` set and names the record field.
std::vector<Finding> AddressWarnings(const ConfigRecord& record, const OptionStates& options);

// What the rules in force say about one numeric field: the range its value must lie in for
// them to pass, narrowed from `low` to `high` (the values the field can hold), and the first
// of them that its present value breaks. A rule that compares two fields limits both: the
// TCP window may not exceed the RX buffers, so the RX buffers may not be smaller than it.
struct FieldLimits {
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::optional<Finding> broken;
};
FieldLimits LimitsOf(const ConfigRecord& record, const OptionStates& options, std::string_view field,
                     std::int64_t low, std::int64_t high);

}  // namespace quillon
