// The limits that the stack's sources and libraries need, checked before a project is
// generated. The first failing rule is reported; nothing is changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"

namespace quillon {

// Least value of ftp_max_param; the message of the rule names the same number.
inline constexpr unsigned kFtpMaxParamMinimum = 24;

// A rule that failed: its message as the user reads it, the tree node whose settings hold the
// value, and the record field the rule tests.
struct ValidationFailure {
    std::string message;
    OptionNode node = OptionNode::Sockets;
    std::string_view field;
};

// The first failing rule, or nothing when the record passes. Protocol rules ask the option
// tree whether the node's check flag is set, not the option bits.
std::optional<ValidationFailure> FirstValidationFailure(const ConfigRecord& record, const OptionStates& options);

}  // namespace quillon
