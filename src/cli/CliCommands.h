// The commands of quillon-cli. Each takes its arguments (without the program and command
// names) and the streams to write to, and returns the exit status, so tests run them in-process.
// Every command is a row of the command table (CliCommands.cpp) with its synopsis and help;
// `quillon-cli COMMAND --help` (or -h) prints that help and exits 0.
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

using CommandFunction = int (*)(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in,
                                std::ostream& out, std::ostream& err);

struct CommandSpec {
    std::string_view name;         // "generate"
    std::string_view synopsis;     // "generate [SETTINGS.wp] --out DIR"
    std::string_view description;  // lines of help, without indentation
    CommandFunction run;
};

// Every command, in the order --help lists them.
const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(std::string_view name);
void WriteCommandHelp(const CommandSpec& command, std::ostream& out);

// quillon-cli generate [SETTINGS.wp] --out DIR
int CommandGenerate(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                    std::ostream& err);
// quillon-cli show [SETTINGS.wp]
int CommandShow(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                std::ostream& err);
// quillon-cli check [SETTINGS.wp]
int CommandCheck(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                 std::ostream& err);
// quillon-cli script [FILE|-]
int CommandScript(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in,
                  std::ostream& out, std::ostream& err);

// quillon-cli vault list | vault show N
int CommandVault(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                 std::ostream& err);

// The whole command line after the program name: dispatches to the commands, --help, --version.
int RunCli(const std::vector<std::string>& args, const WizardOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err);

void WriteUsage(std::ostream& out);

// Where the running program lives: program_dir is the folder of /proc/self/exe and
// install_prefix the parent of that folder when it is a "bin" folder.
WizardOptions LocateProgram();

}  // namespace quillon::cli
