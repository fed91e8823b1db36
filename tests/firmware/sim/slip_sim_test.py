#!/usr/bin/env python3
"""End to end on the 8051: generates a SLIP project with UDP, edits it as a user would (an echo
service on UDP port 7), builds it with make, runs it in s51 through `quillon-cli simulate --pty`,
answers its modem dialogue and login, then exchanges SLIP frames with it: pings of every size up
to what the buffers hold, UDP datagrams answered to the sender, and a storm of malformed frames
after which the firmware must still answer.

    slip_sim_test.py QUILLON_CLI SETTINGS.wp WORK_DIR"""

import os
import random
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer  # noqa: E402
from project import build, constant, edit, run  # noqa: E402

DEVICE = bytes([10, 0, 0, 2])
HOST = bytes([10, 0, 0, 1])


def make_project(cli, settings, folder, clock_service=False):
    run(cli, "generate", settings, "--out", folder)
    # The user's own application: an echo service on UDP port 7 (and, for the benchmark, the
    # firmware's tick count on port 8, the first socket opened).
    opened = b"    udp_open_socket (7);\n"
    answer = b"        udp_send (socket, sender, port, packet, len);\n"
    if clock_service:
        opened = b"    udp_open_socket (8);\n" + opened
        answer = (b"        if (socket == 0)\n        {\n            word ticks = zs_get_ticks ();\n"
                  b"            packet[0] = (byte) (ticks >> 8);\n            packet[1] = (byte) ticks;\n"
                  b"            len = 2;\n        }\n" + answer)
    edit(os.path.join(folder, "main.c"), b"    // Run the stack for the application until the link fails.\n",
         opened + b"\n    // Run the stack for the application until the link fails.\n")
    edit(os.path.join(folder, "zs_callback.c"), b"    zs_unclaimed_packets++;\n}",
         b"    zs_unclaimed_packets++;\n    {\n        byte sender[4];\n        word port;\n"
         b"        udp_get_sender (sender, &port);\n" + answer + b"    }\n}")
    build(folder)


def malformed_frames(count, rng):
    """Frames that must be dropped: short, bad checksums, lying lengths, fragments, other
    protocols, oversized, bad escapes and plain noise."""
    good = peer.ip_packet(HOST, DEVICE, 1, peer.icmp_echo(1, 1, b"x" * 16))
    for i in range(count):
        kind = i % 10
        if kind == 0:
            yield peer.slip_encode(good[:rng.randrange(0, 20)])
        elif kind == 1:
            bad = bytearray(good)
            bad[10] ^= 0x55
            yield peer.slip_encode(bytes(bad))
        elif kind == 2:
            bad = bytearray(good)
            struct.pack_into("!H", bad, 2, len(good) + rng.randrange(1, 2000))
            yield peer.slip_encode(bytes(bad))
        elif kind == 3:
            yield peer.slip_encode(peer.ip_packet(HOST, DEVICE, 1, peer.icmp_echo(1, 1, b"f" * 16), flags_frag=0x2000))
        elif kind == 4:
            bad = bytearray(good)
            bad[24] ^= 0xFF  # the ICMP checksum field
            yield peer.slip_encode(bytes(bad))
        elif kind == 5:
            yield peer.slip_encode(peer.ip_packet(HOST, DEVICE, 17, peer.udp_datagram(HOST, DEVICE, 9, 7, b"u")[:5]))
        elif kind == 6:
            yield peer.slip_encode(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 120))))
        elif kind == 7:
            yield bytes([peer.END]) + bytes(rng.randrange(256) for _ in range(700)) + bytes([peer.END])
        elif kind == 8:
            yield bytes([peer.END, 0x45, peer.ESC, 0x01, 0x02, peer.END])
        else:
            bad = bytearray(peer.ip_packet(HOST, DEVICE, 17, peer.udp_datagram(HOST, DEVICE, 9, 7, b"checksum")))
            bad[-1] ^= 0x01
            yield peer.slip_encode(bytes(bad))


def main():
    cli, settings, work = sys.argv[1:4]
    folder = os.path.join(work, "slip-udp")
    subprocess.run(["rm", "-rf", folder])
    make_project(cli, settings, folder)
    # The largest echo is what the configuration's ping buffer holds; the largest datagram what
    # the receive buffer holds.
    largest = constant(folder, "ping_buff_size")
    largest_datagram = constant(folder, "recv_buff_size") - 28

    sim = subprocess.Popen([cli, "simulate", folder, "--pty", "--timeout", "900"], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
    try:
        first = sim.stdout.readline().decode()
        assert first.startswith("uart: /dev/pts/"), "simulate printed %r" % first
        fd = os.open(first.split(": ", 1)[1].strip(), os.O_RDWR | os.O_NOCTTY)
        line = peer.Line(fd, fd)
        modem = peer.Modem(line)
        dialled = modem.serve_until_connected(timeout=120)
        print("modem: %s, dialled %s" % (b" ".join(modem.commands[:-1]).decode(), dialled.decode()))
        name, password = modem.login()
        print("login: %s / %s" % (name.decode(), password.decode() if password else "-"))

        link = peer.SlipLink(line, HOST, DEVICE)
        link.drain()
        start = time.monotonic()
        sizes = sorted(set(n for n in [0, 1, 2, 3, 17, 31, 64, 255, 256, 511, largest - 1, largest] if n <= largest))
        for seq, size in enumerate(sizes, 1):
            data = bytes((seq * 7 + i) & 0xFF for i in range(size))
            assert link.ping(data, seq=seq) == data, "echo of %d bytes came back changed" % size
        print("ping: %d sizes from 0 to %d bytes answered byte for byte in %.1f s" %
              (len(sizes), largest, time.monotonic() - start))
        try:
            link.ping(bytes(largest + 1), seq=500, timeout=3)
            sys.exit("a ping larger than the ping buffer was answered")
        except TimeoutError:
            pass

        for i, size in enumerate([0, 1, 100, largest_datagram]):
            data = bytes((i + k * 13) & 0xFF for k in range(size))
            answer, sport, dport = link.udp(40000 + i, 7, data)
            assert (answer, sport, dport) == (data, 7, 40000 + i), "UDP echo of %d bytes" % size
        print("udp: echoes to the sender's port")

        rng = random.Random(21)
        storm = b"".join(malformed_frames(1000, rng))
        start = time.monotonic()
        link.send_raw(storm)
        # The line carries about 3 KB a second: the ping waits behind the whole storm.
        assert link.ping(b"still here", seq=999, timeout=30 + len(storm) / 2000) == b"still here"
        print("malformed: %d bytes in 1000 frames crossed the line in %.0f s" % (len(storm), time.monotonic() - start))
        answer, _, _ = link.udp(40100, 7, b"after the storm")
        assert answer == b"after the storm"
        print("malformed: 1000 frames dropped, the firmware still answers")
        os.close(fd)
    finally:
        sim.send_signal(signal.SIGTERM)
        try:
            sim.wait(timeout=10)
        except subprocess.TimeoutExpired:
            sim.kill()
            sys.exit("simulate did not end on SIGTERM")
    assert sim.returncode == 0, "simulate ended with %d: %s" % (sim.returncode, sim.stderr.read().decode())
    # Nothing of the simulator is left running.
    left = subprocess.run(["pgrep", "-f", "s51 .*quillon-sim-%d-" % sim.pid], capture_output=True, text=True).stdout.split()
    assert not left, "simulator processes left behind: %s" % left
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
