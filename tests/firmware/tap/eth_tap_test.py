#!/usr/bin/env python3
"""An Ethernet project's firmware built for the host and run on a TAP device in a namespace of
its own: Linux's ARP, ping and UDP sockets against it, then a clean stop that removes the device.

    eth_tap_test.py QUILLON_CLI SETTINGS.wp WORK_DIR
"""

import os
import random
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import taprig  # noqa: E402


def main():
    cli, settings, work = sys.argv[1:4]
    folder = os.path.join(work, "eth-udp")
    taprig.generate(cli, settings, folder)
    taprig.add_udp_echo(folder)
    with taprig.TapRig(cli, folder) as rig:
        # ARP: the PC learnt the firmware's own address.
        neigh = rig.run(["ip", "neigh", "show", taprig.DEVICE_IP]).stdout
        assert "00:0b:3c:12:34:56" in neigh, neigh

        # Echo requests up to the ping buffer come back byte for byte (ping checks the data);
        # one byte more is dropped.
        for size in (0, 1, 16, 32):
            got = rig.run(["ping", "-c", "3", "-i", "0.2", "-W", "2", "-s", str(size), "-p", "a5c0db", taprig.DEVICE_IP])
            assert got.returncode == 0 and " 0% packet loss" in got.stdout, got.stdout + got.stderr
        got = rig.run(["ping", "-c", "2", "-i", "0.2", "-W", "1", "-s", "33", taprig.DEVICE_IP])
        assert got.returncode != 0, "a 33-byte echo was answered"

        # UDP: every size up to what the 600-byte receive buffer holds after its headers.
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.settimeout(2)
        rng = random.Random(5)
        largest = 600 - 14 - 20 - 8
        for size in (0, 1, 200, largest):
            data = bytes(rng.randrange(256) for _ in range(size))
            s.sendto(data, (taprig.DEVICE_IP, 7))
            echo, sender = s.recvfrom(2048)
            assert echo == data and sender == (taprig.DEVICE_IP, 7), (size, len(echo), sender)
        s.sendto(bytes(largest + 1), (taprig.DEVICE_IP, 7))
        try:
            s.recvfrom(2048)
            raise AssertionError("a datagram larger than the receive buffer was answered")
        except socket.timeout:
            pass
        print("ping 0-32 bytes and UDP 0-%d bytes answered" % largest)

        status, err = rig.stop()
        assert status == 0, (status, err)
        assert rig.run(["ip", "link", "show", rig.tap]).returncode != 0, "the TAP device outlived the firmware"
    print("ok")


if __name__ == "__main__":
    main()
