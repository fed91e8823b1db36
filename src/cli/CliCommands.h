// The commands of quillon-cli. Each takes its arguments (without the program and command
// names) and the streams to write to, and returns the exit status, so tests run them in-process.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "wizard/WizardDialog.h"

namespace quillon::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // generation failed or was refused, a file could not be read
inline constexpr int kExitUsage = 2;   // bad command line, script error, a dialog nobody can answer

// quillon-cli generate [SETTINGS.wp] --out DIR
int CommandGenerate(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                    std::ostream& err);
// quillon-cli show [SETTINGS.wp]
int CommandShow(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
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
