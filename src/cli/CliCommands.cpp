#include "cli/CliCommands.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

namespace quillon::cli {

namespace {

const std::vector<CommandSpec>& CommandTable() {
    static const std::vector<CommandSpec> table = {
        {"generate", "generate [SETTINGS.wp] --out DIR",
         "Load the settings file as File > Open does (or start from the defaults), then run\n"
         "Generate Project into DIR, which is created when missing. Messages go to stdout, the\n"
         "files that could not be written to stderr. Exit status 0 when the project was\n"
         "generated, 1 when generation failed or was refused, 2 when a dialog would need an answer.",
         [](const std::vector<std::string>& args, const WizardOptions& options, std::istream&, std::ostream& out,
            std::ostream& err) { return CommandGenerate(args, options, out, err); }},
        {"show", "show [SETTINGS.wp]",
         "Print the record (one field=value per line), the library number and name and the\n"
         "estimated code size in KB.",
         [](const std::vector<std::string>& args, const WizardOptions& options, std::istream&, std::ostream& out,
            std::ostream& err) { return CommandShow(args, options, out, err); }},
        {"check", "check [SETTINGS.wp]",
         "Load the settings file as File > Open does (or start from the defaults) and run every\n"
         "check of Generate Project without generating: the choices of the tree and the limits of\n"
         "the stack. Prints one line a problem, \"problem: NODE: FIELD: MESSAGE (value V, limit L)\",\n"
         "then the count. Exit status 0 when there are none, 1 when there are some.",
         [](const std::vector<std::string>& args, const WizardOptions& options, std::istream&, std::ostream& out,
            std::ostream& err) { return CommandCheck(args, options, out, err); }},
        {"script", "script [FILE|-]", "Run a UI script from FILE or from standard input (see below).",
         [](const std::vector<std::string>& args, const WizardOptions& options, std::istream& in, std::ostream& out,
            std::ostream& err) { return CommandScript(args, options, in, out, err); }},
        {"vault", "vault list | vault show N",
         "list: the library store's 72 pairs: number, name, common and bank library size in bytes.\n"
         "show N: the modules and public symbols of both libraries of pair N (1 to 72).",
         [](const std::vector<std::string>& args, const WizardOptions& options, std::istream&, std::ostream& out,
            std::ostream& err) { return CommandVault(args, options, out, err); }},
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
  0  success
  1  failed, refused, or invalid input
  2  usage error (unknown option, missing argument), a script error, a dialog without an answer
  3  drift: the folder is not what the configuration generates (generate --check)
  4  generated, with conflicts left for you to resolve
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
"about: VERSION", "help: PATH", "note: ID: TEXT" after a set whose value was not stored as
typed or breaks a rule, and "window closed" when Exit ends the window. Line breaks
in texts are written as \n. A script error prints "error: line N: WHY" on stderr and exits 2.

Example:
  printf 'click HTTP\nshow tree\nfile web.wp\nmenu save-as\n' | quillon-cli script -
)";

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; });
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
    out << '\n' << kExitStatusTable;
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
        << kExitStatusTable << '\n'
        << kScriptLanguage;
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
    if (const CommandSpec* found = FindCommand(command)) {
        if (AsksForHelp(rest)) {
            WriteCommandHelp(*found, out);
            return kExitOk;
        }
        return found->run(rest, options, in, out, err);
    }
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
