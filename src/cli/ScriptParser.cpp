#include "cli/ScriptParser.h"

#include <array>
#include <charconv>
#include <utility>

#include "clock/ClockMath.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Thrown inside this file only, to leave a line's parse with its reason.
struct LineError {
    std::string why;
};

// The rest of one line, consumed word by word and then, for the commands that take one, as a
// final text.
class LineReader {
public:
    explicit LineReader(std::string_view rest) : rest_(TrimLeft(rest)) {}

    bool AtEnd() const { return rest_.empty(); }

    // The next blank-separated word; a word may be quoted. `what` names it in the error.
    std::string Word(const char* what) {
        if (rest_.empty()) throw LineError{std::string("missing ") + what};
        std::string word;
        if (rest_.front() == '"') {
            word = Quoted();
            if (!rest_.empty() && !IsBlank(rest_.front()))
                throw LineError{"unexpected text after the closing quote"};
        } else {
            std::size_t n = 0;
            while (n < rest_.size() && !IsBlank(rest_[n])) ++n;
            word = std::string(rest_.substr(0, n));
            rest_.remove_prefix(n);
        }
        rest_ = TrimLeft(rest_);
        return word;
    }

    // Everything up to the end of the line, outer blanks removed, or the quoted text. Tells
    // whether the text was quoted, so that a quoted "cancel" can still name a file.
    std::string FinalText(const char* what, bool* was_quoted = nullptr) {
        if (was_quoted) *was_quoted = false;
        if (rest_.empty()) throw LineError{std::string("missing ") + what};
        if (rest_.front() == '"') {
            std::string text = Quoted();
            if (!TrimLeft(rest_).empty()) throw LineError{"unexpected text after the closing quote"};
            rest_ = {};
            if (was_quoted) *was_quoted = true;
            return text;
        }
        std::string text(TrimRight(rest_));
        rest_ = {};
        return text;
    }

    void ExpectEnd() const {
        if (!rest_.empty()) throw LineError{"unexpected text \"" + std::string(rest_) + "\""};
    }

private:
    std::string Quoted() {
        std::string out;
        std::size_t i = 1;
        for (; i < rest_.size(); ++i) {
            const char c = rest_[i];
            if (c == '"') break;
            if (c == '\\' && i + 1 < rest_.size() && (rest_[i + 1] == '"' || rest_[i + 1] == '\\')) {
                out += rest_[++i];
                continue;
            }
            out += c;
        }
        if (i >= rest_.size()) throw LineError{"missing closing quote"};
        rest_.remove_prefix(i + 1);
        return out;
    }

    std::string_view rest_;
};

int ParseNumber(const std::string& word, const char* what) {
    int value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || ec != std::errc() || ptr != end) throw LineError{std::string(what) + " is not a number: " + word};
    return value;
}

bool ParseOnOff(const std::string& word) {
    if (word == "on") return true;
    if (word == "off") return false;
    throw LineError{"expected on or off, not " + word};
}

const std::array<std::pair<std::string_view, ShowWhat>, 6> kShowNames{{
    {"record", ShowWhat::Record},
    {"tree", ShowWhat::Tree},
    {"panel", ShowWhat::Panel},
    {"window", ShowWhat::Window},
    {"sheet", ShowWhat::Sheet},
    {"summary", ShowWhat::Summary},
}};

void ParseSheetCommand(LineReader& r, ScriptCommand& c) {
    const std::string sub = r.Word("sheet command (page, click, set, check, solve, ok or cancel)");
    if (sub == "page") {
        c.verb = ScriptVerb::SheetPage;
        c.text = r.FinalText("page title");
    } else if (sub == "click") {
        c.verb = ScriptVerb::SheetClick;
        c.id = ParseNumber(r.Word("control id"), "control id");
    } else if (sub == "set") {
        c.verb = ScriptVerb::SheetSet;
        c.id = ParseNumber(r.Word("control id"), "control id");
        c.text = r.FinalText("text");
    } else if (sub == "check") {
        c.verb = ScriptVerb::SheetCheck;
        c.id = ParseNumber(r.Word("control id"), "control id");
        c.flag = ParseOnOff(r.Word("on or off"));
    } else if (sub == "solve") {
        c.verb = ScriptVerb::SheetSolve;
        const std::string word = r.FinalText("SYSCLK in Hz");
        const std::optional<std::uint32_t> hz = ParseFrequencyWithUnit(word);
        if (!hz) throw LineError{"SYSCLK is not a whole number of Hz from 1 to 4294967295: " + word};
        c.hz = *hz;
    } else if (sub == "ok") {
        c.verb = ScriptVerb::SheetOk;
    } else if (sub == "cancel") {
        c.verb = ScriptVerb::SheetCancel;
    } else {
        throw LineError{"unknown sheet command: " + sub};
    }
    r.ExpectEnd();
}

void ParseDialogAnswer(LineReader& r, ScriptCommand& c, const char* what) {
    bool quoted = false;
    c.text = r.FinalText(what, &quoted);
    c.cancel = !quoted && c.text == "cancel";
    if (c.cancel) c.text.clear();
    if (!c.cancel && c.text.empty()) throw LineError{std::string("empty ") + what};
}

ScriptCommand ParseLine(std::string_view line_text, int line) {
    LineReader r(line_text);
    ScriptCommand c;
    c.line = line;
    const std::string verb = r.Word("command");
    if (verb == "click" || verb == "select") {
        c.verb = verb == "click" ? ScriptVerb::Click : ScriptVerb::Select;
        c.text = r.FinalText("node text");
    } else if (verb == "explain") {
        c.verb = ScriptVerb::Explain;
        c.text = r.FinalText("node text");
    } else if (verb == "find") {
        c.verb = ScriptVerb::Find;
        c.text = r.FinalText("text to find");
    } else if (verb == "set") {
        c.verb = ScriptVerb::Set;
        c.id = ParseNumber(r.Word("control id"), "control id");
        c.text = r.FinalText("text (write \"\" for an empty one)");
    } else if (verb == "check" && r.AtEnd()) {
        c.verb = ScriptVerb::RunChecks;
    } else if (verb == "check") {
        c.verb = ScriptVerb::Check;
        c.id = ParseNumber(r.Word("control id"), "control id");
        c.flag = ParseOnOff(r.Word("on or off"));
    } else if (verb == "address") {
        c.verb = ScriptVerb::Address;
        c.id = ParseNumber(r.Word("control id"), "control id");
        const std::string dotted = r.FinalText("address");
        // Octets too large for a byte are what a user can type into the control: the window
        // refuses them, not the script.
        std::string widened = dotted;
        for (char& ch : widened) {
            if (ch >= '0' && ch <= '9') ch = '0';
        }
        const auto address = ParseDottedAddress(dotted);
        if (!address && !ParseDottedAddress(widened)) throw LineError{"not an address (A.B.C.D, each 0 to 999): " + dotted};
        if (address) c.address = *address;
        c.text = dotted;
    } else if (verb == "combo") {
        c.verb = ScriptVerb::Combo;
        c.id = ParseNumber(r.Word("control id"), "control id");
        c.index = ParseNumber(r.Word("entry index"), "entry index");
    } else if (verb == "press") {
        c.verb = ScriptVerb::Press;
        c.id = ParseNumber(r.Word("control id"), "control id");
    } else if (verb == "menu") {
        c.verb = ScriptVerb::Menu;
        const std::string name = r.Word("menu command");
        const auto command = MenuCommandByName(name);
        if (!command) throw LineError{"unknown menu command: " + name};
        c.id = *command;
        c.text = name;
    } else if (verb == "answer") {
        c.verb = ScriptVerb::Answer;
        const std::string word = r.Word("yes, no or cancel");
        if (word != "yes" && word != "no" && word != "cancel") throw LineError{"expected yes, no or cancel, not " + word};
        c.flag = word == "yes";
        c.cancel = word == "cancel";
    } else if (verb == "preview") {
        c.verb = ScriptVerb::Preview;
        const std::string word = r.Word("generate or cancel");
        if (word != "generate" && word != "cancel") throw LineError{"expected generate or cancel, not " + word};
        c.flag = word == "generate";
    } else if (verb == "file") {
        c.verb = ScriptVerb::File;
        ParseDialogAnswer(r, c, "path");
    } else if (verb == "folder") {
        c.verb = ScriptVerb::Folder;
        ParseDialogAnswer(r, c, "path");
    } else if (verb == "sheet") {
        ParseSheetCommand(r, c);
    } else if (verb == "show") {
        c.verb = ScriptVerb::Show;
        const std::string what = r.Word("what to show (record, tree, panel, window, sheet or summary)");
        bool known = false;
        for (const auto& [name, value] : kShowNames) {
            if (what == name) {
                c.show = value;
                known = true;
            }
        }
        if (!known) throw LineError{"cannot show " + what + " (record, tree, panel, window, sheet or summary)"};
    } else {
        throw LineError{"unknown command: " + verb};
    }
    r.ExpectEnd();
    return c;
}

}  // namespace

ParsedScript ParseScript(std::string_view text) {
    ParsedScript result;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t nl = text.find('\n');
        std::string_view line_text = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        // Scripts written on Windows end their lines with CR LF.
        if (!line_text.empty() && line_text.back() == '\r') line_text.remove_suffix(1);
        const std::string_view content = TrimLeft(line_text);
        if (content.empty() || content.front() == '#') continue;
        try {
            result.commands.push_back(ParseLine(content, line));
        } catch (const LineError& e) {
            result.error = ScriptSyntaxError{line, e.why};
            return result;
        }
    }
    return result;
}

std::optional<Ip4> ParseDottedAddress(std::string_view text) {
    Ip4 out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::size_t n = 0;
        unsigned value = 0;
        while (n < text.size() && text[n] >= '0' && text[n] <= '9' && n < 3) {
            value = value * 10 + static_cast<unsigned>(text[n] - '0');
            ++n;
        }
        if (n == 0 || value > 255) return std::nullopt;
        out[i] = static_cast<std::uint8_t>(value);
        text.remove_prefix(n);
        if (i + 1 < out.size()) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (!text.empty()) return std::nullopt;
    return out;
}

std::optional<int> MenuCommandByName(std::string_view name) {
    for (const MenuName& menu : MenuNames()) {
        if (menu.name == name) return menu.command;
    }
    return std::nullopt;
}

}  // namespace quillon::cli
