// quillon-cli generate: the settings loaded as File > Open does, then Generate Project into --out.
#include <exception>
#include <filesystem>

#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "io/FileIo.h"

namespace quillon::cli {

namespace {

// The exit status of a Generate Project command, with a line on `err` for anything but a
// complete project. The window has already shown its own message.
int GenerationStatus(const WizardDialog& window, std::ostream& err) {
    const auto& report = window.LastGeneration();
    if (!report) {
        err << "quillon-cli generate: generation was refused; no project was written\n";
        return kExitFailed;
    }
    switch (report->outcome) {
    case GenerationOutcome::Generated:
        if (report->libraries_from_store) return kExitOk;
        // Written, but it cannot link: not a success for a build that relies on it.
        err << "quillon-cli generate: the project was written without its stack libraries\n";
        return kExitFailed;
    case GenerationOutcome::Cancelled:
        err << "quillon-cli generate: generation was cancelled; no project was written\n";
        return kExitFailed;
    case GenerationOutcome::Failed: break;
    }
    err << "quillon-cli generate: generation failed";
    if (!report->failures.empty()) err << " (" << report->failures.size() << " file(s) could not be written)";
    err << '\n';
    return kExitFailed;
}

}  // namespace

int CommandGenerate(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                    std::ostream& err) {
    const auto a = ReadArguments(args, true, "generate", err);
    if (!a) return kExitUsage;
    if (!a->out_dir) {
        err << "quillon-cli generate: --out DIR is required\n";
        return kExitUsage;
    }
    const std::string out_dir = AbsolutePath(*a->out_dir);
    std::error_code ec;
    std::filesystem::create_directories(out_dir, ec);
    if (ec || !std::filesystem::is_directory(out_dir)) {
        err << "quillon-cli generate: cannot create the folder " << out_dir << ": "
            << (ec ? ec.message() : "a file of that name exists") << '\n';
        return kExitFailed;
    }

    AnsweringPlatform platform(out, err, EventStyle::Plain);
    try {
        WizardDialog window(platform, options);
        window.Initialise();
        if (a->settings && !LoadSettings(window, platform, *a->settings)) {
            err << "quillon-cli generate: could not load " << *a->settings << '\n';
            return kExitFailed;
        }
        // The project goes into DIR whatever folder the settings file remembers: the folder
        // dialog is asked and answered with DIR.
        window.SetProjectFolder({});
        platform.QueueFolder(out_dir, 0);
        window.OnGenerateProject();
        return GenerationStatus(window, err);
    } catch (const UnansweredDialog& e) {
        err << "quillon-cli generate: " << e.what() << '\n';
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "quillon-cli generate: error: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace quillon::cli
