#include "wizard/Explain.h"

#include <cstdio>
#include <vector>

#include "config/ClockDefaults.h"
#include "config/LibrarySelection.h"
#include "wizard/OptionRules.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

using N = OptionNode;

std::string Text(N node) { return std::string(InfoOf(node).text); }

// 48000000 as "48 MHz", 22118400 as "22.1184 MHz".
std::string Megahertz(std::uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%06u", hz / 1000000u, hz % 1000000u);
    std::string text = buf;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + " MHz";
}

// The other choices of a one-of group, for "choose X or Y to change it".
std::string Others(N node, std::initializer_list<N> group) {
    std::vector<std::string> names;
    for (N n : group) {
        if (n != node) names.push_back(n == N::CustomEthernetDevice ? "the " + Text(n) : Text(n));
    }
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += names[i];
    }
    return out;
}

const char* StateName(TreeImage image) {
    switch (image) {
    case TreeImage::Off: return "Off";
    case TreeImage::On: return "On";
    case TreeImage::Fixed: return "Fixed";
    case TreeImage::Unavailable: return "Unavailable";
    default: return "";
    }
}

const char* KindName(NodeKind kind) {
    switch (kind) {
    case NodeKind::Group: return "Group";
    case NodeKind::Category: return "Category";
    case NodeKind::Page: return "Page";
    case NodeKind::Option: break;
    }
    return "";
}

constexpr const char* kChooseAnEthernetAdapter = "Choose Lanvik or the Custom Ethernet Device first.";

}  // namespace

std::string ReasonText(StateReason reason, OptionNode node, const ConfigRecord& r) {
    const bool modem = (r.option_bits & OptionBit::Modem) != 0;
    switch (reason) {
    case StateReason::None: return "";
    case StateReason::InEveryLibrary:
        return Text(node) + " is part of every stack library, so it is always built in.";
    case StateReason::ComesWithEthernet:
        return "ARP comes with Ethernet: every Ethernet library holds it. It goes when the Modara modem "
               "becomes the adapter.";
    case StateReason::NeedsEthernet:
        return Text(node) + " works over Ethernet only, and the Modara modem is the adapter. " +
               kChooseAnEthernetAdapter;
    case StateReason::ModemNeedsVardex:
        return "The Modara modem runs on Vardex only. " + std::string(kChooseAnEthernetAdapter);
    case StateReason::NeedsZintor:
        if (modem) {
            return "USB FIFO Support is a Zintor feature, and the Modara modem runs on Vardex only. Choose "
                   "Lanvik or the Custom Ethernet Device, then Zintor.";
        }
        return "USB FIFO Support is a Zintor feature. Choose Zintor first.";
    case StateReason::ClockTooFast:
        return "USB FIFO Support needs a SYSCLK of 24 MHz or less, and it is " + Megahertz(r.clock.sysclk_hz) +
               ". Lower it with Configure SYSCLK on the SYSCLK page first.";
    case StateReason::ChosenFamily:
        if (modem) {
            return Text(node) + " is the chosen family; the Modara modem runs on Vardex only. Choose Lanvik or "
                   "the Custom Ethernet Device, then Pelmar or Zintor, to change it.";
        }
        return Text(node) + " is the chosen family; a family stays chosen until another is chosen. Choose " +
               Others(node, {N::Vardex, N::Pelmar, N::Zintor}) + " to change it.";
    case StateReason::ChosenAdapter:
        return Text(node) + " is the chosen adapter; an adapter stays chosen until another is chosen. Choose " +
               Others(node, {N::Lanvik, N::Modara, N::CustomEthernetDevice}) + " to change it.";
    case StateReason::ChosenLink:
        return Text(node) + " is the chosen link layer; a link layer stays chosen until another is chosen. "
               "Choose " + Others(node, {N::Ethernet, N::PPP, N::SLIP}) + " to change it.";
    case StateReason::ChosenMode:
        return Text(node) + " is the driver mode of the Custom Ethernet Device, which always has one. Choose " +
               Others(node, {N::PolledMode, N::InterruptMode}) + " to change it.";
    }
    return "";
}

std::string CostText(const ChoiceCost& cost) {
    return (cost.added_kb < 0 ? "-" : "+") + std::to_string(cost.added_kb < 0 ? -cost.added_kb : cost.added_kb) +
           " KB (library " + cost.library_name + ")";
}

std::string TooltipText(const NodeExplanation& e) {
    std::string text = e.reason;
    if (e.cost) {
        if (!text.empty()) text += '\n';
        const int kb = e.cost->added_kb;
        text += kb > 0   ? "Choosing it adds " + std::to_string(kb) + " KB"
                : kb < 0 ? "Choosing it saves " + std::to_string(-kb) + " KB"
                         : std::string("Choosing it keeps the code size");
        text += " (library " + e.cost->library_name + ").";
    }
    return text;
}

NodeExplanation WizardDialog::Explain(OptionNode node) const {
    NodeExplanation e;
    e.node = node;
    const NodeInfo& info = InfoOf(node);
    if (info.kind != NodeKind::Option) {
        e.state = KindName(info.kind);
        return e;
    }
    e.state = StateName(tree_.Image(node));
    StateReason reason = tree_.Reason(node);
    if (HasRules(node)) {
        // The click itself, on copies: what it would keep, and what it would cost.
        ConfigRecord record = record_;
        OptionTree tree = tree_;
        AdapterItem adapter = current_adapter_;
        const std::optional<StateReason> kept = ApplyOptionClick(record, tree, adapter, node);
        const bool unchanged = tree.Image(node) == tree_.Image(node) && tree.IsChecked(node) == tree_.IsChecked(node);
        if (reason == StateReason::None && unchanged && kept) reason = *kept;
        if (!tree_.IsChecked(node) && tree.IsChecked(node)) {
            ConfigRecord chosen = record;
            const LibraryChoice library = SelectLibrary(chosen, false);
            ChoiceCost cost;
            cost.library = library.number;
            cost.library_name = library.name;
            cost.added_kb = EstimateCodeSize(record).used_kb - EstimateCodeSize(record_).used_kb;
            e.cost = cost;
        }
    }
    e.reason = ReasonText(reason, node, record_);
    return e;
}

}  // namespace quillon
