"""The far end of a PPP link, for the firmware tests: HDLC-like framing with the FCS-16 and the
ACCM (RFC 1662), LCP (RFC 1661), PAP as the authenticator (RFC 1334) and IPCP (RFC 1332), then
IPv4 with the packet builders of peer.py.

Written from the RFCs and checked against the firmware, never the other way round: every frame
the firmware sends is decoded and its FCS, escaping, lengths and options verified before a test
trusts it."""

import struct
import time

import peer

FLAG, ESC = 0x7E, 0x7D
LCP, PAP, IPCP, IP = 0xC021, 0xC023, 0x8021, 0x0021
CONF_REQ, CONF_ACK, CONF_NAK, CONF_REJ, TERM_REQ, TERM_ACK, CODE_REJ, PROTO_REJ, ECHO_REQ, ECHO_REP = range(1, 11)


def fcs16(data: bytes, fcs=0xFFFF) -> int:
    for b in data:
        fcs ^= b
        for _ in range(8):
            fcs = (fcs >> 1) ^ 0x8408 if fcs & 1 else fcs >> 1
    return fcs


def hdlc_encode(protocol: int, info: bytes, escape_all=True) -> bytes:
    """A whole frame, address and control included, with every control character escaped
    (always allowed: the receiver takes escaped bytes whatever its ACCM)."""
    body = b"\xff\x03" + struct.pack("!H", protocol) + info
    fcs = fcs16(body) ^ 0xFFFF
    body += struct.pack("<H", fcs)
    out = bytearray([FLAG])
    for b in body:
        if b in (FLAG, ESC) or (escape_all and b < 0x20):
            out += bytes([ESC, b ^ 0x20])
        else:
            out.append(b)
    out.append(FLAG)
    return bytes(out)


def options(data: bytes):
    """The (type, value) pairs of a configure packet's options; raises on a bad length."""
    out, at = [], 0
    while at < len(data):
        assert at + 2 <= len(data) and data[at + 1] >= 2 and at + data[at + 1] <= len(data), \
            "bad option lengths in %r" % data
        out.append((data[at], data[at + 2:at + data[at + 1]]))
        at += data[at + 1]
    return out


def encode_options(opts) -> bytes:
    return b"".join(bytes([t, 2 + len(v)]) + v for t, v in opts)


def control(code, ident, data=b""):
    return struct.pack("!BBH", code, ident, 4 + len(data)) + data


class Decoder:
    """Frames out of the byte stream; checks the FCS and records every control character the
    sender left unescaped, so that a test can hold it to the ACCM it was given."""

    def __init__(self):
        self.raw = bytearray()
        self.in_frame = False
        self.text = bytearray()

    def feed(self, data: bytes):
        frames = []
        for b in data:
            if b == FLAG:
                if self.raw:
                    frames.append(self._finish(bytes(self.raw)))
                self.raw = bytearray()
                self.in_frame = True
            elif self.in_frame:
                self.raw.append(b)
            else:
                self.text.append(b)
        return frames

    @staticmethod
    def _finish(raw: bytes):
        unescaped = sorted(set(b for b in raw if b < 0x20))
        body, i = bytearray(), 0
        while i < len(raw):
            if raw[i] == ESC:
                assert i + 1 < len(raw), "frame ends in an escape"
                body.append(raw[i + 1] ^ 0x20)
                i += 2
            else:
                body.append(raw[i])
                i += 1
        assert len(body) >= 6, "short frame %r" % bytes(body)
        assert fcs16(bytes(body)) == 0xF0B8, "bad FCS on %r" % bytes(body)
        assert body[:2] == b"\xff\x03", "address/control %r" % bytes(body[:2])
        protocol = struct.unpack("!H", body[2:4])[0]
        return protocol, bytes(body[4:-2]), unescaped


class PppPeer:
    """The peer's side of one call: negotiation, PAP as the authenticator, IP and the end."""

    def __init__(self, line: peer.Line, ours=bytes([10, 0, 0, 1])):
        self.line = line
        self.ours = bytes(ours)
        self.decoder = Decoder()
        self.frames = []
        self.magic = b"\x5e\x11\x0a\x93"
        self.accm = b"\x00\x0a\x00\x00"  # XON and XOFF escaped, nothing else
        self.their_magic = None
        self.their_lcp = None
        self.address = None
        self.ident = 0x40
        self.lcp_open = False

    # --- the line -------------------------------------------------------------------------
    def send(self, protocol, info):
        self.line.write(hdlc_encode(protocol, info))

    def send_raw(self, data):
        self.line.write(data)

    def receive(self, timeout):
        """The next frame (protocol, info); None on time-out. Once LCP is open every non-LCP
        frame must keep the agreed ACCM."""
        deadline = time.monotonic() + timeout
        while not self.frames:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            data = bytes(self.line.pending) + self.line.read_some(min(left, 0.5))
            self.line.pending = bytearray()
            self.frames += self.decoder.feed(data)
        protocol, info, unescaped = self.frames.pop(0)
        if self.lcp_open and protocol != LCP:
            escaped = [c for c in unescaped if (int.from_bytes(self.accm, "big") >> c) & 1]
            assert not escaped, "control characters %r sent unescaped against the ACCM" % escaped
        if protocol == LCP:
            assert not unescaped, "LCP frame with unescaped control characters %r" % unescaped
        return protocol, info

    def expect(self, protocol, codes, timeout=60.0):
        """The next packet of protocol with a code in codes as (code, identifier, data);
        any other frame fails the test."""
        deadline = time.monotonic() + timeout
        while True:
            got = self.receive(max(0.0, deadline - time.monotonic()))
            if got is None:
                raise TimeoutError("no %04x packet with code %r" % (protocol, codes))
            p, info = got
            if p == protocol and info[0] in codes:
                code, ident, length = struct.unpack("!BBH", info[:4])
                assert length <= len(info), "length %d of %d bytes" % (length, len(info))
                return code, ident, info[4:length]
            raise AssertionError("unexpected %04x %r while waiting for %04x %r" % (p, info[:8], protocol, codes))

    def next_ident(self):
        self.ident = (self.ident + 1) & 0xFF
        return self.ident

    # --- LCP ------------------------------------------------------------------------------
    def check_lcp_request(self, data):
        opts = dict(options(data))
        assert set(opts) <= {1, 2, 5}, "LCP options %r" % opts
        if 1 in opts:
            assert 64 <= struct.unpack("!H", opts[1])[0] <= 1500
        if 2 in opts:
            assert opts[2] == b"\0\0\0\0", "ACCM %r" % opts[2]
        assert 5 in opts and opts[5] != b"\0\0\0\0", "no magic number"
        self.their_magic = opts[5]
        self.their_lcp = opts

    def negotiate(self, protocol, request, answer, timeout):
        """Runs one control protocol: waits for the firmware's first Configure-Request, then
        sends ours (request(), called again after a Reject or Nak) and resends it every
        RESTART seconds until acknowledged, as the restart timer of RFC 1661 does: the
        firmware's receive ring loses bytes that arrive while it sends. answer(code, ident,
        data) judges each packet of the firmware and returns True once it acked ours."""
        deadline = time.monotonic() + timeout
        acked_theirs = acked_mine = False
        sent_at = None
        while not (acked_theirs and acked_mine):
            if sent_at is not None and not acked_mine and time.monotonic() - sent_at > self.RESTART:
                self.send(protocol, control(CONF_REQ, self.ident, encode_options(request())))
                sent_at = time.monotonic()
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("%04x did not open" % protocol)
            got = self.receive(min(left, self.RESTART / 4))
            if got is None:
                continue
            p, info = got
            assert p == protocol, "unexpected %04x %r during %04x" % (p, info[:8], protocol)
            code, ident, length = struct.unpack("!BBH", info[:4])
            data = info[4:length]
            if code == CONF_REQ:
                acked_theirs = answer(code, ident, data)
                if sent_at is None:
                    sent_at = time.monotonic()
                    self.send(protocol, control(CONF_REQ, self.next_ident(), encode_options(request())))
            elif code in (CONF_ACK, CONF_NAK, CONF_REJ):
                assert ident == self.ident, "answer %d to request %d" % (ident, self.ident)
                if code == CONF_ACK:
                    assert options(data) == request(), "ack %r of %r" % (data, request())
                    acked_mine = True
                else:
                    answer(code, ident, data)
                    self.send(protocol, control(CONF_REQ, self.next_ident(), encode_options(request())))
                    sent_at = time.monotonic()
            else:
                raise AssertionError("code %d during the negotiation of %04x" % (code, protocol))

    RESTART = 8.0

    def open_lcp(self, auth=True, timeout=180.0):
        """Negotiates LCP. Our first request carries an option the firmware cannot know, which
        it must reject alone; the second is acknowledged."""
        unknown = (13, b"\x06")  # Callback
        mine = [(2, self.accm), (5, self.magic)] + ([(3, struct.pack("!H", PAP))] if auth else [])
        state = {"rejected": False}

        def request():
            return mine if state["rejected"] else mine + [unknown]

        def answer(code, ident, data):
            if code == CONF_REQ:
                self.check_lcp_request(data)
                self.send(LCP, control(CONF_ACK, ident, data))
                return True
            assert code == CONF_REJ and options(data) == [unknown], "the firmware refused %r" % data
            state["rejected"] = True
            return False

        self.negotiate(LCP, request, answer, timeout)
        self.lcp_open = True

    # --- PAP ------------------------------------------------------------------------------
    def authenticate(self, users, timeout=120.0):
        """Waits for the firmware's Authenticate-Request; answers Ack when the name and password
        are among users, else Nak. Returns (name, password, accepted)."""
        _, ident, data = self.expect(PAP, (1,), timeout)
        n = data[0]
        name = data[1:1 + n]
        w = data[1 + n]
        password = data[2 + n:2 + n + w]
        assert 2 + n + w == len(data), "PAP request lengths %r" % data
        ok = users.get(name) == password
        message = b"welcome" if ok else b"no such user"
        self.send(PAP, control(2 if ok else 3, ident, bytes([len(message)]) + message))
        return name, password, ok

    # --- IPCP -----------------------------------------------------------------------------
    def open_ipcp(self, assign=None, timeout=180.0):
        """Negotiates IPCP with our address; Naks the firmware's address with assign (when
        given and different). Returns the address the firmware ends with."""
        def answer(code, ident, data):
            assert code == CONF_REQ, "the firmware refused our IPCP request: %r" % data
            opts = options(data)
            assert [t for t, _ in opts] == [3], "IPCP options %r" % opts
            address = opts[0][1]
            if assign is not None and address != bytes(assign):
                self.send(IPCP, control(CONF_NAK, ident, encode_options([(3, bytes(assign))])))
                return False
            self.address = address
            self.send(IPCP, control(CONF_ACK, ident, data))
            return True

        self.negotiate(IPCP, lambda: [(3, self.ours)], answer, timeout)
        return self.address

    # --- IP over the link -----------------------------------------------------------------
    def ip(self, protocol, timeout):
        """The next IP packet, checked, with the LCP echo answered on the way."""
        deadline = time.monotonic() + timeout
        while True:
            got = self.receive(max(0.0, deadline - time.monotonic()))
            if got is None:
                return None
            p, info = got
            if p == IP:
                packet = peer.parse_ip(info)
                if packet["proto"] == protocol:
                    return packet
            else:
                raise AssertionError("unexpected %04x %r while waiting for IP" % (p, info[:8]))

    def ping(self, data, seq, ident=0x5151, timeout=30.0):
        self.send(IP, peer.ip_packet(self.ours, self.address, 1, peer.icmp_echo(ident, seq, data), ident=seq))
        deadline = time.monotonic() + timeout
        while True:
            packet = self.ip(1, max(0.0, deadline - time.monotonic()))
            if packet is None:
                raise TimeoutError("no echo reply to a %d-byte ping" % len(data))
            assert packet["src"] == self.address and packet["dst"] == self.ours
            icmp = packet["payload"]
            assert peer.checksum(icmp) == 0, "bad ICMP checksum"
            kind, _, _, rid, rseq = struct.unpack("!BBHHH", icmp[:8])
            if (kind, rid, rseq) == (0, ident, seq):
                return icmp[8:]

    def udp(self, sport, dport, data, timeout=30.0):
        self.send(IP, peer.ip_packet(self.ours, self.address, 17,
                                     peer.udp_datagram(self.ours, self.address, sport, dport, data)))
        packet = self.ip(17, timeout)
        if packet is None:
            raise TimeoutError("no answer to a %d-byte datagram" % len(data))
        body = packet["payload"]
        src, dst, length, csum = struct.unpack("!HHHH", body[:8])
        assert length == len(body)
        if csum:
            pseudo = packet["src"] + packet["dst"] + struct.pack("!BBH", 0, 17, length)
            assert peer.checksum(pseudo + body) == 0, "bad UDP checksum"
        return body[8:], src, dst

    def echo(self, data=b"are you there", timeout=60.0):
        """An LCP Echo-Request; the reply must carry the firmware's magic number and our data."""
        ident = self.next_ident()
        self.send(LCP, control(ECHO_REQ, ident, self.magic + data))
        code, rid, body = self.expect(LCP, (ECHO_REP,), timeout)
        assert rid == ident and body == self.their_magic + data, "echo reply %r" % body

    def terminate(self, timeout=60.0):
        """Our Terminate-Request; the firmware must acknowledge it."""
        ident = self.next_ident()
        self.send(LCP, control(TERM_REQ, ident, b"bye"))
        _, rid, _ = self.expect(LCP, (TERM_ACK,), timeout)
        assert rid == ident
        self.lcp_open = False

    def answer_terminate(self, timeout=120.0):
        """Waits for the firmware's Terminate-Request and acknowledges it."""
        _, ident, _ = self.expect(LCP, (TERM_REQ,), timeout)
        self.send(LCP, control(TERM_ACK, ident))
        self.lcp_open = False
        return ident

    def wait_hangup(self, timeout=120.0):
        """The firmware's escape to command mode and ATH0 after its last frame, answered with
        OK. Returns the LCP codes of the frames that came before it."""
        deadline = time.monotonic() + timeout
        codes = []
        while b"ATH0\r" not in self.decoder.raw:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no hang-up; after the last frame: %r" % bytes(self.decoder.raw[-80:]))
            for protocol, info, _ in self.decoder.feed(self.line.read_some(min(left, 0.5))):
                codes.append((protocol, info[0]))
        text = bytes(self.decoder.raw)
        assert b"+++" in text, "no escape before the hang-up: %r" % text
        self.line.pending = bytearray(text[text.index(b"ATH0\r") + 5:])
        self.decoder = Decoder()
        self.line.write(b"\r\nOK\r\n")
        return codes
