// The two hexadecimal edits of the PLL page: the check of what the user typed or pasted, and
// the conversion. The first byte gives the edit's length limit, the second the conversion
// width, the rest is the text.
#include <cstdlib>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "clock/ParseHexField.h"
#include "wizard/Platform.h"

namespace quillon::fuzz {

namespace {

class CountingPlatform : public Platform {
public:
    void ShowMessage(const Message&) override { ++messages; }
    bool AskYesNo(const Message&) override { Fail("the hex check asked a question"); }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override { return std::nullopt; }
    bool RunSheet(SheetModel&) override { return false; }
    bool ShowHelp(const std::string&) override { return false; }
    void ShowAbout() override {}
    int messages = 0;
};

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

void FuzzHexField(Bytes input) {
    ByteReader reader(input);
    const std::size_t limit = reader.Byte() % 16;
    const std::size_t width = reader.Byte() % 12;
    const Bytes rest = reader.Rest();
    const std::string typed(reinterpret_cast<const char*>(rest.data()), rest.size());

    std::string text = typed;
    CountingPlatform ui;
    const bool acceptable = ParseHexFieldCheck(text, limit, ui);
    Check(acceptable == (ui.messages == 0), "the check's answer and its messages disagree");
    if (!typed.empty()) Check(text.size() <= limit, "the check left a text longer than the edit takes");
    bool all_hex = true;
    for (char c : text) all_hex &= IsUpperHex(c);
    if (acceptable) Check(all_hex, "an accepted text holds a character that is not a hex digit");

    // Converting any text is safe; an accepted one gives the value its digits spell.
    const std::uint32_t any = ParseHexFieldConvert(typed, width);
    (void)any;
    if (acceptable && all_hex && text.size() <= width && width <= 8) {
        const unsigned long reference = text.empty() ? 0 : std::strtoul(text.c_str(), nullptr, 16);
        Check(ParseHexFieldConvert(text, width) == reference, "an accepted hex text converts to another value");
    }
}

}  // namespace quillon::fuzz
