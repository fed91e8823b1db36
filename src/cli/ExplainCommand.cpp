// quillon-cli explain NODE [SETTINGS.wp]: why a node of the option tree is as it is, in the
// configuration of a settings file (or the defaults), and what choosing it would cost.
#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/StateFormat.h"
#include "wizard/OptionTree.h"

namespace quillon::cli {

int CommandExplain(CommandContext& c) {
    const auto a = ReadArguments(c, false, 2);
    if (!a) return kExitUsage;
    if (a->files.empty()) {
        c.err << "give the node to explain, such as \"USB FIFO Support\" (see quillon-cli explain --help)\n";
        return kExitUsage;
    }
    const std::optional<OptionNode> node = NodeByText(a->files[0]);
    if (!node) {
        c.err << "unknown node \"" << a->files[0] << "\": give the text of a node of the option tree, such as "
              << "\"USB FIFO Support\"\n";
        return kExitUsage;
    }
    // Messages of the window (a file it cannot read) go to the error stream.
    AnsweringPlatform platform(c.err, c.err, EventStyle::Plain);
    WizardDialog window(platform, c.options);
    window.Initialise();
    if (a->files.size() == 2 && !LoadSettings(window, platform, a->files[1], c)) return kExitFailed;
    WriteExplanation(window.Explain(*node), c.out);
    return kExitOk;
}

}  // namespace quillon::cli
