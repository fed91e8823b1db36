// What the commands of quillon-cli share: reading their common arguments and loading a
// settings file into the window as File > Open does.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/AnsweringPlatform.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

struct Arguments {
    std::optional<std::string> settings;
    std::optional<std::string> out_dir;
};

// [SETTINGS.wp] and, when `out_allowed`, --out DIR (or --out=DIR). Prints the mistake on
// `err` and returns nothing for a bad command line.
std::optional<Arguments> ReadArguments(const std::vector<std::string>& args, bool out_allowed, const char* command,
                                       std::ostream& err);

// Loads the settings file as File > Open does (the defaults first, then the file). The window
// reports a file it cannot read with a message of its own; afterwards no file is held.
bool LoadSettings(WizardDialog& window, AnsweringPlatform& platform, const std::string& path);

}  // namespace quillon::cli
