// The commands of quillon-cli and the conventions they share.
//
// Every command is a row of the command table (CliCommands.cpp): name, synopsis, help text,
// the function, and which of the shared options it takes. RunCli gives every row the same
// behaviour, so a new command gets all of it by adding its row:
//
//   - `COMMAND --help` or `-h` prints the row's help and the exit status table on stdout and
//     exits 0; `--version` prints the version (and the sample-library notice) and exits 0.
//   - `-q` / `--quiet` drops warnings: write them to `context.warn`, errors to `context.err`.
//   - `--strict` and `--json` reach only the rows that declare them in `takes` (kTakesStrict,
//     kTakesJson) and arrive as `context.strict` and `context.json`; other commands refuse them
//     as unknown options (exit 2).
//   - RunCli takes these options out of `context.args` (up to a "--", which stays so that the
//     command knows that only operands follow); the command parses the rest (ReadArguments in
//     CommandSupport.h does [SETTINGS.wp] and --out DIR).
//   - Every line written to `context.err` or `context.warn` is prefixed "quillon-cli COMMAND: ";
//     write the message alone. Results go to `context.out`, nothing else does.
//   - After the command RunCli flushes and checks both streams: output that could not be
//     written (a full disk, `> /dev/full`) ends with status 1 and a message, whatever the command
//     returned.
//   - Return the statuses below. A command that fails before it starts its work (a usage error,
//     a settings file it refuses) creates and writes nothing.
//   - A settings file is loaded with LoadSettings (CommandSupport.h): it warns about every line
//     it had to guess at, FILE:LINE: WHAT (read as VALUE), and under --strict refuses the file.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/WizardDialog.h"

namespace quillon::cli {

// Exit statuses, one set for every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // failed, refused, or invalid input
inline constexpr int kExitUsage = 2;      // bad command line, script error, a dialog nobody can answer
inline constexpr int kExitDrift = 3;      // the folder is not what the configuration generates
inline constexpr int kExitConflicts = 4;  // generated, with conflicts left for the user

inline constexpr std::string_view kProgramName = "quillon-cli";

// What a command runs with.
struct CommandContext {
    std::string_view name;          // "generate"
    std::vector<std::string> args;  // its arguments, without the shared options
    const WizardOptions& options;
    std::istream& in;
    std::ostream& out;   // results
    std::ostream& err;   // errors, each line prefixed with the program and command name
    std::ostream& warn;  // warnings, prefixed the same way; nothing under --quiet
    bool quiet = false;
    bool strict = false;
    bool json = false;
};

using CommandFunction = int (*)(CommandContext& context);

// Shared options a row takes besides --help, --version and --quiet.
inline constexpr unsigned kTakesStrict = 1u;
inline constexpr unsigned kTakesJson = 2u;

struct CommandSpec {
    std::string_view name;         // "generate"
    std::string_view synopsis;     // "generate [SETTINGS.wp] --out DIR"
    std::string_view description;  // lines of help, without indentation
    CommandFunction run;
    unsigned takes = 0;  // kTakesStrict | kTakesJson
};

// Every command, in the order --help lists them.
const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(std::string_view name);
void WriteCommandHelp(const CommandSpec& command, std::ostream& out);

// quillon-cli generate [SETTINGS.wp] --out DIR
int CommandGenerate(CommandContext& context);
// quillon-cli show [SETTINGS.wp]
int CommandShow(CommandContext& context);
// quillon-cli check [SETTINGS.wp]
int CommandCheck(CommandContext& context);
// quillon-cli diff A.wp B.wp
int CommandDiff(CommandContext& context);
// quillon-cli explain NODE [SETTINGS.wp]
int CommandExplain(CommandContext& context);
// quillon-cli script [FILE|-]
int CommandScript(CommandContext& context);
// quillon-cli vault list | vault show N
int CommandVault(CommandContext& context);

// quillon-cli simulate DIR [--pty] [--timeout S]
int CommandSimulate(CommandContext& context);

// quillon-cli clock solve --family vardex|pelmar|zintor --sysclk HZ [--ext-osc HZ] [--baud B] [--limit N]
int CommandClock(CommandContext& context);

// The whole command line after the program name: dispatches to the commands, --help, --version,
// and applies the conventions above.
int RunCli(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err);

void WriteUsage(std::ostream& out);

// Where the running program lives: program_dir is the folder of /proc/self/exe and
// install_prefix the parent of that folder when it is a "bin" folder.
WizardOptions LocateProgram();

}  // namespace quillon::cli
