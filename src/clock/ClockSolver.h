// Finds the register settings that give a wanted SYSCLK. The search runs over every choice a
// family's pages offer on the way from an oscillator to SYSCLK (dividers, the external
// oscillator's halving, the PLL's pre-divider and multiplier, the clock multiplier, the SYSCLK
// source and divide factor), keeps the settings that stay within the clock limits, and ranks
// them: exact first, then by frequency error, then by the baud-rate error, then by the fewest
// changes from the current settings. Frequencies come from the pages' own rules, the limits
// from ClockLimits, so a solution is what the pages would compute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clock/ClockLimits.h"
#include "config/ClockDefaults.h"
#include "config/ConfigRecord.h"

namespace quillon {

class SheetModel;

// How an external oscillator is fitted: a crystal (the crystal modes, whose frequency-control
// bits must select its range) or a CMOS clock.
enum class ExternalKind { Crystal, Cmos };

struct ClockSolveRequest {
    Family family = Family::None;
    std::uint32_t target_hz = 0;
    // The external oscillator that is fitted; without one the external oscillator is used
    // only as the current settings use it.
    std::optional<std::uint32_t> ext_osc_hz;
    // Without a kind: as the current mode says (CMOS modes), else a crystal.
    std::optional<ExternalKind> ext_kind;
    // A UART baud rate to rank by.
    std::optional<std::uint32_t> baud;
    // The project's options, for the limits of the values derived from SYSCLK.
    ClockContext context;
    // The settings now; a solution changes as few of their choices as it can.
    ClockBlock current;
    // At most this many solutions; 0 for all.
    std::size_t limit = 10;
};

struct ClockSolution {
    // The clock block as the pages leave it: registers, derived codes and sysclk_hz.
    ClockBlock clock;
    std::uint64_t error_hz = 0;         // |SYSCLK - target|
    std::optional<double> baud_error;   // percent, with a baud rate to rank by
    int changes = 0;                    // choices on the pages that differ from the current ones
    std::string description;            // "PLL from the internal oscillator / 1, / 1 x 4; SYSCLK / 1"

    bool Exact() const { return error_hz == 0; }
};

// The solutions, best first (at most request.limit). Empty without a family.
std::vector<ClockSolution> SolveClock(const ClockSolveRequest& request);

// The first (best) solution of each frequency among `solutions`, at most `limit` of them, in
// their order: a list to choose from does not offer the same SYSCLK twice.
std::vector<ClockSolution> BestPerFrequency(std::vector<ClockSolution> solutions, std::size_t limit);

// The request the open sheet makes: its family, its working copy as the current settings
// (and its external oscillator, when one runs, as the one fitted) and its project's options.
ClockSolveRequest SheetSolveRequest(const SheetModel& sheet, std::uint32_t target_hz, std::size_t limit);

// The registers a family's SYSCLK_Init writes from the clock block, by name, in the order it
// writes them.
std::vector<std::pair<const char*, std::uint8_t>> ClockRegisters(Family family, const ClockBlock& clock);

// Drives the open sheet's pages as a user would (activating pages, clicking buttons, typing
// the frequency and the PLL values) until the working copy holds the choices of `solution`,
// ending on the page that computes SYSCLK. False when a page refused an event or could not be
// left; whatever was done stays done, as it would for the user.
bool ApplyClockSolution(SheetModel& sheet, const ClockBlock& solution);

}  // namespace quillon
