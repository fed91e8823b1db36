// How quillon-cli writes a clock solution: one line with the resulting SYSCLK, its error, the
// baud-rate error when a rate was asked for, the number of changes, the register values as
// NAME=0xNN and, in parentheses, the way from the oscillator to SYSCLK.
#pragma once

#include <string>

#include "clock/ClockSolver.h"

namespace quillon::cli {

std::string ClockSolutionLine(Family family, const ClockSolution& solution);

}  // namespace quillon::cli
