#!/usr/bin/env python3
"""End to end on the 8051 over PPP: generates a PPP project with PAP and UDP, edits it as a user
would (an echo service on UDP port 7 that a "bye" datagram ends, and the error of a failed
negotiation shown on the line), builds it with make and runs it in s51 through
`quillon-cli simulate --pty` three times against the PPP peer of ppp_peer.py:

  1. the peer refuses the firmware's password: it must end the link with an LCP
     Terminate-Request, hang up and report the authentication error;
  2. a whole session: LCP with a rejected option, PAP, IPCP with the address the peer gives,
     LCP echo, pings of every size the buffers hold, UDP echoes, a storm of malformed frames
     after which it still answers, and the peer's Terminate-Request, after which it hangs up;
  3. the configured address kept, and the firmware ending the link itself.

    ppp_sim_test.py QUILLON_CLI SETTINGS.wp WORK_DIR"""

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
import ppp_peer  # noqa: E402
from ppp_peer import IP, IPCP, LCP, PAP  # noqa: E402

HOST = bytes([10, 0, 0, 1])
CONFIGURED = bytes([10, 0, 0, 2])
ASSIGNED = bytes([10, 0, 0, 5])
USERS = {b"guest": b"tulipbed"}  # the user the generated main routine enters


def make_project(cli, settings, folder):
    run(cli, "generate", settings, "--out", folder)
    main = os.path.join(folder, "main.c")
    edit(main, b'#include "zs_funcs.h"\n', b'#include "zs_funcs.h"\n#include "zs_hw.h"\n\nextern byte zs_quit;\n')
    # A failed negotiation shows its error on the line ("E46" for ZS_ERR_AUTHENTICATION).
    edit(main, b"    if (ppp_open_connection () != ZS_OK)\n    {\n        while (1);\n    }\n",
         b"    {\n        int failed = ppp_open_connection ();\n        if (failed != ZS_OK)\n        {\n"
         b"            zs_uart_put ('E');\n            zs_uart_put ('0' + (-failed) / 10);\n"
         b"            zs_uart_put ('0' + (-failed) % 10);\n            zs_uart_put ('\\r');\n"
         b"            while (1);\n        }\n    }\n")
    edit(main, b"    // Run the stack for the application until the link fails.\n",
         b"    udp_open_socket (7);\n\n    // Run the stack for the application until the link fails.\n")
    edit(main, b"        // The application's own work goes here.\n",
         b"        // The application's own work goes here.\n        if (zs_quit)\n        {\n            break;\n        }\n")
    edit(os.path.join(folder, "zs_callback.c"), b"word zs_unclaimed_packets;\n",
         b"word zs_unclaimed_packets;\nbyte zs_quit;\n")
    edit(os.path.join(folder, "zs_callback.c"), b"    zs_unclaimed_packets++;\n}",
         b"    zs_unclaimed_packets++;\n    {\n        byte sender[4];\n        word port;\n"
         b"        udp_get_sender (sender, &port);\n"
         b"        if (len == 3 && packet[0] == 'b' && packet[1] == 'y' && packet[2] == 'e')\n"
         b"        {\n            zs_quit = 1;\n        }\n"
         b"        udp_send (socket, sender, port, packet, len);\n    }\n}")
    build(folder)


class Simulation:
    """One run of the firmware in s51 with the modem dialogue answered."""

    def __init__(self, cli, folder):
        self.sim = subprocess.Popen([cli, "simulate", folder, "--pty", "--timeout", "900"],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        first = self.sim.stdout.readline().decode()
        assert first.startswith("uart: /dev/pts/"), "simulate printed %r" % first
        self.fd = os.open(first.split(": ", 1)[1].strip(), os.O_RDWR | os.O_NOCTTY)
        self.line = peer.Line(self.fd, self.fd)
        modem = peer.Modem(self.line)
        self.started = time.monotonic()
        modem.serve_until_connected(timeout=120)
        self.ppp = ppp_peer.PppPeer(self.line, HOST)

    def close(self):
        os.close(self.fd)
        self.sim.send_signal(signal.SIGTERM)
        try:
            self.sim.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.sim.kill()
            sys.exit("simulate did not end on SIGTERM")
        assert self.sim.returncode == 0, "simulate ended with %d: %s" % (self.sim.returncode, self.sim.stderr.read().decode())
        left = subprocess.run(["pgrep", "-f", "s51 .*quillon-sim-%d-" % self.sim.pid], capture_output=True,
                              text=True).stdout.split()
        assert not left, "simulator processes left behind: %s" % left


def refused(cli, folder):
    s = Simulation(cli, folder)
    try:
        link = s.ppp
        link.open_lcp()
        name, password, ok = link.authenticate({b"guest": b"not-" + USERS[b"guest"]})
        assert (name, password, ok) == (b"guest", USERS[b"guest"], False)
        link.answer_terminate()
        link.wait_hangup()
        report = s.line.read_until(b"\r", 60)
        assert report.strip() == b"E46", "the firmware reported %r" % report
        print("refused: PAP Nak -> LCP Terminate-Request, hang-up, ZS_ERR_AUTHENTICATION reported (%.1f s)" %
              (time.monotonic() - s.started))
    finally:
        s.close()


def malformed_frames(count, rng, largest):
    """PPP frames that must be dropped or refused without harm."""
    good_ip = peer.ip_packet(HOST, ASSIGNED, 1, peer.icmp_echo(1, 1, b"x" * 16))
    good = ppp_peer.hdlc_encode(IP, good_ip)
    control = ppp_peer.control
    for i in range(count):
        kind = i % 12
        if kind == 0:  # bad FCS
            frame = bytearray(good)
            frame[10] ^= 0x01 if frame[10] not in (0x7E, 0x7D, 0x7F, 0x5E, 0x5D) else 0x02
            yield bytes(frame)
        elif kind == 1:  # cut short, then a flag
            yield good[:rng.randrange(1, len(good) - 1)] + b"\x7e"
        elif kind == 2:  # aborted with ESC flag
            yield good[:20] + b"\x7d\x7e"
        elif kind == 3:  # no address and control
            body = struct.pack("!H", IP) + good_ip
            yield b"\x7e" + body + struct.pack("<H", ppp_peer.fcs16(body) ^ 0xFFFF) + b"\x7e"
        elif kind == 4:  # LCP Configure-Request with option lengths that lie
            opts = rng.choice([b"\x01\x00", b"\x01\x01", b"\x05\x09\x00\x00", b"\x02\x06\x00", b"\x01\x03\x05",
                               b"\x03\x02", b"\x01\x04\x05\xdc\x07\x00"])
            yield ppp_peer.hdlc_encode(LCP, control(1, rng.randrange(256), opts))
        elif kind == 5:  # IPCP Configure-Request with a bad address length
            yield ppp_peer.hdlc_encode(IPCP, control(1, rng.randrange(256), b"\x03\x05\x0a\x00\x00"))
        elif kind == 6:  # control packets whose length exceeds the frame, or is below 4
            yield ppp_peer.hdlc_encode(rng.choice([LCP, IPCP, PAP]), struct.pack("!BBH", rng.randrange(1, 12),
                                                                                 1, rng.choice([0, 3, 40, 65535])))
        elif kind == 7:  # late answers to requests nobody made, PAP out of its phase
            yield ppp_peer.hdlc_encode(rng.choice([LCP, IPCP]), control(rng.randrange(2, 5), 0xEE, b"\x01\x04\x00\x10"))
            yield ppp_peer.hdlc_encode(PAP, control(rng.randrange(1, 4), 1, b"\x00\x00"))
        elif kind == 8:  # longer than the receive buffer
            yield ppp_peer.hdlc_encode(IP, bytes(rng.randrange(256) for _ in range(largest + 3)))
        elif kind == 9:  # noise
            yield bytes(rng.randrange(256) for _ in range(rng.randrange(1, 80))) + b"\x7e"
        elif kind == 10:  # IP with a bad header checksum
            bad = bytearray(good_ip)
            bad[10] ^= 0x55
            yield ppp_peer.hdlc_encode(IP, bytes(bad))
        else:  # frames too short to hold a protocol
            yield b"\x7e\xff\x03\x7e" + b"\x7e\xff\x7e" + ppp_peer.hdlc_encode(IP, b"")


def session(cli, folder):
    largest_ping = constant(folder, "ping_buff_size")
    largest_datagram = constant(folder, "recv_buff_size") - 28
    s = Simulation(cli, folder)
    try:
        link = s.ppp
        link.open_lcp()
        assert link.authenticate(USERS)[2]
        address = link.open_ipcp(assign=ASSIGNED)
        assert address == ASSIGNED, "the firmware kept %r" % address
        print("session: LCP (one option rejected), PAP, IPCP with the address given: %.1f s from CONNECT" %
              (time.monotonic() - s.started))
        link.echo()

        start = time.monotonic()
        sizes = sorted(set(n for n in [0, 1, 2, 17, 31, largest_ping - 1, largest_ping] if n <= largest_ping))
        for seq, size in enumerate(sizes, 1):
            data = bytes((seq * 7 + i) & 0xFF for i in range(size))
            assert link.ping(data, seq) == data, "echo of %d bytes came back changed" % size
        # Bytes the ACCM and the flag need escaped, and the escape itself, in the data.
        tricky = bytes([0x7E, 0x7D, 0x11, 0x13, 0x00, 0x20, 0x5E, 0x5D] * 4)[:largest_ping]
        assert link.ping(tricky, 100) == tricky
        print("ping: %d sizes from 0 to %d bytes and the escaped bytes answered in %.1f s" %
              (len(sizes) + 1, largest_ping, time.monotonic() - start))
        start = time.monotonic()
        for i, size in enumerate([0, 1, 100, largest_datagram]):
            data = bytes((i + k * 13) & 0xFF for k in range(size))
            assert link.udp(40000 + i, 7, data) == (data, 7, 40000 + i), "UDP echo of %d bytes" % size
        print("udp: echoes up to %d bytes to the sender's port in %.1f s" % (largest_datagram, time.monotonic() - start))

        # An unknown protocol gets a Protocol-Reject carrying it.
        link.send(0x8057, b"\x01\x02\x03\x04")
        _, _, data = link.expect(LCP, (ppp_peer.PROTO_REJ,))
        assert data == b"\x80\x57\x01\x02\x03\x04", "protocol reject %r" % data

        rng = random.Random(23)
        frames = list(malformed_frames(240, rng, constant(folder, "recv_buff_size")))
        storm = b"".join(frames)
        start = time.monotonic()
        link.send_raw(storm)
        answer = link.ping(b"still here", 999, timeout=60 + len(storm) / 1000)
        assert answer == b"still here"
        link.echo(b"after the storm")
        assert link.udp(40100, 7, b"after the storm") == (b"after the storm", 7, 40100)
        print("malformed: %d frames (%d bytes) dropped in %.0f s; ping, LCP echo and UDP still answered" %
              (len(frames), len(storm), time.monotonic() - start))

        link.terminate()
        codes = link.wait_hangup()
        assert all(p != IP for p, _ in codes), "IP after the Terminate-Ack: %r" % codes
        print("terminate: the peer's Terminate-Request acknowledged, then the modem hung up (%.1f s in all)" %
              (time.monotonic() - s.started))
    finally:
        s.close()


def closed_by_firmware(cli, folder):
    s = Simulation(cli, folder)
    try:
        link = s.ppp
        link.open_lcp()
        assert link.authenticate(USERS)[2]
        assert link.open_ipcp() == CONFIGURED
        assert link.udp(40200, 7, b"bye") == (b"bye", 7, 40200)
        link.answer_terminate()
        link.wait_hangup()
        print("closed: the configured address kept; the firmware's Terminate-Request, then the hang-up (%.1f s)" %
              (time.monotonic() - s.started))
    finally:
        s.close()


def main():
    cli, settings, work = sys.argv[1:4]
    folder = os.path.join(work, "ppp-pap-udp")
    subprocess.run(["rm", "-rf", folder])
    make_project(cli, settings, folder)
    refused(cli, folder)
    session(cli, folder)
    closed_by_firmware(cli, folder)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
