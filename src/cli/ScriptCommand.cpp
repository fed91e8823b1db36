// quillon-cli script: a UI script from a file or from standard input.
#include <iterator>

#include "cli/CliCommands.h"
#include "cli/ScriptRunner.h"
#include "io/FileIo.h"

namespace quillon::cli {

namespace {

// Scripts are small; anything near this size is not a script.
constexpr std::size_t kMaxScriptBytes = 16u << 20;

}  // namespace

int CommandScript(CommandContext& c) {
    std::vector<std::string> operands;
    bool only_operands = false;
    for (const std::string& arg : c.args) {
        if (!only_operands && arg == "--") {
            only_operands = true;
        } else if (!only_operands && arg.size() > 1 && arg[0] == '-') {
            c.err << "unknown option " << arg << " (see quillon-cli script --help)\n";
            return kExitUsage;
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() > 1) {
        c.err << "one script at a time\n";
        return kExitUsage;
    }
    std::string text;
    if (operands.empty() || operands[0] == "-") {
        text.assign(std::istreambuf_iterator<char>(c.in), std::istreambuf_iterator<char>());
    } else {
        std::vector<std::uint8_t> bytes;
        if (const auto error = ReadFileBytes(operands[0], bytes, kMaxScriptBytes)) {
            c.err << "cannot read " << error->path << ": " << error->reason << '\n';
            return kExitUsage;
        }
        text.assign(bytes.begin(), bytes.end());
    }
    ScriptRunner runner(c.out, c.err, c.warn);
    return runner.Run(text, c.options);
}

}  // namespace quillon::cli
