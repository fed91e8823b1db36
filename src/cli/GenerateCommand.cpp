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
        err << "generation was refused; no project was written\n";
        return kExitFailed;
    }
    switch (report->outcome) {
    case GenerationOutcome::Generated:
        if (report->libraries_from_store) return kExitOk;
        // Written, but it cannot link: not a success for a build that relies on it.
        err << "the project was written without its stack libraries\n";
        return kExitFailed;
    case GenerationOutcome::Cancelled:
        err << "generation was cancelled; no project was written\n";
        return kExitFailed;
    case GenerationOutcome::Failed: break;
    }
    err << "generation failed";
    if (!report->failures.empty()) err << " (" << report->failures.size() << " file(s) could not be written)";
    err << '\n';
    return kExitFailed;
}

}  // namespace

int CommandGenerate(CommandContext& c) {
    const auto a = ReadArguments(c, true);
    if (!a) return kExitUsage;
    if (!a->out_dir) {
        c.err << "--out DIR is required\n";
        return kExitUsage;
    }
    const std::string out_dir = AbsolutePath(*a->out_dir);
    std::error_code ec;
    if (std::filesystem::exists(out_dir, ec) && !std::filesystem::is_directory(out_dir, ec)) {
        c.err << "cannot create the folder " << out_dir << ": a file of that name exists\n";
        return kExitFailed;
    }

    // Refusals and failures are errors; the closing message of a generation is the result.
    AnsweringPlatform platform(c.out, c.err, EventStyle::Plain);
    try {
        WizardDialog window(platform, c.options);
        window.Initialise();
        if (!a->files.empty() && !LoadSettings(window, platform, a->files.front(), c)) return kExitFailed;
        // The project goes into DIR whatever folder the settings file remembers: the folder
        // dialog is asked and answered with DIR. The dialog makes the folder when it takes the
        // answer, which is after the tree checks and the validation: a settings file that
        // cannot be loaded or a refused generation leaves no folder behind.
        window.SetProjectFolder({});
        platform.QueueFolder(out_dir, 0);
        window.OnGenerateProject();
        return GenerationStatus(window, c.err);
    } catch (const FolderNotCreated& e) {
        c.err << "cannot create the folder " << out_dir << ": " << e.reason << '\n';
        return kExitFailed;
    } catch (const UnansweredDialog& e) {
        c.err << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace quillon::cli
