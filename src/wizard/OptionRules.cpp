// The option tree's dependency rules. Being built; see the window work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::RunRules(OptionNode, bool&) { throw std::logic_error("option rules are not built yet"); }
void WizardDialog::Toggle(OptionNode) { throw std::logic_error("option toggle is not built yet"); }

}  // namespace quillon
