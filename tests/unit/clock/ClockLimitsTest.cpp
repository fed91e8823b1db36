#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>

#include "clock/ClockLimits.h"
#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/DerivedValues.h"
#include "config/ClockDefaults.h"
#include "resources/Resources.h"

using namespace quillon;

namespace {

std::uint32_t BitOf(Family family) {
    return family == Family::Vardex ? DeviceBit::Vardex : family == Family::Pelmar ? DeviceBit::Pelmar : DeviceBit::Zintor;
}

ClockContext Context(Family family, std::uint32_t options = 0) {
    ClockContext c;
    c.device_bits = BitOf(family) | DeviceBit::Lanvik;
    c.option_bits = options;
    return c;
}

// The block with sysclk_hz and the flash code as the SYSCLK page leaves them.
ClockBlock Settled(Family family, ClockBlock c) {
    c.sysclk_hz = FitHz(RegisterSysclkHz(family, c).value_or(0));
    if (family == Family::Vardex) c.flscl = static_cast<std::uint8_t>((c.flscl & ~0x30u) | VardexFlashCode(c.sysclk_hz));
    return c;
}

bool Breaks(const ClockContext& context, const ClockBlock& clock, ClockLimitKind kind) {
    const auto all = ClockViolations(context, clock);
    return std::any_of(all.begin(), all.end(), [&](const ClockViolation& v) { return v.kind == kind; });
}

// Vardex with SYSCLK from the PLL, fed by an external CMOS clock of `hz` undivided.
ClockBlock VardexPllFromCmos(std::uint32_t hz, std::uint8_t mul) {
    ClockBlock c = DefaultClock(Family::Vardex);
    c.oscxcn = 0x20;
    c.ext_osc_hz = hz;
    c.pll0cn = 0x07;
    c.pll0div = 1;
    c.pll0mul = mul;
    return Settled(Family::Vardex, c);
}

ClockBlock VardexFromCmos(std::uint32_t hz) {
    ClockBlock c = DefaultClock(Family::Vardex);
    c.oscxcn = 0x20;
    c.ext_osc_hz = hz;
    c.clksel = 0x01;
    return Settled(Family::Vardex, c);
}

// A block whose only interesting figure is the recorded SYSCLK the derived values come from.
ClockBlock Recorded(Family family, std::uint32_t hz) {
    ClockBlock c = DefaultClock(family);
    c.sysclk_hz = hz;
    return c;
}

struct Boundary {
    const char* name;
    ClockLimitKind kind;
    ClockContext context;
    std::function<ClockBlock(std::uint32_t)> block;
    std::uint32_t last_good;
    std::uint32_t first_bad;
};

}  // namespace

// Each limit holds at its last good value and breaks one step beyond it.
TEST(ClockLimits, FireAtTheirBoundaries) {
    const ClockContext vardex = Context(Family::Vardex);
    const auto ranges = [](Family family, std::uint8_t oscxcn) {
        return [family, oscxcn](std::uint32_t hz) {
            ClockBlock c = DefaultClock(family);
            c.oscxcn = oscxcn;
            c.ext_osc_hz = hz;
            return Settled(family, c);
        };
    };
    ClockContext fifo = Context(Family::Zintor);
    fifo.usb_fifo = true;
    ClockContext locatra = vardex;
    locatra.locatra = true;
    ClockContext pelmar_locatra = Context(Family::Pelmar);
    pelmar_locatra.locatra = true;

    const Boundary cases[] = {
        {"PLL reference, low", ClockLimitKind::PllReference, vardex, [](std::uint32_t hz) { return VardexPllFromCmos(hz, 8); },
         5000000, 4999999},
        {"PLL reference, high", ClockLimitKind::PllReference, vardex,
         [](std::uint32_t hz) { return VardexPllFromCmos(hz, 3); }, 30000000, 30000001},
        {"PLL output, low", ClockLimitKind::PllOutput, vardex, [](std::uint32_t hz) { return VardexPllFromCmos(hz, 3); },
         11666667, 11666666},
        {"PLL output, high", ClockLimitKind::PllOutput, vardex, [](std::uint32_t hz) { return VardexPllFromCmos(hz, 4); },
         25000000, 25000001},
        {"flash steps", ClockLimitKind::FlashReadTime, vardex, VardexFromCmos, 100000000, 100000001},
        {"flash code kept too short", ClockLimitKind::FlashReadTime, vardex,
         [](std::uint32_t hz) {
             ClockBlock c = VardexFromCmos(hz);
             c.flscl = 0x10;
             return c;
         },
         50000000, 50000001},
        {"SYSCLK 0", ClockLimitKind::SysclkZero, vardex, VardexFromCmos, 1, 0},
        {"crystal range A, code 0", ClockLimitKind::OscillatorRange, vardex, ranges(Family::Vardex, 0x60), 32000, 32001},
        {"crystal range A, code 7", ClockLimitKind::OscillatorRange, vardex, ranges(Family::Vardex, 0x67), 30000000,
         30000001},
        {"crystal range B, code 7", ClockLimitKind::OscillatorRange, Context(Family::Pelmar),
         ranges(Family::Pelmar, 0x67), 6700001, 6700000},
        {"RC range, code 7", ClockLimitKind::OscillatorRange, Context(Family::Zintor), ranges(Family::Zintor, 0x47),
         1600001, 1600000},
        {"USB FIFO", ClockLimitKind::UsbFifo, fifo, [](std::uint32_t hz) { return Recorded(Family::Zintor, hz); }, 24000000,
         24000001},
        {"tick, Vardex", ClockLimitKind::TickReload, vardex, [](std::uint32_t hz) { return Recorded(Family::Vardex, hz); },
         314572799, 314572800},
        {"tick, Pelmar", ClockLimitKind::TickReload, Context(Family::Pelmar),
         [](std::uint32_t hz) { return Recorded(Family::Pelmar, hz); }, 78643199, 78643200},
        {"UART reload", ClockLimitKind::UartReload, Context(Family::Vardex, OptionBit::Modem),
         [](std::uint32_t hz) { return Recorded(Family::Vardex, hz); }, 157900799, 157900800},
        {"memory interface", ClockLimitKind::EmifTiming, Context(Family::Vardex, OptionBit::Ethernet),
         [](std::uint32_t hz) { return Recorded(Family::Vardex, hz); }, 100000000, 100000001},
        {"LOCATRA timer 2, Vardex", ClockLimitKind::Timer2Reload, locatra,
         [](std::uint32_t hz) { return Recorded(Family::Vardex, hz); }, 102237719, 102237720},
        {"LOCATRA timer 2, slow", ClockLimitKind::Timer2Reload, locatra,
         [](std::uint32_t hz) { return Recorded(Family::Vardex, hz); }, 1560, 1559},
        {"LOCATRA timer 2, Pelmar", ClockLimitKind::Timer2Reload, pelmar_locatra,
         [](std::uint32_t hz) { return Recorded(Family::Pelmar, hz); }, 25166207, 25166208},
    };
    for (const Boundary& b : cases) {
        EXPECT_FALSE(Breaks(b.context, b.block(b.last_good), b.kind)) << b.name << " at " << b.last_good;
        EXPECT_TRUE(Breaks(b.context, b.block(b.first_bad), b.kind)) << b.name << " at " << b.first_bad;
    }
}

TEST(ClockLimits, EveryFamilysDefaultsPassWithEveryOption) {
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        ClockContext context = Context(family, OptionBit::Ethernet | OptionBit::Modem);
        context.locatra = true;
        EXPECT_EQ(ClockViolations(context, DefaultClock(family)), std::vector<ClockViolation>{})
            << static_cast<int>(family);
    }
}

// What the generated SYSCLK_Init would switch off, or never start, while SYSCLK runs from it.
TEST(ClockLimits, SourcesThatSysclkInitLeavesOff) {
    const auto first_off = [](Family family, const ClockBlock& c) -> std::pair<ClockPart, std::string> {
        for (const ClockViolation& v : ClockViolations(Context(family), Settled(family, c))) {
            if (v.kind == ClockLimitKind::SourceOff) return {v.part, v.page};
        }
        return {ClockPart::Sysclk, "none"};
    };
    ClockBlock c = DefaultClock(Family::Vardex);
    c.oscicn &= 0x7F;  // the PLL runs from the internal oscillator
    EXPECT_EQ(first_off(Family::Vardex, c), std::make_pair(ClockPart::InternalOscillator, std::string("Internal Oscillator")));
    c = DefaultClock(Family::Vardex);
    c.pll0cn = 0x01;
    EXPECT_EQ(first_off(Family::Vardex, c), std::make_pair(ClockPart::PllOutput, std::string("PLL Setup")));
    c.clksel = 0x01;  // from the external oscillator, whose mode is "off"
    c.ext_osc_hz = 20000000;
    EXPECT_EQ(first_off(Family::Vardex, c), std::make_pair(ClockPart::ExternalOscillator, std::string("External Oscillator")));
    c = DefaultClock(Family::Zintor);
    c.clkmul = 0x40;
    EXPECT_EQ(first_off(Family::Zintor, c), std::make_pair(ClockPart::Multiplier, std::string("Clock Multiplier")));
    c = DefaultClock(Family::Pelmar);
    c.oscxcn = 0x00;
    EXPECT_EQ(first_off(Family::Pelmar, c), std::make_pair(ClockPart::ExternalOscillator, std::string("External Oscillator")));
    // Pelmar's SYSCLK_Init enables the internal oscillator it runs from, whatever its box says.
    c = DefaultClock(Family::Pelmar);
    c.oscicn = 0x03;
    EXPECT_EQ(first_off(Family::Pelmar, c).second, "none");
}

// The issue that started it: a 25 MHz crystal, the PLL's multiplier at 0x10, the crystal bits
// left at "f <= 32kHz". Every wrong value is named with its value, its limit and its page.
TEST(ClockLimits, ViolationsNameTheValueTheLimitAndThePage) {
    ClockBlock c = DefaultClock(Family::Vardex);
    c.oscxcn = 0x60;
    c.ext_osc_hz = 25000000;
    c.pll0cn = 0x07;
    c.pll0mul = 0x10;
    c = Settled(Family::Vardex, c);
    ASSERT_EQ(c.sysclk_hz, 400000000u);
    const auto violations = ClockViolations(Context(Family::Vardex, OptionBit::Ethernet), c);
    std::vector<ClockLimitKind> kinds;
    for (const ClockViolation& v : violations) kinds.push_back(v.kind);
    EXPECT_EQ(kinds, (std::vector<ClockLimitKind>{ClockLimitKind::PllOutput, ClockLimitKind::FlashReadTime,
                                                  ClockLimitKind::OscillatorRange, ClockLimitKind::TickReload,
                                                  ClockLimitKind::EmifTiming}));
    EXPECT_EQ(violations[0].Text(),
              "PLL output frequency is 400000000 Hz; it must be 35 MHz to 100 MHz. Fix it on the \"PLL Setup\" page.");
    EXPECT_EQ(violations[2].Text(),
              "External oscillator frequency is 25000000 Hz, but the frequency-control bits select up to 32 kHz; "
              "choose \"10MHz  < f <= 30MHz\" on the \"External Oscillator\" page.");
    EXPECT_EQ(violations[3].Text(),
              "Timer 0 reload of the 10 ms tick is -17798 at SYSCLK 400000000 Hz; it must be 0 to 65535 (16 bits). "
              "Fix it on the \"SYSCLK Select\" page.");

    // A SYSCLK the pages recorded before the divide factor changed.
    c = DefaultClock(Family::Vardex);
    c.clksel = 0x12;
    const auto stale = ClockViolations(Context(Family::Vardex), c);
    ASSERT_EQ(stale.size(), 1u);
    EXPECT_EQ(stale[0].Text(),
              "SYSCLK is 98000000 Hz as the pages last computed it, but the registers give 49000000 Hz; show the "
              "\"SYSCLK Select\" page to compute it again.");
}

// The limits know timer 2's overflow rates; they must be the ones main.c's constants carry.
TEST(ClockLimits, Timer2RatesAreThoseOfTheLocatraConstants) {
    const std::regex rate("#define T2_OVERFLOW_RATE +([0-9]+)L");
    for (const auto& [family, fragment] : {std::pair{Family::Vardex, 197}, {Family::Pelmar, 195}, {Family::Zintor, 196}}) {
        const std::string text(StringFragment(fragment));
        std::smatch m;
        ASSERT_TRUE(std::regex_search(text, m, rate)) << fragment;
        EXPECT_EQ(std::stoul(m[1]), LocatraTimer2Rate(BitOf(family))) << fragment;
    }
}
