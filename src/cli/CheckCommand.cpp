// quillon-cli check: every finding that would refuse Generate Project, without generating.
#include <exception>

#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/FindingFormat.h"

namespace quillon::cli {

int CommandCheck(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                 std::ostream& err) {
    const auto a = ReadArguments(args, false, "check", err);
    if (!a) return kExitUsage;
    // Messages of the window (a file it cannot read) go to the error stream, so that the
    // output stays the findings alone.
    AnsweringPlatform platform(err, err, EventStyle::Plain);
    try {
        WizardDialog window(platform, options);
        window.Initialise();
        if (a->settings && !LoadSettings(window, platform, *a->settings)) {
            err << "quillon-cli check: could not load " << *a->settings << '\n';
            return kExitFailed;
        }
        const std::vector<Finding> findings = window.Findings();
        WriteFindings(findings, out);
        return findings.empty() ? kExitOk : kExitFailed;
    } catch (const std::exception& e) {
        err << "quillon-cli check: error: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace quillon::cli
