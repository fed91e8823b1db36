// The settings panel's refresh and write-back handlers. Being built; see the window work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::RefreshPanel() { throw std::logic_error("panel refresh is not built yet"); }
void WizardDialog::CommitAddressControls() { throw std::logic_error("address commit is not built yet"); }
void WizardDialog::OnValueEdited(int, const std::string&) { throw std::logic_error("value write-back is not built yet"); }
void WizardDialog::OnMacEdited(int, const std::string&) { throw std::logic_error("MAC write-back is not built yet"); }
void WizardDialog::OnAddressChanged(int, const Ip4&) { throw std::logic_error("address write-back is not built yet"); }
void WizardDialog::OnComboChanged(int, int) { throw std::logic_error("combo write-back is not built yet"); }

}  // namespace quillon
