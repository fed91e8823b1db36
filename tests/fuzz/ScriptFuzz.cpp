// The script parser of quillon-cli on any text, and the dotted addresses it reads.
#include <algorithm>

#include "FuzzTargets.h"
#include "cli/ScriptParser.h"

namespace quillon::fuzz {

void FuzzScript(Bytes input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const cli::ParsedScript script = cli::ParseScript(text);

    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    int previous = 0;
    for (const cli::ScriptCommand& c : script.commands) {
        Check(c.line > previous && c.line <= lines, "command line numbers are out of order");
        previous = c.line;
        if (c.cancel) Check(c.text.empty(), "a cancelled dialog answer carries a path");
    }
    if (script.error) {
        Check(script.error->line > previous && script.error->line <= lines, "the error names a wrong line");
        Check(!script.error->why.empty(), "an error without a reason");
    }

    // An address that reads back writes out as a text that reads back the same.
    if (const std::optional<Ip4> address = cli::ParseDottedAddress(text)) {
        std::string dotted;
        for (std::size_t i = 0; i < address->size(); ++i) dotted += (i ? "." : "") + std::to_string((*address)[i]);
        Check(cli::ParseDottedAddress(dotted) == address, "an address does not read back");
    }
}

}  // namespace quillon::fuzz
