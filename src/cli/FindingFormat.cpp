#include "cli/FindingFormat.h"

#include "wizard/OptionTree.h"

namespace quillon::cli {

std::string FindingLine(const Finding& finding) {
    std::string line = "problem: " + std::string(InfoOf(finding.node).text) + ": ";
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
    for (const Finding& finding : findings) out << FindingLine(finding) << '\n';
    out << findings.size() << (findings.size() == 1 ? " problem" : " problems") << '\n';
}

}  // namespace quillon::cli
