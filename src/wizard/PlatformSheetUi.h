// The oscillator pages' messages and questions shown through the window's dialogs.
#pragma once

#include "clock/SheetUi.h"
#include "wizard/Platform.h"
#include "wizard/SessionRecorder.h"

namespace quillon {

class PlatformSheetUi final : public SheetUi {
public:
    // `session` (when given) records the user's events on the sheet.
    explicit PlatformSheetUi(Platform& platform, SessionRecorder* session = nullptr)
        : platform_(platform), session_(session) {}

    void PageMessage(const std::string& text, PageIcon icon) override {
        platform_.ShowMessage(Message{text, ToMessageIcon(icon), "", {}});
    }
    bool PageQuestion(const std::string& text) override {
        return platform_.AskYesNo(Message{text, MessageIcon::Question, "", {}});
    }
    void LeaveRefused(const std::string& text) override {
        platform_.ShowMessage(Message{text, MessageIcon::Exclamation, kAppCaption, {}});
    }
    void UserEvent(const SheetUserEvent& event) override {
        if (session_) session_->SheetEvent(event);
    }

private:
    static MessageIcon ToMessageIcon(PageIcon icon) {
        return icon == PageIcon::Question ? MessageIcon::Question : MessageIcon::Exclamation;
    }

    Platform& platform_;
    SessionRecorder* session_;
};

}  // namespace quillon
