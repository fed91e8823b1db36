// quillon-cli simulate DIR --host --tap NAME: an Ethernet project built for the PC and run on a
// TAP device, so that a web server can be tried before the board exists.
#pragma once

#include <optional>
#include <string>

#include "cli/CliCommands.h"

namespace quillon::cli {

struct HostRun {
    std::string dir;
    std::string tap;
    std::optional<double> timeout;
    unsigned loss = 0;     // percent of frames dropped, each way
    unsigned reorder = 0;  // percent of frames swapped with the next, each way
};

// Builds DIR's sources with the host port into DIR/build/host/firmware, creates the TAP device,
// runs the firmware on it and prints "tap: NAME" once it runs. Ends with the firmware: 0 when
// the time-out or a signal ended it, 1 when it could not start or stopped by itself.
int RunOnHost(CommandContext& c, const HostRun& run);

}  // namespace quillon::cli
