// quillon-cli show: the record, the library and the code size of a settings file.
#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/ConfigurationSummary.h"

namespace quillon::cli {

int CommandShow(CommandContext& c) {
    const auto a = ReadArguments(c, false);
    if (!a) return kExitUsage;
    // Messages of the window (a file it cannot read) go to the error stream, so that the
    // output stays the record alone.
    AnsweringPlatform platform(c.err, c.err, EventStyle::Plain);
    WizardDialog window(platform, c.options);
    window.Initialise();
    const std::optional<std::string> file = a->files.empty() ? std::nullopt : std::optional(a->files.front());
    if (file && !LoadSettings(window, platform, *file, c)) return kExitFailed;
    const ConfigurationSummary summary = Summarize(window);
    if (c.json) {
        c.out << JsonText(SummaryJson(summary, file));
        return kExitOk;
    }
    for (const RecordField& field : summary.fields) c.out << field.name << '=' << OneLine(field.text) << '\n';
    c.out << "library_number=" << summary.library.number << '\n';
    c.out << "library_name=" << summary.library.name << '\n';
    c.out << "used_space=" << summary.size.used_kb << '\n';
    c.out << "free_space=" << summary.size.free_kb << '\n';
    return kExitOk;
}

}  // namespace quillon::cli
