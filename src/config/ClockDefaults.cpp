#include "config/ClockDefaults.h"

namespace quillon {

Family FamilyOf(std::uint32_t device_bits) {
    if (device_bits & DeviceBit::Vardex) return Family::Vardex;
    if (device_bits & DeviceBit::Pelmar) return Family::Pelmar;
    if (device_bits & DeviceBit::Zintor) return Family::Zintor;
    return Family::None;
}

ClockBlock DefaultClock(Family family) {
    ClockBlock c;
    switch (family) {
    case Family::Vardex:
        // PLL from the internal oscillator (24.5 MHz, undivided) x4 / 1 = 98 MHz.
        c = {0x00, 0x03, 0x01, 0x04, 0x01, 0x02, 0x00, 0x83, 0x30, 0, 98000000, 24500000};
        break;
    case Family::Pelmar:
        // External 22.1184 MHz crystal, crystal mode, frequency-control code 7.
        c = {0x67, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x88, 0x00, 22118400, 22118400, 16000000};
        break;
    case Family::Zintor:
        // Clock multiplier: internal oscillator (12 MHz) x4 = 48 MHz.
        c = {0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0xC0, 0x83, 0x10, 0, 48000000, 12000000};
        break;
    case Family::None:
        break;
    }
    return c;
}

void ApplyClockDefaults(ConfigRecord& record) {
    const Family family = FamilyOf(record.device_bits);
    if (family != Family::None) record.clock = DefaultClock(family);
}

}  // namespace quillon
