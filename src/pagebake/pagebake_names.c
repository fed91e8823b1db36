#include "pagebake_names.h"

#include <string.h>

/* Plain ASCII tests: bytes above 0x7F are never letters or digits here, and nothing is used
 * as an index into a character table. */
static int is_ascii_alnum_or_underscore(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

static char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }
static char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

static int is_separator(char c, enum pagebake_path_style style) {
    return c == '/' || (style == PAGEBAKE_WINDOWS_PATHS && c == '\\');
}

int pagebake_derive_names(const char* path, size_t length, enum pagebake_path_style style,
                          struct pagebake_names* out) {
    size_t start = 0;
    size_t i;
    size_t dot;
    size_t name_length;
    size_t n;

    memset(out, 0, sizeof *out);
    if (length >= PAGEBAKE_MAX_PATH) return -1;

    /* A drive such as "C:" is not part of the file name. */
    if (style == PAGEBAKE_WINDOWS_PATHS && length >= 2 && path[1] == ':') start = 2;
    for (i = start; i < length; ++i) {
        if (is_separator(path[i], style)) start = i + 1;
    }

    name_length = length - start;
    dot = name_length;
    for (i = name_length; i-- > 0;) {
        if (path[start + i] == '.') {
            dot = i;
            break;
        }
    }

    memcpy(out->base, path + start, dot);
    out->base[dot] = '\0';
    memcpy(out->extension, path + start + dot, name_length - dot);
    out->extension[name_length - dot] = '\0';

    memcpy(out->source, out->base, dot);
    memcpy(out->source + dot, ".c", 3);
    memcpy(out->header, out->base, dot);
    memcpy(out->header + dot, ".h", 3);

    n = 0;
    for (i = 0; i < dot; ++i) {
        const unsigned char c = (unsigned char)out->base[i];
        if (is_ascii_alnum_or_underscore(c)) {
            out->identifier[n] = ascii_lower((char)c);
            out->macro[n] = ascii_upper((char)c);
            ++n;
        }
    }
    out->identifier[n] = '\0';
    out->macro[n] = '\0';

    if (out->extension[0] == '\0') {
        out->suffix[0] = '_';
        out->suffix[1] = '\0';
    } else {
        out->suffix[0] = '_';
        for (i = 1; out->extension[i] != '\0'; ++i) out->suffix[i] = ascii_lower(out->extension[i]);
        out->suffix[i] = '\0';
    }
    return 0;
}
