#include "clock/ClockLimits.h"

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/DerivedValues.h"
#include "clock/ExternalOscillatorPage.h"

namespace quillon {

namespace {

constexpr const char* kInternalPage = "Internal Oscillator";
constexpr const char* kExternalPage = "External Oscillator";
constexpr const char* kPllPage = "PLL Setup";
constexpr const char* kSysclkPage = "SYSCLK Select";
constexpr const char* kMultiplierPage = "Clock Multiplier";

constexpr std::int64_t kPllReferenceLow = 5000000;
constexpr std::int64_t kPllReferenceHigh = 30000000;
constexpr std::int64_t kPllOutputLow = 35000000;
constexpr std::int64_t kPllOutputHigh = 100000000;
// The flash read-time code has four steps of 25 MHz; there is none beyond the fourth.
constexpr std::int64_t kFlashTopHz = 100000000;
// The hold time's constant sits one unit in the last place above 30 ns, so a clock whose hold
// is exactly 3 cycles (100 MHz) computes a hair above 3; that hair is no violation.
constexpr double kCycleSlack = 1e-9;

bool ExternalOff(std::uint8_t oscxcn) { return ((oscxcn >> 4) & 0x07u) == 0; }

struct Collector {
    std::vector<ClockViolation>& out;
    void Add(ClockLimitKind kind, ClockPart part, const char* page, std::int64_t value, std::int64_t low = 0,
             std::int64_t high = 0, std::int64_t other = 0) {
        out.push_back(ClockViolation{kind, part, page, value, low, high, other});
    }
};

// Whether SYSCLK's path starts at the external oscillator, and which parts it runs through.
struct SysclkPath {
    bool internal = false;
    bool external = false;
    bool pll = false;         // Vardex
    bool multiplier = false;  // Zintor
};

SysclkPath PathOf(Family family, const ClockBlock& c) {
    SysclkPath p;
    switch (family) {
    case Family::Vardex:
        switch (c.clksel & 0x03) {
        case 0: p.internal = true; break;
        case 1: p.external = true; break;
        case 2:
            p.pll = true;
            ((c.pll0cn & 0x04) ? p.external : p.internal) = true;
            break;
        default: break;
        }
        break;
    case Family::Pelmar: ((c.oscicn & 0x08) ? p.external : p.internal) = true; break;
    case Family::Zintor:
        switch (c.clksel & 0x03) {
        case 0: p.internal = true; break;
        case 1: p.external = true; break;
        default:
            p.multiplier = true;
            ((c.clkmul & 0x03) == 0 ? p.internal : p.external) = true;
            break;
        }
        break;
    case Family::None: break;
    }
    return p;
}

void CheckSysclk(Family family, const ClockBlock& c, const SysclkPath& path, Collector& add) {
    const char* page = SysclkPage(family, c);
    const auto registers = RegisterSysclkHz(family, c);
    if (!registers) {
        add.Add(ClockLimitKind::NoSource, ClockPart::Sysclk, page, c.clksel & 0x03);
        return;
    }
    if (*registers == 0) {
        // Nothing but a 0 Hz external frequency can give 0 Hz: that is where it is fixed.
        add.Add(ClockLimitKind::SysclkZero, ClockPart::Sysclk, path.external ? kExternalPage : page, 0, 1);
    } else if (*registers > kMaxHz) {
        add.Add(ClockLimitKind::SysclkTooLarge, ClockPart::Sysclk, page, static_cast<std::int64_t>(*registers), 1,
                static_cast<std::int64_t>(kMaxHz));
    } else if (c.sysclk_hz != *registers) {
        add.Add(ClockLimitKind::SysclkStale, ClockPart::Sysclk, page, c.sysclk_hz, 0, 0,
                static_cast<std::int64_t>(*registers));
    }
}

void CheckSources(Family family, const ClockBlock& c, const SysclkPath& path, Collector& add) {
    if (path.external && ExternalOff(c.oscxcn)) {
        add.Add(ClockLimitKind::SourceOff, ClockPart::ExternalOscillator, kExternalPage, 0);
    }
    switch (family) {
    case Family::Vardex:
        // SYSCLK_Init switches the internal oscillator off last of all when it is disabled.
        if (path.internal && !(c.oscicn & 0x80)) {
            add.Add(ClockLimitKind::SourceOff, ClockPart::InternalOscillator, kInternalPage, 0);
        }
        if (path.pll && !(c.pll0cn & 0x02)) add.Add(ClockLimitKind::SourceOff, ClockPart::PllOutput, kPllPage, 0);
        break;
    case Family::Zintor:
        if (path.multiplier && !(c.clkmul & 0x80)) {
            add.Add(ClockLimitKind::SourceOff, ClockPart::Multiplier, kMultiplierPage, 0);
        }
        break;
    default: break;  // Pelmar's SYSCLK_Init enables the internal oscillator it runs from
    }
}

void CheckPll(const ClockBlock& c, const SysclkPath& path, Collector& add) {
    // SYSCLK_Init waits for an enabled PLL to lock even when SYSCLK does not use it.
    if (!path.pll && !(c.pll0cn & 0x02)) return;
    const std::int64_t reference = VardexPllReferenceHz(c);
    if (reference < kPllReferenceLow || reference > kPllReferenceHigh) {
        add.Add(ClockLimitKind::PllReference, ClockPart::PllReference, kPllPage, reference, kPllReferenceLow,
                kPllReferenceHigh);
    }
    const std::uint64_t output = VardexPllOutputHz(c);
    if (output < static_cast<std::uint64_t>(kPllOutputLow) || output > static_cast<std::uint64_t>(kPllOutputHigh)) {
        add.Add(ClockLimitKind::PllOutput, ClockPart::PllOutput, kPllPage, static_cast<std::int64_t>(output),
                kPllOutputLow, kPllOutputHigh);
    }
}

void CheckFlash(const ClockBlock& c, Collector& add) {
    const auto registers = RegisterSysclkHz(Family::Vardex, c);
    if (!registers) return;
    const auto hz = static_cast<std::int64_t>(*registers);
    if (hz > kFlashTopHz) {
        add.Add(ClockLimitKind::FlashReadTime, ClockPart::FlashReadTime, kSysclkPage, hz, 0, kFlashTopHz, 0x30);
        return;
    }
    const std::uint8_t held = c.flscl & 0x30;
    if (held < VardexFlashCode(*registers)) {
        add.Add(ClockLimitKind::FlashReadTime, ClockPart::FlashReadTime, kSysclkPage, hz, 0,
                VardexFlashCodeLimitHz(held), held);
    }
}

void CheckOscillatorRange(Family family, const ClockBlock& c, Collector& add) {
    const OscillatorMode* mode = ModeOf(family, c.oscxcn);
    if (!mode || !LabelRanges(mode->labels)) return;
    const auto& ranges = *LabelRanges(mode->labels);
    const FrequencyRange& range = ranges[c.oscxcn & 0x07u];
    if (range.Holds(c.ext_osc_hz)) return;
    const int code = CodeForFrequency(mode->labels, c.ext_osc_hz);
    if (code >= 0) {
        add.Add(ClockLimitKind::OscillatorRange, ClockPart::ExternalOscillator, kExternalPage, c.ext_osc_hz, range.above,
                range.up_to, code);
        add.out.back().hint = LabelTexts(mode->labels)[static_cast<std::size_t>(code)];
    } else {
        // Beyond every range of the mode: the limit is what the mode's ranges span.
        add.Add(ClockLimitKind::OscillatorRange, ClockPart::ExternalOscillator, kExternalPage, c.ext_osc_hz,
                ranges.front().above, ranges.back().up_to, -1);
    }
}

void CheckDerived(Family family, const ClockContext& ctx, const ClockBlock& c, Collector& add) {
    const char* page = SysclkPage(family, c);
    const std::uint32_t sysclk = c.sysclk_hz;
    if (family == Family::Zintor && ctx.usb_fifo && sysclk > kUsbFifoMaxSysclk) {
        add.Add(ClockLimitKind::UsbFifo, ClockPart::Sysclk, page, sysclk, 0, kUsbFifoMaxSysclk);
    }
    if (const auto reload = TickReloadValue(ctx.device_bits, sysclk); reload && *reload < 0) {
        add.Add(ClockLimitKind::TickReload, ClockPart::Tick, page, *reload, 0, 65535, sysclk);
    }
    if (ctx.option_bits & OptionBit::Modem) {
        const BaudChoice baud = GenerationBaudRate(sysclk);
        if (baud.candidate.reload >= 256) {
            add.Add(ClockLimitKind::UartReload, ClockPart::Uart, page,
                    256 - static_cast<std::int64_t>(sysclk / (2ull * baud.rate)), 0, 255, baud.rate);
        } else if (baud.candidate.error_percent > 4) {
            add.Add(ClockLimitKind::UartError, ClockPart::Uart, page, baud.candidate.error_percent, 0, 4, baud.rate);
        }
    }
    if (ctx.option_bits & OptionBit::Ethernet) {
        const EmifCycles cycles = EmifCyclesAt(sysclk);
        if (cycles.pulse > kEmifMaxPulseCycles * (1 + kCycleSlack)) {
            add.Add(ClockLimitKind::EmifTiming, ClockPart::Emif, page, static_cast<std::int64_t>(cycles.pulse + 1 - 1e-9),
                    0, static_cast<std::int64_t>(kEmifMaxPulseCycles), sysclk);
        } else if (cycles.hold > kEmifMaxHoldCycles * (1 + kCycleSlack)) {
            add.Add(ClockLimitKind::EmifTiming, ClockPart::Emif, page, static_cast<std::int64_t>(cycles.hold + 1 - 1e-9),
                    0, static_cast<std::int64_t>(kEmifMaxHoldCycles), sysclk);
        }
    }
    if (ctx.locatra) {
        const std::uint64_t counts = LocatraTimer2Counts(ctx.device_bits, sysclk);
        if (counts == 0 || counts > kTimer2MaxCounts) {
            add.Add(ClockLimitKind::Timer2Reload, ClockPart::Timer2, page, static_cast<std::int64_t>(counts), 1,
                    kTimer2MaxCounts, sysclk);
        }
    }
}

std::string Hz(std::int64_t hz) { return std::to_string(hz) + " Hz"; }

// "32 kHz", "1.5 MHz": the way the frequency-control labels speak of frequencies.
std::string Frequency(std::int64_t hz) {
    if (hz < 1000000) return std::to_string(hz / 1000) + (hz % 1000 ? "." + std::to_string(hz % 1000) : "") + " kHz";
    return FormatMHz(static_cast<std::uint64_t>(hz));
}

std::string RangeText(std::int64_t above, std::int64_t up_to) {
    if (above < 0) return "up to " + Frequency(up_to);
    if (up_to == 0) return "above " + Frequency(above);
    return "above " + Frequency(above) + " up to " + Frequency(up_to);
}

std::string AtSysclk(std::int64_t hz) { return " at SYSCLK " + Hz(hz); }

}  // namespace

ClockContext ContextOf(const ConfigRecord& record) {
    return ClockContext{record.device_bits, record.option_bits, record.zintor_usb_fifo == 1, record.locatra_enabled != 0};
}

const char* SysclkPage(Family family, const ClockBlock& clock) {
    if (family == Family::Pelmar) return (clock.oscicn & 0x08) ? kExternalPage : kInternalPage;
    return kSysclkPage;
}

void CollectClockViolations(const ClockContext& context, const ClockBlock& clock, std::vector<ClockViolation>& out) {
    const Family family = FamilyOf(context.device_bits);
    if (family == Family::None) return;
    Collector add{out};
    const SysclkPath path = PathOf(family, clock);
    CheckSysclk(family, clock, path, add);
    CheckSources(family, clock, path, add);
    if (family == Family::Vardex) {
        CheckPll(clock, path, add);
        CheckFlash(clock, add);
    }
    CheckOscillatorRange(family, clock, add);
    CheckDerived(family, context, clock, add);
}

std::vector<ClockViolation> ClockViolations(const ClockContext& context, const ClockBlock& clock) {
    std::vector<ClockViolation> out;
    CollectClockViolations(context, clock, out);
    return out;
}

std::vector<ClockViolation> ClockViolations(const ConfigRecord& record) {
    return ClockViolations(ContextOf(record), record.clock);
}

std::string ClockViolation::What() const {
    switch (kind) {
    case ClockLimitKind::NoSource: return "SYSCLK source";
    case ClockLimitKind::SysclkZero:
    case ClockLimitKind::SysclkTooLarge:
    case ClockLimitKind::SysclkStale:
    case ClockLimitKind::FlashReadTime:
    case ClockLimitKind::UsbFifo: return "SYSCLK";
    case ClockLimitKind::SourceOff:
        switch (part) {
        case ClockPart::InternalOscillator: return "Internal oscillator";
        case ClockPart::ExternalOscillator: return "External oscillator";
        case ClockPart::PllOutput: return "PLL";
        case ClockPart::Multiplier: return "Clock multiplier";
        default: return "SYSCLK source";
        }
    case ClockLimitKind::PllReference: return "PLL reference frequency";
    case ClockLimitKind::PllOutput: return "PLL output frequency";
    case ClockLimitKind::OscillatorRange: return "External oscillator frequency";
    case ClockLimitKind::TickReload: return "Timer 0 reload of the 10 ms tick";
    case ClockLimitKind::UartReload: return "Modem UART reload";
    case ClockLimitKind::UartError: return "Modem UART baud rate error";
    case ClockLimitKind::EmifTiming: return "Memory interface timing";
    case ClockLimitKind::Timer2Reload: return "LOCATRA timer 2 period";
    }
    return "Clock";
}

const char* ClockViolation::Field() const {
    switch (kind) {
    case ClockLimitKind::SourceOff:
        switch (part) {
        case ClockPart::InternalOscillator: return "clock.oscicn";
        case ClockPart::ExternalOscillator: return "clock.oscxcn";
        case ClockPart::PllOutput: return "clock.pll0cn";
        case ClockPart::Multiplier: return "clock.clkmul";
        default: return "clock.clksel";
        }
    case ClockLimitKind::NoSource: return "clock.clksel";
    case ClockLimitKind::PllReference: return "clock.pll0div";
    case ClockLimitKind::PllOutput: return "clock.pll0mul";
    case ClockLimitKind::OscillatorRange: return "clock.ext_osc_hz";
    case ClockLimitKind::TickReload: return "tl0_flash";
    case ClockLimitKind::UartReload:
    case ClockLimitKind::UartError: return "uart_reload";
    case ClockLimitKind::EmifTiming: return "emif_timing";
    default: return "clock.sysclk_hz";
    }
}

std::optional<std::int64_t> ClockViolation::BrokenBound() const {
    switch (kind) {
    case ClockLimitKind::NoSource:
    case ClockLimitKind::SourceOff: return std::nullopt;
    case ClockLimitKind::SysclkStale: return other;
    case ClockLimitKind::OscillatorRange: return value <= low ? low : high;
    default: return value < low ? low : high;
    }
}

std::string ClockViolation::ValueText() const {
    switch (kind) {
    case ClockLimitKind::NoSource: return "source " + std::to_string(value);
    case ClockLimitKind::SourceOff: return "off";
    case ClockLimitKind::TickReload: return std::to_string(value) + AtSysclk(other);
    case ClockLimitKind::UartReload: return std::to_string(value) + " for " + std::to_string(other) + " baud";
    case ClockLimitKind::UartError: return std::to_string(value) + "% at " + std::to_string(other) + " baud";
    case ClockLimitKind::EmifTiming:
    case ClockLimitKind::Timer2Reload: return std::to_string(value) + " clock cycles" + AtSysclk(other);
    default: return Hz(value);
    }
}

std::string ClockViolation::LimitText() const {
    switch (kind) {
    case ClockLimitKind::NoSource: return "the internal oscillator, the external oscillator or the PLL";
    case ClockLimitKind::SysclkZero: return "above 0 Hz";
    case ClockLimitKind::SysclkTooLarge: return "at most " + Hz(high) + " (32 bits)";
    case ClockLimitKind::SysclkStale: return Hz(other) + ", what the registers give";
    case ClockLimitKind::SourceOff: return "running while it drives SYSCLK";
    case ClockLimitKind::PllReference:
    case ClockLimitKind::PllOutput: return Frequency(low) + " to " + Frequency(high);
    case ClockLimitKind::FlashReadTime:
        if (other == 0x30 && value > kFlashTopHz) return "at most " + Frequency(high) + ", the last flash read-time step";
        return "at most " + Frequency(high) + ", what the flash read-time code in FLSCL allows";
    case ClockLimitKind::OscillatorRange:
        return RangeText(low, high) + (*hint ? ", the range the frequency-control bits select" : "");
    case ClockLimitKind::UsbFifo: return "at most " + Frequency(high) + " with the USB FIFO";
    case ClockLimitKind::TickReload: return "0 to 65535 (16 bits)";
    case ClockLimitKind::UartReload: return "0 to 255 (8 bits)";
    case ClockLimitKind::UartError: return "at most 4%";
    case ClockLimitKind::EmifTiming: return "at most " + std::to_string(high) + " clock cycles";
    case ClockLimitKind::Timer2Reload: return "1 to 65536 clock cycles (16 bits)";
    }
    return "";
}

std::string ClockViolation::Text() const {
    const std::string on_page = std::string(" on the \"") + page + "\" page";
    switch (kind) {
    case ClockLimitKind::NoSource:
        return "SYSCLK has no source (CLKSEL selects source " + std::to_string(value) + "); choose one" + on_page + ".";
    case ClockLimitKind::SysclkStale:
        return "SYSCLK is " + Hz(value) + " as the pages last computed it, but the registers give " + Hz(other) +
               "; show the \"" + page + "\" page to compute it again.";
    case ClockLimitKind::SourceOff:
        switch (part) {
        case ClockPart::InternalOscillator:
            return "The internal oscillator drives SYSCLK, but SYSCLK_Init switches it off; enable it" + on_page + ".";
        case ClockPart::ExternalOscillator:
            return "The external oscillator drives SYSCLK, but its mode is \"External Oscillator Off\"; choose its "
                   "mode" + on_page + ".";
        case ClockPart::PllOutput: return "The PLL drives SYSCLK, but it is not enabled; enable it" + on_page + ".";
        case ClockPart::Multiplier:
            return "The clock multiplier drives SYSCLK, but it is not enabled; enable it" + on_page + ".";
        default: break;
        }
        break;
    case ClockLimitKind::OscillatorRange:
        if (*hint) {
            return What() + " is " + ValueText() + ", but the frequency-control bits select " + RangeText(low, high) +
                   "; choose \"" + hint + "\"" + on_page + ".";
        }
        return What() + " is " + ValueText() + ", which no frequency-control range of its mode holds; it must be " +
               RangeText(low, high) + ". Fix it" + on_page + ".";
    default: break;
    }
    return What() + " is " + ValueText() + "; it must be " + LimitText() + ". Fix it" + on_page + ".";
}

}  // namespace quillon
