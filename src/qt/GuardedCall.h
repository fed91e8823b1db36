// Qt event handlers must not let exceptions escape. Every call from a view into the core goes
// through Guarded, so that a failure in the core becomes an error box (through the Platform,
// like every other box) and the event ends cleanly instead of the whole program.
#pragma once

#include <exception>
#include <utility>

#include "wizard/Platform.h"

namespace quillon::qt {

void ReportFailure(Platform& platform, const char* what);

template <typename F>
bool Guarded(Platform& platform, F&& call) {
    try {
        std::forward<F>(call)();
        return true;
    } catch (const std::exception& e) {
        ReportFailure(platform, e.what());
    } catch (...) {
        ReportFailure(platform, "unknown error");
    }
    return false;
}

}  // namespace quillon::qt
