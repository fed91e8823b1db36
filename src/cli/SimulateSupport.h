// What both ways of running a generated project's firmware share: reading the project's files,
// finding programs, and stopping cleanly on a signal.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace quillon::cli {

std::optional<std::string> ReadText(const std::filesystem::path& path);

// "NAME := VALUE" of the generated Makefile.
std::string MakeVariable(const std::string& makefile, const std::string& name);

// The program's path on PATH.
std::optional<std::string> FindProgram(const std::string& name);

// A bit the hardware sets once an oscillator, the PLL or the clock multiplier is ready: the
// firmware's clock set-up waits for each.
struct ReadyBit {
    const char* reg;
    int bit;
};
inline constexpr ReadyBit kReadyBits[] = {{"OSCXCN", 7}, {"PLL0CN", 4}, {"CLKMUL", 5}, {"OSCICN", 4}};

// SIGTERM, SIGINT and SIGHUP ask the run to end (StopRequested); SIGPIPE is ignored.
void CatchStopSignals();
bool StopRequested();

// Stops a whole process group (SIGTERM, then SIGKILL after a second) and waits for its leader.
void StopProcessGroup(pid_t pid);

}  // namespace quillon::cli
