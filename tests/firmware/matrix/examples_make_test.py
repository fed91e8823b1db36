#!/usr/bin/env python3
"""Every example settings file, generated and built with its own Makefile: a configuration the
stack's source covers links within the family's code and XDATA; one that needs parts not yet
written stops make at once, naming them, before any compiler runs.

    examples_make_test.py QUILLON_CLI EXAMPLES_DIR WORK_DIR"""

import glob
import os
import re
import subprocess
import sys


def main():
    cli, examples, work = sys.argv[1:4]
    failures, built = 0, 0
    for settings in sorted(glob.glob(os.path.join(examples, "*.wp"))):
        name = os.path.splitext(os.path.basename(settings))[0]
        folder = os.path.join(work, name)
        subprocess.run(["rm", "-rf", folder])
        generated = subprocess.run([cli, "generate", settings, "--out", folder], capture_output=True, text=True)
        if generated.returncode != 0:
            print("FAIL %s: generate: %s" % (name, generated.stderr))
            failures += 1
            continue
        make = subprocess.run(["make", "-s", "-C", folder], capture_output=True, text=True)
        if "stack source lacks" in generated.stdout:
            missing = re.search(r"stack source lacks (.*) for this configuration", generated.stdout).group(1)
            stopped = make.returncode != 0 and "the stack's source lacks" in make.stderr and ".rel" not in make.stdout
            print("%s %s: make stops: lacks %s" % ("ok  " if stopped else "FAIL", name, missing))
            failures += 0 if stopped else 1
            continue
        size = subprocess.run(["make", "-s", "-C", folder, "size"], capture_output=True, text=True)
        figures = dict((kind, (int(used), int(limit))) for kind, used, limit in
                       re.findall(r"^(code|xdata): (\d+) of (\d+) bytes$", size.stdout, re.M))
        fits = make.returncode == 0 and len(figures) == 2 and all(u <= l for u, l in figures.values())
        print("%s %s: %s" % ("ok  " if fits else "FAIL", name, size.stdout.strip().replace("\n", ", ") or make.stderr))
        failures += 0 if fits else 1
        built += 1 if fits else 0
    print("%d passed, %d failed" % (built, failures))
    return 1 if failures or built == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
