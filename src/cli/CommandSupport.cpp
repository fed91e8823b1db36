#include "cli/CommandSupport.h"

namespace quillon::cli {

namespace {

// The length of the UTF-8 sequence starting at `i`, or 0 when it is not one.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
    }
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0u) != 0x80u) return 0;
    }
    return n;
}

}  // namespace

std::optional<Arguments> ReadArguments(const CommandContext& context, bool out_allowed, std::size_t max_files) {
    Arguments a;
    bool operands = false;
    const std::vector<std::string>& args = context.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!operands && arg == "--") {
            operands = true;
        } else if (!operands && out_allowed && (arg == "--out" || arg.starts_with("--out="))) {
            if (a.out_dir) {
                context.err << "--out given twice\n";
                return std::nullopt;
            }
            if (arg == "--out") {
                if (i + 1 >= args.size()) {
                    context.err << "--out needs a folder\n";
                    return std::nullopt;
                }
                a.out_dir = args[++i];
            } else {
                a.out_dir = arg.substr(6);
            }
            if (a.out_dir->empty()) {
                context.err << "--out needs a folder\n";
                return std::nullopt;
            }
        } else if (!operands && arg.size() > 1 && arg[0] == '-') {
            context.err << "unknown option " << arg << " (see quillon-cli " << context.name << " --help)\n";
            return std::nullopt;
        } else if (a.files.size() < max_files) {
            a.files.push_back(arg);
        } else {
            context.err << "too many files (";
            for (const std::string& f : a.files) context.err << f << ", ";
            context.err << arg << ")\n";
            return std::nullopt;
        }
    }
    return a;
}

std::string ShownText(std::string_view text, std::size_t limit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    std::size_t i = 0;
    while (i < text.size() && i < limit) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const std::size_t n = Utf8Length(text, i)) {
                out.append(text.substr(i, n));
                i += n;
                continue;
            }
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || c >= 0x80) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    if (i < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

std::string SettingsFindingLine(const std::string& file, const SettingsFinding& f) {
    std::string line = file + ":" + std::to_string(f.line) + ": ";
    if (!f.field.empty()) line += f.field + ": ";
    line += f.what;
    if (!f.found.empty()) line += ": " + ShownText(f.found);
    if (f.read_as == "ignored") return line + " (ignored)";
    return line + " (read as " + (f.read_as_text ? ShownText(f.read_as) : f.read_as) + ")";
}

bool LoadSettings(WizardDialog& window, AnsweringPlatform& platform, const std::string& path,
                  const CommandContext& context) {
    platform.QueueFile(path, 0);
    window.OnFileOpen();
    if (window.SettingsFileName().empty()) {
        context.err << "could not load " << path << '\n';
        return false;
    }
    const std::vector<SettingsFinding>& findings = window.SettingsFindings();
    std::ostream& to = context.strict ? context.err : context.warn;
    for (const SettingsFinding& f : findings) to << SettingsFindingLine(path, f) << '\n';
    if (context.strict && !findings.empty()) {
        context.err << path << ": refused under --strict: " << findings.size()
                    << (findings.size() == 1 ? " line is" : " lines are") << " not of the expected form\n";
        return false;
    }
    return true;
}

}  // namespace quillon::cli
