// File > Export Script...: the session so far, written as a quillon-cli script.
#include "io/FileIo.h"
#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnExportScript() {
    std::string why;
    const std::optional<std::string> script = session_.Script(&why);
    if (!script) {
        Warn("The session cannot be written as a script: " + why + ".");
        return;
    }
    FileDialogRequest request;
    request.filter = "Quillon Scripts (*.qs)|*.qs|All Files (*.*)|*.*||";
    request.default_extension = "qs";
    request.initial_name = "session.qs";
    request.title = "Export Script";
    request.initial_folder = project_folder_;
    const std::optional<std::string> path = platform_.SaveFileDialog(request);
    if (!path) return;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(script->data()), script->size());
    if (const std::optional<FileError> error = ReplaceFileAtomically(*path, bytes)) {
        Warn("Cannot write the script \"" + *path + "\": " + error->reason);
    }
}

}  // namespace quillon
