#include "clock/ClockTree.h"

#include <algorithm>
#include <cstdio>

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/DerivedValues.h"
#include "clock/ExternalOscillatorPage.h"

namespace quillon {

namespace {

constexpr const char* kInternalPage = "Internal Oscillator";
constexpr const char* kExternalPage = "External Oscillator";

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

const char* DividerText(std::uint8_t oscicn) {
    static constexpr const char* kText[4] = {"/ 8", "/ 4", "/ 2", "/ 1"};
    return kText[oscicn & 0x03];
}

class Builder {
public:
    Builder(const ClockContext& context, const ClockBlock& clock)
        : context_(context), c_(clock), family_(FamilyOf(context.device_bits)) {
        tree_.family = family_;
        tree_.recorded_sysclk_hz = clock.sysclk_hz;
    }

    ClockTree Build() {
        switch (family_) {
        case Family::Vardex: Vardex(); break;
        case Family::Pelmar: Pelmar(); break;
        case Family::Zintor: Zintor(); break;
        case Family::None: return std::move(tree_);
        }
        Leaves();
        MarkPath();
        tree_.violations = ClockViolations(context_, c_);
        for (std::size_t i = 0; i < tree_.violations.size(); ++i) {
            const ClockPart part = tree_.violations[i].part;
            auto node = std::find_if(tree_.nodes.begin(), tree_.nodes.end(), [&](const ClockTreeNode& n) { return n.part == part; });
            if (node == tree_.nodes.end()) node = std::find_if(tree_.nodes.begin(), tree_.nodes.end(), [](const ClockTreeNode& n) {
                return n.part == ClockPart::Sysclk;
            });
            if (node != tree_.nodes.end()) node->violations.push_back(i);
        }
        return std::move(tree_);
    }

private:
    std::size_t Node(ClockPart part, std::string name, std::string setting, std::optional<std::uint64_t> hz,
                     const char* page, int column, int row, bool running = true) {
        ClockTreeNode n;
        n.part = part;
        n.name = std::move(name);
        n.setting = std::move(setting);
        n.hz = hz;
        if (hz) n.value = FormatMHz(*hz);
        n.page = page;
        n.column = column;
        n.row = row;
        n.running = running;
        tree_.nodes.push_back(std::move(n));
        return tree_.nodes.size() - 1;
    }
    void Edge(std::size_t from, std::size_t to, bool selected = true) {
        tree_.edges.push_back(ClockTreeEdge{from, to, selected, false});
    }

    std::size_t ExternalNode(std::uint64_t hz, int row) {
        const unsigned bits = (c_.oscxcn >> 4) & 0x07u;
        const OscillatorMode* mode = ModeOf(family_, c_.oscxcn);
        std::string setting = bits == 0 ? "off" : mode ? mode->text : "mode " + std::to_string(bits);
        // The pages' texts end some modes in a blank.
        while (!setting.empty() && setting.back() == ' ') setting.pop_back();
        // A halving mode shows what it halves.
        if (bits != 0 && hz != c_.ext_osc_hz) setting += " of " + FormatMHz(c_.ext_osc_hz);
        return Node(ClockPart::ExternalOscillator, "External oscillator", setting, hz, kExternalPage, 0, row, bits != 0);
    }

    void SysclkNode(std::uint64_t hz, std::string setting, const char* page, int column, int row) {
        if (hz != c_.sysclk_hz) setting += "; recorded " + FormatMHz(c_.sysclk_hz);
        sysclk_ = Node(ClockPart::Sysclk, "SYSCLK", setting, hz, page, column, row);
        leaf_column_ = column + 1;
    }

    void Vardex() {
        const bool pll_on = c_.pll0cn & 0x02;
        const std::size_t osc = Node(ClockPart::InternalOscillator, "Internal oscillator",
                                     (c_.oscicn & 0x80) ? "enabled" : "disabled", c_.int_osc_hz, kInternalPage, 0, 0,
                                     c_.oscicn & 0x80);
        const std::size_t internal = Node(ClockPart::InternalDivider, "Internal divider", DividerText(c_.oscicn),
                                          VardexInternalHz(c_), kInternalPage, 1, 0, c_.oscicn & 0x80);
        const std::size_t external = ExternalNode(VardexExternalHz(c_), 2);
        const std::size_t reference =
            Node(ClockPart::PllReference, "PLL pre-divider", "/ " + std::to_string(VardexPreDivider(c_.pll0div)),
                 VardexPllReferenceHz(c_), "PLL Setup", 2, 1, pll_on);
        const std::size_t pll = Node(ClockPart::PllOutput, "PLL multiplier",
                                     "x " + std::to_string(VardexMultiplier(c_.pll0mul)) + (pll_on ? "" : ", disabled"),
                                     VardexPllOutputHz(c_), "PLL Setup", 3, 1, pll_on);
        const unsigned source = c_.clksel & 0x03u;
        static constexpr const char* kSource[4] = {"internal oscillator", "external oscillator", "PLL", "no source"};
        const auto undivided = VardexUndividedSysclkHz(c_);
        const std::size_t select = Node(ClockPart::SysclkSelect, "SYSCLK select", std::string("from ") + kSource[source],
                                        undivided, "SYSCLK Select", 4, 1);
        SysclkNode(RegisterSysclkHz(Family::Vardex, c_).value_or(0),
                   "/ " + std::to_string(VardexDivideFactor(c_.clksel)), "SYSCLK Select", 5, 1);
        if (!undivided) {
            tree_.nodes[sysclk_].hz.reset();
            tree_.nodes[sysclk_].value = "no source";
        }

        Edge(osc, internal);
        Edge(internal, reference, !(c_.pll0cn & 0x04));
        Edge(external, reference, c_.pll0cn & 0x04);
        Edge(reference, pll);
        Edge(internal, select, source == 0);
        Edge(external, select, source == 1);
        Edge(pll, select, source == 2);
        Edge(select, sysclk_);

        const unsigned code = (c_.flscl >> 4) & 0x03u;
        Leaf(ClockPart::FlashReadTime, "Flash read time",
             "FLSCL code " + std::to_string(code) + ", up to " + FormatMHz(VardexFlashCodeLimitHz(c_.flscl)));
    }

    void Pelmar() {
        const bool external_source = c_.oscicn & 0x08;
        // SYSCLK_Init enables the internal oscillator when SYSCLK runs from it.
        const std::size_t internal =
            Node(ClockPart::InternalOscillator, "Internal oscillator",
                 std::string("runs at ") + FormatMHz(PelmarInternalHz(c_)) + ((c_.oscicn & 0x04) ? "" : ", disabled"),
                 PelmarInternalHz(c_), kInternalPage, 0, 0, (c_.oscicn & 0x04) || !external_source);
        const std::size_t external = ExternalNode(PelmarExternalHz(c_, c_.ext_osc_hz), 1);
        SysclkNode(PelmarSysclkHz(c_), external_source ? "from external oscillator" : "from internal oscillator",
                   SysclkPage(Family::Pelmar, c_), 1, 0);
        Edge(internal, sysclk_, !external_source);
        Edge(external, sysclk_, external_source);
    }

    void Zintor() {
        const std::size_t osc = Node(ClockPart::InternalOscillator, "Internal oscillator",
                                     (c_.oscicn & 0x80) ? "enabled" : "disabled", c_.int_osc_hz, kInternalPage, 0, 0,
                                     c_.oscicn & 0x80);
        const std::size_t internal = Node(ClockPart::InternalDivider, "Internal divider", DividerText(c_.oscicn),
                                          ZintorInternalHz(c_), kInternalPage, 1, 0, c_.oscicn & 0x80);
        const std::size_t external = ExternalNode(ZintorExternalHz(c_, kHalvingWide), 2);
        const unsigned mul_source = c_.clkmul & 0x03u;
        static constexpr const char* kMulSource[4] = {"internal x 4", "external x 4", "external x 2", "no source"};
        const bool mul_on = c_.clkmul & 0x80;
        const std::size_t multiplier =
            Node(ClockPart::Multiplier, "Clock multiplier", std::string(kMulSource[mul_source]) + (mul_on ? "" : ", disabled"),
                 ZintorMultiplierHz(c_, mul_source, kHalvingWide), "Clock Multiplier", 2, 1, mul_on);
        const unsigned source = c_.clksel & 0x03u;
        static constexpr const char* kSource[4] = {"from internal oscillator", "from external oscillator",
                                                   "from clock multiplier / 2", "from clock multiplier"};
        SysclkNode(ZintorSysclkHz(c_), kSource[source], "SYSCLK Select", 3, 1);
        const unsigned usb_source = (c_.clksel >> 4) & 0x07u;
        static constexpr const char* kUsbSource[8] = {
            "from clock multiplier",       "from internal oscillator / 2", "from external oscillator",
            "from external oscillator / 2", "from external oscillator / 3", "from external oscillator / 4",
            "no source",                    "no source"};
        const std::size_t usb = Node(ClockPart::UsbClock, "USB clock", kUsbSource[usb_source], ZintorUsbClockHz(c_),
                                     "USB Clock Source", 3, 2);

        Edge(osc, internal);
        Edge(internal, multiplier, mul_source == 0);
        Edge(external, multiplier, mul_source == 1 || mul_source == 2);
        Edge(internal, sysclk_, source == 0);
        Edge(external, sysclk_, source == 1);
        Edge(multiplier, sysclk_, source >= 2);
        Edge(multiplier, usb, usb_source == 0);
        Edge(internal, usb, usb_source == 1);
        Edge(external, usb, usb_source >= 2 && usb_source <= 5);
    }

    void Leaf(ClockPart part, std::string name, std::string value) {
        const std::size_t n = Node(part, std::move(name), "", std::nullopt, SysclkPage(family_, c_), leaf_column_, leaf_row_++);
        tree_.nodes[n].value = std::move(value);
        tree_.nodes[n].leaf = true;
        Edge(sysclk_, n);
    }

    // The values generation derives from the recorded SYSCLK, for what the project has.
    void Leaves() {
        const std::uint32_t sysclk = c_.sysclk_hz;
        if (const auto reload = TickReloadValue(context_.device_bits, sysclk)) {
            Leaf(ClockPart::Tick, "Timer 0 tick, 10 ms",
                 *reload < 0 ? "reload " + std::to_string(*reload) + ", wraps" : "reload " + Hex(static_cast<unsigned>(*reload), 4));
        }
        if (context_.option_bits & OptionBit::Modem) {
            const BaudChoice baud = GenerationBaudRate(sysclk);
            std::string value = std::to_string(baud.rate) + " baud, ";
            if (baud.candidate.reload < 256) {
                char error[32];
                std::snprintf(error, sizeof error, "%.1f%%", baud.candidate.error);
                value += "reload " + Hex(baud.candidate.reload, 2) + ", error " + error;
            } else {
                value += "reload does not fit";
            }
            Leaf(ClockPart::Uart, "Modem UART", value);
        }
        if (context_.option_bits & OptionBit::Ethernet) {
            Leaf(ClockPart::Emif, "Memory interface", "timing " + Hex(EmifTimingAt(sysclk), 2));
        }
        if (context_.locatra) {
            const std::uint64_t counts = LocatraTimer2Counts(context_.device_bits, sysclk);
            Leaf(ClockPart::Timer2, "LOCATRA timer 2",
                 counts >= 1 && counts <= kTimer2MaxCounts
                     ? "reload " + Hex(static_cast<unsigned>((kTimer2MaxCounts - counts) & 0xFFFFu), 4)
                     : std::to_string(counts) + " counts, does not fit");
        }
    }

    // From SYSCLK back along the chosen inputs; SYSCLK's own outputs (the leaves) count too.
    void MarkPath() {
        tree_.nodes[sysclk_].on_path = true;
        for (bool changed = true; changed;) {
            changed = false;
            for (ClockTreeEdge& e : tree_.edges) {
                if (e.on_path) continue;
                const bool into_path = e.selected && tree_.nodes[e.to].on_path && !tree_.nodes[e.to].leaf;
                const bool to_leaf = e.from == sysclk_;
                if (into_path || to_leaf) {
                    e.on_path = true;
                    if (into_path) tree_.nodes[e.from].on_path = true;
                    if (to_leaf) tree_.nodes[e.to].on_path = true;
                    changed = true;
                }
            }
        }
    }

    const ClockContext& context_;
    const ClockBlock& c_;
    Family family_;
    ClockTree tree_;
    std::size_t sysclk_ = 0;
    int leaf_column_ = 0;
    int leaf_row_ = 0;
};

}  // namespace

const ClockTreeNode* ClockTree::Find(ClockPart part) const {
    for (const ClockTreeNode& n : nodes) {
        if (n.part == part) return &n;
    }
    return nullptr;
}

int ClockTree::Columns() const {
    int columns = 0;
    for (const ClockTreeNode& n : nodes) columns = std::max(columns, n.column + 1);
    return columns;
}

int ClockTree::Rows() const {
    int rows = 0;
    for (const ClockTreeNode& n : nodes) rows = std::max(rows, n.row + 1);
    return rows;
}

ClockTree BuildClockTree(const ClockContext& context, const ClockBlock& clock) { return Builder(context, clock).Build(); }

ClockTree BuildClockTree(const ConfigRecord& record) { return BuildClockTree(ContextOf(record), record.clock); }

}  // namespace quillon
