// The microcontroller families and the clock block's defaults for each. They belong to the
// record: resetting it to its defaults and reading a settings file both apply them.
#pragma once

#include "config/ConfigRecord.h"

namespace quillon {

enum class Family { None, Vardex, Pelmar, Zintor };

// A Zintor part can use its USB FIFO for the transmit buffer only up to this clock.
inline constexpr std::uint32_t kUsbFifoMaxSysclk = 24000000;

// The family named by the device bits, Vardex tested first, then Pelmar, then Zintor.
Family FamilyOf(std::uint32_t device_bits);

// The defaults of one family's clock block.
ClockBlock DefaultClock(Family family);

// Fills record.clock with the defaults of the family whose device bit is set; with no family
// bit set it changes nothing. Leaves clock_confirmed alone.
void ApplyClockDefaults(ConfigRecord& record);

}  // namespace quillon
