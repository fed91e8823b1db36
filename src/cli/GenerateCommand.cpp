// quillon-cli generate: the settings loaded as File > Open does, then Generate Project into --out,
// or, with --dry-run, --check or --diff, only what that generation would do.
#include <algorithm>
#include <exception>
#include <filesystem>

#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "io/FileIo.h"
#include "wizard/GenerationMessages.h"

namespace quillon::cli {

namespace {

enum class Mode { Write, DryRun, Check, Diff };

// A file whose outcome means the folder is not what the configuration generates.
bool IsDrift(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Created:
    case FileOutcome::Updated:
    case FileOutcome::Merged:
    case FileOutcome::Conflict:
    case FileOutcome::Replaced: return true;
    case FileOutcome::Unchanged:
    case FileOutcome::Kept: return false;
    }
    return true;
}

// The exit status of a Generate Project command, with a line on `err` for anything but a
// complete project. The window has already shown its own message; a dry run shows none, so its
// outcomes (or diffs) are printed here.
int GenerationStatus(const WizardDialog& window, Mode mode, const std::string& out_dir, CommandContext& c) {
    const auto& report = window.LastGeneration();
    if (!report) {
        c.err << "generation was refused; no project was written\n";
        return kExitFailed;
    }
    if (report->outcome == GenerationOutcome::Cancelled) {
        c.err << "generation was cancelled; no project was written\n";
        return kExitFailed;
    }
    if (mode != Mode::Write) {
        if (mode == Mode::Diff) {
            for (const FileReport& f : report->files) c.out << f.diff;
        } else {
            for (const std::string& line : FileOutcomeLines(*report)) c.out << line << '\n';
        }
        c.out.flush();
        for (const FileError& f : report->failures) c.err << f.path << ": " << f.reason << '\n';
    }
    if (report->outcome == GenerationOutcome::Failed) {
        c.err << "generation failed";
        if (report->folder_busy) {
            c.err << ": another generation is writing into " << out_dir;
        } else if (!report->failures.empty()) {
            c.err << " (" << report->failures.size() << " file(s) could not be "
                  << (mode == Mode::Write ? "written" : "read") << ")";
        }
        c.err << '\n';
        return kExitFailed;
    }
    if (!report->libraries_from_store) {
        // Written, but it cannot link: not a success for a build that relies on it.
        c.err << "the project " << (mode == Mode::Write ? "was" : "would be") << " written without its stack libraries\n";
        return kExitFailed;
    }
    if (mode == Mode::Check) {
        const auto drift = std::count_if(report->files.begin(), report->files.end(),
                                         [](const FileReport& f) { return IsDrift(f.outcome); });
        if (drift > 0) {
            c.err << out_dir << " is not what this configuration generates (" << drift << " file(s) would change)\n";
            return kExitDrift;
        }
        return kExitOk;
    }
    if (mode == Mode::Write && report->Count(FileOutcome::Conflict) > 0) return kExitConflicts;
    return kExitOk;
}

}  // namespace

int CommandGenerate(CommandContext& c) {
    // --dry-run, --check and --diff (before a "--"); the rest is read as every command reads it.
    Mode mode = Mode::Write;
    std::vector<std::string> rest;
    bool operands = false;
    for (const std::string& arg : c.args) {
        operands = operands || arg == "--";
        const Mode m = operands            ? Mode::Write
                       : arg == "--dry-run" ? Mode::DryRun
                       : arg == "--check"   ? Mode::Check
                       : arg == "--diff"    ? Mode::Diff
                                            : Mode::Write;
        if (m == Mode::Write) {
            rest.push_back(arg);
        } else if (mode != Mode::Write && mode != m) {
            c.err << "--dry-run, --check and --diff exclude each other\n";
            return kExitUsage;
        } else {
            mode = m;
        }
    }
    c.args = std::move(rest);
    const auto a = ReadArguments(c, true);
    if (!a) return kExitUsage;
    if (!a->out_dir) {
        c.err << "--out DIR is required\n";
        return kExitUsage;
    }
    const std::string out_dir = AbsolutePath(*a->out_dir);
    // The workspace names the folder on lines of its own; refused before anything is made.
    if (out_dir.find_first_of("\r\n") != std::string::npos) {
        std::string shown;
        for (const char ch : out_dir) shown += ch == '\n' ? std::string("\\n") : ch == '\r' ? std::string("\\r") : std::string(1, ch);
        c.err << "the folder \"" << shown << "\" holds a line break, which the generated workspace cannot keep; "
              << "choose another folder\n";
        return kExitFailed;
    }
    std::error_code ec;
    if (std::filesystem::exists(out_dir, ec) && !std::filesystem::is_directory(out_dir, ec)) {
        if (mode == Mode::Write) {
            c.err << "cannot create the folder " << out_dir << ": a file of that name exists\n";
        } else {
            c.err << out_dir << " is not a folder\n";
        }
        return kExitFailed;
    }

    // Refusals and failures are errors; the closing message of a generation is the result.
    AnsweringPlatform platform(c.out, c.err, EventStyle::Plain);
    try {
        WizardDialog window(platform, c.options);
        window.Initialise();
        if (!a->files.empty() && !LoadSettings(window, platform, a->files.front(), c)) return kExitFailed;
        GenerationOptions generation;
        if (mode == Mode::Write) {
            // The project goes into DIR whatever folder the settings file remembers: the folder
            // dialog is asked and answered with DIR. The dialog makes the folder when it takes
            // the answer, which is after the tree checks and the validation: a settings file
            // that cannot be loaded or a refused generation leaves no folder behind.
            window.SetProjectFolder({});
            platform.QueueFolder(out_dir, 0);
        } else {
            // Only looking: the folder need not exist, and nothing may make it.
            window.SetProjectFolder(out_dir);
            generation.dry_run = true;
            generation.diffs = mode == Mode::Diff;
        }
        window.OnGenerateProject(generation);
        return GenerationStatus(window, mode, out_dir, c);
    } catch (const FolderNotCreated& e) {
        c.err << "cannot create the folder " << out_dir << ": " << e.reason << '\n';
        return kExitFailed;
    } catch (const UnansweredDialog& e) {
        c.err << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace quillon::cli
