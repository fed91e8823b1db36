#include "clock/PropertyPage.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

#include "clock/ClockMath.h"

namespace quillon {

PropertyPage::PropertyPage(std::string class_name, int dialog_id, std::string caption, int foot_box_id)
    : class_name_(std::move(class_name)), dialog_id_(dialog_id), caption_(std::move(caption)), foot_box_id_(foot_box_id) {
    PageControl foot;
    foot.id = foot_box_id;
    foot.kind = PageControlKind::Edit;
    foot.read_only = true;
    foot.multi_line = true;
    AddControl(foot);
}

PropertyPage::~PropertyPage() = default;

bool PropertyPage::Has(int id) const {
    return std::any_of(controls_.begin(), controls_.end(), [id](const PageControl& c) { return c.id == id; });
}

const PageControl& PropertyPage::Control(int id) const {
    for (const auto& c : controls_) {
        if (c.id == id) return c;
    }
    throw std::out_of_range(class_name_ + " has no control " + std::to_string(id));
}

PageControl& PropertyPage::Ctl(int id) { return const_cast<PageControl&>(std::as_const(*this).Control(id)); }

void PropertyPage::Attach(ClockBlock& clock, SheetUi& ui) {
    clock_ = &clock;
    ui_ = &ui;
}

void PropertyPage::Create() {
    if (created_) return;
    if (!clock_ || !ui_) throw std::logic_error(class_name_ + " shown before it was given a clock block");
    created_ = true;
    OnInitDialog();
}

std::optional<std::string> PropertyPage::LeaveRefusal() const {
    for (const auto& c : controls_) {
        if (c.kind != PageControlKind::Edit) continue;
        if (c.unsigned_number && !ParseUnsignedWhole(c.text)) return std::string(kUnsignedNumberPrompt);
        if (c.max_length != 0 && c.text.size() > c.max_length) {
            return "Please enter no more than " + std::to_string(c.max_length) + " characters.";
        }
    }
    return std::nullopt;
}

bool PropertyPage::Click(int id) {
    if (!created_ || !Has(id)) return false;
    PageControl& c = Ctl(id);
    if (!c.enabled || !c.visible) return false;
    if (c.kind == PageControlKind::Radio) {
        CheckRadio(id, id);
    } else if (c.kind == PageControlKind::Check) {
        c.checked = !c.checked;
    } else {
        return false;
    }
    ui_->UserEvent({SheetUserEvent::Kind::Click, caption_, id, {}});
    OnClicked(id);
    return true;
}

bool PropertyPage::ClickInto(int id, bool checked) {
    if (!created_ || !Has(id)) return false;
    const PageControl& c = Control(id);
    if (c.kind != PageControlKind::Check || !c.enabled || !c.visible) return false;
    if (c.checked != checked) Click(id);
    return true;
}

bool PropertyPage::EditText(int id, std::string text) {
    if (!created_ || !Has(id)) return false;
    const PageControl& c = Control(id);
    if (c.kind != PageControlKind::Edit || !c.enabled || !c.visible || c.read_only) return false;
    ui_->UserEvent({SheetUserEvent::Kind::Edit, caption_, id, text});
    if (c.upper_case) {
        for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    if (c.max_length != 0 && text.size() > c.max_length) text.resize(c.max_length);
    SetWindowText(id, std::move(text));
    return true;
}

PageControl& PropertyPage::AddControl(PageControl control) {
    auto at = std::lower_bound(controls_.begin(), controls_.end(), control.id,
                               [](const PageControl& c, int id) { return c.id < id; });
    if (at != controls_.end() && at->id == control.id) {
        throw std::logic_error(class_name_ + " has control " + std::to_string(control.id) + " twice");
    }
    return *controls_.insert(at, std::move(control));
}

PageControl& PropertyPage::AddRadio(int id, std::string text, int group) {
    PageControl c;
    c.id = id;
    c.kind = PageControlKind::Radio;
    c.text = std::move(text);
    c.radio_group = group;
    return AddControl(std::move(c));
}

PageControl& PropertyPage::AddCheck(int id, std::string text) {
    PageControl c;
    c.id = id;
    c.kind = PageControlKind::Check;
    c.text = std::move(text);
    return AddControl(std::move(c));
}

PageControl& PropertyPage::AddEdit(int id) {
    PageControl c;
    c.id = id;
    c.kind = PageControlKind::Edit;
    return AddControl(std::move(c));
}

PageControl& PropertyPage::AddDisplay(int id) {
    PageControl& c = AddEdit(id);
    c.enabled = false;
    return c;
}

PageControl& PropertyPage::AddStatic(int id, std::string text, bool visible) {
    PageControl c;
    c.id = id;
    c.kind = PageControlKind::Static;
    c.text = std::move(text);
    c.visible = visible;
    return AddControl(std::move(c));
}

void PropertyPage::AddGroup(std::string caption, std::vector<std::vector<GroupItem>> rows) {
    groups_.push_back(GroupBox{std::move(caption), std::move(rows)});
}

std::vector<std::vector<GroupItem>> PropertyPage::Column(int first, int last, int step) {
    std::vector<std::vector<GroupItem>> rows;
    for (int id = first; id <= last; id += step) rows.push_back({Item(id)});
    return rows;
}

void PropertyPage::SetWindowText(int id, std::string text) {
    Ctl(id).text = std::move(text);
    OnTextChanged(id);
}

void PropertyPage::CheckRadio(int group_of, std::optional<int> id) {
    const int group = Control(group_of).radio_group;
    for (auto& c : controls_) {
        if (c.kind == PageControlKind::Radio && c.radio_group == group) c.checked = id && c.id == *id;
    }
}

std::optional<int> PropertyPage::CheckedRadio(int group_of) const {
    const int group = Control(group_of).radio_group;
    for (const auto& c : controls_) {
        if (c.kind == PageControlKind::Radio && c.radio_group == group && c.checked) return c.id;
    }
    return std::nullopt;
}

void PropertyPage::ShowMessage(const std::string& text, PageIcon icon) { ui_->PageMessage(text, icon); }

bool PropertyPage::AskYesNo(const std::string& text) { return ui_->PageQuestion(text); }

}  // namespace quillon
