// The clock as the window speaks of it: the current SYSCLK beside the family's default on the
// "SYSCLK" node's panel, and the clock limits a configuration breaks as findings, which refuse
// Generate Project and which `check` lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/Finding.h"

namespace quillon {

// "Current SYSCLK is 49 MHz."
std::string CurrentSysclkText(std::uint32_t sysclk_hz);

// One finding per broken clock limit (ClockViolations), on the "SYSCLK" node: the message
// names the value, the limit and the page of the Oscillators sheet that fixes it.
std::vector<Finding> ClockFindings(const ConfigRecord& record);

}  // namespace quillon
