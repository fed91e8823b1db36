// quillon-cli vault: the library store as the wizard binds it.
#include "cli/CliCommands.h"
#include "cli/VaultReport.h"
#include "config/LibrarySelection.h"
#include "wizard/StoreBinding.h"

namespace quillon::cli {

int CommandVault(CommandContext& c) {
    const std::vector<std::string>& args = c.args;
    const bool list = args.size() == 1 && args[0] == "list";
    const bool show = args.size() == 2 && args[0] == "show";
    if (!list && !show) {
        c.err << "expected \"vault list\" or \"vault show N\" (see quillon-cli vault --help)\n";
        return kExitUsage;
    }
    if (show && !ParseLibraryNumber(args[1])) {
        c.err << "bad library number \"" << args[1] << "\": give a number from 1 to " << kLibraryCount << '\n';
        return kExitUsage;
    }
    // The store the wizard itself would bind.
    StoreBinding store;
    store.Load(c.options.store_path ? std::vector<std::string>{*c.options.store_path}
                                    : StoreBinding::DefaultCandidates(c.options.program_dir, c.options.install_prefix));
    if (show) return PrintVaultShow(store, args[1], c.out, c.err);
    const int status = PrintVaultList(store, c.out, c.err);
    if (status == kExitOk) {
        for (const std::string& notice : StoreNotices(store)) c.out << notice << '\n';
    }
    return status;
}

}  // namespace quillon::cli
