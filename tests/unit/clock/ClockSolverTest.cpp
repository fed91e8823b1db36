#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "clock/ClockRules.h"
#include "clock/ClockSolver.h"

using namespace quillon;
using quillon::test::ClickAround;
using quillon::test::OpenSheet;

namespace {

constexpr Family kFamilies[] = {Family::Vardex, Family::Pelmar, Family::Zintor};

ClockSolveRequest Request(Family family, std::uint32_t target, std::optional<std::uint32_t> ext = std::nullopt) {
    ClockSolveRequest r;
    r.family = family;
    r.target_hz = target;
    r.ext_osc_hz = ext;
    r.current = DefaultClock(family);
    r.context.option_bits = OptionBit::Ethernet;
    r.limit = 12;
    return r;
}

// The register choices of a block, without what the pages derive from them.
ClockBlock Choices(ClockBlock c) {
    c.pll0flt = 0;
    c.flscl = 0;
    c.sysclk_hz = 0;
    return c;
}

// The list to choose from offers each frequency once, the best way to it, in the solver's
// order: for every family and a spread of targets, exact or not.
TEST(ClockSolver, BestPerFrequencyKeepsTheFirstOfEachFrequencyInOrder) {
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        for (std::uint32_t target : {1000000u, 22118400u, 24000000u, 50000000u, 73000000u}) {
            ClockSolveRequest request = Request(family, target);
            request.limit = 200;
            const std::vector<ClockSolution> all = SolveClock(request);
            const std::vector<ClockSolution> distinct = BestPerFrequency(all, 20);
            ASSERT_LE(distinct.size(), 20u);
            std::size_t from = 0;
            for (std::size_t i = 0; i < distinct.size(); ++i) {
                for (std::size_t j = 0; j < i; ++j) EXPECT_NE(distinct[i].clock.sysclk_hz, distinct[j].clock.sysclk_hz);
                // The first solution of that frequency in the solver's order, after the one before.
                std::size_t k = 0;
                while (all[k].clock.sysclk_hz != distinct[i].clock.sysclk_hz) ++k;
                EXPECT_EQ(all[k].clock, distinct[i].clock);
                EXPECT_GE(k, from);
                from = k;
            }
        }
    }
}

}  // namespace

// Whatever the solver reports, the pages' own handlers reach: applied to a fresh sheet as a
// user would click it, every solution gives the register values and the SYSCLK it claims, and
// the sheet then holds nothing that breaks a limit.
TEST(ClockSolver, EverySolutionAppliedThroughThePagesGivesItsSysclk) {
    const std::uint32_t targets[] = {1000000, 11059200, 22118400, 24500000, 33333333, 48000000, 72000000, 98000000, 400000000};
    for (Family family : kFamilies) {
        for (const auto ext : {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{25000000},
                               std::optional<std::uint32_t>{11059200}}) {
            for (std::uint32_t target : targets) {
                const ClockSolveRequest request = Request(family, target, ext);
                const auto solutions = SolveClock(request);
                ASSERT_FALSE(solutions.empty()) << target;
                for (std::size_t i = 0; i < solutions.size(); ++i) {
                    const ClockSolution& s = solutions[i];
                    // Ranked: frequency error first, then the changes within one error.
                    if (i > 0) {
                        const ClockSolution& before = solutions[i - 1];
                        EXPECT_TRUE(before.error_hz < s.error_hz ||
                                    (before.error_hz == s.error_hz && before.changes <= s.changes));
                    }
                    EXPECT_EQ(s.error_hz, s.clock.sysclk_hz > target ? s.clock.sysclk_hz - target : target - s.clock.sysclk_hz);

                    OpenSheet sheet(family, request.current);
                    sheet.sheet.SetContext(request.context);
                    EXPECT_TRUE(ApplyClockSolution(sheet.sheet, s.clock)) << s.description;
                    EXPECT_EQ(sheet.Clock(), s.clock) << s.description;
                    EXPECT_EQ(sheet.Clock().sysclk_hz, s.clock.sysclk_hz) << s.description;
                    EXPECT_TRUE(sheet.sheet.Violations().empty()) << s.description;
                    EXPECT_TRUE(sheet.ui.messages.empty() && sheet.ui.questions.empty()) << s.description;
                    EXPECT_TRUE(sheet.sheet.Ok());
                }
            }
        }
    }
}

// Every SYSCLK a user can reach on the pages within the limits, the solver reaches exactly,
// with the same external oscillator fitted.
TEST(ClockSolver, FindsAnExactSolutionForEverySysclkThePagesReach) {
    std::mt19937 random(20240611);
    for (Family family : kFamilies) {
        int reached = 0;
        // Random PLL settings are mostly out of range: sample until enough are within the limits.
        for (int sample = 0; sample < 1000 && reached < 60; ++sample) {
            OpenSheet s(family);
            ClickAround(s, family, random);
            const ClockBlock& c = s.Clock();
            ClockContext context;
            context.device_bits = family == Family::Vardex ? DeviceBit::Vardex
                                  : family == Family::Pelmar ? DeviceBit::Pelmar
                                                             : DeviceBit::Zintor;
            if (!ClockViolations(context, c).empty()) continue;
            ++reached;
            ClockSolveRequest request;
            request.family = family;
            request.target_hz = c.sysclk_hz;
            const unsigned mode = (c.oscxcn >> 4) & 0x07;
            if (mode != 0) request.ext_osc_hz = c.ext_osc_hz;
            request.ext_kind = (mode == 2 || mode == 3) ? ExternalKind::Cmos : ExternalKind::Crystal;
            request.current = DefaultClock(family);
            request.context = context;
            request.limit = 1;
            const auto best = SolveClock(request);
            ASSERT_FALSE(best.empty()) << c.sysclk_hz;
            EXPECT_TRUE(best.front().Exact()) << "family " << static_cast<int>(family) << ": " << c.sysclk_hz
                                              << " Hz, best " << best.front().clock.sysclk_hz;
        }
        EXPECT_EQ(reached, 60) << static_cast<int>(family);
    }
}

TEST(ClockSolver, PrefersTheCurrentSettingsAndStaysWithinTheLimits) {
    // Each family's default clock is its own best solution: exact, nothing changed.
    for (Family family : kFamilies) {
        const auto best = SolveClock(Request(family, DefaultClock(family).sysclk_hz));
        ASSERT_FALSE(best.empty());
        EXPECT_TRUE(best.front().Exact());
        EXPECT_EQ(best.front().changes, 0);
        EXPECT_EQ(Choices(best.front().clock), Choices(DefaultClock(family)));
    }
    // 400 MHz is beyond the PLL: the nearest is 100 MHz from the fitted crystal.
    const auto fast = SolveClock(Request(Family::Vardex, 400000000, 25000000));
    ASSERT_FALSE(fast.empty());
    EXPECT_EQ(fast.front().clock.sysclk_hz, 100000000u);
    EXPECT_EQ(fast.front().clock.oscxcn, 0x67);  // the crystal's range chosen with it
    // With a baud rate the one that divides evenly wins among equal clocks.
    ClockSolveRequest baud = Request(Family::Pelmar, 22118400, 22118400);
    baud.baud = 115200;
    const auto uart = SolveClock(baud);
    ASSERT_FALSE(uart.empty());
    EXPECT_EQ(uart.front().baud_error.value_or(-1), 0.0);
}

// The request the sheet makes solves from its working copy, and "sheet solve" style use
// leaves the sheet on the page that computed SYSCLK.
TEST(ClockSolver, SolvesFromTheSheetsWorkingCopy) {
    OpenSheet s(Family::Zintor);
    s.Show("External Oscillator");
    s.Click(3413);
    s.Set(3409, "12000000");
    const auto best = SolveClock(SheetSolveRequest(s.sheet, 24000000, 1));
    ASSERT_EQ(best.size(), 1u);
    EXPECT_TRUE(best.front().Exact());
    ASSERT_TRUE(ApplyClockSolution(s.sheet, best.front().clock));
    EXPECT_EQ(s.Page().Caption(), "SYSCLK Select");
    EXPECT_EQ(s.Text(3403), "24000000");
}
