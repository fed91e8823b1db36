#include "config/LibrarySelection.h"

#include <cstdio>
#include <stdexcept>

namespace quillon {

namespace {

constexpr std::array<LibraryRow, kLibraryCount> kRows{{
    // SLIP group, base 0xC801C
    {1, 0xC805C, 18},  {2, 0xC809C, 12},  {3, 0xC885C, 23},  {4, 0xC845C, 26},  {5, 0xCA09C, 13},
    {6, 0xC905C, 22},  {7, 0xC985C, 27},  {8, 0xC8C5C, 30},  {9, 0xC945C, 30},  {10, 0xCA8DC, 26},
    {11, 0xCB0DC, 25}, {12, 0xCBCDC, 37},
    // PPP group, base 0x8801A; odd rows without PAP, even rows with it
    {13, 0xC805A, 23}, {14, 0x8C05A, 25}, {15, 0xC809A, 17}, {16, 0x8C09A, 19}, {17, 0xC885A, 28},
    {18, 0x8C85A, 30}, {19, 0xC845A, 31}, {20, 0x8C45A, 33}, {21, 0xCA09A, 18}, {22, 0x8E09A, 20},
    {23, 0xC905A, 27}, {24, 0x8D05A, 29}, {25, 0xC985A, 33}, {26, 0x8D85A, 34}, {27, 0xC8C5A, 35},
    {28, 0x8CC5A, 37}, {29, 0xC945A, 35}, {30, 0x8D45A, 37}, {31, 0xCA8DA, 32}, {32, 0x8E8DA, 33},
    {33, 0xCB0DA, 30}, {34, 0x8F0DA, 32}, {35, 0xCBCDA, 42}, {36, 0x8FCDA, 44},
    // Ethernet group, base 0x148039
    {37, 0x148079, 23}, {38, 0x1480B9, 17}, {39, 0x148879, 28}, {40, 0x148479, 31}, {41, 0x14A0B9, 18},
    {42, 0x149079, 27}, {43, 0x149879, 32}, {44, 0x148C79, 35}, {45, 0x149479, 35}, {46, 0x14A8F9, 31},
    {47, 0x14B0F9, 30}, {48, 0x14BCF9, 42}, {49, 0x1481B9, 18}, {50, 0x1481F9, 26}, {51, 0x1489F9, 31},
    {52, 0x1485F9, 34}, {53, 0x14A1B9, 19}, {54, 0x1491F9, 30}, {55, 0x1499F9, 35}, {56, 0x148DF9, 38},
    {57, 0x1495F9, 38}, {58, 0x14A9F9, 33}, {59, 0x14B1F9, 31}, {60, 0x14BDF9, 44}, {61, 0x1482B9, 21},
    {62, 0x1482F9, 28}, {63, 0x148AF9, 33}, {64, 0x1486F9, 36}, {65, 0x14A2B9, 22}, {66, 0x1492F9, 32},
    {67, 0x149AF9, 38}, {68, 0x148EF9, 40}, {69, 0x1496F9, 40}, {70, 0x14AAF9, 35}, {71, 0x14B2F9, 34},
    {72, 0x14BEF9, 46},
}};

struct Group {
    int first;
    int fallback;  // the group's last row, chosen untested when nothing earlier fits
};

constexpr Group kSlip{1, 12};
constexpr Group kPpp{13, 36};
constexpr Group kEthernet{37, 72};

}  // namespace

const std::array<LibraryRow, kLibraryCount>& LibraryTable() { return kRows; }

const LibraryRow& LibraryByNumber(int number) {
    if (number < 1 || number > kLibraryCount) throw std::out_of_range("library number");
    return kRows[static_cast<std::size_t>(number - 1)];
}

std::string LibraryNameText(int number) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", number);
    return buf;
}

LibraryChoice SelectLibrary(ConfigRecord& record, bool widen) {
    Group group = kPpp;
    if (record.option_bits & OptionBit::Ethernet) {
        group = kEthernet;
    } else if (record.option_bits & OptionBit::SLIP) {
        group = kSlip;
    }

    std::uint32_t put_aside = 0;
    if (group.first == kEthernet.first && (record.option_bits & OptionBit::CustomDevice)) {
        put_aside = (record.option_bits & OptionBit::PolledMode) ? (OptionBit::CustomDevice | OptionBit::PolledMode)
                                                                : (OptionBit::CustomDevice | OptionBit::InterruptMode);
        record.option_bits &= ~put_aside;
    }

    const std::uint32_t wanted = record.option_bits;
    int chosen = group.fallback;
    for (int n = group.first; n < group.fallback; ++n) {
        const std::uint32_t set = LibraryByNumber(n).option_set;
        if ((wanted & set) == wanted) {
            chosen = n;
            break;
        }
    }

    if (widen) record.option_bits = LibraryByNumber(chosen).option_set;
    record.option_bits |= put_aside;
    return {chosen, LibraryNameText(chosen)};
}

CodeSize EstimateCodeSize(const ConfigRecord& record) {
    ConfigRecord copy = record;
    const LibraryChoice choice = SelectLibrary(copy, false);
    CodeSize size;
    size.used_kb = LibraryByNumber(choice.number).size_kb;
    size.free_kb = kFlashKb - size.used_kb;
    if (record.locatra_enabled) {
        size.used_kb += 2;
        size.free_kb -= 2;
    }
    if (record.device_bits & DeviceBit::Dns) {
        size.used_kb += 2;
        size.free_kb -= 2;
    }
    return size;
}

}  // namespace quillon
