#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/ClockDefaults.h"
#include "clock/DerivedValues.h"

using namespace quillon;
namespace {

// Answers the better-rate question from a queue and counts how often it was asked.
struct AnswerQueue {
    std::function<bool()> Asker() {
        return [this] {
            ++asked;
            if (answers.empty()) throw std::runtime_error("unexpected question");
            const bool a = answers.front();
            answers.pop_front();
            return a;
        };
    }
    std::deque<bool> answers;
    int asked = 0;
};

ConfigRecord At(std::uint32_t sysclk, std::uint32_t family = DeviceBit::Vardex) {
    ConfigRecord r;
    r.device_bits = family | DeviceBit::Lanvik;
    r.clock.sysclk_hz = sysclk;
    return r;
}

unsigned Reload(const ConfigRecord& r) { return r.th0_flash * 256u + r.tl0_flash; }

}  // namespace

TEST(TickReload, SheetCloseAndGenerationValues) {
    ConfigRecord r = At(98000000);
    ComputeSheetCloseReload(r);
    EXPECT_EQ(Reload(r), 0xC0FDu);  // r = -16131
    ComputeTickReload(r);
    EXPECT_EQ(Reload(r), 0xB03Eu);

    ConfigRecord p = At(22118400, DeviceBit::Pelmar);
    ComputeSheetCloseReload(p);
    EXPECT_EQ(Reload(p), 0xB7FFu);
    ComputeTickReload(p);
    EXPECT_EQ(Reload(p), 0xB7FFu);  // the two rules agree for Pelmar

    ConfigRecord z = At(48000000, DeviceBit::Zintor);
    ComputeTickReload(z);
    EXPECT_EQ(Reload(z), 0xD8EFu);

    ConfigRecord none = At(48000000, 0);
    ComputeTickReload(none);
    EXPECT_EQ(Reload(none), 0u);

    ConfigRecord stopped = At(0);
    ComputeSheetCloseReload(stopped);
    EXPECT_EQ(Reload(stopped), 0xFFFFu);
}

TEST(EmifTiming, WorkedValues) {
    const std::pair<std::uint32_t, unsigned> cases[] = {
        {98000000, 0xFF}, {48000000, 0x9E}, {22118400, 0x4D}, {24500000, 0x4D}, {12000000, 0x45}};
    for (auto [sysclk, expected] : cases) {
        ConfigRecord r = At(sysclk);
        ComputeEmifTiming(r);
        EXPECT_EQ(r.emif_timing, expected) << sysclk;
    }
}

TEST(BaudRate, DefaultClocksAcceptTheFastestRate) {
    const std::pair<ConfigRecord, unsigned> cases[] = {
        {At(98000000), 97}, {At(22118400, DeviceBit::Pelmar), 220}, {At(48000000, DeviceBit::Zintor), 178}};
    for (auto [r, reload] : cases) {
        r.uart_baud_rate = 1;
        CheckBaudRate(r);
        EXPECT_EQ(r.uart_baud_rate, 307200u);
        EXPECT_EQ(r.uart_reload, reload);
    }
    EXPECT_EQ(EvaluateBaudRate(98000000, 307200).actual, 308176u);
    EXPECT_EQ(EvaluateBaudRate(48000000, 307200).actual, 307692u);
}

TEST(BaudRate, InteractiveQuestion) {
    // 115200 at 22.1184 MHz is exact: no question.
    ConfigRecord p = At(22118400, DeviceBit::Pelmar);
    p.uart_baud_rate = 115200;
    AnswerQueue ui;
    CheckBaudRate(p, ui.Asker());
    EXPECT_EQ(ui.asked, 0);
    EXPECT_EQ(p.uart_reload, 160u);

    // 115200 at 98 MHz cannot be reached (q = 425): asked; No keeps it with t = 256 - 425.
    ConfigRecord v = At(98000000);
    v.uart_baud_rate = 115200;
    ui.answers = {false};
    CheckBaudRate(v, ui.Asker());
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(v.uart_baud_rate, 115200u);
    EXPECT_EQ(v.uart_reload, static_cast<std::uint32_t>(256 - 425));

    // Yes searches the table from its first entry.
    v.uart_baud_rate = 115200;
    ui.answers = {true};
    CheckBaudRate(v, ui.Asker());
    EXPECT_EQ(v.uart_baud_rate, 307200u);
    EXPECT_EQ(v.uart_reload, 97u);
}

TEST(BaudRate, ZeroAndUnreachableCandidates) {
    EXPECT_EQ(EvaluateBaudRate(98000000, 0).error_percent, 100);
    ConfigRecord r = At(98000000);
    r.uart_baud_rate = 0;
    AnswerQueue ui;
    ui.answers = {false};
    CheckBaudRate(r, ui.Asker());  // a rate of 0 is asked about, never divided by
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(r.uart_baud_rate, 0u);
    // A clock too slow for every table rate ends on 300.
    ConfigRecord slow = At(1000);
    CheckBaudRate(slow);
    EXPECT_EQ(slow.uart_baud_rate, 300u);
    EXPECT_EQ(EvaluateBaudRate(98000000, 115200).error_percent, 100);
}
