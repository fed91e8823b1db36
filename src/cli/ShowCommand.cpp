// quillon-cli show: the record, the library and the code size of a settings file.
#include <exception>

#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/StateFormat.h"
#include "config/LibrarySelection.h"

namespace quillon::cli {

int CommandShow(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                std::ostream& err) {
    const auto a = ReadArguments(args, false, "show", err);
    if (!a) return kExitUsage;
    // Messages of the window (a file it cannot read) go to the error stream, so that the
    // output stays the record alone.
    AnsweringPlatform platform(err, err, EventStyle::Plain);
    try {
        WizardDialog window(platform, options);
        window.Initialise();
        if (a->settings && !LoadSettings(window, platform, *a->settings)) {
            err << "quillon-cli show: could not load " << *a->settings << '\n';
            return kExitFailed;
        }
        WriteRecordState(window.Record(), out);
        // Computed on copies: showing never changes the configuration.
        ConfigRecord copy = window.Record();
        const LibraryChoice library = SelectLibrary(copy, false);
        copy = window.Record();
        const CodeSize size = EstimateCodeSize(copy);
        out << "library_number=" << library.number << '\n';
        out << "library_name=" << library.name << '\n';
        out << "used_space=" << size.used_kb << '\n';
        out << "free_space=" << size.free_kb << '\n';
        return kExitOk;
    } catch (const std::exception& e) {
        err << "quillon-cli show: error: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace quillon::cli
