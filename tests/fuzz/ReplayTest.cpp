// Replays every committed fuzz input in the normal build: the seed corpus of each target and
// every input that once made a target fail (regressions/TARGET/), so that a fixed fault stays
// fixed without a fuzzing toolchain. Under the sanitizer build this runs them all under ASan
// and UBSan as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "FuzzTargets.h"

// The table of targets this program replays (the Ethernet stack's targets have a program of
// their own).
#ifndef QUILLON_FUZZ_TABLE
#define QUILLON_FUZZ_TABLE kTargets
#endif

namespace quillon::fuzz {

void Fail(const std::string& what) { throw std::runtime_error(what); }

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(const std::string& target, const char* kind) {
    const fs::path folder = fs::path(QUILLON_FUZZ_DIR) / kind / target;
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, SeedsAndRegressionsHoldEveryProperty) {
    const Target target = GetParam();
    const std::vector<fs::path> seeds = InputsOf(target.name, "corpus");
    EXPECT_FALSE(seeds.empty()) << "no seed inputs for " << target.name;
    std::vector<fs::path> inputs = seeds;
    const std::vector<fs::path> regressions = InputsOf(target.name, "regressions");
    inputs.insert(inputs.end(), regressions.begin(), regressions.end());
    for (const fs::path& input : inputs) {
        const std::vector<std::uint8_t> bytes = ReadBytes(input);
        try {
            target.run(bytes);
        } catch (const std::exception& e) {
            ADD_FAILURE() << input.string() << ": " << e.what();
        }
    }
}

TEST_P(FuzzReplay, EmptyAndTinyInputsAreSafe) {
    const Target target = GetParam();
    for (std::size_t n = 0; n <= 16; ++n) {
        for (std::uint8_t fill : {0x00, 0x0A, 0x22, 0xA3, 0xFF}) {
            const std::vector<std::uint8_t> bytes(n, fill);
            EXPECT_NO_THROW(target.run(bytes)) << target.name << ", " << n << " bytes of " << int(fill);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(QUILLON_FUZZ_TABLE),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::fuzz
