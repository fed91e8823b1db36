// The frequency rules of the three families' oscillator pages, one function per rule. The pages
// recompute their displays and sysclk_hz with these; the clock tree, the limits and the solver
// call the same functions, so that what they show is what the pages would show.
//
// Frequencies that can exceed 32 bits (products of a multiplier) are returned in 64 bits; a
// page stores them with FitHz.
#pragma once

#include <cstdint>
#include <optional>

#include "config/ClockDefaults.h"
#include "config/ConfigRecord.h"

namespace quillon {

// --- Vardex ---------------------------------------------------------------------------------

// The PLL's pre-divider and multiplier as they count: a register value of 0 counts as 32 and
// 256.
std::uint32_t VardexPreDivider(std::uint8_t pll0div);
std::uint32_t VardexMultiplier(std::uint8_t pll0mul);

// The internal oscillator after its divider (oscicn bits 1-0).
std::uint32_t VardexInternalHz(const ClockBlock& c);
// The external frequency: half of ext_osc_hz in modes 3, 4, 5 and 7.
std::uint32_t VardexExternalHz(const ClockBlock& c);
// What feeds the PLL: the external frequency with pll0cn bit 2, else the internal one.
std::uint32_t VardexPllSourceHz(const ClockBlock& c);
// The PLL's reference: its source divided by the pre-divider, truncating.
std::uint32_t VardexPllReferenceHz(const ClockBlock& c);
// The PLL output as "PLL Setup" shows it ("Clock Speed"): the reference times the multiplier.
std::uint64_t VardexPllOutputHz(const ClockBlock& c);
// The PLL output as SYSCLK takes it: the source times the multiplier, then divided by the
// pre-divider. It can differ from VardexPllOutputHz by the truncation of the reference.
std::uint64_t VardexPllProductHz(const ClockBlock& c);
// The SYSCLK rule, before the divide factor: by clksel bits 1-0 the internal frequency, the
// external one or the PLL product; nothing for source 3, which leaves sysclk_hz as it was.
std::optional<std::uint64_t> VardexUndividedSysclkHz(const ClockBlock& c);
// The divide factor of clksel bits 5-4 (/1, /2, /4, /8) applied to `undivided`, truncating.
std::uint64_t VardexDividedSysclkHz(std::uint64_t undivided, std::uint8_t clksel);
// The divisor of clksel bits 5-4: 1, 2, 4 or 8.
unsigned VardexDivideFactor(std::uint8_t clksel);
// The flash read-time code (flscl bits 5-4, as 0x00 to 0x30) a SYSCLK needs: one step per
// 25 MHz.
std::uint8_t VardexFlashCode(std::uint64_t sysclk_hz);
// The highest SYSCLK a flash read-time code (0x00 to 0x30) allows.
std::uint32_t VardexFlashCodeLimitHz(std::uint8_t code);
// The PLL loop-filter code (pll0flt bits 3-0) for a reference frequency, and whether the page
// warns that the reference is too high.
std::uint8_t VardexPllFilterCode(std::uint32_t reference_hz, bool* warns = nullptr);
// The PLL oscillator-range code (pll0flt bits 5-4, as 0x00 to 0x30) for a PLL output, and
// whether the page warns that the output is out of its range.
std::uint8_t VardexPllRangeCode(std::uint64_t output_hz, bool* warns = nullptr);

// --- Pelmar ---------------------------------------------------------------------------------

// The internal oscillator at the frequency of oscicn bits 1-0 (2, 4, 8 or 16 MHz).
std::uint32_t PelmarInternalHz(const ClockBlock& c);
// A typed external frequency, halved in modes 3, 4 and 7.
std::uint32_t PelmarExternalHz(const ClockBlock& c, std::uint32_t typed_hz);
// SYSCLK as the page of the source (oscicn bit 3) takes it, with ext_osc_hz as the typed text.
std::uint32_t PelmarSysclkHz(const ClockBlock& c);

// --- Zintor ---------------------------------------------------------------------------------

// The internal oscillator after its divider (1.5, 3, 6 or 12 MHz).
std::uint32_t ZintorInternalHz(const ClockBlock& c);
// The divided internal frequency times 4.
std::uint64_t ZintorInternalTimes4Hz(const ClockBlock& c);
// The external frequency, halved in the modes of `halving` (kHalvingWide or kHalvingNarrow).
std::uint32_t ZintorExternalHz(const ClockBlock& c, std::uint8_t halving);
// The multiplier's output for multiplier source `source` (clkmul bits 1-0: internal x4,
// external x4, external x2), the external frequency taken with `halving` (0: none). Source 3
// does not exist and gives 0 Hz.
std::uint64_t ZintorMultiplierHz(const ClockBlock& c, unsigned source, std::uint8_t halving);
// SYSCLK as "SYSCLK Select" computes it from clksel bits 1-0: the internal frequency, the
// external one, half the multiplier output, or the multiplier output.
std::uint64_t ZintorSysclkHz(const ClockBlock& c);
// The USB clock as "USB Clock Source" shows it, by clksel bits 6-4; sources 6 and 7 do not
// exist and give 0 Hz.
std::uint64_t ZintorUsbClockHz(const ClockBlock& c);

// --- All families ---------------------------------------------------------------------------

// The SYSCLK the register values give, by the rule of the page that selects the source
// ("SYSCLK Select" on Vardex and Zintor, the source's own page on Pelmar); nothing when the
// registers select no source (Vardex source 3) or without a family.
std::optional<std::uint64_t> RegisterSysclkHz(Family family, const ClockBlock& c);

}  // namespace quillon
