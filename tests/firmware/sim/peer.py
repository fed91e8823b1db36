"""The far end of a modem line, for the firmware tests: answers the firmware's AT commands like
a modem, plays the remote login, then speaks SLIP with hand-built IPv4, ICMP and UDP packets.

Everything here is written from the RFCs (791, 792, 768, 1055, 1071) and checked against the
firmware, never the other way round: a packet the firmware sends is parsed and verified field by
field before a test may trust it."""

import os
import select
import struct
import time

END, ESC, ESC_END, ESC_ESC = 0xC0, 0xDB, 0xDC, 0xDD


def checksum(data: bytes) -> int:
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def slip_encode(packet: bytes) -> bytes:
    out = bytearray([END])
    for b in packet:
        if b == END:
            out += bytes([ESC, ESC_END])
        elif b == ESC:
            out += bytes([ESC, ESC_ESC])
        else:
            out.append(b)
    out.append(END)
    return bytes(out)


class SlipDecoder:
    def __init__(self):
        self.frame = bytearray()
        self.escaped = False

    def feed(self, data: bytes):
        frames = []
        for b in data:
            if b == END:
                if self.frame:
                    frames.append(bytes(self.frame))
                self.frame = bytearray()
                self.escaped = False
            elif self.escaped:
                self.frame.append({ESC_END: END, ESC_ESC: ESC}.get(b, b))
                self.escaped = False
            elif b == ESC:
                self.escaped = True
            else:
                self.frame.append(b)
        return frames


def ip_packet(src, dst, proto, payload, ident=1, ttl=64, flags_frag=0, tos=0):
    header = struct.pack("!BBHHHBBH4s4s", 0x45, tos, 20 + len(payload), ident, flags_frag, ttl, proto, 0,
                         bytes(src), bytes(dst))
    header = header[:10] + struct.pack("!H", checksum(header)) + header[12:]
    return header + payload


def icmp_echo(ident, seq, data, kind=8):
    body = struct.pack("!BBHHH", kind, 0, 0, ident, seq) + data
    return body[:2] + struct.pack("!H", checksum(body)) + body[4:]


def udp_datagram(src, dst, sport, dport, data, with_checksum=True):
    length = 8 + len(data)
    body = struct.pack("!HHHH", sport, dport, length, 0) + data
    if with_checksum:
        pseudo = bytes(src) + bytes(dst) + struct.pack("!BBH", 0, 17, length)
        c = checksum(pseudo + body) or 0xFFFF
        body = body[:6] + struct.pack("!H", c) + body[8:]
    return body


def parse_ip(packet: bytes):
    """The fields of an IPv4 packet the firmware sent; raises AssertionError on any flaw."""
    assert len(packet) >= 20, "short IP packet %r" % packet
    vihl, tos, total, ident, frag, ttl, proto, csum = struct.unpack("!BBHHHBBH", packet[:12])
    assert vihl == 0x45, "version/IHL %02x" % vihl
    assert total == len(packet), "total length %d of a %d-byte packet" % (total, len(packet))
    assert checksum(packet[:20]) == 0, "bad IP header checksum"
    return {"proto": proto, "ttl": ttl, "src": packet[12:16], "dst": packet[16:20], "payload": packet[20:],
            "frag": frag}


class Line:
    """The host's end of the firmware's UART (a pty or a pipe pair)."""

    def __init__(self, read_fd, write_fd):
        self.rfd, self.wfd = read_fd, write_fd
        self.pending = bytearray()

    def write(self, data: bytes):
        view = memoryview(data)
        while view:
            _, w, _ = select.select([], [self.wfd], [], 5)
            if not w:
                raise TimeoutError("the line does not take bytes")
            n = os.write(self.wfd, view)
            view = view[n:]

    def read_some(self, timeout):
        r, _, _ = select.select([self.rfd], [], [], timeout)
        if not r:
            return b""
        try:
            return os.read(self.rfd, 4096)
        except OSError:
            return b""

    def read_until(self, marker: bytes, timeout: float) -> bytes:
        deadline = time.monotonic() + timeout
        while marker not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no %r within %.0f s; got %r" % (marker, timeout, bytes(self.pending[-200:])))
            self.pending += self.read_some(left)
        at = self.pending.index(marker) + len(marker)
        text = bytes(self.pending[:at])
        del self.pending[:at]
        return text


class Modem:
    """Answers AT commands with OK, a dial with CONNECT, and plays the remote login."""

    def __init__(self, line: Line, login_prompt=b"login: ", password_prompt=b"Password: "):
        self.line = line
        self.login_prompt, self.password_prompt = login_prompt, password_prompt
        self.commands = []

    def serve_until_connected(self, timeout=60.0, dial_reply=b"CONNECT 115200"):
        deadline = time.monotonic() + timeout
        while True:
            command = self.line.read_until(b"\r", max(0.1, deadline - time.monotonic())).strip(b"\r\n")
            command = command[command.rfind(b"AT"):] if b"AT" in command else command
            self.commands.append(command)
            if command.startswith(b"ATD"):
                self.line.write(b"\r\n" + dial_reply + b"\r\n")
                return command
            self.line.write(b"\r\nOK\r\n")

    def login(self, password_too=True, timeout=30.0):
        self.line.write(self.login_prompt)
        name = self.line.read_until(b"\r", timeout).strip(b"\r\n")
        password = None
        if password_too:
            self.line.write(b"\r\n" + self.password_prompt)
            password = self.line.read_until(b"\r", timeout).strip(b"\r\n")
        return name, password


class SlipLink:
    def __init__(self, line: Line, ours, theirs):
        self.line, self.ours, self.theirs = line, bytes(ours), bytes(theirs)
        self.decoder = SlipDecoder()
        self.frames = []

    def send(self, packet: bytes):
        self.line.write(slip_encode(packet))

    def send_raw(self, data: bytes):
        self.line.write(data)

    def receive(self, timeout: float):
        deadline = time.monotonic() + timeout
        while not self.frames:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            self.frames += self.decoder.feed(self.line.pending + self.line.read_some(min(left, 0.5)))
            self.line.pending = bytearray()
        return self.frames.pop(0)

    def drain(self, quiet=0.3):
        while self.receive(quiet) is not None:
            pass

    def ping(self, data: bytes, ident=0x5151, seq=1, timeout=30.0):
        """Sends an echo request; returns the reply's payload after checking every field."""
        self.send(ip_packet(self.ours, self.theirs, 1, icmp_echo(ident, seq, data), ident=seq))
        deadline = time.monotonic() + timeout
        while True:
            frame = self.receive(max(0.0, deadline - time.monotonic()))
            if frame is None:
                raise TimeoutError("no echo reply to a %d-byte ping" % len(data))
            ip = parse_ip(frame)
            if ip["proto"] != 1:
                continue
            assert ip["src"] == self.theirs and ip["dst"] == self.ours, "reply addressed %r -> %r" % (ip["src"], ip["dst"])
            icmp = ip["payload"]
            assert checksum(icmp) == 0, "bad ICMP checksum"
            kind, code, _, rid, rseq = struct.unpack("!BBHHH", icmp[:8])
            if (kind, rid, rseq) != (0, ident, seq):
                continue
            return icmp[8:]

    def udp(self, sport, dport, data, timeout=30.0):
        """Sends a datagram; returns (payload, source port, destination port) of the answer."""
        self.send(ip_packet(self.ours, self.theirs, 17, udp_datagram(self.ours, self.theirs, sport, dport, data)))
        deadline = time.monotonic() + timeout
        while True:
            frame = self.receive(max(0.0, deadline - time.monotonic()))
            if frame is None:
                raise TimeoutError("no answer to a %d-byte datagram" % len(data))
            ip = parse_ip(frame)
            if ip["proto"] != 17:
                continue
            body = ip["payload"]
            src, dst, length, csum = struct.unpack("!HHHH", body[:8])
            assert length == len(body), "UDP length %d of %d bytes" % (length, len(body))
            if csum:
                pseudo = ip["src"] + ip["dst"] + struct.pack("!BBH", 0, 17, length)
                assert checksum(pseudo + body) == 0, "bad UDP checksum"
            return body[8:], src, dst
