// Values derived from SYSCLK: the 10 ms tick reload of timer 0, the external memory
// interface timing and the modem UART's baud rate and reload. All in double precision, in the
// order of operations the firmware's constants were worked out with.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr std::array<std::uint32_t, 16> kBaudRateTable{
    307200, 245760, 230400, 115200, 57600, 38400, 19200, 14400, 12000, 9600, 7200, 4800, 2400, 1200, 600, 300};

// The reload the oscillator sheet computes when it is confirmed (the same rule for every
// family): r = 65535 - 0.01 / (12 / sysclk), into tl0_flash (bits 7-0) and th0_flash (15-8).
void ComputeSheetCloseReload(ConfigRecord& record);

// The reload generation writes: 65535 - sysclk x 0.01 x 1/48 (Vardex, Zintor) or x 1/12
// (Pelmar); both bytes 0 when no family bit is set.
void ComputeTickReload(ConfigRecord& record);
// The reload ComputeTickReload stores, before it is cut to 16 bits (it is negative when
// SYSCLK is too fast for a 10 ms tick); nothing without a family bit.
std::optional<std::int32_t> TickReloadValue(std::uint32_t device_bits, std::uint32_t sysclk_hz);

// emif_timing from SYSCLK: address set-up, write pulse width and address hold in clock cycles.
void ComputeEmifTiming(ConfigRecord& record);
std::uint8_t EmifTimingAt(std::uint32_t sysclk_hz);
// The clock cycles ComputeEmifTiming works from, before they are rounded up and limited to
// their fields: the 160 ns write pulse and the 30 ns address set-up and hold.
struct EmifCycles {
    double pulse = 0;
    double hold = 0;
};
EmifCycles EmifCyclesAt(std::uint32_t sysclk_hz);
// The longest write pulse and address hold the timing byte can hold, in clock cycles: the
// pulse field stores one less than its cycles in 4 bits, the hold and set-up fields 2 bits.
inline constexpr double kEmifMaxPulseCycles = 16;
inline constexpr double kEmifMaxHoldCycles = 3;

// LOCATRA's timer 2 in the generated main.c runs in 16-bit auto-reload mode from SYSCLK / 12
// and overflows a fixed number of times a second, by family (the T2_OVERFLOW_RATE of its
// constants); its reload is 65536 - SYSCLK / 12 / rate. Zero without a family.
unsigned LocatraTimer2Rate(std::uint32_t device_bits);
// SYSCLK / 12 / rate in the generated code's integer arithmetic: the counts a timer 2 period
// takes. The reload holds them when they are 1 to 65536.
std::uint64_t LocatraTimer2Counts(std::uint32_t device_bits, std::uint32_t sysclk_hz);
inline constexpr std::uint64_t kTimer2MaxCounts = 65536;

// The reload and the actual rate a candidate baud rate gives at `sysclk_hz`, and its error in
// whole percent (rounded); a candidate of 0, or one SYSCLK cannot reach, has error 100.
struct BaudCandidate {
    std::uint32_t reload = 0;
    std::uint32_t actual = 0;
    int error_percent = 100;
    double error = 100.0;  // the same, unrounded
};
BaudCandidate EvaluateBaudRate(std::uint32_t sysclk_hz, std::uint32_t baud);

// The rate the check at generation takes: the fastest table rate within 4% at `sysclk_hz`,
// or 300 when none is, with what that rate gives.
struct BaudChoice {
    std::uint32_t rate = 0;
    BaudCandidate candidate;
};
BaudChoice GenerationBaudRate(std::uint32_t sysclk_hz);

// Checks uart_baud_rate against SYSCLK and sets uart_baud_rate and uart_reload: the fastest
// table rate within 4%, or 300 when none is.
void CheckBaudRate(ConfigRecord& record);
// The interactive check: keeps the typed rate when it is within 4%, or when
// `better_rate_wanted` (the user's answer to kBaudRateQuestion) says no; otherwise searches
// the table as above.
void CheckBaudRate(ConfigRecord& record, const std::function<bool()>& better_rate_wanted);

// The question the interactive check asks.
inline constexpr const char* kBaudRateQuestion =
    "The margin of error for this baud rate is above 4%.  Do you want to have a better rate calculated for you?";

}  // namespace quillon
