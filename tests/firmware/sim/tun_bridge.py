#!/usr/bin/env python3
"""Joins the firmware's SLIP line to Linux's own IP stack: plays the modem and the login on the
pty, then carries every IP packet between the pty (SLIP framed) and a TUN device, so that ping,
sockets and every other program of the network namespace talk to the firmware.

    tun_bridge.py PTY TUN_NAME LOCAL_IP PEER_IP

Run it inside the namespace (ip netns exec NS ...). It prints "up" once the link is up."""

import fcntl
import os
import select
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer  # noqa: E402

TUNSETIFF = 0x400454CA
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000


def main():
    pty_path, name, local, remote = sys.argv[1:5]
    tun = os.open("/dev/net/tun", os.O_RDWR)
    fcntl.ioctl(tun, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
    for command in (["ip", "link", "set", "lo", "up"], ["ip", "addr", "add", local, "peer", remote, "dev", name],
                    ["ip", "link", "set", name, "up"]):
        subprocess.run(command, check=True)

    fd = os.open(pty_path, os.O_RDWR | os.O_NOCTTY)
    line = peer.Line(fd, fd)
    modem = peer.Modem(line)
    modem.serve_until_connected(timeout=120)
    modem.login()
    print("up", flush=True)

    decoder = peer.SlipDecoder()
    pending = bytes(line.pending)
    while True:
        if pending:
            for frame in decoder.feed(pending):
                os.write(tun, frame)
            pending = b""
        ready, _, _ = select.select([tun, fd], [], [], 1.0)
        if tun in ready:
            line.write(peer.slip_encode(os.read(tun, 2048)))
        if fd in ready:
            try:
                pending = os.read(fd, 4096)
            except OSError:
                return


if __name__ == "__main__":
    main()
