"""Generated projects for the firmware tests: commands that must succeed, the user's edits to
generated files, the build with its size check, and the constants a project was generated with."""

import os
import re
import subprocess
import sys


def run(*command, cwd=None):
    """Runs a command that must succeed; its output, or the test ends with what it printed."""
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("%s failed (%d):\n%s%s" % (" ".join(command), result.returncode, result.stdout, result.stderr))
    return result.stdout


def edit(path, old, new):
    """Replaces the one occurrence of old in a generated file (CR LF line ends, or LF) by new."""
    with open(path, "rb") as f:
        text = f.read()
    if text.count(old.replace(b"\n", b"\r\n")) == 1:
        old, new = old.replace(b"\n", b"\r\n"), new.replace(b"\n", b"\r\n")
    assert text.count(old) == 1, "%s: %r not found once" % (path, old)
    with open(path, "wb") as f:
        f.write(text.replace(old, new))


def build(folder):
    """Builds the project with its own Makefile; its code and XDATA must fit the family's."""
    run("make", "-s", cwd=folder)
    sizes = run("make", "-s", "size", cwd=folder)
    for kind in ("code", "xdata"):
        m = re.search(r"^%s: (\d+) of (\d+) bytes$" % kind, sizes, re.M)
        assert m and int(m.group(1)) <= int(m.group(2)), "make size: %r" % sizes
    print(sizes.strip())


def constant(folder, name):
    """A number zs_userconst.h defines."""
    with open(os.path.join(folder, "zs_userconst.h"), "rb") as f:
        return int(re.search(rb"#define " + name.encode() + rb"\s+(\d+)", f.read()).group(1))
