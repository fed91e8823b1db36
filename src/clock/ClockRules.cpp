#include "clock/ClockRules.h"

#include "clock/ClockMath.h"

namespace quillon {

// --- Vardex ---------------------------------------------------------------------------------

std::uint32_t VardexPreDivider(std::uint8_t pll0div) { return pll0div == 0 ? 32u : pll0div; }
std::uint32_t VardexMultiplier(std::uint8_t pll0mul) { return pll0mul == 0 ? 256u : pll0mul; }

std::uint32_t VardexInternalHz(const ClockBlock& c) { return InternalHz(c.int_osc_hz, c.oscicn); }
std::uint32_t VardexExternalHz(const ClockBlock& c) { return ExternalHz(c.ext_osc_hz, c.oscxcn, kHalvingVardex); }
std::uint32_t VardexPllSourceHz(const ClockBlock& c) {
    return (c.pll0cn & 0x04) ? VardexExternalHz(c) : VardexInternalHz(c);
}
std::uint32_t VardexPllReferenceHz(const ClockBlock& c) { return VardexPllSourceHz(c) / VardexPreDivider(c.pll0div); }
std::uint64_t VardexPllOutputHz(const ClockBlock& c) {
    return std::uint64_t{VardexPllReferenceHz(c)} * VardexMultiplier(c.pll0mul);
}
// Multiplied before it is divided, in 64 bits, so that a large multiplier cannot wrap around.
std::uint64_t VardexPllProductHz(const ClockBlock& c) {
    return std::uint64_t{VardexPllSourceHz(c)} * VardexMultiplier(c.pll0mul) / VardexPreDivider(c.pll0div);
}

std::optional<std::uint64_t> VardexUndividedSysclkHz(const ClockBlock& c) {
    switch (c.clksel & 0x03) {
    case 0: return VardexInternalHz(c);
    case 1: return VardexExternalHz(c);
    case 2: return VardexPllProductHz(c);
    default: return std::nullopt;
    }
}

unsigned VardexDivideFactor(std::uint8_t clksel) { return 1u << ((clksel >> 4) & 0x03u); }

std::uint64_t VardexDividedSysclkHz(std::uint64_t undivided, std::uint8_t clksel) {
    static constexpr double kDivide[4] = {1.0, 0.5, 0.25, 0.125};
    const unsigned factor = (clksel >> 4) & 0x03u;
    return factor == 0 ? undivided : ScaleHz(undivided, kDivide[factor]);
}

std::uint8_t VardexFlashCode(std::uint64_t sysclk_hz) {
    if (sysclk_hz <= 25000000) return 0x00;
    if (sysclk_hz <= 50000000) return 0x10;
    if (sysclk_hz <= 75000000) return 0x20;
    return 0x30;
}

std::uint32_t VardexFlashCodeLimitHz(std::uint8_t code) { return 25000000u * (((code >> 4) & 0x03u) + 1u); }

std::uint8_t VardexPllFilterCode(std::uint32_t reference_hz, bool* warns) {
    if (warns) *warns = false;
    if (reference_hz <= 8000000) return 0xF;
    if (reference_hz <= 12500000) return 0x7;
    if (reference_hz <= 19000000) return 0x3;
    if (reference_hz > 30000000 && warns) *warns = true;
    return 0x1;
}

std::uint8_t VardexPllRangeCode(std::uint64_t output_hz, bool* warns) {
    if (warns) *warns = false;
    if (output_hz >= 25000000 && output_hz <= 40000000) return 0x30;
    if (output_hz > 40000000 && output_hz <= 55000000) return 0x20;
    if (output_hz > 55000000 && output_hz <= 70000000) return 0x10;
    if (output_hz > 70000000 && output_hz <= 100000000) return 0x00;
    if (warns) *warns = true;
    return 0x30;
}

// --- Pelmar ---------------------------------------------------------------------------------

std::uint32_t PelmarInternalHz(const ClockBlock& c) { return InternalHz(c.int_osc_hz, c.oscicn); }
std::uint32_t PelmarExternalHz(const ClockBlock& c, std::uint32_t typed_hz) {
    return ExternalHz(typed_hz, c.oscxcn, kHalvingPelmar);
}
std::uint32_t PelmarSysclkHz(const ClockBlock& c) {
    return (c.oscicn & 0x08) ? PelmarExternalHz(c, c.ext_osc_hz) : PelmarInternalHz(c);
}

// --- Zintor ---------------------------------------------------------------------------------

std::uint32_t ZintorInternalHz(const ClockBlock& c) { return InternalHz(c.int_osc_hz, c.oscicn); }
std::uint64_t ZintorInternalTimes4Hz(const ClockBlock& c) { return std::uint64_t{ZintorInternalHz(c)} * 4; }
std::uint32_t ZintorExternalHz(const ClockBlock& c, std::uint8_t halving) {
    return ExternalHz(c.ext_osc_hz, c.oscxcn, halving);
}

std::uint64_t ZintorMultiplierHz(const ClockBlock& c, unsigned source, std::uint8_t halving) {
    switch (source) {
    case 0: return ZintorInternalTimes4Hz(c);
    case 1: return std::uint64_t{ZintorExternalHz(c, halving)} * 4;
    case 2: return std::uint64_t{ZintorExternalHz(c, halving)} * 2;
    default: return 0;
    }
}

std::uint64_t ZintorSysclkHz(const ClockBlock& c) {
    const unsigned multiplier_source = c.clkmul & 0x03u;
    switch (c.clksel & 0x03) {
    case 0: return ZintorInternalHz(c);
    case 1: return ZintorExternalHz(c, kHalvingWide);
    case 2: return ScaleHz(ZintorMultiplierHz(c, multiplier_source, kHalvingWide), 0.5);
    default: return ZintorMultiplierHz(c, multiplier_source, kHalvingWide);
    }
}

std::uint64_t ZintorUsbClockHz(const ClockBlock& c) {
    const std::uint32_t external = ZintorExternalHz(c, kHalvingNarrow);
    switch ((c.clksel >> 4) & 0x07u) {
    case 0: return ZintorMultiplierHz(c, c.clkmul & 0x03u, 0);
    case 1: return ScaleHz(ZintorInternalHz(c), 0.5);
    case 2: return external;
    case 3: return ScaleHz(external, 0.5);
    case 4: return external / 3;
    case 5: return ScaleHz(external, 0.25);
    default: return 0;
    }
}

// --- All families ---------------------------------------------------------------------------

std::optional<std::uint64_t> RegisterSysclkHz(Family family, const ClockBlock& c) {
    switch (family) {
    case Family::Vardex:
        if (const auto undivided = VardexUndividedSysclkHz(c)) return VardexDividedSysclkHz(*undivided, c.clksel);
        return std::nullopt;
    case Family::Pelmar: return PelmarSysclkHz(c);
    case Family::Zintor: return ZintorSysclkHz(c);
    case Family::None: break;
    }
    return std::nullopt;
}

}  // namespace quillon
