// The libFuzzer entry point of one target; QUILLON_FUZZ_TARGET names its function.
#include <cstdio>
#include <cstdlib>

#include "FuzzTargets.h"

namespace quillon::fuzz {

void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what.c_str());
    std::abort();
}

}  // namespace quillon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::fuzz::QUILLON_FUZZ_TARGET({data, size});
    return 0;
}
