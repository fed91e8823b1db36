/* The names pagebake derives from its input path: the output file names and the C names inside
 * them. Kept apart from the program so that tests and fuzz targets can call it on any text. */
#ifndef PAGEBAKE_NAMES_H
#define PAGEBAKE_NAMES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Which characters end a directory part of the path. */
typedef enum PagebakePathRules {
    PAGEBAKE_PATHS_POSIX,   /* only "/" */
    PAGEBAKE_PATHS_WINDOWS  /* "\" and "/", and an optional drive "X:" in front */
} PagebakePathRules;

/* The rules of the platform this copy of the program was built for. */
#if defined(PAGEBAKE_BUILD_WINDOWS)
#define PAGEBAKE_NATIVE_PATHS PAGEBAKE_PATHS_WINDOWS
#else
#define PAGEBAKE_NATIVE_PATHS PAGEBAKE_PATHS_POSIX
#endif

/* Every field is a NUL-terminated text in one block owned by the structure. */
typedef struct PagebakeNames {
    char *base_name;    /* file-name part of the path without its extension: "Index" */
    char *extension;    /* from the last dot of the file-name part, dot included: ".html" */
    char *source_file;  /* base_name ".c" */
    char *header_file;  /* base_name ".h" */
    char *identifier;   /* base name cut to ASCII letters, digits and "_", lower case */
    char *macro_prefix; /* the same cut base name in upper case */
    char *suffix;       /* extension with its dot as "_", lower case; "_" without extension */
    char *array_name;   /* identifier followed by suffix */
} PagebakeNames;

/* Fills names from path. Returns 0, or -1 when memory ran out (names is then empty and
 * PagebakeFreeNames may still be called on it). */
int PagebakeDeriveNames(const char *path, PagebakePathRules rules, PagebakeNames *names);

void PagebakeFreeNames(PagebakeNames *names);

#ifdef __cplusplus
}
#endif

#endif
