// What the commands of quillon-cli share: reading their operands and --out, loading a settings
// file into the window as File > Open does with a warning for every line it had to guess at,
// and showing raw file text safely in a message.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/AnsweringPlatform.h"
#include "cli/CliCommands.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

struct Arguments {
    std::vector<std::string> files;  // the operands, in order
    std::optional<std::string> out_dir;
};

// The operands (at most `max_files`) and, when `out_allowed`, --out DIR (or --out=DIR), given
// once. "--" ends the options. Prints the mistake on context.err and returns nothing for a bad
// command line.
std::optional<Arguments> ReadArguments(const CommandContext& context, bool out_allowed, std::size_t max_files = 1);

// Loads the settings file as File > Open does (the defaults first, then the file). The window
// reports a file it cannot read with a message of its own. Every line the reading had to guess
// at is written as FILE:LINE: ... (read as VALUE): a warning, or under --strict an error, and
// then the file is refused. True when the file was loaded and not refused.
bool LoadSettings(WizardDialog& window, AnsweringPlatform& platform, const std::string& path,
                  const CommandContext& context);

// Text from a file as it can be shown in a message: in double quotes, control characters and
// bytes that are not UTF-8 as \xNN, and cut after `limit` bytes with the full length noted.
std::string ShownText(std::string_view text, std::size_t limit = 60);

// One finding as it is written: FILE:LINE: FIELD: WHAT: "FOUND" (read as VALUE).
std::string SettingsFindingLine(const std::string& file, const SettingsFinding& finding);

}  // namespace quillon::cli
