// The limits of a family's clock tree, checked on the register values and frequencies the
// oscillator pages leave: what the parts can run at, what the generated SYSCLK_Init does with
// them, and what the values derived from SYSCLK can hold. A violation is a fact (what, its
// value, the limit, the page to fix it on); the window turns violations into the refusal of
// Generate Project, the sheet shows them on their pages, and the clock tree marks them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/ClockDefaults.h"
#include "config/ConfigRecord.h"

namespace quillon {

// The parts of a clock tree; a violation names the part it is about, and the tree's nodes
// are these parts.
enum class ClockPart {
    InternalOscillator,  // the oscillator itself
    InternalDivider,     // its divided output (Vardex, Zintor)
    ExternalOscillator,
    PllReference,        // Vardex: the PLL source divided by the pre-divider
    PllOutput,           // Vardex: the reference times the multiplier
    Multiplier,          // Zintor: the clock multiplier
    SysclkSelect,        // Vardex: the SYSCLK source before the divide factor
    Sysclk,
    UsbClock,            // Zintor
    FlashReadTime,       // Vardex: FLSCL's read-time code
    Tick,                // timer 0's 10 ms tick
    Uart,                // the modem UART's reload and rate
    Emif,                // the external memory interface's timing
    Timer2,              // LOCATRA's timer 2
};

enum class ClockLimitKind {
    NoSource,        // the registers select no SYSCLK source
    SysclkZero,      // SYSCLK is 0 Hz
    SysclkTooLarge,  // SYSCLK does not fit its 32-bit field
    SysclkStale,     // sysclk_hz is not what the registers give
    SourceOff,       // a part on SYSCLK's path is off or switched off by SYSCLK_Init
    PllReference,    // the PLL reference is outside 5 to 30 MHz
    PllOutput,       // the PLL output is outside 35 to 100 MHz
    FlashReadTime,   // FLSCL's read-time code is too short for SYSCLK, or SYSCLK is beyond its steps
    OscillatorRange, // the frequency-control bits select a range that does not hold the typed frequency
    UsbFifo,         // the USB FIFO is chosen with SYSCLK above 24 MHz
    TickReload,      // the 10 ms tick reload is negative
    UartReload,      // the UART reload does not fit 8 bits
    UartError,       // no baud rate within 4% of what SYSCLK gives
    EmifTiming,      // the memory timing needs more cycles than its fields hold
    Timer2Reload,    // LOCATRA's timer 2 reload does not fit 16 bits
};

// What the clock limits need to know of the record besides the clock block.
struct ClockContext {
    std::uint32_t device_bits = 0;
    std::uint32_t option_bits = 0;
    bool usb_fifo = false;  // zintor_usb_fifo
    bool locatra = false;   // locatra_enabled
};
ClockContext ContextOf(const ConfigRecord& record);

struct ClockViolation {
    ClockLimitKind kind = ClockLimitKind::SysclkZero;
    ClockPart part = ClockPart::Sysclk;
    // The tab caption of the page where it is fixed ("PLL Setup").
    const char* page = "";
    // The offending value (a frequency in Hz, a reload, a count of cycles) and the bounds it
    // must keep; the kind says which apply.
    std::int64_t value = 0;
    std::int64_t low = 0;
    std::int64_t high = 0;
    // A second figure some kinds name: the frequency the registers give (SysclkStale), the
    // SYSCLK a derived value is computed from, the range code the bits should hold.
    std::int64_t other = 0;
    // A text of the page that fixes it: the label of the frequency-control button to choose.
    const char* hint = "";

    // What is out of its limit, as the user reads it: "PLL output frequency".
    std::string What() const;
    // "400000000 Hz", "-17798", ...
    std::string ValueText() const;
    // "35 to 100 MHz", "0 to 65535", ...
    std::string LimitText() const;
    // The record field behind it ("clock.pll0mul", "tl0_flash").
    const char* Field() const;
    // The bound the value broke, or nothing for a limit that is not a number (a source off).
    std::optional<std::int64_t> BrokenBound() const;
    // The whole sentence: what, the value, the limit and the page:
    // "PLL output frequency is 400000000 Hz; it must be 35 to 100 MHz (page "PLL Setup")."
    std::string Text() const;

    friend bool operator==(const ClockViolation&, const ClockViolation&) = default;
};

// Every violation of the family's limits, in a fixed order: SYSCLK itself, the parts on its
// path, the oscillator ranges, then the derived values. None without a family.
std::vector<ClockViolation> ClockViolations(const ConfigRecord& record);
std::vector<ClockViolation> ClockViolations(const ClockContext& context, const ClockBlock& clock);
// The same, appended to `out` (which is not cleared), for callers that check many blocks.
void CollectClockViolations(const ClockContext& context, const ClockBlock& clock, std::vector<ClockViolation>& out);

// The page where SYSCLK is chosen: "SYSCLK Select", or on Pelmar the page of the source.
const char* SysclkPage(Family family, const ClockBlock& clock);

}  // namespace quillon
