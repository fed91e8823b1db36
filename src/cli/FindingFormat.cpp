#include "cli/FindingFormat.h"

#include "wizard/OptionTree.h"

namespace quillon::cli {

std::string FindingLine(const Finding& finding) {
    std::string line = (finding.warning ? "warning: " : "problem: ") + std::string(InfoOf(finding.node).text) + ": ";
    // A field without an edit of its own is named as the record names it.
    const std::string& field = finding.caption.empty() ? finding.field : finding.caption;
    if (!field.empty()) line += field + ": ";
    line += finding.message;
    if (finding.value && finding.limit) {
        line += " (value " + std::to_string(*finding.value) + ", limit " + std::to_string(*finding.limit) + ")";
    }
    return line;
}

void WriteFindings(const std::vector<Finding>& findings, std::ostream& out) {
    std::size_t problems = 0;
    for (const Finding& finding : findings) {
        if (finding.warning) continue;
        out << FindingLine(finding) << '\n';
        ++problems;
    }
    const std::size_t warnings = findings.size() - problems;
    for (const Finding& finding : findings) {
        if (finding.warning) out << FindingLine(finding) << '\n';
    }
    out << problems << (problems == 1 ? " problem" : " problems");
    if (warnings > 0) out << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    out << '\n';
}

}  // namespace quillon::cli
