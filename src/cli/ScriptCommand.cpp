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

}  // namespace quillon::cli
