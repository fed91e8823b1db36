// The names pagebake derives from its input path, under both path rules. The input is the
// path; a zero byte ends it, as it ends a command-line argument.
#include <cstring>

#include "FuzzTargets.h"
#include "pagebake_names.h"

namespace quillon::fuzz {

namespace {

bool IsSeparator(char c, PagebakePathRules rules) {
    return c == '/' || (rules == PAGEBAKE_PATHS_WINDOWS && c == '\\');
}

bool OnlyIdentifierCharacters(std::string_view s, bool upper) {
    for (char c : s) {
        const bool letter = upper ? (c >= 'A' && c <= 'Z') : (c >= 'a' && c <= 'z');
        if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
    }
    return true;
}

void CheckNames(const std::string& path, PagebakePathRules rules) {
    PagebakeNames names;
    Check(PagebakeDeriveNames(path.c_str(), rules, &names) == 0, "deriving the names failed");
    const std::string base = names.base_name;
    const std::string extension = names.extension;
    const std::string identifier = names.identifier;
    const std::string macro = names.macro_prefix;
    const std::string suffix = names.suffix;

    // The file-name part is the base name and the extension, and it ends the path.
    const std::string file_part = base + extension;
    Check(path.size() >= file_part.size() && path.compare(path.size() - file_part.size(), file_part.size(), file_part) == 0,
          "the base name and extension are not the end of the path");
    for (char c : file_part) Check(!IsSeparator(c, rules), "a directory separator reached the file name");
    Check(extension.empty() || (extension[0] == '.' && extension.find('.', 1) == std::string::npos),
          "the extension does not run from the last dot");

    Check(std::string(names.source_file) == base + ".c", "the source file name is not the base name and .c");
    Check(std::string(names.header_file) == base + ".h", "the header file name is not the base name and .h");
    Check(OnlyIdentifierCharacters(identifier, false), "the identifier holds a character C does not allow");
    Check(OnlyIdentifierCharacters(macro, true), "the macro prefix holds a character C does not allow");
    Check(identifier.size() == macro.size(), "the identifier and the macro prefix differ in length");
    Check(!suffix.empty() && suffix[0] == '_', "the suffix does not start with _");
    Check(suffix.size() == std::max<std::size_t>(extension.size(), 1), "the suffix is not as long as the extension");
    Check(std::string(names.array_name) == identifier + suffix, "the array name is not identifier and suffix");
    PagebakeFreeNames(&names);
}

}  // namespace

void FuzzPagebakeNames(Bytes input) {
    std::string path(reinterpret_cast<const char*>(input.data()), input.size());
    path.resize(std::strlen(path.c_str()));
    CheckNames(path, PAGEBAKE_PATHS_POSIX);
    CheckNames(path, PAGEBAKE_PATHS_WINDOWS);
}

}  // namespace quillon::fuzz
