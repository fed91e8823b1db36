#include "cli/CliCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <filesystem>

#include "cli/FdStream.h"
#include "cli/LinePrefixStream.h"
#include "wizard/StoreBinding.h"

namespace quillon::cli {

namespace {

const std::vector<CommandSpec>& CommandTable() {
    static const std::vector<CommandSpec> table = {
        {"generate", "generate [SETTINGS.wp] --out DIR [--dry-run | --check | --diff] [--strict]",
         "Load the settings file as File > Open does (or start from the defaults), then run\n"
         "Generate Project into DIR, which is created when missing. One line a file,\n"
         "OUTCOME: PATH, then the closing message go to stdout; refusals, failures and the files\n"
         "that could not be written to stderr. OUTCOME is created, updated, unchanged, merged\n"
         "(your edits and the new text), conflict (your file left as it is, the merge with\n"
         "conflict markers beside it as PATH.merge), kept (your binary file left, the new one\n"
         "beside it as PATH.new) or replaced (no record of an earlier generation: your file\n"
         "copied to PATH.orig first).\n"
         "  --dry-run  decide and print every outcome, write nothing\n"
         "  --check    the same, and exit 3 when a file would be created, updated, merged,\n"
         "             replaced or in conflict: DIR is not what this configuration generates\n"
         "  --diff     print a unified diff of every change generation would make, write nothing\n"
         "Exit status 0 when the project was generated (or, with --check, is up to date), 1 when\n"
         "generation failed or was refused, 2 for a bad command line or a dialog that would need\n"
         "an answer, 3 when --check found drift, 4 when it was generated with conflicts.",
         CommandGenerate, kTakesStrict},
        {"show", "show [SETTINGS.wp] [--json] [--strict]",
         "Print the record (one field=value per line), the library number and name and the\n"
         "estimated code size in KB. --json: one JSON document with the record by field name,\n"
         "the project folder, the chosen options, the library and the code size.",
         CommandShow, kTakesStrict | kTakesJson},
        {"check", "check [SETTINGS.wp] [--json] [--strict]",
         "Load the settings file as File > Open does (or start from the defaults) and run every\n"
         "check of Generate Project without generating: the choices of the tree and the limits of\n"
         "the stack and of the clock. Prints one line a problem,\n"
         "\"problem: NODE: FIELD: MESSAGE (value V, limit L)\", then the count. Exit status 0 when\n"
         "there are none, 1 when there are some. --json: the problems as one JSON document.",
         CommandCheck, kTakesStrict | kTakesJson},
        {"diff", "diff A.wp B.wp [--json] [--strict]",
         "Compare two settings files as the wizard loads them: one line per difference,\n"
         "\"NAME: A-VALUE -> B-VALUE\", the record's fields in their order, then the options of the\n"
         "tree (\"option HTTP: off -> on\"), the library and the code size. Exit status 0 when\n"
         "the configurations are the same, 1 when they differ. --json: the same as one document.",
         CommandDiff, kTakesStrict | kTakesJson},
        {"explain", "explain NODE [SETTINGS.wp] [--strict]",
         "Why the option tree's node NODE (its text, such as \"USB FIFO Support\") is On, Off, Fixed or\n"
         "Unavailable in the configuration of the settings file (or the defaults), what would change\n"
         "that, and for an option not chosen what choosing it would add to the code size:\n"
         "  explain: NODE: STATE: REASON\n"
         "  explain: NODE: cost: +N KB (library NNN)",
         CommandExplain, kTakesStrict},
        {"script", "script [FILE|-]", "Run a UI script from FILE or from standard input (see below).", CommandScript},
        {"vault", "vault list | vault show N",
         "list: the library store's 72 pairs: number, name, common and bank library size in bytes.\n"
         "show N: the modules and public symbols of both libraries of pair N (1 to 72).",
         CommandVault},
        {"clock", "clock solve --family vardex|pelmar|zintor --sysclk HZ [--ext-osc HZ] [--baud B] [--limit N] [--json]",
         "The register settings of the family's oscillator pages that give SYSCLK HZ within the clock\n"
         "limits of the family's default project, best first (at most N, default 10, 0 for all): exact\n"
         "ones first, then by frequency error, by the error of baud rate B, and by the fewest changes\n"
         "from the family's default clock. --ext-osc is the frequency of the external crystal fitted.\n"
         "One line each: SYSCLK, error in Hz, baud error, changes, the registers as NAME=0xNN and the\n"
         "way from the oscillator to SYSCLK. Exit status 0 when an exact solution exists, 1 when only\n"
         "approximate ones (or none) do. --json: the solutions as one JSON document.",
         CommandClock, kTakesJson},
        {"simulate", "simulate DIR [--pty | --host --tap NAME [--loss P] [--reorder P]] [--timeout S]",
         "Run the firmware that make built in the project folder DIR (build/firmware.ihx) in the\n"
         "s51 simulator at the family's clock, its UART0 joined to standard input and output, or\n"
         "with --pty to a new pseudo-terminal whose name goes to stdout first, as \"uart: PATH\".\n"
         "Both carry every byte value unchanged. What the generic simulator lacks of the family\n"
         "(the oscillators' and the PLL's ready bits, the UART's clock) is supplied by the\n"
         "simulator's breakpoints and memory writes; the firmware image is not changed.\n"
         "--timeout S ends it after S seconds; SIGTERM or SIGINT end it at once. Exit status 0\n"
         "when it was ended so, 1 when there is no firmware or the simulator stopped by itself.\n"
         "--host --tap NAME: an Ethernet project is built for this PC instead (into DIR/build/host/,\n"
         "the project's own sources with a host port for the tick and the Ethernet device) and run\n"
         "on a TAP device NAME that it creates in the current network namespace (root or\n"
         "CAP_NET_ADMIN), printing \"tap: NAME\" first; configure the PC's side of it yourself\n"
         "(ip addr add 10.0.0.1/24 dev NAME). --loss P and --reorder P drop or swap P percent of the\n"
         "frames each way. The device goes when the firmware ends.",
         CommandSimulate},
    };
    return table;
}

void WriteIndented(std::ostream& out, std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out << "      " << text.substr(start, end - start) << '\n';
        start = end + 1;
    }
}

constexpr const char* kExitStatusTable = R"(Exit status:
  0  success (diff: the two configurations are the same)
  1  failed, refused, or invalid input (diff: they differ; --strict: a settings file with
     lines not of their expected form)
  2  usage error (unknown option, missing argument), a script error, a dialog without an answer
  3  drift: the folder is not what the configuration generates (generate --check)
  4  generated, with conflicts left for you to resolve
)";

constexpr const char* kSharedOptions = R"(Options of every command:
  -h, --help     this command's help
  --version      the program's version
  -q, --quiet    no warnings (errors are still written)
  --strict       (commands that read settings files) a line that is not of its expected
                 form is an error, not a warning: the file is refused with status 1
  --json         (show, diff) the result as one JSON document
  --             what follows is a file name, even when it begins with "-"
Results go to stdout; errors and warnings to stderr, each line beginning with "quillon-cli".
Reading a settings file warns about every line it had to guess at:
  FILE:LINE: FIELD: WHAT: "LINE AS FOUND" (read as VALUE)
)";

constexpr const char* kScriptLanguage = R"(Script language: one command per line, '#' starts a comment line, words are separated by
blanks; a final text argument runs to the end of the line and may be written in double quotes
(\" and \\ inside them).
  click NODE            press the box image of a tree node (the option click)
  select NODE           press a node's text: the selection moves there
  set ID TEXT           the edit ID (1001-1003, 1008, MAC bytes 1019-1030) ends with TEXT
  check ID on|off       click check box ID (1011) into that state
  check                 every check of Generate Project: "problem: ..." lines and the count
  address ID A.B.C.D    address control ID (1015-1018) changes
  combo ID INDEX        combo ID (1039 countries, 1041 protocols) selects entry INDEX
  press ID              button 1010 (Configure SYSCLK) or 1031 (Update UART Baud Rate)
  menu new|open|save|save-as|select-folder|generate|exit|help|context-help|about|export-script
                        a menu command; export-script writes the session so far as a script
  answer yes|no|cancel  queue the answer to the next question
  file PATH|cancel      queue the answer to the next open or save dialog
  folder PATH|cancel    queue the answer to the next folder dialog
  preview generate|cancel
                        queue the answer to the next preview of Generate Project (without one
                        it generates)
  sheet page TITLE | sheet click ID | sheet set ID TEXT | sheet check ID on|off
  sheet solve HZ | sheet ok | sheet cancel
                        while the oscillator sheet is open
  show record|tree|panel|window|sheet|summary
  explain NODE          why NODE is as it is, and what choosing it would cost
  find TEXT             type TEXT into the tree's filter and press Enter: prints
                        "find: N found, selects NODE" and selects the best match (a node's
                        own text before its page's captions), or "find: No setting matches ..."
Output, one line per event: "message: TEXT", "question: TEXT -> yes|no|cancel",
"open-dialog -> PATH", "save-dialog -> PATH", "folder-dialog -> PATH" (or "-> cancel"),
"about: VERSION", "help: PATH", "note: ID: TEXT" after a set or address not stored as
typed or breaks a rule, and "window closed" when Exit ends the window. Line breaks
in texts are written as \n. A script error prints "quillon-cli script: error: line N: WHY"
on stderr and exits 2. A settings file that could not be opened or saved does not stop the
script; once every line has run, the exit status is 1.

Example:
  printf 'click HTTP\nshow tree\nfile web.wp\nmenu save-as\n' | quillon-cli script -
)";

// The version line and the notices of the store the wizard would bind.
void WriteVersion(const WizardOptions& options, std::ostream& out) {
    out << kProgramName << ' ' << QUILLON_VERSION_TEXT << '\n';
    StoreBinding store;
    store.Load(options.store_path ? std::vector<std::string>{*options.store_path}
                                  : StoreBinding::DefaultCandidates(options.program_dir, options.install_prefix));
    for (const std::string& notice : StoreNotices(store)) out << notice << '\n';
}

std::string Prefix(std::string_view command) {
    return std::string(kProgramName) + (command.empty() ? "" : " ") + std::string(command) + ": ";
}

// After the command: everything it wrote must have reached its stream. Returns the status.
int CheckStreams(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    if (!out) {
        const int why = StreamError(out);
        err << kProgramName << ": cannot write the output: " << (why ? std::strerror(why) : "write error") << '\n';
        err.flush();
        return kExitFailed;
    }
    err.flush();
    // Errors or warnings that were lost are a failure too, though nothing can say so.
    if (!err && status == kExitOk) return kExitFailed;
    return status;
}

int RunCommand(const CommandSpec& row, const std::vector<std::string>& args, const WizardOptions& options,
               std::istream& in, std::ostream& out, std::ostream& err) {
    LinePrefixStream errors(&err, Prefix(row.name), std::string(kProgramName));
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool strict = false;
    bool json = false;
    std::vector<std::string> rest;
    bool operands = false;
    for (const std::string& arg : args) {
        if (operands) {
            rest.push_back(arg);
        } else if (arg == "--") {
            operands = true;
            rest.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg == "--strict" && (row.takes & kTakesStrict)) {
            strict = true;
        } else if (arg == "--json" && (row.takes & kTakesJson)) {
            json = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (help) {
        WriteCommandHelp(row, out);
        return kExitOk;
    }
    if (version) {
        WriteVersion(options, out);
        return kExitOk;
    }
    LinePrefixStream warnings(quiet ? nullptr : &err, Prefix(row.name), std::string(kProgramName));
    // Only a script acts as the window does and holds the settings file it opens; every other
    // command only reads its files, also one that a running wizard holds.
    WizardOptions command_options = options;
    command_options.hold_settings_file = row.name == std::string_view("script");
    CommandContext context{row.name, std::move(rest), command_options, in, out, errors, warnings, quiet, strict, json};
    int status = kExitUsage;
    try {
        status = row.run(context);
    } catch (const std::exception& e) {
        errors << "error: " << e.what() << '\n';
        status = kExitFailed;
    }
    warnings.flush();
    errors.flush();
    return status;
}

}  // namespace

const std::vector<CommandSpec>& Commands() { return CommandTable(); }

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& c : CommandTable()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

void WriteCommandHelp(const CommandSpec& command, std::ostream& out) {
    out << "Usage: quillon-cli " << command.synopsis << "\n\n";
    WriteIndented(out, command.description);
    out << '\n' << kSharedOptions << '\n' << kExitStatusTable;
    if (command.name == "script") out << '\n' << kScriptLanguage;
}

void WriteUsage(std::ostream& out) {
    out << "Usage: quillon-cli COMMAND [ARGUMENTS]\n\nThe Quillon wizard without a display.\n\nCommands:\n";
    for (const CommandSpec& c : CommandTable()) {
        out << "  " << c.synopsis << '\n';
        WriteIndented(out, c.description);
    }
    out << "  --help       This text (COMMAND --help: that command's).\n"
           "  --version    The program's version.\n\n"
        << kSharedOptions << '\n'
        << kExitStatusTable << '\n'
        << kScriptLanguage;
}

int RunCli(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err) {
    int status = kExitUsage;
    if (args.empty()) {
        WriteUsage(err);
    } else if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        WriteUsage(out);
        status = kExitOk;
    } else if (args[0] == "--version") {
        WriteVersion(options, out);
        status = kExitOk;
    } else if (const CommandSpec* row = FindCommand(args[0])) {
        status = RunCommand(*row, {args.begin() + 1, args.end()}, options, in, out, err);
    } else {
        err << kProgramName << ": unknown command " << args[0] << " (see quillon-cli --help)\n";
    }
    return CheckStreams(status, out, err);
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
