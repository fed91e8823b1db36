#include "cli/CommandSupport.h"

namespace quillon::cli {

std::optional<Arguments> ReadArguments(const std::vector<std::string>& args, bool out_allowed, const char* command,
                                       std::ostream& err) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (out_allowed && (arg == "--out" || arg.rfind("--out=", 0) == 0)) {
            if (arg == "--out") {
                if (i + 1 >= args.size()) {
                    err << "quillon-cli " << command << ": --out needs a folder\n";
                    return std::nullopt;
                }
                a.out_dir = args[++i];
            } else {
                a.out_dir = arg.substr(6);
            }
            if (a.out_dir->empty()) {
                err << "quillon-cli " << command << ": --out needs a folder\n";
                return std::nullopt;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "quillon-cli " << command << ": unknown option " << arg << '\n';
            return std::nullopt;
        } else if (!a.settings) {
            a.settings = arg;
        } else {
            err << "quillon-cli " << command << ": more than one settings file (" << *a.settings << ", " << arg
                << ")\n";
            return std::nullopt;
        }
    }
    return a;
}

bool LoadSettings(WizardDialog& window, AnsweringPlatform& platform, const std::string& path) {
    platform.QueueFile(path, 0);
    window.OnFileOpen();
    return !window.SettingsFileName().empty();
}

}  // namespace quillon::cli
