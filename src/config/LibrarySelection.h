// The 72 precompiled library variants, the choice of one for the record's option bits, and
// the code-size estimate shown in the main window.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/ConfigRecord.h"

namespace quillon {

struct LibraryRow {
    int number;                // 1 to 72
    std::uint32_t option_set;  // every option the library contains
    int size_kb;
};

inline constexpr int kLibraryCount = 72;
inline constexpr int kFlashKb = 128;  // 131072 bytes of flash

const std::array<LibraryRow, kLibraryCount>& LibraryTable();
const LibraryRow& LibraryByNumber(int number);  // number 1 to 72

// "001" to "072".
std::string LibraryNameText(int number);

struct LibraryChoice {
    int number = 0;
    std::string name;
};

// Picks the first library of the record's link-layer group whose option set contains every
// chosen option, or the group's fallback. The custom-device bits are put aside while matching
// an Ethernet row and ORed back in afterwards. With `widen` the option bits become the chosen
// library's whole set (plus the put-aside bits).
LibraryChoice SelectLibrary(ConfigRecord& record, bool widen);

struct CodeSize {
    int used_kb = 0;
    int free_kb = kFlashKb;
};

// Used and free flash for the record: the library's size plus 2 KB each for LOCATRA and DNS.
// Runs SelectLibrary without widening on a copy: the estimate never changes the record.
CodeSize EstimateCodeSize(const ConfigRecord& record);

}  // namespace quillon
