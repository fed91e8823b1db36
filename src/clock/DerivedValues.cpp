#include "clock/DerivedValues.h"

#include <cmath>

namespace quillon {

namespace {

// Double to a signed 32-bit integer, truncating toward zero; values outside the range cannot
// arise from a 32-bit SYSCLK but are clamped rather than left undefined.
std::int32_t TruncToInt32(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(v);
}

void StoreReload(ConfigRecord& record, std::int32_t r) {
    const auto bits = static_cast<std::uint32_t>(r);
    record.tl0_flash = static_cast<std::uint16_t>(bits & 0xFFu);
    record.th0_flash = static_cast<std::uint16_t>((bits >> 8) & 0xFFu);
}

// Truncate to an integer, take its low 8 bits, and add 1 if that is still below the product.
unsigned CeilingByte(double product) {
    const double whole = std::trunc(product);
    unsigned v = static_cast<unsigned>(static_cast<std::uint64_t>(whole) & 0xFFu);
    if (static_cast<double>(v) < product) ++v;
    return v;
}

}  // namespace

void ComputeSheetCloseReload(ConfigRecord& record) {
    const double sysclk = record.clock.sysclk_hz;
    // At 0 Hz the period is infinite and the tick takes no counts at all.
    const double r = sysclk == 0.0 ? 65535.0 : 65535.0 - 0.01 / (12.0 / sysclk);
    StoreReload(record, TruncToInt32(r));
}

std::optional<std::int32_t> TickReloadValue(std::uint32_t device_bits, std::uint32_t sysclk_hz) {
    double factor = 0.0;
    if (device_bits & (DeviceBit::Vardex | DeviceBit::Zintor)) {
        factor = 0.020833333333333332;
    } else if (device_bits & DeviceBit::Pelmar) {
        factor = 0.08333333333333333;
    } else {
        return std::nullopt;
    }
    const double r = 65535.0 - static_cast<double>(sysclk_hz) * 0.01 * factor;
    return TruncToInt32(r);
}

void ComputeTickReload(ConfigRecord& record) {
    if (const auto r = TickReloadValue(record.device_bits, record.clock.sysclk_hz)) {
        StoreReload(record, *r);
    } else {
        record.tl0_flash = 0;
        record.th0_flash = 0;
    }
}

EmifCycles EmifCyclesAt(std::uint32_t sysclk_hz) {
    const double sysclk = sysclk_hz;
    return EmifCycles{sysclk * 1.6e-7, sysclk * 3.0000000000000004e-8};
}

std::uint8_t EmifTimingAt(std::uint32_t sysclk_hz) {
    const EmifCycles cycles = EmifCyclesAt(sysclk_hz);
    unsigned w = CeilingByte(cycles.pulse);
    unsigned h = CeilingByte(cycles.hold);
    unsigned s = h;
    if (w > 0) --w;
    if (w > 15) w = 15;
    if (h > 3) h = 3;
    if (s > 3) s = 3;
    return static_cast<std::uint8_t>(s * 64 + w * 4 + h);
}

void ComputeEmifTiming(ConfigRecord& record) { record.emif_timing = EmifTimingAt(record.clock.sysclk_hz); }

BaudCandidate EvaluateBaudRate(std::uint32_t sysclk_hz, std::uint32_t baud) {
    BaudCandidate c;
    if (baud == 0) {
        // No rate at all: it fails the 4% test and is never divided by.
        c.reload = 256;
        return c;
    }
    const std::uint64_t q = static_cast<std::uint64_t>(sysclk_hz) / (2ull * baud);
    c.reload = static_cast<std::uint32_t>(256u - static_cast<std::uint32_t>(q));
    if (c.reload < 256) c.actual = sysclk_hz / (512u - 2u * c.reload);
    const double error = std::fabs(static_cast<double>(baud) - static_cast<double>(c.actual)) / baud * 100.0;
    c.error = error;
    c.error_percent = static_cast<int>(error + 0.5);
    return c;
}

unsigned LocatraTimer2Rate(std::uint32_t device_bits) {
    // The families are tested in the order main.c picks its LOCATRA constants.
    if (device_bits & DeviceBit::Vardex) return 130;
    if (device_bits & DeviceBit::Pelmar) return 32;
    if (device_bits & DeviceBit::Zintor) return 80;
    return 0;
}

std::uint64_t LocatraTimer2Counts(std::uint32_t device_bits, std::uint32_t sysclk_hz) {
    const unsigned rate = LocatraTimer2Rate(device_bits);
    return rate == 0 ? 0 : std::uint64_t{sysclk_hz} / 12u / rate;
}

namespace {

// The search both checks share. The interactive one tries the typed rate first and asks
// before it searches the table.
BaudChoice SearchBaudRate(std::uint32_t sysclk_hz, std::uint32_t typed, bool interactive,
                          const std::function<bool()>& better_rate_wanted) {
    std::size_t i = 0;
    bool asked = false;
    BaudChoice choice;
    for (;;) {
        choice.rate = (interactive && !asked) ? typed : kBaudRateTable[i];
        choice.candidate = EvaluateBaudRate(sysclk_hz, choice.rate);
        if (choice.candidate.error_percent <= 4) break;
        if (interactive && !asked) {
            if (!better_rate_wanted || !better_rate_wanted()) break;  // No: keep this candidate
            asked = true;
            i = 0;
            continue;
        }
        if (++i >= kBaudRateTable.size()) break;  // none fits: the last candidate, 300
    }
    return choice;
}

void Store(ConfigRecord& record, const BaudChoice& choice) {
    record.uart_baud_rate = choice.rate;
    record.uart_reload = choice.candidate.reload;
}

}  // namespace

BaudChoice GenerationBaudRate(std::uint32_t sysclk_hz) { return SearchBaudRate(sysclk_hz, 0, false, {}); }

void CheckBaudRate(ConfigRecord& record) { Store(record, GenerationBaudRate(record.clock.sysclk_hz)); }

void CheckBaudRate(ConfigRecord& record, const std::function<bool()>& better_rate_wanted) {
    Store(record, SearchBaudRate(record.clock.sysclk_hz, record.uart_baud_rate, true, better_rate_wanted));
}

}  // namespace quillon
