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

void ComputeTickReload(ConfigRecord& record) {
    double factor = 0.0;
    if (record.device_bits & (DeviceBit::Vardex | DeviceBit::Zintor)) {
        factor = 0.020833333333333332;
    } else if (record.device_bits & DeviceBit::Pelmar) {
        factor = 0.08333333333333333;
    } else {
        record.tl0_flash = 0;
        record.th0_flash = 0;
        return;
    }
    const double r = 65535.0 - static_cast<double>(record.clock.sysclk_hz) * 0.01 * factor;
    StoreReload(record, TruncToInt32(r));
}

void ComputeEmifTiming(ConfigRecord& record) {
    const double sysclk = record.clock.sysclk_hz;
    unsigned w = CeilingByte(sysclk * 1.6e-7);
    unsigned h = CeilingByte(sysclk * 3.0000000000000004e-8);
    unsigned s = h;
    if (w > 0) --w;
    if (w > 15) w = 15;
    if (h > 3) h = 3;
    if (s > 3) s = 3;
    record.emif_timing = static_cast<std::uint8_t>(s * 64 + w * 4 + h);
}

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
    c.error_percent = static_cast<int>(error + 0.5);
    return c;
}

namespace {

void SearchBaudRate(ConfigRecord& record, bool interactive, const std::function<bool()>& better_rate_wanted) {
    std::size_t i = 0;
    bool asked = false;
    std::uint32_t b = 0;
    BaudCandidate c;
    for (;;) {
        b = (interactive && !asked) ? record.uart_baud_rate : kBaudRateTable[i];
        c = EvaluateBaudRate(record.clock.sysclk_hz, b);
        if (c.error_percent <= 4) break;
        if (interactive && !asked) {
            if (!better_rate_wanted || !better_rate_wanted()) break;  // No: keep this candidate
            asked = true;
            i = 0;
            continue;
        }
        if (++i >= kBaudRateTable.size()) break;  // none fits: the last candidate, 300
    }
    record.uart_baud_rate = b;
    record.uart_reload = c.reload;
}

}  // namespace

void CheckBaudRate(ConfigRecord& record) { SearchBaudRate(record, false, {}); }

void CheckBaudRate(ConfigRecord& record, const std::function<bool()>& better_rate_wanted) {
    SearchBaudRate(record, true, better_rate_wanted);
}

}  // namespace quillon
