#!/usr/bin/env bash
# Runs pagebake on fixed inputs, each case in a fresh folder, and compares whole output files,
# the streams and the exit status with the expected ones.
#   run_tests.sh conversions|usage|failures PAGEBAKE EXPECTED_DIR
#   run_tests.sh project PAGEBAKE EXPECTED_DIR DATAFILES_DIR
#   run_tests.sh windows PAGEBAKE_EXE
set -u
group=$1
failures=0
work=$(mktemp -d "${TMPDIR:-/tmp}/pagebake-test-XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
new_dir() { local d="$work/$1"; mkdir -p "$d"; echo "$d"; }

# Runs pagebake with the given arguments in DIR; its streams land in $work/NAME.out and .err.
run_in() {  # run_in NAME DIR ARGS...
    local name=$1 dir=$2
    shift 2
    (cd "$dir" && "$pagebake" "$@" > "$work/$name.out" 2> "$work/$name.err")
}

same_file() {  # same_file NAME EXPECTED ACTUAL
    if ! cmp -s "$2" "$3"; then
        fail "$1: $(basename "$3") differs from $2"
        diff <(od -c "$2" 2>/dev/null) <(od -c "$3" 2>/dev/null) | head -10
    fi
}

# The folder holds exactly these names (and nothing half written).
only_files() {  # only_files NAME DIR NAMES...
    local name=$1 dir=$2
    shift 2
    local want have
    want=$(for f in "$@"; do echo "$f"; done | sort | tr '\n' '|')
    have=$(ls -A "$dir" | sort | tr '\n' '|')
    [ "$want" = "$have" ] || fail "$name: folder holds '$have', expected '$want'"
}

# A run that must fail: status 1, nothing on stdout, exactly "pagebake: REPORT" on stderr.
expect_failure() {  # expect_failure NAME REPORT
    local rc=$1 name=$2 report=$3
    [ "$rc" -eq 1 ] || fail "$name: exit status $rc, expected 1"
    [ -s "$work/$name.out" ] && fail "$name: output on stdout"
    [ "$(cat "$work/$name.err")" = "pagebake: $report" ] ||
        fail "$name: stderr '$(cat "$work/$name.err")', expected 'pagebake: $report'"
}

# Converts the bytes on stdin, stored as INPUT, and compares both outputs. OPTIONS go before
# the input on the command line.
convert_case() {  # convert_case NAME INPUT SOURCE HEADER [OPTIONS...]
    local name=$1 input=$2 src=$3 hdr=$4 dir rc
    shift 4
    dir=$(new_dir "$name")
    cat > "$dir/$input"
    run_in "$name" "$dir" "$@" "$input"
    rc=$?
    [ $rc -eq 0 ] || fail "$name: exit status $rc"
    [ -s "$work/$name.out" ] && fail "$name: output on stdout"
    [ -s "$work/$name.err" ] && fail "$name: output on stderr: $(cat "$work/$name.err")"
    same_file "$name" "$expected/$name/$src" "$dir/$src"
    same_file "$name" "$expected/$name/$hdr" "$dir/$hdr"
}

conversions() {
    printf '' | convert_case empty empty.txt empty.c empty.h
    printf 'abc' | convert_case odd abc.txt abc.c abc.h
    printf '0123456789abcdefghijkl' | convert_case twentytwo page22.htm page22.c page22.h
    convert_case sample index.html index.c index.h < "$expected/sample/index.html"
    printf '<p>x</p>\r\n' | convert_case space "my page.html" "my page.c" "my page.h"
    printf 'AB' | convert_case noextension README README.c README.h
    local cafe
    cafe=$(printf 'caf\xc3\xa9-1')
    printf '\xff\xe9' | convert_case highbytes "$cafe.Bin" "$cafe.c" "$cafe.h"

    # A path with folders: the outputs go into the current folder, named after the file part;
    # a second run over existing outputs replaces them.
    local dir
    dir=$(new_dir folders)
    mkdir -p "$dir/pages/sub.d" && printf 'abc' > "$dir/pages/sub.d/abc.txt"
    printf 'stale' > "$dir/abc.c"
    run_in folders "$dir" pages/sub.d/abc.txt || fail "folders: exit status"
    same_file folders "$expected/odd/abc.c" "$dir/abc.c"
    same_file folders "$expected/odd/abc.h" "$dir/abc.h"
    only_files folders "$dir" pages abc.c abc.h
}

# The layout of the pair generated projects carry: the sample page gives exactly the stored
# sample pair, and its edges (a full last line, an empty page, a name with a space, whose
# source includes its own header).
project() {
    local dir
    dir=$(new_dir project-sample)
    cp "$datafiles/166-index.html" "$dir/index.html"
    run_in project-sample "$dir" --project-layout index.html || fail "project-sample: exit status"
    same_file project-sample "$datafiles/168-index.c" "$dir/index.c"
    same_file project-sample "$datafiles/167-index.h" "$dir/index.h"
    only_files project-sample "$dir" index.html index.c index.h
    printf '0123456789ab' | convert_case project-twelve page12.htm page12.c page12.h --project-layout
    printf '' | convert_case project-empty empty.txt empty.c empty.h --project-layout
    printf 'AB' | convert_case project-space "my page.html" "my page.c" "my page.h" --project-layout
    # Failures are the same in either layout.
    failure_case project-missing nothere.html ':' "nothere.html: No such file or directory"
}

usage() {
    local dir rc
    dir=$(new_dir usage)
    run_in usage "$dir"
    rc=$?
    [ $rc -eq 0 ] || fail "usage: exit status $rc"
    same_file usage "$expected/usage/stdout" "$work/usage.out"
    [ -s "$work/usage.err" ] && fail "usage: output on stderr"
    only_files usage "$dir"

    # --help and -h print the same text, even with a file after them; --version one line.
    local option
    for option in --help -h; do
        run_in "help$option" "$dir" "$option" page.html
        rc=$?
        [ $rc -eq 0 ] || fail "$option: exit status $rc"
        same_file "$option" "$expected/usage/stdout" "$work/help$option.out"
        [ -s "$work/help$option.err" ] && fail "$option: output on stderr"
    done
    run_in version "$dir" --version
    rc=$?
    [ $rc -eq 0 ] || fail "--version: exit status $rc"
    grep -qx 'pagebake [0-9][0-9.]*' "$work/version.out" || fail "--version printed '$(cat "$work/version.out")'"
    only_files usage "$dir"
    # Output that cannot be written is a failure with the reason.
    (cd "$dir" && "$pagebake" --version > /dev/full 2> "$work/full.err")
    rc=$?
    [ $rc -eq 1 ] || fail "--version > /dev/full: exit status $rc"
    [ "$(cat "$work/full.err")" = "pagebake: stdout: No space left on device" ] ||
        fail "--version > /dev/full: stderr '$(cat "$work/full.err")'"

    # Only the first argument counts.
    dir=$(new_dir extra)
    printf 'abc' > "$dir/abc.txt"
    run_in extra "$dir" abc.txt more.txt || fail "extra: exit status"
    same_file extra "$expected/odd/abc.h" "$dir/abc.h"
    only_files extra "$dir" abc.txt abc.c abc.h
}

# A run that must fail: SETUP (shell text) prepares a fresh folder, pagebake runs there on
# INPUT, and afterwards exactly the KEEP names remain. Leaves the folder in $dir.
failure_case() {  # failure_case NAME INPUT SETUP REPORT KEEP...
    local name=$1 input=$2 setup=$3 report=$4
    shift 4
    dir=$(new_dir "$name")
    (cd "$dir" && eval "$setup")
    if [[ $name == project-* ]]; then
        run_in "$name" "$dir" --project-layout "$input"
    else
        run_in "$name" "$dir" "$input"
    fi
    expect_failure $? "$name" "$report"
    only_files "$name" "$dir" "$@"
}

failures() {
    failure_case missing nothere.html ':' "nothere.html: No such file or directory"
    # The disk fills up while the source or, after a complete source, the header is written:
    # both outputs go again.
    failure_case fullsource page.html 'printf hello > page.html; ln -s /dev/full page.c' \
        "page.c: No space left on device" page.html
    failure_case fullheader page.html 'printf hello > page.html; ln -s /dev/full page.h' \
        "page.h: No space left on device" page.html
    # The source cannot be created, so nothing else is; the header cannot be created, so the
    # empty source is removed again.
    failure_case nosource page.html 'printf hello > page.html; mkdir page.c' \
        "page.c: Is a directory" page.html page.c
    failure_case noheader page.html 'printf hello > page.html; mkdir page.h' \
        "page.h: Is a directory" page.html page.h
    failure_case folderinput site.d 'mkdir site.d' "site.d: Is a directory" site.d

    # An output that is the input itself (directly or through a link) is never overwritten.
    failure_case selfsource page.c "printf 'int x;' > page.c" \
        "page.c: would overwrite the input file" page.c
    [ "$(cat "$dir/page.c")" = "int x;" ] || fail "selfsource: input changed"
    failure_case selfheader blob.bin 'printf data > blob.bin; ln -s blob.bin blob.h' \
        "blob.h: would overwrite the input file" blob.bin blob.h
    [ "$(cat "$dir/blob.bin")" = "data" ] || fail "selfheader: input changed"

    # A read-only working folder (root may write anyway, so only as another user).
    if [ "$(id -u)" -ne 0 ]; then
        failure_case readonly a.txt 'printf x > a.txt; chmod a-w .' "a.c: Permission denied" a.txt
    fi
}

# The Windows build is a PE executable that needs only system DLLs.
windows() {
    local exe=$1 pe_offset dlls d
    [ -s "$exe" ] || { fail "windows: $exe missing"; return; }
    [ "$(head -c 2 "$exe")" = "MZ" ] || fail "windows: no MZ header"
    pe_offset=$(od -An -t u4 -j 60 -N 4 "$exe" | tr -d ' ')
    [ "$(od -An -c -j "$pe_offset" -N 4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || fail "windows: no PE signature"
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
    [ -n "$dlls" ] || fail "windows: no import table read"
    for d in $dlls; do
        case "$d" in KERNEL32.DLL|MSVCRT.DLL) ;; *) fail "windows: imports $d" ;; esac
    done
}

case "$group" in
    conversions|usage|failures) pagebake=$2; expected=$3; "$group" ;;
    project) pagebake=$2; expected=$3; datafiles=$4; project ;;
    windows) windows "$2" ;;
    *) echo "unknown group $group"; exit 2 ;;
esac

if [ $failures -ne 0 ]; then
    echo "$failures pagebake check(s) failed"
    exit 1
fi
echo "pagebake $group: all checks passed"
