#include "wizard/SettingsPanel.h"

#include <algorithm>
#include <stdexcept>

namespace quillon {

namespace {

PanelControl Make(int id, PanelControlKind kind, bool visible, std::string text = {}, std::size_t limit = 0) {
    PanelControl c;
    c.id = id;
    c.kind = kind;
    c.visible = visible;
    c.text = std::move(text);
    c.limit = limit;
    return c;
}

}  // namespace

SettingsPanel::SettingsPanel() {
    using K = PanelControlKind;
    namespace C = ControlId;
    controls_ = {
        Make(C::Value1, K::Edit, false, {}, 35),
        Make(C::Value2, K::Edit, false, {}, 35),
        Make(C::Value3, K::Edit, false, {}, 35),
        Make(C::Label1, K::Label, true),
        Make(C::Label2, K::Label, true),
        Make(C::Label3, K::Label, true),
        Make(C::Label4, K::Label, true),
        Make(C::Value4, K::Edit, false, {}, 35),
        Make(C::Label5, K::Label, true),
        Make(C::ConfigureSysclk, K::Button, false, "Configure SYSCLK"),
        Make(C::ArpAutoUpdate, K::Check, true, "ARP Auto Update"),
        Make(C::Address1, K::Address, false),
        Make(C::Address2, K::Address, false),
        Make(C::Address3, K::Address, false),
        Make(C::Address4, K::Address, false),
    };
    for (int i = 0; i < 12; ++i) controls_.push_back(Make(C::DestMacFirst + i, K::Mac, false, {}, 2));
    controls_.push_back(Make(C::UpdateBaudRate, K::Button, true, "Update UART Baud Rate"));
    controls_.push_back(Make(C::UsedSpaceLabel, K::Label, true, "Used Space:"));
    controls_.push_back(Make(C::FreeSpaceLabel, K::Label, true, "Free Space:"));
    PanelControl used = Make(C::UsedSpace, K::Edit, true, "0");
    used.read_only = true;
    PanelControl free = Make(C::FreeSpace, K::Edit, true, "128");
    free.read_only = true;
    controls_.push_back(used);
    controls_.push_back(free);
    controls_.push_back(Make(C::UsedKbLabel, K::Label, true, "KB"));
    controls_.push_back(Make(C::FreeKbLabel, K::Label, true, "KB"));
    controls_.push_back(Make(C::CountryCombo, K::Combo, true));
    controls_.push_back(Make(C::CountryLabel, K::Label, true, "Country Codes:"));
    controls_.push_back(Make(C::ProtocolCombo, K::Combo, true));
    controls_.push_back(Make(C::ProtocolLabel, K::Label, true, "Protocol:"));
    std::sort(controls_.begin(), controls_.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
}

PanelControl& SettingsPanel::Control(int id) {
    return const_cast<PanelControl&>(static_cast<const SettingsPanel&>(*this).Control(id));
}

const PanelControl& SettingsPanel::Control(int id) const {
    const auto it = std::lower_bound(controls_.begin(), controls_.end(), id,
                                     [](const PanelControl& c, int wanted) { return c.id < wanted; });
    if (it == controls_.end() || it->id != id) throw std::out_of_range("no panel control " + std::to_string(id));
    return *it;
}

bool SettingsPanel::Has(int id) const {
    const auto it = std::lower_bound(controls_.begin(), controls_.end(), id,
                                     [](const PanelControl& c, int wanted) { return c.id < wanted; });
    return it != controls_.end() && it->id == id;
}

bool SettingsPanel::ShowsNothing() const {
    namespace C = ControlId;
    for (const PanelControl& c : controls_) {
        if (c.id >= C::UsedSpaceLabel && c.id <= C::FreeKbLabel) continue;
        if (!c.visible) continue;
        if (c.kind != PanelControlKind::Label || !c.text.empty()) return false;
    }
    return true;
}

int SettingsPanel::ValueId(int n) {
    static constexpr int kIds[] = {ControlId::Value1, ControlId::Value2, ControlId::Value3, ControlId::Value4};
    if (n < 1 || n > 4) throw std::out_of_range("value text");
    return kIds[n - 1];
}

int SettingsPanel::LabelId(int n) {
    static constexpr int kIds[] = {ControlId::Label1, ControlId::Label2, ControlId::Label3, ControlId::Label4,
                                   ControlId::Label5};
    if (n < 1 || n > 5) throw std::out_of_range("label text");
    return kIds[n - 1];
}

}  // namespace quillon
