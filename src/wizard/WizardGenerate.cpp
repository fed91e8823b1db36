// Select Project Directory and Generate Project. Being built; see the generator work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnSelectProjectDirectory() { throw std::logic_error("Select Project Directory is not built yet"); }
void WizardDialog::OnGenerateProject() { throw std::logic_error("Generate Project is not built yet"); }
std::string WizardDialog::ChooseProjectFolder() { throw std::logic_error("ChooseProjectFolder is not built yet"); }

}  // namespace quillon
