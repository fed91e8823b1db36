#!/usr/bin/env python3
"""Benchmark of the firmware built from source, run by hand (never as a timed test):

  - ICMP echo round trips a simulated second, in s51 through `quillon-cli simulate --pty`, for
    the smallest and the largest ping the configuration answers. Simulated time is the
    firmware's own: the benchmark adds a UDP service on port 8 that answers with zs_get_ticks(),
    the 10 ms tick that the simulator keeps at 10 ms of simulated time;
  - the code and XDATA of every module of the build, from the objects SDCC made.

    firmware_bench.py QUILLON_CLI SETTINGS.wp WORK_DIR [PINGS]"""

import glob
import os
import re
import signal
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "firmware", "sim"))
import peer  # noqa: E402
import slip_sim_test  # noqa: E402


def module_sizes(folder):
    rows = []
    for rel in sorted(glob.glob(os.path.join(folder, "build", "*.rel"))):
        areas = {}
        with open(rel) as f:
            for line in f:
                m = re.match(r"A (\w+) size ([0-9A-Fa-f]+)", line)
                if m:
                    areas[m.group(1)] = areas.get(m.group(1), 0) + int(m.group(2), 16)
        code = areas.get("CSEG", 0) + areas.get("CONST", 0) + areas.get("XINIT", 0) + areas.get("HOME", 0)
        xdata = areas.get("XSEG", 0) + areas.get("XISEG", 0) + areas.get("PSEG", 0)
        rows.append((os.path.basename(rel)[:-4] + ".c", code, xdata))
    return rows


def main():
    cli, settings, work = sys.argv[1:4]
    pings = int(sys.argv[4]) if len(sys.argv) > 4 else 40
    folder = os.path.join(work, "bench")
    subprocess.run(["rm", "-rf", folder])
    slip_sim_test.make_project(cli, settings, folder, clock_service=True)
    largest = slip_sim_test.constant(folder, "ping_buff_size")

    sim = subprocess.Popen([cli, "simulate", folder, "--pty"], stdout=subprocess.PIPE)
    try:
        fd = os.open(sim.stdout.readline().decode().split(": ", 1)[1].strip(), os.O_RDWR | os.O_NOCTTY)
        line = peer.Line(fd, fd)
        modem = peer.Modem(line)
        modem.serve_until_connected(timeout=120)
        modem.login()
        link = peer.SlipLink(line, slip_sim_test.HOST, slip_sim_test.DEVICE)
        link.drain()

        def ticks():
            answer, _, _ = link.udp(40008, 8, b"tt")
            return struct.unpack("!H", answer)[0]

        print("| ping payload | round trips | simulated s | round trips a simulated second | a wall-clock second |")
        print("|---|---|---|---|---|")
        for size in (0, largest):
            data = bytes(range(size))
            first, wall = ticks(), time.monotonic()
            for seq in range(pings):
                assert link.ping(data, seq=seq + 1) == data
            wall, last = time.monotonic() - wall, ticks()
            simulated = ((last - first) & 0xFFFF) / 100.0
            print("| %d bytes | %d | %.2f | %.1f | %.1f |" % (size, pings, simulated, pings / simulated, pings / wall))
    finally:
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=10)

    print()
    print("| module | code | XDATA |")
    print("|---|---|---|")
    for name, code, xdata in module_sizes(folder):
        print("| %s | %d | %d |" % (name, code, xdata))


if __name__ == "__main__":
    main()
