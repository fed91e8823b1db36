#!/usr/bin/env python3
"""HTTP requests a second and TCP throughput of the firmware's host build on a TAP device.

    net_bench.py QUILLON_CLI SETTINGS.wp WORK_DIR [REQUESTS]

Generates the web server of SETTINGS.wp (examples/custom-ethernet-web.wp), adds a 32 KB page of
random bytes beside the sample page as a user would (pagebake, vf_add_file), runs it with
`quillon-cli simulate --host` in a network namespace of its own and measures, from a client in
that namespace: requests a second one client at a time, with 20 clients at once, and the bytes
a second of the large page. A benchmark run by hand, not a test: it prints figures and checks
only that every answer was whole.
"""

import os
import random
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "firmware", "tap"))
import taprig  # noqa: E402

BIG = 32 * 1024


def get(path):
    """One request on a connection of its own: the body, or None when the answer was not whole."""
    import socket
    s = socket.create_connection((taprig.DEVICE_IP, 80), timeout=10)
    s.sendall(b"GET /" + path.encode() + b" HTTP/1.0\r\n\r\n")
    reply = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        reply += chunk
    s.close()
    head, _, body = reply.partition(b"\r\n\r\n")
    if not head.startswith(b"HTTP/1.") or b" 200 " not in head.split(b"\r\n")[0]:
        return None
    return body


def main():
    cli, settings, work = sys.argv[1:4]
    requests = int(sys.argv[4]) if len(sys.argv) > 4 else 200
    folder = os.path.join(work, "web-bench")
    taprig.generate(cli, settings, folder)
    pages = os.path.join(folder, "VFILE_DIR")
    big = bytes(random.Random(1).randrange(256) for _ in range(BIG))
    with open(os.path.join(pages, "big.html"), "wb") as f:
        f.write(big)
    pagebake = os.path.join(os.path.dirname(os.path.abspath(cli)), "pagebake")
    subprocess.run([pagebake, "--project-layout", "big.html"], cwd=pages, check=True, capture_output=True)
    taprig.edit(os.path.join(folder, "main.c"), b'#include "VFILE_DIR/index.h"\n',
                b'#include "VFILE_DIR/index.h"\n#include "VFILE_DIR/big.h"\n')
    taprig.edit(os.path.join(folder, "main.c"), b"    vf_add_file (\"index.html\", index_html, INDEX_SIZE);\n",
                b"    vf_add_file (\"index.html\", index_html, INDEX_SIZE);\n"
                b"    vf_add_file (\"big.html\", big_html, BIG_SIZE);\n")
    with open(os.path.join(pages, "index.html"), "rb") as f:
        index = f.read()

    with taprig.TapRig(cli, folder) as rig:
        start = time.monotonic()
        for _ in range(requests):
            assert get("index.html") == index
        one = requests / (time.monotonic() - start)

        failures = []

        def client(n):
            for _ in range(n):
                if get("index.html") != index:
                    failures.append(1)

        threads = [threading.Thread(target=client, args=(requests // 20,)) for _ in range(20)]
        start = time.monotonic()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        twenty = (requests // 20) * 20 / (time.monotonic() - start)
        assert not failures, "%d answers were not whole" % len(failures)

        start = time.monotonic()
        for _ in range(5):
            assert get("big.html") == big
        throughput = 5 * BIG / (time.monotonic() - start)
        rig.stop()

    print("| Measure | Figure |")
    print("|---|---|")
    print("| HTTP requests a second, one client at a time (%d-byte page) | %.0f |" % (len(index), one))
    print("| HTTP requests a second, 20 clients at once | %.0f |" % twenty)
    print("| TCP throughput, %d KB page | %.0f KB/s |" % (BIG // 1024, throughput / 1024))


if __name__ == "__main__":
    main()
