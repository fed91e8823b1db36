// Configure SYSCLK and Update UART Baud Rate. Being built; see the clock work.
#include <stdexcept>

#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnConfigureSysclk() { throw std::logic_error("Configure SYSCLK is not built yet"); }
void WizardDialog::OnUpdateUartBaudRate() { throw std::logic_error("Update UART Baud Rate is not built yet"); }

}  // namespace quillon
