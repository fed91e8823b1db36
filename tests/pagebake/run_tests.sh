#!/usr/bin/env bash
# Runs pagebake on fixed inputs in fresh folders and compares whole output files, the
# streams and the exit status with the expected ones.
#   run_tests.sh PAGEBAKE EXPECTED_DIR [WINDOWS_EXE]
set -u
pagebake=$1
expected=$2
windows_exe=${3:-}
failures=0
work=$(mktemp -d /tmp/pagebake-test-XXXXXX)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs one case in its own folder: run_case NAME INPUT-NAME [pagebake args...]
# The input file, when the case needs one, is created by the caller in $dir.
check_outputs() {  # check_outputs NAME DIR FILE...
    local name=$1 dir=$2
    shift 2
    for f in "$@"; do
        if ! cmp -s "$expected/$name/$f" "$dir/$f"; then
            fail "$name: $f differs"
            diff <(od -c "$expected/$name/$f" 2>/dev/null) <(od -c "$dir/$f" 2>/dev/null) | head -10
        fi
    done
}

new_dir() { local d="$work/$1"; mkdir -p "$d"; echo "$d"; }

# Converts a generated input and compares the two outputs.
convert_case() {  # convert_case NAME INPUT-FILE-NAME SOURCE HEADER (input bytes on stdin)
    local name=$1 input=$2 src=$3 hdr=$4 dir
    dir=$(new_dir "$name")
    cat > "$dir/$input"
    (cd "$dir" && "$pagebake" "$input" > stdout 2> stderr)
    local rc=$?
    [ $rc -eq 0 ] || fail "$name: exit status $rc"
    [ -s "$dir/stdout" ] && fail "$name: unexpected output on stdout"
    [ -s "$dir/stderr" ] && fail "$name: unexpected output on stderr: $(cat "$dir/stderr")"
    check_outputs "$name" "$dir" "$src" "$hdr"
}

printf '' | convert_case empty empty.txt empty.c empty.h
printf 'abc' | convert_case odd abc.txt abc.c abc.h
printf '0123456789abcdefghijkl' | convert_case twentytwo page22.htm page22.c page22.h
head -c 265 "$expected/sample/index.html" | convert_case sample index.html index.c index.h
printf '<p>x</p>\r\n' | convert_case space "my page.html" "my page.c" "my page.h"
printf 'AB' | convert_case noextension README README.c README.h
printf '\xff\xe9' | convert_case highbytes "caf$(printf '\xc3\xa9')-1.Bin" "caf$(printf '\xc3\xa9')-1.c" "caf$(printf '\xc3\xa9')-1.h"

# A path with folders: the outputs go into the current folder, named after the file part.
dir=$(new_dir folders)
mkdir -p "$dir/pages" && printf 'x' > "$dir/pages/Index.HTML"
(cd "$dir" && "$pagebake" pages/Index.HTML > /dev/null 2>&1) || fail "folders: exit status"
grep -q 'kpv_const byte index_html\[\]=' "$dir/Index.c" || fail "folders: array name"
grep -q '#define INDEX_SIZE 2' "$dir/Index.h" || fail "folders: size line"

# No argument: the usage text, status 0, no files.
dir=$(new_dir usage)
(cd "$dir" && "$pagebake" > stdout 2> stderr) || fail "usage: exit status"
check_outputs usage "$dir" stdout
[ "$(ls "$dir" | sort | tr '\n' ' ')" = "stderr stdout " ] || fail "usage: created files"

# A missing input: the report on stderr, status 1, no files.
dir=$(new_dir missing)
(cd "$dir" && "$pagebake" nothere.html > stdout 2> stderr)
[ $? -eq 1 ] || fail "missing: exit status"
[ "$(cat "$dir/stderr")" = "nothere.html: No such file or directory" ] || fail "missing: stderr $(cat "$dir/stderr")"
[ "$(ls "$dir" | sort | tr '\n' ' ')" = "stderr stdout " ] || fail "missing: created files"

# A write error (the disk is full): reported with the file's name, status 1, no half output.
dir=$(new_dir diskfull)
printf 'hello' > "$dir/page.html"
ln -s /dev/full "$dir/page.c"
(cd "$dir" && "$pagebake" page.html > stdout 2> stderr)
[ $? -eq 1 ] || fail "diskfull: exit status"
[ "$(cat "$dir/stderr")" = "page.c: No space left on device" ] || fail "diskfull: stderr $(cat "$dir/stderr")"
[ -e "$dir/page.c" ] || [ -L "$dir/page.c" ] && fail "diskfull: page.c left behind"
[ -e "$dir/page.h" ] && fail "diskfull: page.h left behind"

# The header cannot be created: the source is removed again.
dir=$(new_dir noheader)
printf 'hello' > "$dir/page.html"
mkdir "$dir/page.h"
(cd "$dir" && "$pagebake" page.html > stdout 2> stderr)
[ $? -eq 1 ] || fail "noheader: exit status"
[ "$(cat "$dir/stderr")" = "page.h: Is a directory" ] || fail "noheader: stderr $(cat "$dir/stderr")"
[ -e "$dir/page.c" ] && fail "noheader: page.c left behind"

# A read error (the input is a folder): reported with the input's name, no output.
dir=$(new_dir readerror)
mkdir "$dir/site.d"
(cd "$dir" && "$pagebake" site.d > stdout 2> stderr)
[ $? -eq 1 ] || fail "readerror: exit status"
[ "$(cat "$dir/stderr")" = "site.d: Is a directory" ] || fail "readerror: stderr $(cat "$dir/stderr")"
[ -e "$dir/site.c" ] && fail "readerror: site.c left behind"
[ -e "$dir/site.h" ] && fail "readerror: site.h left behind"

# A read-only working folder: the source cannot be created.
if [ "$(id -u)" -ne 0 ]; then
    dir=$(new_dir readonly)
    printf 'x' > "$dir/a.txt"
    chmod a-w "$dir"
    (cd "$dir" && "$pagebake" a.txt > /dev/null 2> "$work/readonly.err")
    [ $? -eq 1 ] || fail "readonly: exit status"
    [ "$(cat "$work/readonly.err")" = "a.c: Permission denied" ] || fail "readonly: stderr"
fi

# The Windows build is a PE executable that needs only system DLLs.
if [ -n "$windows_exe" ]; then
    [ "$(head -c 2 "$windows_exe")" = "MZ" ] || fail "windows: no MZ header"
    pe_offset=$(od -An -t u4 -j 60 -N 4 "$windows_exe" | tr -d ' ')
    [ "$(od -An -c -j "$pe_offset" -N 4 "$windows_exe" | tr -d ' ')" = 'PE\0\0' ] || fail "windows: no PE signature"
    if command -v x86_64-w64-mingw32-objdump > /dev/null; then
        dlls=$(x86_64-w64-mingw32-objdump -p "$windows_exe" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
        for d in $dlls; do
            case "$d" in KERNEL32.DLL|MSVCRT.DLL) ;; *) fail "windows: imports $d" ;; esac
        done
    fi
fi

if [ $failures -ne 0 ]; then
    echo "$failures pagebake check(s) failed"
    exit 1
fi
echo "all pagebake checks passed"
