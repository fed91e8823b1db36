"""The network services' far ends for the firmware's TAP tests: a DHCP server that also
answers BOOTP, a DNS server, and the LOCATRA discovery tool. Each runs in a thread on plain
UDP sockets, so it must be started inside the test's network namespace, bound to the TAP's
host side, and it records what it saw for the test to check."""

import random
import socket
import struct
import threading
import time

COOKIE = b"\x63\x82\x53\x63"
DISCOVER, OFFER, REQUEST, DECLINE, ACK, NAK, RELEASE = 1, 2, 3, 4, 5, 6, 7


def _ip(text):
    return socket.inet_aton(text)


def _options(data):
    """The options after the magic cookie, as {code: bytes}; raises on a broken one."""
    out = {}
    i = 0
    while i < len(data):
        code = data[i]
        if code == 0:
            i += 1
            continue
        if code == 255:
            break
        length = data[i + 1]
        value = data[i + 2:i + 2 + length]
        if len(value) != length:
            raise ValueError("option %d runs past the message" % code)
        out[code] = value
        i += 2 + length
    return out


class _Server(threading.Thread):
    def __init__(self, sock):
        super().__init__(daemon=True)
        self.sock = sock
        self.sock.settimeout(0.2)
        self.running = True
        self.errors = []

    def stop(self):
        self.running = False
        self.join(2)
        self.sock.close()

    def run(self):
        while self.running:
            try:
                data, sender = self.sock.recvfrom(2048)
            except socket.timeout:
                continue
            except OSError:
                break
            try:
                self.handle(data, sender)
            except Exception as error:  # a bad message from the device is a finding
                self.errors.append("%s from %s: %r" % (error, sender, data[:64]))


class DhcpServer(_Server):
    """Leases `offer` to any client; answers BOOTP requests (no option 53) with the same
    address. lease=None leaves the lease time out of the acknowledgement. Every message
    received is kept in `seen` as (type, ciaddr, options, time); BOOTP requests as type 0.
    `garbage_first` sends that many broken answers before each real one."""

    def __init__(self, iface, server_ip, offer, lease=3600, mask="255.255.255.0", router=None,
                 dns=None, nak_renewals=False, garbage_first=0, boot_file=b""):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, iface.encode())
        sock.bind(("0.0.0.0", 67))
        super().__init__(sock)
        self.server_ip = server_ip
        self.offer = offer
        self.lease = lease
        self.mask = mask
        self.router = router
        self.dns = dns
        self.nak_renewals = nak_renewals
        self.garbage_first = garbage_first
        self.boot_file = boot_file
        self.seen = []
        self.sent_types = []
        self.rng = random.Random(67)

    def types(self):
        return [entry[0] for entry in self.seen]

    def _reply(self, request, kind, yiaddr, options):
        xid, flags, ciaddr, giaddr, chaddr = (request[4:8], request[10:12], request[12:16],
                                              request[24:28], request[28:44])
        head = struct.pack("!BBBB", 2, 1, 6, 0) + xid + b"\0\0" + flags + ciaddr + _ip(yiaddr) + \
            _ip(self.server_ip) + giaddr + chaddr + b"\0" * 64 + self.boot_file.ljust(128, b"\0")
        body = COOKIE
        if kind:
            body += bytes([53, 1, kind, 54, 4]) + _ip(self.server_ip)
        for code, value in options:
            body += bytes([code, len(value)]) + value
        body += b"\xff"
        message = (head + body).ljust(300, b"\0")
        for n in range(self.garbage_first):
            self._send_garbage(message, n)
        # Clients without an address asked for a broadcast; renewals come from the address.
        to = "255.255.255.255" if ciaddr == b"\0\0\0\0" else socket.inet_ntoa(ciaddr)
        self.sock.sendto(message, (to, 68))
        self.sent_types.append(kind)

    def _send_garbage(self, good, n):
        broken = bytearray(good)
        if n % 4 == 0:
            broken = broken[:240] + bytes([51, 200])            # an option running past the end
        elif n % 4 == 1:
            broken[4] ^= 0xFF                                    # another transaction
        elif n % 4 == 2:
            broken = broken[:100]                                # cut short
        else:
            # Random options (the header stays ours, so the client reads them all) under a
            # message type that does not exist, so that whatever they say, nothing is taken.
            for at in range(243, len(broken)):
                broken[at] = self.rng.randrange(256) if self.rng.randrange(4) else self.rng.choice([0, 255, 51])
                if broken[at] == 53:
                    broken[at] = 52                              # no second message type
            broken[240:243] = bytes([53, 1, 9 + self.rng.randrange(200)])
            if self.rng.randrange(3) == 0:
                broken = broken[:self.rng.randrange(200, len(broken))]
        self.sock.sendto(bytes(broken), ("255.255.255.255", 68))

    def handle(self, data, sender):
        if len(data) < 240 or data[0] != 1:
            raise ValueError("not a BOOTP request (%d bytes)" % len(data))
        ciaddr = socket.inet_ntoa(data[12:16])
        options = _options(data[240:]) if data[236:240] == COOKIE else {}
        kind = options.get(53, b"\0")[0]
        self.seen.append((kind, ciaddr, options, time.monotonic(), sender))
        extra = [(1, _ip(self.mask))]
        if self.router:
            extra.append((3, _ip(self.router)))
        if self.dns:
            extra.append((6, _ip(self.dns)))
        if kind == 0:                                            # BOOTP
            self._reply(data, 0, self.offer, extra)
            return
        if self.lease is not None:
            extra.append((51, struct.pack("!I", self.lease)))
        if kind == DISCOVER:
            self._reply(data, OFFER, self.offer, extra)
        elif kind == REQUEST:
            renewing = ciaddr != "0.0.0.0"
            if renewing and self.nak_renewals:
                self._reply(data, NAK, "0.0.0.0", [])
                return
            asked = options.get(50)
            if not renewing and (asked != _ip(self.offer) or options.get(54) != _ip(self.server_ip)):
                raise ValueError("request for %r from %r" % (asked, options.get(54)))
            self._reply(data, ACK, self.offer, extra)


class DnsServer(_Server):
    """Answers A queries for `names` ({name: (address, ttl)}) and NXDOMAIN for the rest;
    `queries` lists the names asked, in order."""

    def __init__(self, address, names):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((address, 53))
        super().__init__(sock)
        self.names = {k.lower(): v for k, v in names.items()}
        self.queries = []

    def handle(self, data, sender):
        ident, flags, qd = struct.unpack("!HHH", data[:6])
        if qd != 1 or flags & 0x8000:
            raise ValueError("not one question")
        labels, i = [], 12
        while data[i]:
            labels.append(data[i + 1:i + 1 + data[i]].decode())
            i += 1 + data[i]
        question = data[12:i + 5]
        name = ".".join(labels)
        self.queries.append(name)
        known = self.names.get(name.lower())
        head = struct.pack("!HHHHHH", ident, 0x8180 if known else 0x8183, 1, 1 if known else 0, 0, 0)
        answer = b""
        if known:
            address, ttl = known
            answer = b"\xc0\x0c" + struct.pack("!HHIH", 1, 1, ttl, 4) + _ip(address)
        self.sock.sendto(head + question + answer, sender)


def locatra_discover(iface, address="255.255.255.255", port=3040, timeout=3.0, kind=1):
    """Sends a LOCATRA request and returns the answers that came back, each parsed into a
    dict (address, mac, source, lease, event1, event2, texts)."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, iface.encode())
    sock.bind(("0.0.0.0", port))
    sock.settimeout(0.2)
    sock.sendto(b"LCTR" + bytes([1, kind]), (address, port))
    answers = []
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            data, sender = sock.recvfrom(2048)
        except socket.timeout:
            if answers:
                break
            continue
        if len(data) < 29 or data[:4] != b"LCTR" or not data[5] & 0x80:
            continue                                             # our own request, looped back
        texts = data[29:].split(b"\0")
        answers.append({
            "type": data[5], "address": socket.inet_ntoa(data[6:10]), "mac": data[10:16].hex(":"),
            "source": data[16], "lease": struct.unpack("!I", data[17:21])[0],
            "event1": struct.unpack("!I", data[21:25])[0], "event2": struct.unpack("!I", data[25:29])[0],
            "texts": [t.decode() for t in texts[:4]], "sender": sender[0],
        })
    sock.close()
    return answers
