// What the oscillator sheet and its pages need from whoever shows them: the pages' own message
// boxes and questions, and the refusal to leave a page. The window implements it on top of its
// dialogs; tests record the calls.
#pragma once

#include <string>

namespace quillon {

enum class PageIcon { Exclamation, Question };

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
};

}  // namespace quillon
