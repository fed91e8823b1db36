/* The name derivation under both path rules, on paths the host program alone cannot show:
 * Windows separators and drives, dots in folder names, several dots, empty parts. */
#include <stdio.h>
#include <string.h>

#include "pagebake_names.h"

static int failures = 0;

/* Expected: base name, extension, source, header, identifier, macro prefix, suffix, array. */
static void Check(const char *path, PagebakePathRules rules, const char *const expected[8]) {
    static const char *const kFields[8] = {"base_name",  "extension",    "source_file", "header_file",
                                           "identifier", "macro_prefix", "suffix",      "array_name"};
    PagebakeNames names;
    const char *got[8];
    int i;
    if (PagebakeDeriveNames(path, rules, &names) != 0) {
        printf("FAIL: %s: no names\n", path);
        ++failures;
        return;
    }
    got[0] = names.base_name;
    got[1] = names.extension;
    got[2] = names.source_file;
    got[3] = names.header_file;
    got[4] = names.identifier;
    got[5] = names.macro_prefix;
    got[6] = names.suffix;
    got[7] = names.array_name;
    for (i = 0; i < 8; ++i) {
        if (strcmp(got[i], expected[i]) != 0) {
            printf("FAIL: %s (%s rules): %s is \"%s\", expected \"%s\"\n", path,
                   rules == PAGEBAKE_PATHS_WINDOWS ? "Windows" : "POSIX", kFields[i], got[i], expected[i]);
            ++failures;
        }
    }
    PagebakeFreeNames(&names);
}

#define CHECK(path, rules, ...)                                  \
    do {                                                         \
        static const char *const expected_[8] = {__VA_ARGS__};   \
        Check(path, rules, expected_);                           \
    } while (0)

int main(void) {
    const PagebakePathRules w = PAGEBAKE_PATHS_WINDOWS;
    const PagebakePathRules p = PAGEBAKE_PATHS_POSIX;

    CHECK("pages\\Index.html", w, "Index", ".html", "Index.c", "Index.h", "index", "INDEX", "_html", "index_html");
    CHECK("C:Index.HTML", w, "Index", ".HTML", "Index.c", "Index.h", "index", "INDEX", "_html", "index_html");
    CHECK("C:\\web/site.v2\\Page-1.htm", w, "Page-1", ".htm", "Page-1.c", "Page-1.h", "page1", "PAGE1", "_htm",
          "page1_htm");
    /* On the host a backslash and a colon are ordinary characters of the file name. */
    CHECK("pages\\Index.html", p, "pages\\Index", ".html", "pages\\Index.c", "pages\\Index.h", "pagesindex",
          "PAGESINDEX", "_html", "pagesindex_html");
    CHECK("C:x", p, "C:x", "", "C:x.c", "C:x.h", "cx", "CX", "_", "cx_");
    /* The extension comes from the file-name part only. */
    CHECK("site.d/README", p, "README", "", "README.c", "README.h", "readme", "README", "_", "readme_");
    CHECK("a/archive.tar.GZ", p, "archive.tar", ".GZ", "archive.tar.c", "archive.tar.h", "archivetar",
          "ARCHIVETAR", "_gz", "archivetar_gz");
    CHECK(".htaccess", p, "", ".htaccess", ".c", ".h", "", "", "_htaccess", "_htaccess");
    CHECK("name.", p, "name", ".", "name.c", "name.h", "name", "NAME", "_", "name_");
    CHECK("", p, "", "", ".c", ".h", "", "", "_", "_");
    CHECK("dir/", w, "", "", ".c", ".h", "", "", "_", "_");
    /* Bytes above 0x7F are neither letters nor digits, and case changes only in ASCII. */
    CHECK("\xc3\x89t\xc3\xa9_9.\xc3\x89X", p, "\xc3\x89t\xc3\xa9_9", ".\xc3\x89X", "\xc3\x89t\xc3\xa9_9.c",
          "\xc3\x89t\xc3\xa9_9.h", "t_9", "T_9", "_\xc3\x89x", "t_9_\xc3\x89x");

    if (failures) {
        printf("%d name check(s) failed\n", failures);
        return 1;
    }
    printf("pagebake names: all checks passed\n");
    return 0;
}
