// What the oscillator sheet and its pages need from whoever shows them: the pages' own message
// boxes and questions, and the refusal to leave a page. The window implements it on top of its
// dialogs; tests record the calls.
#pragma once

#include <string>

namespace quillon {

enum class PageIcon { Exclamation, Question };

// One of the user's own events on the sheet, as a recorded session replays it.
struct SheetUserEvent {
    enum class Kind { Page, Click, Edit, Ok, Cancel };
    Kind kind = Kind::Ok;
    std::string page;  // Page: the caption of the page made active
    int id = 0;        // Click, Edit: the control
    std::string text;  // Edit: the text as typed
};

class SheetUi {
public:
    virtual ~SheetUi() = default;

    // A page's own message box: an OK button, `icon`, no caption of its own.
    virtual void PageMessage(const std::string& text, PageIcon icon) = 0;
    // A page's own Yes/No question (question icon, no caption); true for Yes.
    virtual bool PageQuestion(const std::string& text) = 0;
    // The active page cannot be left (a bound member does not hold a valid value): the
    // toolkit's own validation message, with the application's caption.
    virtual void LeaveRefused(const std::string& text) = 0;
    // A user event the sheet or a page takes, reported before it runs (so that questions it
    // asks come after it); nothing by default.
    virtual void UserEvent(const SheetUserEvent& /*event*/) {}
};

}  // namespace quillon
