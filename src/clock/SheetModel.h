// The "Oscillators" sheet as a model: a working copy of the clock block that every page
// edits, the family's pages in order and the active page. The window opens it and hands it to
// the front end's sheet runner; the front end (or a script) activates pages, forwards control events to
// ActivePage() and ends the sheet with Ok() or Cancel().
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock/ClockLimits.h"
#include "clock/ClockTree.h"
#include "clock/PropertyPage.h"
#include "clock/SheetUi.h"
#include "config/ClockDefaults.h"
#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr const char* kSheetCaption = "Oscillators";

// The run-time class names of a family's pages, in sheet order; empty without a family.
std::vector<std::string_view> FamilyPageClasses(Family family);

enum class SheetOutcome { Open, Ok, Cancelled };

class SheetModel {
public:
    // Copies `clock` into the working copy and creates the family's pages (none is shown yet).
    SheetModel(const ClockBlock& clock, Family family, SheetUi& ui);
    ~SheetModel();
    SheetModel(const SheetModel&) = delete;
    SheetModel& operator=(const SheetModel&) = delete;

    const std::string& Caption() const { return caption_; }
    const ClockBlock& Working() const { return working_; }
    Family SheetFamily() const { return family_; }

    // What the limits read besides the clock block (the project's options); by default only
    // the family's device bit.
    void SetContext(const ClockContext& context) { context_ = context; }
    const ClockContext& Context() const { return context_; }
    // The working copy's clock tree and its violations, as they stand now.
    ClockTree Tree() const { return BuildClockTree(context_, working_); }
    std::vector<ClockViolation> Violations() const { return ClockViolations(context_, working_); }
    // The violations that are fixed on page `index`.
    std::vector<ClockViolation> PageViolations(std::size_t index) const;

    std::size_t PageCount() const { return pages_.size(); }
    PropertyPage& Page(std::size_t index) { return *pages_.at(index); }
    const PropertyPage& Page(std::size_t index) const { return *pages_.at(index); }
    // The page with that tab caption.
    std::optional<std::size_t> FindPage(std::string_view caption) const;

    // Shows the first page (created, then activated). The window calls it before RunSheet;
    // calling it again does nothing.
    void Open();
    bool IsOpen() const { return opened_ && outcome_ == SheetOutcome::Open; }
    SheetOutcome Outcome() const { return outcome_; }

    std::size_t ActiveIndex() const { return active_; }
    PropertyPage& ActivePage() { return Page(active_); }
    const PropertyPage& ActivePage() const { return Page(active_); }

    // Makes page `index` the active one: refused (with the toolkit's message, the active page
    // staying) while the active page cannot be left. True when `index` is active afterwards.
    bool Activate(std::size_t index);
    // The OK button: the active page must be leavable; then every page that has been shown
    // runs its OnOK and the sheet ends with OK. True when it ended with OK (also when it had
    // already), false when it stays open or was cancelled.
    bool Ok();
    // Cancel, the close box or Escape: the sheet ends and the working copy counts for nothing.
    void Cancel();

private:
    bool ActivePageLeavable();

    std::string caption_ = kSheetCaption;
    Family family_;
    ClockContext context_;
    ClockBlock working_;
    SheetUi& ui_;
    std::vector<std::unique_ptr<PropertyPage>> pages_;
    std::size_t active_ = 0;
    bool opened_ = false;
    SheetOutcome outcome_ = SheetOutcome::Open;
};

}  // namespace quillon
