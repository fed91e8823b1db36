// One page of the "Oscillators" sheet as a model: its controls, its group boxes in template
// order and the handlers that run when the user clicks a control or edits a text. Views build
// their widgets from Controls() and Groups() and forward the user's events; a script runner
// drives the same events. Nothing here knows a toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"
#include "clock/SheetUi.h"

namespace quillon {

enum class PageControlKind { Radio, Check, Edit, Static };

struct PageControl {
    int id = 0;
    PageControlKind kind = PageControlKind::Static;
    std::string text;  // the label of a radio button or check box, the text of an edit or static
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    bool read_only = false;
    // The edit takes digits only when typed (pasted text may still hold anything).
    bool digits_only = false;
    // The edit is bound to an unsigned whole-number member: the page cannot be left while
    // its text is not one.
    bool unsigned_number = false;
    std::size_t max_length = 0;  // 0: no limit; longer input is cut, as an edit control does
    bool upper_case = false;     // typed letters become capitals
    bool centred = false;
    bool multi_line = false;     // the foot box
    // Radio buttons with the same non-zero group exclude each other.
    int radio_group = 0;
};

// One item inside a group box: a control (control_id != 0) or an id-less label text.
struct GroupItem {
    int control_id = 0;
    std::string label;
};

// A group box with its items in rows: the items of one row sit side by side (for example the
// label "Clock Speed", the edit 3403 and "Hz"), rows run from top to bottom.
struct GroupBox {
    std::string caption;
    std::vector<std::vector<GroupItem>> rows;
};

class PropertyPage {
public:
    virtual ~PropertyPage();
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;

    // The run-time class name, for example "COscPllPropPage".
    const std::string& ClassName() const { return class_name_; }
    int DialogId() const { return dialog_id_; }
    const std::string& Caption() const { return caption_; }

    // Every control in id order, the foot box included.
    const std::vector<PageControl>& Controls() const { return controls_; }
    bool Has(int id) const;
    // Throws std::out_of_range for an id the page does not have.
    const PageControl& Control(int id) const;
    // The group boxes in template order.
    const std::vector<GroupBox>& Groups() const { return groups_; }
    // The empty read-only multi-line box every page ends with (3367, 1200 or 6369).
    int FootBoxId() const { return foot_box_id_; }

    // --- Binding, done by the sheet before the page is first shown --------------------------
    void Attach(ClockBlock& clock, SheetUi& ui);
    bool Created() const { return created_; }

    // --- Life, driven by the sheet -----------------------------------------------------------
    // First display: OnInitDialog.
    void Create();
    // Every time the page becomes the active one.
    void Activate() { OnSetActive(); }
    // The sheet is confirmed and this page has been shown.
    virtual void OnOK() {}
    // Why the page cannot be left now (the toolkit's validation of a bound member), or
    // nothing when it can.
    std::optional<std::string> LeaveRefusal() const;

    // --- The user's events; false when the page has no such control or it cannot take the
    // event (wrong kind, disabled, hidden or read-only), and then nothing happens ------------
    // A click on a radio button (checks it, clears the others of its group) or a check box
    // (toggles it), then the page's handler.
    bool Click(int id);
    // A click on check box `id` only if it is not already `checked`; false for a control that
    // is not an enabled, visible check box.
    bool ClickInto(int id, bool checked);
    // The user's edit of `id` ends with `text` (one text-changed notification). The edit's
    // own limits apply first: letters become capitals in an upper-case edit, text beyond the
    // maximum length is cut.
    bool EditText(int id, std::string text);

protected:
    PropertyPage(std::string class_name, int dialog_id, std::string caption, int foot_box_id);

    // Template building, used by the constructors.
    PageControl& AddControl(PageControl control);
    PageControl& AddRadio(int id, std::string text, int group);
    PageControl& AddCheck(int id, std::string text);
    PageControl& AddEdit(int id);
    // A disabled edit that only shows a value.
    PageControl& AddDisplay(int id);
    PageControl& AddStatic(int id, std::string text, bool visible = true);
    void AddGroup(std::string caption, std::vector<std::vector<GroupItem>> rows);
    static GroupItem Item(int id) { return GroupItem{id, {}}; }
    static GroupItem Label(std::string text) { return GroupItem{0, std::move(text)}; }
    // One row per control, ids first to last inclusive in steps of `step`.
    static std::vector<std::vector<GroupItem>> Column(int first, int last, int step = 1);

    // Handlers.
    virtual void OnInitDialog() = 0;
    virtual void OnSetActive() { OnInitDialog(); }
    virtual void OnClicked(int /*id*/) {}
    virtual void OnTextChanged(int /*id*/) {}

    // Control access for the handlers.
    PageControl& Ctl(int id);
    bool IsChecked(int id) const { return Control(id).checked; }
    const std::string& Text(int id) const { return Control(id).text; }
    // Data exchange towards the controls: no handler runs.
    void SetCheck(int id, bool checked) { Ctl(id).checked = checked; }
    void SetTextQuiet(int id, std::string text) { Ctl(id).text = std::move(text); }
    // Setting an edit's text directly: its text-changed handler runs, as it does for typing.
    void SetWindowText(int id, std::string text);
    // Checks `id` and clears every other radio button of its group; with nothing (or an id
    // that is not a radio button of the page) clears the whole group of `group_of`.
    void CheckRadio(int group_of, std::optional<int> id);
    // The checked radio button of the group `group_of` belongs to, if any.
    std::optional<int> CheckedRadio(int group_of) const;

    ClockBlock& Clock() { return *clock_; }
    const ClockBlock& Clock() const { return *clock_; }
    // The pages' own message boxes have no caption of their own.
    void ShowMessage(const std::string& text, PageIcon icon);
    bool AskYesNo(const std::string& text);

private:
    std::string class_name_;
    int dialog_id_;
    std::string caption_;
    int foot_box_id_;
    std::vector<PageControl> controls_;
    std::vector<GroupBox> groups_;
    ClockBlock* clock_ = nullptr;
    SheetUi* ui_ = nullptr;
    bool created_ = false;
};

// The run-time class names of the pages, and creation from them; nothing for a name that is
// not a page class.
std::unique_ptr<PropertyPage> CreatePropertyPage(std::string_view class_name);

}  // namespace quillon
