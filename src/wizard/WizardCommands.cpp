// Help and About.
#include <fcntl.h>
#include <unistd.h>

#include "wizard/HelpSections.h"
#include "wizard/OptionTree.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

std::string Join(const std::string& folder, const std::string& tail) {
    if (folder.empty()) return tail;
    return folder.back() == '/' ? folder + tail : folder + "/" + tail;
}

// The help viewer only needs the file to be readable; the descriptor is closed at once.
bool CanRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

std::string HelpSectionOf(std::optional<OptionNode> node) {
    if (!node) return "window";
    std::string section = "node-";
    bool gap = false;
    for (char c : InfoOf(*node).text) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            gap = true;
            continue;
        }
        if (gap && section.back() != '-') section += '-';
        gap = false;
        section += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return section;
}

std::string WizardDialog::ResolveHelpPath() const {
    const std::string beside = Join(options_.program_dir, "help/index.html");
    if (CanRead(beside) || options_.install_prefix.empty()) return beside;
    const std::string installed = Join(options_.install_prefix, "share/quillon/help/index.html");
    // When neither can be read, the message names the copy beside the program.
    return CanRead(installed) ? installed : beside;
}

void WizardDialog::OnHelp() { ShowHelpAt({}); }

void WizardDialog::OnContextHelp() { ShowHelpAt(HelpSectionOf(tree_.Selected())); }

void WizardDialog::ShowHelpAt(const std::string& section) {
    // Looked up again on every command: the help may have been installed or removed since start.
    help_path_ = ResolveHelpPath();
    if (!CanRead(help_path_)) {
        Warn("Help File Not Found: " + help_path_);
        return;
    }
    const bool shown = section.empty() ? platform_.ShowHelp(help_path_) : platform_.ShowHelpSection(help_path_, section);
    if (!shown) Warn("IDS_HTMLHELP_ERR");
}

void WizardDialog::OnAbout() { platform_.ShowAbout(AboutBox{AboutVersionLine(), StoreNotices(store_)}); }

void WizardDialog::Warn(std::string text) {
    Message message;
    message.text = std::move(text);
    message.icon = MessageIcon::Exclamation;
    platform_.ShowMessage(message);
}

}  // namespace quillon
