/* pagebake: turns a file (in practice a web page) into a C source holding its bytes as a
 * constant array and a header declaring the array and its size, both in the current folder.
 *
 *   pagebake [--project-layout] infile | --help | -h | --version
 *
 * Two layouts. The plain one: eleven items a line, the array padded to an even length, the
 * header including "defs.h". The project layout, the one of the sample page generated projects
 * carry in VFILE_DIR: twelve items a line, no padding, the header including "zs_defs.h" and
 * hiding its declaration from the source by the NAME_C_INC guard, CR LF line ends on every
 * platform; its output compiles inside a generated project. The host build writes the plain
 * layout unless asked; the Windows build that projects carry (run by their update.bat) writes
 * the project layout, so that update.bat reproduces the sample pair byte for byte.
 *
 * Exit status 0 on success and after the usage text or the version, 1 when a file cannot be
 * opened, read or written; every failure is reported on stderr as "pagebake: NAME: reason".
 * A failed run leaves no output files behind, and a run whose output would overwrite
 * its own input is refused before anything is opened for writing. */
#if defined(PAGEBAKE_BUILD_HOST)
#define _POSIX_C_SOURCE 200809L
#include <sys/stat.h>
#elif !defined(PAGEBAKE_BUILD_WINDOWS)
#error "build with PAGEBAKE_BUILD_HOST or PAGEBAKE_BUILD_WINDOWS defined"
#endif
#ifndef PAGEBAKE_VERSION
#error "build with PAGEBAKE_VERSION defined"
#endif

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pagebake_names.h"

static const char kBanner[] = "/* This file was created by the PAGEBAKE utility. */\n\n";
static const char kProjectBanner[] = "/* This file was created by the PAGEBAKE utility. */\r\n\r\n";

typedef enum Layout { LAYOUT_PLAIN, LAYOUT_PROJECT } Layout;

#if defined(PAGEBAKE_BUILD_WINDOWS)
/* The copy in a project's VFILE_DIR, run by update.bat as "pagebake.exe index.html". */
#define PAGEBAKE_DEFAULT_LAYOUT LAYOUT_PROJECT
#else
#define PAGEBAKE_DEFAULT_LAYOUT LAYOUT_PLAIN
#endif

/* What the command line asks for. */
typedef enum Action { ACTION_CONVERT, ACTION_USAGE, ACTION_VERSION } Action;
typedef struct Arguments {
    Action action;
    const char *input; /* NULL: no file named */
    Layout layout;
} Arguments;

/* The one place that reads the command line: options, then the file. --help, -h or --version
 * before the file ask for the usage text or the version; only the first file counts, further
 * arguments are ignored; no file at all asks for the usage text. */
static Arguments ReadArguments(int argc, char **argv) {
    Arguments args;
    int i;
    args.action = ACTION_CONVERT;
    args.input = NULL;
    args.layout = PAGEBAKE_DEFAULT_LAYOUT;
    for (i = 1; i < argc && !args.input; ++i) {
        if (strcmp(argv[i], "--project-layout") == 0) {
            args.layout = LAYOUT_PROJECT;
        } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            args.action = ACTION_USAGE;
            return args;
        } else if (strcmp(argv[i], "--version") == 0) {
            args.action = ACTION_VERSION;
            return args;
        } else {
            args.input = argv[i];
        }
    }
    if (!args.input) args.action = ACTION_USAGE;
    return args;
}

static void Report(const char *name, const char *why) { fprintf(stderr, "pagebake: %s: %s\n", name, why); }

/* The errno of a call that just failed; stdio need not set one, so never report success. */
static int LastError(void) { return errno != 0 ? errno : EIO; }

/* An open output stream and the first error met on it. */
typedef struct Output {
    FILE *file;
    const char *name;
    int error;
} Output;

static void Emit(Output *out, const char *format, ...) {
    va_list args;
    int written;
    if (out->error) return;
    errno = 0;
    va_start(args, format);
    written = vfprintf(out->file, format, args);
    va_end(args);
    if (written < 0) out->error = LastError();
}

/* Buffered output reaches the disk only here, so a full disk often shows up at the close. */
static void CloseOutput(Output *out) {
    errno = 0;
    if (fclose(out->file) != 0 && !out->error) out->error = LastError();
    out->file = NULL;
}

/* Whether writing the output file name would overwrite the input already open as in. */
static int IsInputFile(FILE *in, const char *input, const char *name) {
#if defined(PAGEBAKE_BUILD_HOST)
    struct stat input_stat;
    struct stat name_stat;
    (void)input;
    if (fstat(fileno(in), &input_stat) != 0 || stat(name, &name_stat) != 0) return 0;
    return input_stat.st_dev == name_stat.st_dev && input_stat.st_ino == name_stat.st_ino;
#else
    /* The runtime has no file identities here; names are compared as the file system does,
     * whole and without regard to case. */
    char *input_full = _fullpath(NULL, input, 0);
    char *name_full = _fullpath(NULL, name, 0);
    int same = input_full && name_full && _stricmp(input_full, name_full) == 0;
    (void)in;
    free(input_full);
    free(name_full);
    return same;
#endif
}

/* One byte of the array as a layout writes it; `index` counts the items from 0. */
typedef void (*ItemFormat)(Output *src, unsigned byte, unsigned long long index);

/* Reads the input to its end and writes every byte as an array item; returns the count. A read
 * error is stored in *read_error and ends the copy. */
static unsigned long long CopyItems(FILE *in, Output *src, int *read_error, ItemFormat format) {
    unsigned char buffer[4096];
    unsigned long long count = 0;
    size_t got;
    do {
        size_t i;
        errno = 0;
        got = fread(buffer, 1, sizeof buffer, in);
        if (got < sizeof buffer && ferror(in)) *read_error = LastError();
        for (i = 0; i < got && !src->error; ++i) format(src, buffer[i], count++);
    } while (got == sizeof buffer && !*read_error && !src->error);
    return count;
}

/* Eleven items a line: ten followed by ", " and the eleventh by ",\n". */
static void HostItem(Output *src, unsigned byte, unsigned long long index) {
    Emit(src, index % 11 == 10 ? " 0x%02x,\n" : " 0x%02x, ", byte);
}

/* The items of the host layout; returns the byte count, padded to an even number. */
static unsigned long long WriteItems(FILE *in, Output *src, int *read_error) {
    unsigned long long count = CopyItems(in, src, read_error, HostItem);
    /* The array always has an even length. */
    if (count % 2 != 0) {
        Emit(src, " 0x00");
        ++count;
    }
    return count;
}

/* Twelve items a line, each " 0xNN,". */
static void ProjectItem(Output *src, unsigned byte, unsigned long long index) {
    Emit(src, index % 12 == 11 ? " 0x%02x,\r\n" : " 0x%02x,", byte);
}

/* The project layout's items, no padding; returns the count. */
static unsigned long long WriteProjectItems(FILE *in, Output *src, int *read_error) {
    const unsigned long long count = CopyItems(in, src, read_error, ProjectItem);
    if (count % 12 != 0) Emit(src, "\r\n");
    /* C has no empty arrays: an empty page still gets one byte of storage, its size stays 0. */
    if (count == 0) Emit(src, " 0x00,\r\n");
    return count;
}

static void WriteProjectSource(FILE *in, Output *src, const PagebakeNames *names, unsigned long long *count,
                               int *read_error) {
    Emit(src, "%s", kProjectBanner);
    Emit(src, "#define %s_C_INC\t1\r\n", names->macro_prefix);
    /* The header by its file name, so that any page's pair compiles where it was made. */
    Emit(src, "#include \"%s\"\r\n", names->header_file);
    Emit(src, "\r\nkpv_const byte %s%s[]=\r\n{\r\n", names->identifier, names->suffix);
    *count = WriteProjectItems(in, src, read_error);
    Emit(src, "};");
}

static void WriteProjectHeader(Output *hdr, const PagebakeNames *names, unsigned long long count) {
    const char *m = names->macro_prefix;
    Emit(hdr, "%s", kProjectBanner);
    Emit(hdr, "#ifndef %s_H_INC\r\n#define %s_H_INC\t1\r\n", m, m);
    Emit(hdr, "\r\n#include \"zs_defs.h\"\r\n");
    Emit(hdr, "\r\n#define %s_SIZE %llu\r\n", m, count);
    Emit(hdr, "\r\n#ifndef %s_C_INC\r\nextern kpv_const byte %s%s[%s_SIZE];\r\n#endif\r\n", m, names->identifier,
         names->suffix, m);
    Emit(hdr, "\r\n#endif\t\t/* %s_H_INC */", m);
}

static void WriteHeader(Output *hdr, const PagebakeNames *names, unsigned long long count) {
    Emit(hdr, "%s", kBanner);
    Emit(hdr, "#ifndef %s_H_INC\n", names->macro_prefix);
    Emit(hdr, "#define %s_H_INC\t1\n", names->macro_prefix);
    Emit(hdr, "\n#include \"defs.h\"\n");
    Emit(hdr, "\n#define %s_SIZE %llu\n", names->macro_prefix, count);
    Emit(hdr, "\nextern kpv_const byte %s%s[%s_SIZE];\n", names->identifier, names->suffix,
         names->macro_prefix);
    Emit(hdr, "\n#endif\t\t/* %s_H_INC */\n", names->macro_prefix);
}

static int Usage(void) {
    errno = 0;
    if (fputs("\n\nPAGEBAKE.exe Usage:\n"
              "PAGEBAKE infile\n"
              "infile is the file to converted.\n"
              "The .c and .h files created use the\n"
              "input file name without the extension.\n",
              stdout) == EOF ||
        fflush(stdout) != 0) {
        Report("stdout", strerror(LastError()));
        return 1;
    }
    return 0;
}

static int Version(void) {
    errno = 0;
    if (fputs("pagebake " PAGEBAKE_VERSION "\n", stdout) == EOF || fflush(stdout) != 0) {
        Report("stdout", strerror(LastError()));
        return 1;
    }
    return 0;
}

/* Converts the input open as in; returns the exit status. */
static int Convert(FILE *in, const char *input, const PagebakeNames *names, Layout layout) {
    /* The project layout writes its own CR LF, so no stream may add to them. */
    const char *mode = layout == LAYOUT_PROJECT ? "wb" : "w";
    Output src = {NULL, names->source_file, 0};
    Output hdr = {NULL, names->header_file, 0};
    const char *failed_name = NULL;
    int error = 0;
    int read_error = 0;
    unsigned long long count;

    if (IsInputFile(in, input, src.name) || IsInputFile(in, input, hdr.name)) {
        Report(IsInputFile(in, input, src.name) ? src.name : hdr.name, "would overwrite the input file");
        return 1;
    }

    errno = 0;
    src.file = fopen(src.name, mode);
    if (!src.file) {
        Report(src.name, strerror(LastError()));
        return 1;
    }
    errno = 0;
    hdr.file = fopen(hdr.name, mode);
    if (!hdr.file) {
        Report(hdr.name, strerror(LastError()));
        fclose(src.file);
        remove(src.name);
        return 1;
    }

    if (layout == LAYOUT_PROJECT) {
        WriteProjectSource(in, &src, names, &count, &read_error);
        if (!src.error && !read_error) WriteProjectHeader(&hdr, names, count);
    } else {
        Emit(&src, "%s", kBanner);
        Emit(&src, "#include \"%s.h\"\n", names->identifier);
        Emit(&src, "\nkpv_const byte %s%s[]=\n{\n", names->identifier, names->suffix);
        count = WriteItems(in, &src, &read_error);
        Emit(&src, "\n};\n");
        if (!src.error && !read_error) WriteHeader(&hdr, names, count);
    }

    CloseOutput(&src);
    CloseOutput(&hdr);

    /* The first failure in the order of the work is the one reported. */
    if (src.error && !read_error) {
        failed_name = src.name;
        error = src.error;
    } else if (read_error) {
        failed_name = input;
        error = read_error;
    } else if (hdr.error) {
        failed_name = hdr.name;
        error = hdr.error;
    }
    if (failed_name) {
        Report(failed_name, strerror(error));
        remove(src.name);
        remove(hdr.name);
        return 1;
    }
    return 0;
}

int main(int argc, char **argv) {
    const Arguments args = ReadArguments(argc, argv);
    const char *input = args.input;
    FILE *in;
    PagebakeNames names;
    int status;

    if (args.action == ACTION_USAGE) return Usage();
    if (args.action == ACTION_VERSION) return Version();

    errno = 0;
    in = fopen(input, "rb");
    if (!in) {
        Report(input, strerror(LastError()));
        return 1;
    }
#if defined(PAGEBAKE_BUILD_HOST)
    {
        /* A folder opens here but cannot be read; say so before any output exists. */
        struct stat input_stat;
        if (fstat(fileno(in), &input_stat) == 0 && S_ISDIR(input_stat.st_mode)) {
            Report(input, strerror(EISDIR));
            fclose(in);
            return 1;
        }
    }
#endif

    if (PagebakeDeriveNames(input, PAGEBAKE_NATIVE_PATHS, &names) != 0) {
        Report(input, strerror(ENOMEM));
        fclose(in);
        return 1;
    }
    status = Convert(in, input, &names, args.layout);
    fclose(in);
    PagebakeFreeNames(&names);
    return status;
}
