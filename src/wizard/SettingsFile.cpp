// New, Open, Save, Save As, Exit and the settings file format. Being built; see the window work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnFileNew() {
    ResetToDefaults(record_, *this);
    RefreshPanel();
    UpdateCodeSize();
}
void WizardDialog::OnFileOpen() { throw std::logic_error("File Open is not built yet"); }
void WizardDialog::OnFileSave() { throw std::logic_error("File Save is not built yet"); }
void WizardDialog::OnFileSaveAs() { throw std::logic_error("File Save As is not built yet"); }
bool WizardDialog::OnExit() { throw std::logic_error("Exit is not built yet"); }
bool WizardDialog::Save() { throw std::logic_error("Save is not built yet"); }
bool WizardDialog::SaveAs() { throw std::logic_error("Save As is not built yet"); }

}  // namespace quillon
