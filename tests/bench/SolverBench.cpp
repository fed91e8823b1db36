// Times SolveClock over a sweep of SYSCLK targets on every family, with and without a fitted
// external oscillator and with a baud rate to rank by, as quillon-cli clock solve asks (ten
// solutions). Each solve is timed three times and its fastest run counts, so that another
// program on the machine does not make one look slow; the thread's CPU time is shown beside
// it. Prints the worst case and exits 1 when a solve took 100 ms of CPU time or more (the wall
// time adds only the waits for a core on a busy machine, and is shown too).
//
//   quillon_solver_bench [--quick]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "clock/ClockSolver.h"
#include "config/ClockDefaults.h"

using namespace quillon;

namespace {

double CpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Timing {
    double wall_ms = 0;
    double cpu_ms = 0;
    std::size_t solutions = 0;
};

Timing Time(const ClockSolveRequest& request) {
    Timing best{1e9, 1e9, 0};
    for (int run = 0; run < 3; ++run) {
        const double cpu = CpuMilliseconds();
        const auto start = std::chrono::steady_clock::now();
        const auto solutions = SolveClock(request);
        const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        best.wall_ms = std::min(best.wall_ms, wall);
        best.cpu_ms = std::min(best.cpu_ms, CpuMilliseconds() - cpu);
        best.solutions = solutions.size();
    }
    return best;
}

const char* Name(Family family) {
    return family == Family::Vardex ? "vardex" : family == Family::Pelmar ? "pelmar" : "zintor";
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    // Targets from 1 kHz to 1 GHz, evenly spaced on a log scale, and the clocks people ask for.
    std::vector<std::uint32_t> targets = {11059200, 22118400, 24000000, 24500000, 48000000, 49000000, 98000000, 100000000};
    const int steps = quick ? 24 : 240;
    for (int i = 0; i <= steps; ++i) targets.push_back(static_cast<std::uint32_t>(1e3 * std::pow(1e6, double(i) / steps)));
    const std::optional<std::uint32_t> externals[] = {std::nullopt, 11059200, 25000000};

    struct Worst {
        Timing timing;
        std::string what;
    } worst;
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        std::vector<double> cpu;
        double family_worst_wall = 0;
        for (const auto& ext : externals) {
            for (std::uint32_t target : targets) {
                ClockSolveRequest request;
                request.family = family;
                request.target_hz = target;
                request.ext_osc_hz = ext;
                request.baud = 115200;
                request.current = DefaultClock(family);
                request.context.option_bits = kDefaultOptionBits;
                request.limit = 10;
                const Timing t = Time(request);
                cpu.push_back(t.cpu_ms);
                family_worst_wall = std::max(family_worst_wall, t.wall_ms);
                if (t.cpu_ms > worst.timing.cpu_ms) {
                    worst.timing = t;
                    worst.what = std::string(Name(family)) + " --sysclk " + std::to_string(target) +
                                 (ext ? " --ext-osc " + std::to_string(*ext) : std::string());
                }
            }
        }
        std::sort(cpu.begin(), cpu.end());
        std::printf("%s: %zu solves (%zu targets x %zu oscillators): CPU median %.3f ms, worst %.3f ms; wall worst %.3f ms\n",
                    Name(family), cpu.size(), targets.size(), std::size(externals), cpu[cpu.size() / 2], cpu.back(),
                    family_worst_wall);
    }
    std::printf("worst: %.3f ms CPU (%.3f ms wall, %zu solutions) for clock solve --family %s\n", worst.timing.cpu_ms,
                worst.timing.wall_ms, worst.timing.solutions, worst.what.c_str());
    if (worst.timing.cpu_ms >= 100.0) {
        std::printf("FAIL: a solve took 100 ms or more\n");
        return 1;
    }
    return 0;
}
