// quillon-cli vault: the library store as the wizard binds it.
#include "cli/CliCommands.h"
#include "cli/VaultReport.h"
#include "wizard/StoreBinding.h"

namespace quillon::cli {

int CommandVault(const std::vector<std::string>& args, const WizardOptions& options, std::ostream& out,
                 std::ostream& err) {
    const bool list = args.size() == 1 && args[0] == "list";
    const bool show = args.size() == 2 && args[0] == "show";
    if (!list && !show) {
        err << "quillon-cli vault: expected \"vault list\" or \"vault show N\"\n";
        return kExitUsage;
    }
    // The store the wizard itself would bind.
    StoreBinding store;
    store.Load(options.store_path ? std::vector<std::string>{*options.store_path}
                                  : StoreBinding::DefaultCandidates(options.program_dir, options.install_prefix));
    return list ? PrintVaultList(store, out, err) : PrintVaultShow(store, args[1], out, err);
}

}  // namespace quillon::cli
