// The texts of `show record|tree|panel|window|sheet`: the wizard's state written one line per
// item, in a form that scripts and their expected outputs compare line by line.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"
#include "wizard/Explain.h"
#include "wizard/NodeSummary.h"

namespace quillon {
class OptionTree;
class SettingsPanel;
class SheetModel;
class WizardDialog;
}  // namespace quillon

namespace quillon::cli {

// A message text on one line: line breaks become the two characters "\n" (a CR the two
// characters "\r").
std::string OneLine(std::string_view text);

// A text between double quotes; quotes and backslashes inside get a backslash, line breaks
// are written as in OneLine.
std::string Quoted(std::string_view text);

std::string DottedAddress(const Ip4& address);
std::string MacText(const Mac& mac);  // 00:0B:3C:00:00:00

// One field of the record as `show record` prints it; `number` is set for integer fields.
struct RecordField {
    std::string name;  // "num_sockets", "clock.sysclk_hz"
    std::string text;  // "3", "0x108019", "10.0.0.7"
    std::optional<long long> number;
};

// Every field of the record, in its declared order.
std::vector<RecordField> RecordFields(const ConfigRecord& record);

// One field=value line per field of the record, in its declared order.
void WriteRecordState(const ConfigRecord& record, std::ostream& out);
// One line per node in insertion order, then the selected node. A node of `problems` ends its
// line with " problem" (the tree marks it).
void WriteTreeState(const OptionTree& tree, std::ostream& out, const std::vector<OptionNode>& problems = {});
// One line per shown control in id order.
void WritePanelState(const SettingsPanel& panel, std::ostream& out);
// The window's own state: modified flag, project folder, settings file, code size.
void WriteWindowState(const WizardDialog& window, std::ostream& out);
// The oscillator sheet's active page: its caption, one line per control in id order, then
// one "violation: TEXT" line per clock limit broken that the page is where to fix.
void WriteSheetState(const SheetModel& sheet, std::ostream& out);

// What a node holds (the window's summary of a node without a page of its own): one line per
// node, indented two blanks a level, "NODE" or "NODE: STATE", then its page's values a level
// deeper as "CAPTION: VALUE".
void WriteSummary(const std::vector<SummaryEntry>& summary, std::ostream& out);

// "explain: NODE: STATE: REASON" (without ": REASON" when nothing holds the node), then for an
// option not chosen "explain: NODE: cost: +N KB (library NNN)".
void WriteExplanation(const NodeExplanation& explanation, std::ostream& out);

}  // namespace quillon::cli
