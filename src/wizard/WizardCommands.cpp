// Help and About. Being built; see the window work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnHelp() { throw std::logic_error("Help is not built yet"); }
void WizardDialog::OnAbout() { throw std::logic_error("About is not built yet"); }
std::string WizardDialog::ResolveHelpPath() const { return {}; }

}  // namespace quillon
