#include "wizard/ToolTips.h"

#include <algorithm>
#include <cstdio>

#include "config/Parameters.h"
#include "config/Validation.h"
#include "wizard/ClockFindings.h"
#include "wizard/Explain.h"
#include "wizard/PanelFacts.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

namespace C = ControlId;

// "Number of sockets:" as it reads inside a sentence.
std::string Bare(std::string caption) {
    while (!caption.empty() && (caption.back() == ':' || caption.back() == ' ')) caption.pop_back();
    return caption;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : separator) + p;
    return out;
}

std::string StateLine(const WizardDialog& window, OptionNode node) {
    switch (window.Tree().Image(node)) {
    case TreeImage::On: return "On. Click the box to switch it off.";
    case TreeImage::Off: return "Off. Click the box to switch it on.";
    case TreeImage::Fixed: return "Always part of the stack.";
    case TreeImage::Unavailable: return "Not available with the present choices.";
    default: return {};
    }
}

// What a number typed into a field of `width_bits` becomes: the 16-bit decimal parse, cut to
// the field.
unsigned long StoredNumber(std::string_view text, int width_bits) {
    const std::uint32_t parsed = ParseDecimal(text, 16);
    return width_bits >= 16 ? parsed : parsed & ((1u << width_bits) - 1);
}

std::string Seconds(unsigned long ticks) {
    char text[32];
    if (ticks % 100 == 0) {
        std::snprintf(text, sizeof text, "%lu s", ticks / 100);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(ticks) / 100.0);
    }
    return text;
}

std::string NumberTip(const PanelValueFacts& value, const std::string& typed) {
    // Typing goes through a 16-bit parse, so even a wider field takes no more than 65535.
    const int bits = value.width_bits > 16 ? 16 : value.width_bits;
    const unsigned long max = (1ul << bits) - 1;
    const unsigned long example = bits == 8 ? 300 : 70000;
    std::string tip = "A whole number from 0 to " + std::to_string(max) + ".\nThe field has " + std::to_string(bits) +
                      " bits: a larger number is cut to them (" + std::to_string(example) + " becomes " +
                      std::to_string(StoredNumber(std::to_string(example), bits)) + ").";
    // The stack's limits are checked when a project is generated.
    if (value.caption.find("10ms ticks") != std::string::npos) {
        const unsigned long now = StoredNumber(typed, bits);
        tip += "\nIn ticks of 10 ms: 100 ticks are one second; " + std::to_string(now) + " ticks are " + Seconds(now) + ".";
    } else if (value.caption.find("(bytes)") != std::string::npos) {
        tip += "\nIn bytes.";
    }
    return tip;
}

std::string ValueTip(const WizardDialog& window, OptionNode node, int n, const PanelControl& control) {
    const PanelValueFacts value = PanelFactsOf(node).values[static_cast<std::size_t>(n - 1)];
    std::string tip = Bare(value.caption);
    switch (value.kind) {
    case PanelValueKind::None: return {};
    case PanelValueKind::Number: {
        tip += "\n" + NumberTip(value, control.text);
        // The stack's own limits, checked when a project is generated, as the present choices
        // set them.
        const FieldLimits limits = LimitsOf(window.Record(), window.Tree(), value.field, value.low, value.high);
        if (limits.low != value.low || limits.high != value.high) {
            tip += "\nGenerate Project takes " + std::to_string(limits.low) + " to " + std::to_string(limits.high) +
                   " with the present choices.";
        }
        break;
    }
    case PanelValueKind::Text: tip += "\nText of up to " + std::to_string(control.limit) + " characters, taken as typed."; break;
    case PanelValueKind::ShownOnly:
        tip += "\nIn bits per second. Type the rate, then press Update UART Baud Rate, which checks it against SYSCLK.";
        if (!control.enabled) tip += "\nIt can be changed only while neither Lanvik nor Modara is chosen.";
        break;
    }
    return tip;
}

}  // namespace

std::string NodeToolTip(const WizardDialog& window, OptionNode node) {
    const NodeInfo& info = InfoOf(node);
    std::vector<std::string> lines{std::string(info.text)};
    if (info.kind == NodeKind::Option) {
        // Why the option is as it is, and what choosing it would cost. A greyed option's reason
        // says more than the bare state, so it takes the state's place.
        const NodeExplanation explanation = window.Explain(node);
        const TreeImage image = window.Tree().Image(node);
        const bool greyed = image == TreeImage::Unavailable || image == TreeImage::Fixed;
        if (!greyed || explanation.reason.empty()) lines.push_back(StateLine(window, node));
        if (std::string why = TooltipText(explanation); !why.empty()) lines.push_back(std::move(why));
    }
    if (info.kind == NodeKind::Group || info.kind == NodeKind::Category) {
        std::vector<std::string> children;
        for (const NodeInfo& child : OptionNodeTable()) {
            if (child.parent == node) children.emplace_back(child.text);
        }
        if (!children.empty()) lines.push_back("Holds " + Join(children, ", ") + ".");
    }
    std::vector<std::string> settings;
    for (const PanelValueFacts& value : PanelFactsOf(node).values) {
        if (value.kind != PanelValueKind::None) settings.push_back(Bare(value.caption));
    }
    if (!settings.empty()) lines.push_back("Select it to set: " + Join(settings, "; ") + ".");
    if (node == OptionNode::SYSCLK) {
        const std::vector<OptionNode> problems = window.NodesWithProblems();
        if (std::find(problems.begin(), problems.end(), node) != problems.end()) {
            lines.push_back("Problem: " + ClockFindings(window.Record()).front().message);
        }
    }
    return Join(lines, "\n");
}

std::string ControlToolTip(const WizardDialog& window, int control_id) {
    const SettingsPanel& panel = window.Panel();
    if (!panel.Has(control_id)) return {};
    const PanelControl& control = panel.Control(control_id);
    if (!control.visible) return {};
    const std::optional<OptionNode> selected = window.Tree().Selected();
    const ConfigRecord& r = window.Record();
    switch (control_id) {
    case C::UsedSpace: return "Code space the chosen stack library takes, in KB.";
    case C::FreeSpace: return "Code space left for your own program, in KB.";
    case C::ConfigureSysclk: return "Opens the Oscillators sheet: the clock sources and SYSCLK of the family.";
    case C::UpdateBaudRate: return "Checks the typed baud rate against SYSCLK and takes it.";
    case C::ArpAutoUpdate: return "Written as arp_auto_update (1 when ticked, else 0) into zs_userconst.h.";
    case C::CountryCombo: return "The country of the telephone line. Its code: " + r.country_code + ".";
    case C::ProtocolCombo: return "The modem's modulation protocol. Its code: " + r.modem_protocol + ".";
    default: break;
    }
    if (!selected) return {};
    // What became of the value typed last comes first, when there is something to say.
    const std::string note = control.note.empty() ? std::string() : control.note + "\n\n";
    for (int n = 1; n <= 4; ++n) {
        if (SettingsPanel::ValueId(n) == control_id) return note + ValueTip(window, *selected, n, control);
    }
    if (control_id >= C::Address1 && control_id <= C::Address4) {
        return "An IPv4 address: four numbers from 0 to 255. A dot or a third digit moves to the next number.";
    }
    if (control_id >= C::DestMacFirst && control_id < C::DestMacFirst + 12) {
        const bool dest = control_id < C::SrcMacFirst;
        const int byte = (control_id - (dest ? C::DestMacFirst : C::SrcMacFirst)) + 1;
        std::string tip = note + "Byte " + std::to_string(byte) + " of the " + (dest ? "destination" : "source") +
                          " MAC address: two hexadecimal digits, 00 to FF.";
        if (!control.enabled) tip += "\nIt can be changed only with Ethernet.";
        return tip;
    }
    return {};
}

}  // namespace quillon
