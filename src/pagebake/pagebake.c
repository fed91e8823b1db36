/* pagebake: turns a file (in practice a web page) into a C source holding its bytes as a
 * constant array and a header declaring the array and its size, both in the current folder.
 *
 *   pagebake infile
 *
 * Exit status 0 on success and after the usage text, 1 when a file cannot be opened, read or
 * written; a failed run leaves no output files behind. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pagebake_names.h"

#ifdef _WIN32
#define PATH_STYLE PAGEBAKE_WINDOWS_PATHS
#else
#define PATH_STYLE PAGEBAKE_POSIX_PATHS
#endif

static const char kBanner[] = "/* This file was created by the PAGEBAKE utility. */\n\n";

static void report(const char* name, int err) { fprintf(stderr, "%s: %s\n", name, strerror(err)); }

static void usage(void) {
    fputs("\n\nPAGEBAKE.exe Usage:\n"
          "PAGEBAKE infile\n"
          "infile is the file to converted.\n"
          "The .c and .h files created use the\n"
          "input file name without the extension.\n",
          stdout);
}

/* Writes the source's items; returns 0, or the errno of the failed read (negative) or write
 * (positive). */
static int write_items(FILE* in, FILE* src, long* count) {
    int column = 0;
    int c;
    *count = 0;
    while ((c = getc(in)) != EOF) {
        int written;
        if (column <= 9) {
            written = fprintf(src, " 0x%02x, ", (unsigned)c);
            ++column;
        } else {
            written = fprintf(src, " 0x%02x,\n", (unsigned)c);
            column = 0;
        }
        if (written < 0) return errno ? errno : EIO;
        ++*count;
    }
    if (ferror(in)) return -(errno ? errno : EIO);
    /* The array always has an even length. */
    if (*count % 2 != 0) {
        if (fputs(" 0x00", src) == EOF) return errno ? errno : EIO;
        ++*count;
    }
    return 0;
}

int main(int argc, char** argv) {
    struct pagebake_names* names;
    FILE* in;
    FILE* src;
    FILE* hdr;
    long count = 0;
    int err;
    const char* failed_name;

    if (argc < 2) {
        usage();
        return 0;
    }

    in = fopen(argv[1], "rb");
    if (!in) {
        report(argv[1], errno);
        return 1;
    }

    names = (struct pagebake_names*)malloc(sizeof *names);
    if (!names) {
        report(argv[1], ENOMEM);
        fclose(in);
        return 1;
    }
    if (pagebake_derive_names(argv[1], strlen(argv[1]), PATH_STYLE, names) != 0) {
        report(argv[1], ENAMETOOLONG);
        fclose(in);
        free(names);
        return 1;
    }

    src = fopen(names->source, "w");
    if (!src) {
        report(names->source, errno);
        fclose(in);
        free(names);
        return 1;
    }
    hdr = fopen(names->header, "w");
    if (!hdr) {
        report(names->header, errno);
        fclose(src);
        remove(names->source); /* leave no half output behind */
        fclose(in);
        free(names);
        return 1;
    }

    errno = 0;
    err = 0;
    failed_name = names->source;
    if (fputs(kBanner, src) == EOF || fprintf(src, "#include \"%s.h\"\n", names->identifier) < 0 ||
        fprintf(src, "\nkpv_const byte %s%s[]=\n{\n", names->identifier, names->suffix) < 0) {
        err = errno ? errno : EIO;
    }
    if (!err) {
        err = write_items(in, src, &count);
        if (err < 0) {
            err = -err;
            failed_name = argv[1];
        }
    }
    if (!err && fputs("\n};\n", src) == EOF) err = errno ? errno : EIO;

    if (!err) {
        failed_name = names->header;
        if (fputs(kBanner, hdr) == EOF || fprintf(hdr, "#ifndef %s_H_INC\n", names->macro) < 0 ||
            fprintf(hdr, "#define %s_H_INC\t1\n", names->macro) < 0 || fputs("\n#include \"defs.h\"\n", hdr) == EOF ||
            fprintf(hdr, "\n#define %s_SIZE %ld\n", names->macro, count) < 0 ||
            fprintf(hdr, "\nextern kpv_const byte %s%s[%s_SIZE];\n", names->identifier, names->suffix,
                    names->macro) < 0 ||
            fprintf(hdr, "\n#endif\t\t/* %s_H_INC */\n", names->macro) < 0) {
            err = errno ? errno : EIO;
        }
    }

    fclose(in);
    /* Buffered output reaches the file only here, so a full disk shows up at close. */
    if (fclose(src) != 0 && !err) {
        err = errno ? errno : EIO;
        failed_name = names->source;
    }
    if (fclose(hdr) != 0 && !err) {
        err = errno ? errno : EIO;
        failed_name = names->header;
    }
    if (err) {
        report(failed_name, err);
        remove(names->source);
        remove(names->header);
        free(names);
        return 1;
    }
    free(names);
    return 0;
}
