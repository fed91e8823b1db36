// The oscillator pages' messages and questions shown through the window's dialogs.
#pragma once

#include "clock/SheetUi.h"
#include "wizard/Platform.h"

namespace quillon {

class PlatformSheetUi final : public SheetUi {
public:
    explicit PlatformSheetUi(Platform& platform) : platform_(platform) {}

    void PageMessage(const std::string& text, PageIcon icon) override {
        platform_.ShowMessage(Message{text, ToMessageIcon(icon), "", {}});
    }
    bool PageQuestion(const std::string& text) override {
        return platform_.AskYesNo(Message{text, MessageIcon::Question, "", {}});
    }
    void LeaveRefused(const std::string& text) override {
        platform_.ShowMessage(Message{text, MessageIcon::Exclamation, kAppCaption, {}});
    }

private:
    static MessageIcon ToMessageIcon(PageIcon icon) {
        return icon == PageIcon::Question ? MessageIcon::Question : MessageIcon::Exclamation;
    }

    Platform& platform_;
};

}  // namespace quillon
