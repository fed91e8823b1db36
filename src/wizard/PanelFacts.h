// What the settings panel holds for each node, whatever the present choices: every caption its
// page can show and the field behind each value edit. The find filter searches the captions;
// the tooltips describe the fields.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"

namespace quillon {

enum class PanelValueKind {
    None,       // the value edit is not shown
    Number,     // a number, typed in decimal and cut to the field's width
    Text,       // a text, taken as typed
    ShownOnly,  // shown here, set by a button of the page
};

struct PanelValueFacts {
    PanelValueKind kind = PanelValueKind::None;
    int width_bits = 0;   // numbers: the width of the record field (8, 16 or 32)
    std::string caption;  // the label above it
    // Numbers: the record field as the validation rules name it, and the values it holds.
    std::string field;
    std::int64_t low = 0;
    std::int64_t high = 0;
};

struct PanelPageFacts {
    // Labels, notes and the captions of the page's own controls, in panel order.
    std::vector<std::string> captions;
    // Values 1 to 4 (edits 1001, 1002, 1003 and 1008).
    std::array<PanelValueFacts, 4> values;
};

PanelPageFacts PanelFactsOf(OptionNode node);

// One value of a page as a summary gives it: its caption without the colon and the value as
// the page shows it ("Number of sockets", "3").
struct PanelValueText {
    std::string caption;
    std::string value;
};

// What the page of `node` shows of `record`, in panel order: the same values as selecting the
// node fills in, without selecting it. Empty for a node whose page holds no value.
std::vector<PanelValueText> PanelValuesOf(OptionNode node, const ConfigRecord& record);

}  // namespace quillon
