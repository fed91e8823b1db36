// The fuzz targets: every parser and expander that reads data from outside the program, each
// fed arbitrary bytes and checked for the properties that must hold for any input.
//
// The same functions run under libFuzzer (FuzzMain.cpp, one program per target) and in the
// normal build, where the replay test feeds them every committed seed and regression input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::fuzz {

using Bytes = std::span<const std::uint8_t>;

// A property that failed for the current input. Under libFuzzer it aborts (so the input is
// kept as a crash); in the replay test it throws, so the test names the input.
[[noreturn]] void Fail(const std::string& what);

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Splits input into parts at its first `count - 1` zero bytes; missing parts are empty.
std::vector<std::string_view> SplitAtZeros(Bytes input, std::size_t count);

void FuzzSettingsFile(Bytes input);
void FuzzTemplate(Bytes input);
void FuzzWorkspace(Bytes input);
void FuzzNumbers(Bytes input);
void FuzzHexField(Bytes input);
void FuzzPagebakeNames(Bytes input);
void FuzzScript(Bytes input);
void FuzzOmf51Reader(Bytes input);
void FuzzOmf51RoundTrip(Bytes input);
void FuzzWindow(Bytes input);
void FuzzProjectRecord(Bytes input);
void FuzzStackInput(Bytes input);
// Links an Ethernet project's stack, which cannot share a program with the SLIP one above: its
// targets are a table (and programs) of their own.
void FuzzNetInput(Bytes input);
// PPP over the modem line, in a PPP project's stack: a table of its own too.
void FuzzPppInput(Bytes input);
// The network clients' answers, against a DHCP project and against a BOOTP one: a program each.
void FuzzNetServices(Bytes input);
void FuzzNetServicesBootp(Bytes input);

struct Target {
    const char* name;  // also the folder of its seeds and regression inputs
    void (*run)(Bytes);
};

inline constexpr Target kTargets[] = {
    {"settings", FuzzSettingsFile},     {"template", FuzzTemplate},         {"workspace", FuzzWorkspace},
    {"numbers", FuzzNumbers},           {"hexfield", FuzzHexField},         {"pagebake_names", FuzzPagebakeNames},
    {"script", FuzzScript},             {"omf51_reader", FuzzOmf51Reader},  {"omf51_roundtrip", FuzzOmf51RoundTrip},
    {"window", FuzzWindow},             {"project_record", FuzzProjectRecord}, {"stack_input", FuzzStackInput},
};

inline constexpr Target kNetTargets[] = {
    {"net_input", FuzzNetInput},
};

inline constexpr Target kPppTargets[] = {
    {"ppp_input", FuzzPppInput},
};

inline constexpr Target kNetServicesTargets[] = {
    {"netsvc_input", FuzzNetServices},
};

inline constexpr Target kNetServicesBootpTargets[] = {
    {"netsvc_bootp", FuzzNetServicesBootp},
};

}  // namespace quillon::fuzz
