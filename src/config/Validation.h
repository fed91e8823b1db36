// The limits that the stack's sources and libraries need, checked before a project is
// generated. The first failing rule is reported; nothing is changed.
#pragma once

#include <optional>
#include <string>

#include "config/ConfigRecord.h"

namespace quillon {

class Platform;

// Least value of ftp_max_param; the message of the rule names the same number.
inline constexpr unsigned kFtpMaxParamMinimum = 24;

// The message of the first failing rule, or nothing when the record passes. Protocol rules
// ask the option tree whether the node's check flag is set, not the option bits.
std::optional<std::string> FirstValidationFailure(const ConfigRecord& record, const OptionStates& options);

// Runs the rules; on failure shows the message (exclamation icon, application caption) and
// returns false.
bool ValidateRecord(const ConfigRecord& record, const OptionStates& options, Platform& platform);

}  // namespace quillon
