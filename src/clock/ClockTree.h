// A family's clock tree as a model a view can draw: the parts from the oscillators to SYSCLK
// with the frequency of each, the edges between them (which inputs a selector has chosen, and
// the path that feeds SYSCLK), the values derived from SYSCLK at the leaves, and the
// violations of the limits, each on the part it is about. Every frequency comes from the
// pages' own rules (ClockRules), every derived value from DerivedValues.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clock/ClockLimits.h"
#include "config/ClockDefaults.h"
#include "config/ConfigRecord.h"

namespace quillon {

struct ClockTreeNode {
    ClockPart part = ClockPart::Sysclk;
    std::string name;     // "PLL output"
    std::string setting;  // what the registers choose here: "x 4", "/ 1", "Crystal Oscillator, 22.1184 MHz"
    // The frequency of the part; nothing for the derived values at the leaves.
    std::optional<std::uint64_t> hz;
    std::string value;    // the frequency as text ("98 MHz"), or the derived value ("reload 0xB03E")
    bool running = true;  // false for a part that is off or disabled
    bool on_path = false; // feeds SYSCLK (SYSCLK and the leaves count as on it)
    bool leaf = false;    // a value derived from SYSCLK
    const char* page = "";  // the tab caption of the page that sets it
    // Where the view puts it: columns run from the oscillators (0) to the leaves, rows from
    // the top.
    int column = 0;
    int row = 0;
    // Indexes into ClockTree::violations.
    std::vector<std::size_t> violations;
};

struct ClockTreeEdge {
    std::size_t from = 0;  // node indexes
    std::size_t to = 0;
    bool selected = true;  // the input a selector has chosen (always true for a plain feed)
    bool on_path = false;
};

struct ClockTree {
    Family family = Family::None;
    std::vector<ClockTreeNode> nodes;
    std::vector<ClockTreeEdge> edges;
    std::vector<ClockViolation> violations;
    std::uint32_t recorded_sysclk_hz = 0;  // sysclk_hz, what the generated code takes

    // The node of a part, if the family's tree has it.
    const ClockTreeNode* Find(ClockPart part) const;
    int Columns() const;
    int Rows() const;
};

ClockTree BuildClockTree(const ClockContext& context, const ClockBlock& clock);
ClockTree BuildClockTree(const ConfigRecord& record);

}  // namespace quillon
