#include "cli/CliCommands.h"

#include <unistd.h>

#include <climits>
#include <exception>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/AnsweringPlatform.h"
#include "cli/ScriptRunner.h"
#include "cli/StateFormat.h"
#include "config/LibrarySelection.h"
#include "io/FileIo.h"
#include "wizard/StoreBinding.h"
#include "cli/VaultReport.h"

namespace quillon::cli {

namespace {

// Scripts are small; anything near this size is not a script.
constexpr std::size_t kMaxScriptBytes = 16u << 20;

struct Arguments {
    std::optional<std::string> settings;
    std::optional<std::string> out_dir;
};

// [SETTINGS.wp] and, when `out_allowed`, --out DIR (or --out=DIR).
std::optional<Arguments> ReadArguments(const std::vector<std::string>& args, bool out_allowed, const char* command,
                                       std::ostream& err) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (out_allowed && (arg == "--out" || arg.rfind("--out=", 0) == 0)) {
            if (arg == "--out") {
                if (i + 1 >= args.size()) {
                    err << "quillon-cli " << command << ": --out needs a folder\n";
                    return std::nullopt;
                }
                a.out_dir = args[++i];
            } else {
                a.out_dir = arg.substr(6);
            }
            if (a.out_dir->empty()) {
                err << "quillon-cli " << command << ": --out needs a folder\n";
                return std::nullopt;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "quillon-cli " << command << ": unknown option " << arg << '\n';
            return std::nullopt;
        } else if (!a.settings) {
            a.settings = arg;
        } else {
            err << "quillon-cli " << command << ": more than one settings file (" << *a.settings << ", " << arg
                << ")\n";
            return std::nullopt;
        }
    }
    return a;
}

// Loads the settings file as File > Open does (the defaults first, then the file). The window
// reports a file it cannot read with a message of its own; afterwards no file is held.
bool LoadSettings(WizardDialog& window, AnsweringPlatform& platform, const std::string& path) {
    platform.QueueFile(path, 0);
    window.OnFileOpen();
    return !window.SettingsFileName().empty();
}

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

int CommandScript(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in,
                  std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "quillon-cli script: one script at a time\n";
        return kExitUsage;
    }
    std::string text;
    if (args.empty() || args[0] == "-") {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        std::vector<std::uint8_t> bytes;
        if (const auto error = ReadFileBytes(args[0], bytes, kMaxScriptBytes)) {
            err << "quillon-cli script: cannot read " << error->path << ": " << error->reason << '\n';
            return kExitUsage;
        }
        text.assign(bytes.begin(), bytes.end());
    }
    ScriptRunner runner(out, err);
    return runner.Run(text, options);
}

int CommandVault(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                 std::ostream& err) {
    const bool list = args.size() == 1 && args[0] == "list";
    const bool show = args.size() == 2 && args[0] == "show";
    if (!list && !show) {
        err << "quillon-cli vault: expected \"vault list\" or \"vault show N\"\n";
        return kExitUsage;
    }
    // The store the wizard itself would bind.
    StoreBinding store;
    store.Load(options.store_path ? std::vector<std::string>{*options.store_path}
                                  : StoreBinding::DefaultCandidates(options.program_dir, options.install_prefix));
    return list ? PrintVaultList(store, out, err) : PrintVaultShow(store, args[1], out, err);
}

void WriteUsage(std::ostream& out) {
    out << R"(Usage: quillon-cli COMMAND [ARGUMENTS]

The Quillon wizard without a display.

Commands:
  generate [SETTINGS.wp] --out DIR
      Load the settings file as File > Open does (or start from the defaults), then run
      Generate Project into DIR, which is created when missing. Messages go to stdout, the
      files that could not be written to stderr. Exit status 0 when the project was
      generated, 1 when generation failed or was refused, 2 when a dialog would need an answer.
  show [SETTINGS.wp]
      Print the record (one field=value per line), the library number and name and the
      estimated code size in KB.
  script [FILE|-]
      Run a UI script from FILE or from standard input.
  vault list
      The library store's 72 pairs: number, name, common and bank library size in bytes.
  vault show N
      The modules and public symbols of both libraries of pair N (1 to 72).
  --help       This text.
  --version    The program's version.

Script language: one command per line, '#' starts a comment line, words are separated by
blanks; a final text argument runs to the end of the line and may be written in double quotes
(\" and \\ inside them).
  click NODE            press the box image of a tree node (the option click)
  select NODE           press a node's text: the selection moves there
  set ID TEXT           the edit ID (1001-1003, 1008, MAC bytes 1019-1030) ends with TEXT
  check ID on|off       click check box ID (1011) into that state
  address ID A.B.C.D    address control ID (1015-1018) changes
  combo ID INDEX        combo ID (1039 countries, 1041 protocols) selects entry INDEX
  press ID              button 1010 (Configure SYSCLK) or 1031 (Update UART Baud Rate)
  menu new|open|save|save-as|select-folder|generate|exit|help|about
  answer yes|no         queue the answer to the next question
  file PATH|cancel      queue the answer to the next open or save dialog
  folder PATH|cancel    queue the answer to the next folder dialog
  sheet page TITLE | sheet click ID | sheet set ID TEXT | sheet check ID on|off
  sheet ok | sheet cancel
                        while the oscillator sheet is open
  show record|tree|panel|window|sheet
Output, one line per event: "message: TEXT", "question: TEXT -> yes|no",
"open-dialog -> PATH", "save-dialog -> PATH", "folder-dialog -> PATH" (or "-> cancel"),
"about: VERSION", "help: PATH", and "window closed" when Exit ends the window. Line breaks
in texts are written as \n. A script error prints "error: line N: WHY" on stderr and exits 2.

Example:
  printf 'click HTTP\nshow tree\nfile web.wp\nmenu save-as\n' | quillon-cli script -
)";
}

int RunCli(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err) {
    if (args.empty()) {
        WriteUsage(err);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        WriteUsage(out);
        return kExitOk;
    }
    if (command == "--version") {
        out << "quillon-cli " << QUILLON_VERSION_TEXT << '\n';
        return kExitOk;
    }
    if (command == "generate") return CommandGenerate(rest, options, out, err);
    if (command == "show") return CommandShow(rest, options, out, err);
    if (command == "script") return CommandScript(rest, options, in, out, err);
    if (command == "vault") return CommandVault(rest, options, out, err);
    err << "quillon-cli: unknown command " << command << " (see quillon-cli --help)\n";
    return kExitUsage;
}

WizardOptions LocateProgram() {
    WizardOptions options;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return options;
    const std::filesystem::path exe(std::string(buf, static_cast<std::size_t>(n)));
    const std::filesystem::path dir = exe.parent_path();
    options.program_dir = dir.string();
    if (dir.filename() == "bin") options.install_prefix = dir.parent_path().string();
    return options;
}

}  // namespace quillon::cli
