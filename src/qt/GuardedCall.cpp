#include "qt/GuardedCall.h"

#include <string>

namespace quillon::qt {

void ReportFailure(Platform& platform, const char* what) {
    Message message;
    message.text = std::string("The command could not be completed:\n") + what;
    message.icon = MessageIcon::Error;
    // The failure is reported already; a second failure while reporting it has nowhere to go.
    try {
        platform.ShowMessage(message);
    } catch (...) {
    }
}

}  // namespace quillon::qt
