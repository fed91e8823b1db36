#include "clock/SheetModel.h"

#include "clock/PelmarPages.h"
#include "clock/VardexPages.h"
#include "clock/ZintorPages.h"

namespace quillon {

namespace {

template <typename Page>
std::unique_ptr<PropertyPage> Make() {
    return std::make_unique<Page>();
}

struct PageClass {
    std::string_view name;
    std::unique_ptr<PropertyPage> (*create)();
};

constexpr PageClass kPageClasses[] = {
    {"COscIntPropPageVardex", &Make<COscIntPropPageVardex>},
    {"COscExtPropPageVardex", &Make<COscExtPropPageVardex>},
    {"COscPllPropPage", &Make<COscPllPropPage>},
    {"COscSysPropPage", &Make<COscSysPropPage>},
    {"COscIntPropPagePelmar", &Make<COscIntPropPagePelmar>},
    {"COscExtPropPagePelmar", &Make<COscExtPropPagePelmar>},
    {"COscIntPropPageZintor", &Make<COscIntPropPageZintor>},
    {"OscExtPropPageZintor", &Make<OscExtPropPageZintor>},
    {"COscMulPropPageZintor", &Make<COscMulPropPageZintor>},
    {"COscSysPropPageZintor", &Make<COscSysPropPageZintor>},
    {"COscUsbPropPageZintor", &Make<COscUsbPropPageZintor>},
};

}  // namespace

std::unique_ptr<PropertyPage> CreatePropertyPage(std::string_view class_name) {
    for (const auto& c : kPageClasses) {
        if (c.name == class_name) return c.create();
    }
    return nullptr;
}

std::vector<std::string_view> FamilyPageClasses(Family family) {
    switch (family) {
    case Family::Vardex:
        return {"COscIntPropPageVardex", "COscExtPropPageVardex", "COscPllPropPage", "COscSysPropPage"};
    case Family::Pelmar:
        return {"COscIntPropPagePelmar", "COscExtPropPagePelmar"};
    case Family::Zintor:
        return {"COscIntPropPageZintor", "OscExtPropPageZintor", "COscMulPropPageZintor", "COscSysPropPageZintor",
                "COscUsbPropPageZintor"};
    case Family::None:
        break;
    }
    return {};
}

namespace {

std::uint32_t DeviceBitOf(Family family) {
    switch (family) {
    case Family::Vardex: return DeviceBit::Vardex;
    case Family::Pelmar: return DeviceBit::Pelmar;
    case Family::Zintor: return DeviceBit::Zintor;
    case Family::None: break;
    }
    return 0;
}

}  // namespace

SheetModel::SheetModel(const ClockBlock& clock, Family family, SheetUi& ui)
    : family_(family), working_(clock), ui_(ui) {
    context_.device_bits = DeviceBitOf(family);
    for (std::string_view name : FamilyPageClasses(family)) {
        pages_.push_back(CreatePropertyPage(name));
        pages_.back()->Attach(working_, ui_);
    }
}

SheetModel::~SheetModel() = default;

std::vector<ClockViolation> SheetModel::PageViolations(std::size_t index) const {
    std::vector<ClockViolation> out;
    if (index >= pages_.size()) return out;
    for (ClockViolation& v : Violations()) {
        if (pages_[index]->Caption() == v.page) out.push_back(std::move(v));
    }
    return out;
}

std::optional<std::size_t> SheetModel::FindPage(std::string_view caption) const {
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->Caption() == caption) return i;
    }
    return std::nullopt;
}

void SheetModel::Open() {
    if (opened_) return;
    opened_ = true;
    active_ = 0;
    if (pages_.empty()) return;
    pages_[0]->Create();
    pages_[0]->Activate();
}

bool SheetModel::ActivePageLeavable() {
    if (pages_.empty()) return true;
    if (auto why = ActivePage().LeaveRefusal()) {
        ui_.LeaveRefused(*why);
        return false;
    }
    return true;
}

bool SheetModel::Activate(std::size_t index) {
    if (!IsOpen() || index >= pages_.size()) return false;
    if (index == active_) return true;
    ui_.UserEvent({SheetUserEvent::Kind::Page, pages_[index]->Caption(), 0, {}});
    if (!ActivePageLeavable()) return false;
    active_ = index;
    pages_[index]->Create();
    pages_[index]->Activate();
    return true;
}

bool SheetModel::Ok() {
    if (outcome_ == SheetOutcome::Ok) return true;
    if (outcome_ == SheetOutcome::Cancelled) return false;
    ui_.UserEvent({SheetUserEvent::Kind::Ok, {}, 0, {}});
    Open();
    if (!ActivePageLeavable()) return false;
    for (auto& page : pages_) {
        if (page->Created()) page->OnOK();
    }
    outcome_ = SheetOutcome::Ok;
    return true;
}

void SheetModel::Cancel() {
    if (outcome_ != SheetOutcome::Open) return;
    ui_.UserEvent({SheetUserEvent::Kind::Cancel, {}, 0, {}});
    outcome_ = SheetOutcome::Cancelled;
}

}  // namespace quillon
