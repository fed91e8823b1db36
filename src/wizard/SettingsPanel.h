// The settings panel as a model over the window's fixed control set (ids 1001 to 1042). Each
// tree selection shows the subset of controls that belongs to the node, fills them from the
// record, and every edit writes its value straight back into the record.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"

namespace quillon {

namespace ControlId {
inline constexpr int Tree = 1000;
inline constexpr int Value1 = 1001;
inline constexpr int Value2 = 1002;
inline constexpr int Value3 = 1003;
inline constexpr int Label1 = 1004;
inline constexpr int Label2 = 1005;
inline constexpr int Label3 = 1006;
inline constexpr int Label4 = 1007;
inline constexpr int Value4 = 1008;
inline constexpr int Label5 = 1009;
inline constexpr int ConfigureSysclk = 1010;
inline constexpr int ArpAutoUpdate = 1011;
inline constexpr int Address1 = 1015;
inline constexpr int Address2 = 1016;
inline constexpr int Address3 = 1017;
inline constexpr int Address4 = 1018;
inline constexpr int DestMacFirst = 1019;  // 1019 to 1024
inline constexpr int SrcMacFirst = 1025;   // 1025 to 1030
inline constexpr int UpdateBaudRate = 1031;
inline constexpr int UsedSpaceLabel = 1032;
inline constexpr int FreeSpaceLabel = 1033;
inline constexpr int UsedSpace = 1034;
inline constexpr int FreeSpace = 1035;
inline constexpr int UsedKbLabel = 1036;
inline constexpr int FreeKbLabel = 1037;
inline constexpr int CountryCombo = 1039;
inline constexpr int CountryLabel = 1040;
inline constexpr int ProtocolCombo = 1041;
inline constexpr int ProtocolLabel = 1042;
}  // namespace ControlId

enum class PanelControlKind { Label, Edit, Address, Mac, Combo, Check, Button };

struct PanelControl {
    int id = 0;
    PanelControlKind kind = PanelControlKind::Label;
    bool visible = true;
    bool enabled = true;
    std::string text;         // labels, edits, MAC edits, buttons
    Ip4 address{0, 0, 0, 0};  // address controls
    int selection = -1;       // combo boxes
    bool checked = false;     // the check box
    std::size_t limit = 0;    // longest text an edit takes (0: no limit)
    bool read_only = false;   // the two code-size edits
    // Beside an edit: what became of the value typed last when it was not stored as typed or
    // breaks a rule ("300 does not fit: not stored; the value stays 3 (range 1 to 127)"). Empty otherwise; every
    // refresh of the panel clears it.
    std::string note;
    // The edit or address control shows a text that the record does not hold: what was typed
    // did not fit and was not stored. Cleared with the note.
    bool unstored = false;
};

// The value edit of a page that shows a record field, and its caption without the colon.
struct PanelField {
    OptionNode node;
    int control = 0;
    std::string_view caption;
};

// The edit behind record field `field` ("num_sockets"); nothing for a field no page edits.
std::optional<PanelField> PanelFieldOf(std::string_view field);

class SettingsPanel {
public:
    // The control set as the window is constructed: texts empty, used space "0" and free
    // space "128", the value edits, address controls, MAC edits and "Configure SYSCLK" hidden.
    SettingsPanel();

    // Every control, sorted by id.
    const std::vector<PanelControl>& Controls() const { return controls_; }
    std::vector<PanelControl>& Controls() { return controls_; }
    PanelControl& Control(int id);
    const PanelControl& Control(int id) const;
    bool Has(int id) const;

    // Value texts 1 to 4 are edits 1001, 1002, 1003 and 1008; label texts 1 to 5 are statics
    // 1004, 1005, 1006, 1007 and 1009.
    // True while the settings part of the panel (the code-size box aside) shows nothing: no
    // caption, no value, no address, no button. The window then shows the node's summary.
    bool ShowsNothing() const;

    static int ValueId(int n);
    static int LabelId(int n);
    std::string& ValueText(int n) { return Control(ValueId(n)).text; }
    std::string& LabelText(int n) { return Control(LabelId(n)).text; }

private:
    std::vector<PanelControl> controls_;
};

}  // namespace quillon
