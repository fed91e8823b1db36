#include "pagebake_names.h"

#include <stdlib.h>
#include <string.h>

/* Plain ASCII tests rather than <ctype.h>: the program never changes the locale, so these are
 * exactly the C locale's answers, and a byte above 0x7F is neither a letter nor a digit and is
 * never used as an index into a character table. */
static int IsKept(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

static char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }
static char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

static int IsSeparator(char c, PagebakePathRules rules) {
    return c == '/' || (rules == PAGEBAKE_PATHS_WINDOWS && c == '\\');
}

/* Hands out the next length + 1 bytes of the block as an empty text and moves the cursor on. */
static char *Reserve(char **cursor, size_t length) {
    char *start = *cursor;
    memset(start, 0, length + 1);
    *cursor = start + length + 1;
    return start;
}

int PagebakeDeriveNames(const char *path, PagebakePathRules rules, PagebakeNames *names) {
    const size_t length = strlen(path);
    size_t start = 0;
    size_t dot;
    size_t base_length;
    size_t extension_length;
    size_t suffix_length;
    size_t kept = 0;
    size_t i;
    char *cursor;

    memset(names, 0, sizeof *names);

    /* A drive such as "C:" belongs neither to a directory nor to the file name. */
    if (rules == PAGEBAKE_PATHS_WINDOWS && length >= 2 && path[1] == ':') start = 2;
    for (i = start; i < length; ++i) {
        if (IsSeparator(path[i], rules)) start = i + 1;
    }

    /* The extension runs from the last dot of the file-name part. */
    dot = length;
    for (i = length; i > start; --i) {
        if (path[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    }
    base_length = dot - start;
    extension_length = length - dot;
    suffix_length = extension_length > 0 ? extension_length : 1;
    for (i = start; i < dot; ++i) kept += IsKept((unsigned char)path[i]) ? 1u : 0u;

    /* One block for all eight texts; base_name is its start, which PagebakeFreeNames frees. */
    cursor = malloc((base_length + 1) + (extension_length + 1) + 2 * (base_length + 3) +
                    2 * (kept + 1) + (suffix_length + 1) + (kept + suffix_length + 1));
    if (!cursor) return -1;

    names->base_name = Reserve(&cursor, base_length);
    memcpy(names->base_name, path + start, base_length);
    names->extension = Reserve(&cursor, extension_length);
    memcpy(names->extension, path + dot, extension_length);

    names->source_file = Reserve(&cursor, base_length + 2);
    memcpy(names->source_file, names->base_name, base_length);
    memcpy(names->source_file + base_length, ".c", 2);
    names->header_file = Reserve(&cursor, base_length + 2);
    memcpy(names->header_file, names->base_name, base_length);
    memcpy(names->header_file + base_length, ".h", 2);

    names->identifier = Reserve(&cursor, kept);
    names->macro_prefix = Reserve(&cursor, kept);
    kept = 0;
    for (i = 0; i < base_length; ++i) {
        const char c = names->base_name[i];
        if (IsKept((unsigned char)c)) {
            names->identifier[kept] = AsciiLower(c);
            names->macro_prefix[kept] = AsciiUpper(c);
            ++kept;
        }
    }

    /* The dot becomes "_"; a name without an extension still gets the "_". */
    names->suffix = Reserve(&cursor, suffix_length);
    names->suffix[0] = '_';
    for (i = 1; i < extension_length; ++i) names->suffix[i] = AsciiLower(names->extension[i]);

    names->array_name = Reserve(&cursor, kept + suffix_length);
    memcpy(names->array_name, names->identifier, kept);
    memcpy(names->array_name + kept, names->suffix, suffix_length);
    return 0;
}

void PagebakeFreeNames(PagebakeNames *names) {
    free(names->base_name);
    memset(names, 0, sizeof *names);
}
