// Findings as `check` prints them, on the command line and in scripts:
//   problem: NODE: FIELD: MESSAGE (value V, limit L)
//   warning: NODE: FIELD: MESSAGE
// FIELD and the parenthesis are left out where they do not apply; a count line follows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "config/Finding.h"

namespace quillon::cli {

std::string FindingLine(const Finding& finding);

// One line per problem, then one per warning, then "0 problems", "1 problem" or "N problems",
// followed by ", 1 warning" or ", N warnings" when there are any.
void WriteFindings(const std::vector<Finding>& findings, std::ostream& out);

}  // namespace quillon::cli
