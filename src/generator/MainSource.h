// main.c and zs_callback.c: composed in a fixed order from string fragments, stored data files
// and text computed from the record. The composition writes into a SourceWriter, so that the
// order of the pieces can be checked without the stored texts.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"

namespace quillon {

class SourceWriter {
public:
    virtual ~SourceWriter() = default;
    virtual void WriteFragment(int id) = 0;       // a string fragment, unchanged
    virtual void WriteDataFile(int number) = 0;   // a stored data file, unchanged
    virtual void WriteText(std::string_view text) = 0;
};

// Collects the pieces' real texts.
class TextSourceWriter final : public SourceWriter {
public:
    void WriteFragment(int id) override;
    void WriteDataFile(int number) override;
    void WriteText(std::string_view text) override { text_.append(text); }
    std::string& Text() { return text_; }

private:
    std::string text_;
};

// The routines of main.c after the main routine.
void EmitPortInit(const ConfigRecord& record, SourceWriter& out);
void EmitEmifInit(const ConfigRecord& record, SourceWriter& out);
void EmitDefaultSysclkInit(const ConfigRecord& record, SourceWriter& out);
void EmitEtherReset(const ConfigRecord& record, SourceWriter& out);

// The whole of main.c around `main_routine` (the expanded main-routine template, used up to
// its first zero byte). `date` follows the banner's "// Date: ".
void ComposeMainSource(const ConfigRecord& record, std::string_view main_routine, std::string_view date,
                       SourceWriter& out);

// The whole of zs_callback.c with callback block `callback_number` (193, or 196 for Lanvik).
void ComposeCallbackSource(const ConfigRecord& record, int callback_number, SourceWriter& out);

// The text of the "Date: " line: `now` in local time, or, when `source_date_epoch` holds a
// number of seconds (the reproducible-builds variable), that moment in UTC; "%c" in the
// C locale either way. A malformed value is ignored.
std::string GenerationDateText(const char* source_date_epoch, std::time_t now);

// Removes `statement` and the one character after it (the CR of its line) where it first
// follows the comment on a failed DHCP request; false when there is no such place.
bool DropLineAfterComment(std::string& text, std::string_view statement);

// The template that holds main(): 184 for the Lanvik adapter, else 183.
int MainRoutineTemplate(const ConfigRecord& record);

// The whole text of main.c with `date` on its "Date: " line. Option bit 22 is set while the
// main routine of a LOCATRA project is expanded and clear afterwards.
std::string MainSourceText(ConfigRecord& record, std::string_view date);

// The whole text of zs_callback.c with callback block `callback_number`.
std::string CallbackSourceText(const ConfigRecord& record, int callback_number);

// main.c's "Date: " line: the text after its prefix up to the line end, and the same text with
// another date. Nothing when the text has no such line.
inline constexpr std::string_view kDateLinePrefix = "// Date: ";
std::optional<std::string_view> DateLineText(std::string_view text);
std::optional<std::string> WithDateLineText(std::string_view text, std::string_view date);

}  // namespace quillon
