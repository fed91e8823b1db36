// quillon-cli check: every finding that would refuse Generate Project, without generating.
#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/ConfigurationSummary.h"
#include "cli/FindingFormat.h"
#include "wizard/OptionTree.h"

namespace quillon::cli {

namespace {

nlohmann::ordered_json FindingsJson(const std::vector<Finding>& findings, const std::optional<std::string>& file) {
    nlohmann::ordered_json doc;
    doc["settings_file"] = file ? nlohmann::ordered_json(*file) : nlohmann::ordered_json(nullptr);
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
    std::size_t count = 0;
    for (const Finding& f : findings) {
        nlohmann::ordered_json p;
        p["node"] = std::string(InfoOf(f.node).text);
        p["field"] = f.field;
        p["caption"] = f.caption;
        p["message"] = f.message;
        p["value"] = f.value ? nlohmann::ordered_json(*f.value) : nlohmann::ordered_json(nullptr);
        p["limit"] = f.limit ? nlohmann::ordered_json(*f.limit) : nlohmann::ordered_json(nullptr);
        if (f.warning) {
            warnings.push_back(std::move(p));
        } else {
            problems.push_back(std::move(p));
            ++count;
        }
    }
    doc["problems"] = std::move(problems);
    doc["count"] = count;
    doc["warnings"] = std::move(warnings);
    return doc;
}

}  // namespace

int CommandCheck(CommandContext& c) {
    const auto a = ReadArguments(c, false);
    if (!a) return kExitUsage;
    // Messages of the window (a file it cannot read) go to the error stream, so that the
    // output stays the findings alone.
    AnsweringPlatform platform(c.err, c.err, EventStyle::Plain);
    WizardDialog window(platform, c.options);
    window.Initialise();
    const std::optional<std::string> file = a->files.empty() ? std::nullopt : std::optional(a->files.front());
    if (file && !LoadSettings(window, platform, *file, c)) return kExitFailed;
    const std::vector<Finding> problems = window.Findings();
    std::vector<Finding> findings = problems;
    for (Finding& warning : window.Warnings()) findings.push_back(std::move(warning));
    if (c.json) {
        c.out << JsonText(FindingsJson(findings, file));
    } else {
        WriteFindings(findings, c.out);
    }
    // Warnings do not keep a project from being generated, so they fail nothing here either.
    return problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace quillon::cli
