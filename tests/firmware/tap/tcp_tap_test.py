#!/usr/bin/env python3
"""TCP of an Ethernet project's firmware, built for the host and run on a TAP device that drops
and swaps 10% of the frames each way, against Linux's own TCP: a transfer through an echo service
comes back byte for byte, blind forged resets and out-of-window segments change nothing, and a SYN
flood while every socket is busy leaves the service answering on every socket afterwards.

    tcp_tap_test.py QUILLON_CLI SETTINGS.wp WORK_DIR
"""

import os
import random
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import taprig  # noqa: E402

PORT = 7

# The user's application: every socket listens on PORT and echoes what it receives; a socket
# whose connection ended listens again.
ECHO_SERVICE = b"""
//-----------------------------------------------------------------------------
// tcp_echo_service
//-----------------------------------------------------------------------------
static int echo_sockets[num_sockets];
static byte echo_buffer[600];
static byte echo_started;

void tcp_echo_service (void)
{
    byte i;
    int n;

    for (i = 0; i < num_sockets; i++)
    {
        if (!echo_started)
        {
            echo_sockets[i] = -1;
        }
        if (echo_sockets[i] < 0)
        {
            echo_sockets[i] = tcp_open_socket ();
            if (echo_sockets[i] >= 0)
            {
                tcp_listen (echo_sockets[i], %d);
            }
            continue;
        }
        // Data that came with the ACK a send waited for is held until the next poll: take
        // it before polling again.
        while ((n = tcp_receive (echo_sockets[i], echo_buffer, sizeof echo_buffer)) > 0)
        {
            n = tcp_send (echo_sockets[i], echo_buffer, (word) n);
            if (n < 0)
            {
                break;
            }
        }
        if (n < 0)
        {
            tcp_close (echo_sockets[i]);
            echo_sockets[i] = -1;
        }
    }
    echo_started = 1;
}
""" % PORT


def add_tcp_echo(folder):
    taprig.edit(os.path.join(folder, "main.c"), b"        // The application's own work goes here.\n",
                b"        {\n            extern void tcp_echo_service (void);\n            tcp_echo_service ();\n        }\n")
    with open(os.path.join(folder, "zs_callback.c"), "ab") as f:
        f.write(ECHO_SERVICE.replace(b"\n", b"\r\n"))


def echo_round_trip(data, timeout=120, chunk=512):
    """Sends data through the echo service on a new connection, a chunk at a time (the service
    echoes while the next chunk waits, as its sends block), and returns what came back."""
    s = socket.create_connection((taprig.DEVICE_IP, PORT), timeout=timeout)
    got = bytearray()
    for at in range(0, len(data), chunk):
        piece = data[at:at + chunk]
        s.sendall(piece)
        want = len(got) + len(piece)
        while len(got) < want:
            part = s.recv(65536)
            if not part:
                s.close()
                return bytes(got)
            got += part
    s.close()
    return bytes(got)


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def segment(src, sport, dport, seq, ack, flags, payload=b"", window=8192):
    header = struct.pack("!HHIIBBHHH", sport, dport, seq & 0xFFFFFFFF, ack & 0xFFFFFFFF, 5 << 4, flags, window, 0, 0)
    pseudo = socket.inet_aton(src) + socket.inet_aton(taprig.DEVICE_IP) + struct.pack("!BBH", 0, 6, len(header) + len(payload))
    total = checksum(pseudo + header + payload)
    return header[:16] + struct.pack("!H", total) + header[18:] + payload


def ip_packet(src, tcp):
    header = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(tcp), 0x4242, 0, 64, 6, 0,
                         socket.inet_aton(src), socket.inet_aton(taprig.DEVICE_IP))
    return header[:10] + struct.pack("!H", checksum(header)) + header[12:] + tcp


def main():
    cli, settings, work = sys.argv[1:4]
    folder = os.path.join(work, "eth-tcp")
    taprig.generate(cli, settings, folder)
    add_tcp_echo(folder)
    rng = random.Random(22)
    with taprig.TapRig(cli, folder, loss=10, reorder=10) as rig:
        # A transfer through a line that loses and swaps frames arrives intact.
        data = bytes(rng.randrange(256) for _ in range(30000))
        started = time.time()
        back = echo_round_trip(data)
        assert back == data, "echo of %d bytes came back as %d, first difference at %s" % (
            len(data), len(back), next((i for i, (a, b) in enumerate(zip(back, data)) if a != b), min(len(back), len(data))))
        print("30000 bytes echoed through 10%% loss and reordering in %.1f s" % (time.time() - started))

        raw = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)

        # Blind forgeries against a live connection: resets and SYNs at random sequence numbers,
        # data far outside the window, ACKs of data never sent. The connection goes on.
        s = socket.create_connection((taprig.DEVICE_IP, PORT), timeout=30)
        s.sendall(b"before")
        assert s.recv(100) == b"before"
        lport = s.getsockname()[1]
        for i in range(400):
            flags = (0x04, 0x02, 0x10, 0x14)[i % 4]
            payload = b"forged" if flags == 0x10 else b""
            tcp = segment(taprig.HOST_IP, lport, PORT, rng.randrange(1 << 32), rng.randrange(1 << 32), flags, payload)
            raw.sendto(ip_packet(taprig.HOST_IP, tcp), (taprig.DEVICE_IP, 0))
        time.sleep(0.5)
        s.sendall(b"after forgeries")
        got = b""
        while len(got) < len(b"after forgeries"):
            chunk = s.recv(100)
            assert chunk, "the connection was closed by forged segments"
            got += chunk
        assert got == b"after forgeries", got
        s.close()
        print("400 forged resets, SYNs and out-of-window segments ignored")

        # A SYN flood while every socket holds a connection, from this host's address and from
        # addresses nobody answers for; afterwards every socket serves a client again.
        busy = [socket.create_connection((taprig.DEVICE_IP, PORT), timeout=30) for _ in range(3)]
        for c in busy:
            c.sendall(b"x")
            assert c.recv(10) == b"x"
        for i in range(3000):
            src = taprig.HOST_IP if i % 2 else "10.0.0.%d" % (100 + i % 100)
            tcp = segment(src, 1024 + rng.randrange(60000), PORT, rng.randrange(1 << 32), 0, 0x02)
            raw.sendto(ip_packet(src, tcp), (taprig.DEVICE_IP, 0))
        for c in busy:
            c.close()
        time.sleep(1)
        clients = [socket.create_connection((taprig.DEVICE_IP, PORT), timeout=60) for _ in range(3)]
        for n, c in enumerate(clients):
            message = b"client %d after the flood" % n
            c.sendall(message)
            got = b""
            while len(got) < len(message):
                chunk = c.recv(100)
                assert chunk, "closed after the flood"
                got += chunk
            assert got == message, got
        for c in clients:
            c.close()
        assert echo_round_trip(data[:3000]) == data[:3000]
        print("3000 SYNs while every socket was busy; all sockets answer afterwards")

        status, err = rig.stop()
        assert status == 0, (status, err)
    print("ok")


if __name__ == "__main__":
    main()
