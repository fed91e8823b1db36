#include "Packets.h"

#include <algorithm>
#include <random>

namespace stacktest {

namespace {

constexpr std::uint8_t kEnd = 0xC0, kEsc = 0xDB, kEscEnd = 0xDC, kEscEsc = 0xDD;

}  // namespace

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

std::uint16_t Get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]); }

std::uint16_t PseudoSum(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& body) {
    Bytes all(src, src + 4);
    all.insert(all.end(), dst, dst + 4);
    all.push_back(0);
    all.push_back(protocol);
    all.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    all.push_back(static_cast<std::uint8_t>(body.size()));
    all.insert(all.end(), body.begin(), body.end());
    return ReferenceSum(all.data(), all.size());
}


std::uint16_t ReferenceSum(const std::uint8_t* data, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += (i % 2 == 0) ? data[i] << 8 : data[i];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(sum);
}

Bytes SlipEncode(const Bytes& packet) {
    Bytes out{kEnd};
    for (std::uint8_t c : packet) {
        if (c == kEnd) {
            out.push_back(kEsc);
            out.push_back(kEscEnd);
        } else if (c == kEsc) {
            out.push_back(kEsc);
            out.push_back(kEscEsc);
        } else {
            out.push_back(c);
        }
    }
    out.push_back(kEnd);
    return out;
}

std::vector<Bytes> SlipDecode(const Bytes& stream, Bytes* rest) {
    std::vector<Bytes> frames;
    Bytes frame;
    bool escaped = false;
    for (std::uint8_t c : stream) {
        if (c == kEnd) {
            if (!frame.empty()) frames.push_back(frame);
            frame.clear();
            escaped = false;
        } else if (escaped) {
            frame.push_back(c == kEscEnd ? kEnd : c == kEscEsc ? kEsc : c);
            escaped = false;
        } else if (c == kEsc) {
            escaped = true;
        } else {
            frame.push_back(c);
        }
    }
    if (rest) *rest = frame;
    return frames;
}

Bytes IpPacket(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& payload) {
    Bytes p(20, 0);
    p[0] = 0x45;
    Put16(p, 2, static_cast<std::uint16_t>(20 + payload.size()));
    Put16(p, 4, 0x1234);
    p[8] = 64;
    p[9] = protocol;
    std::copy(src, src + 4, p.begin() + 12);
    std::copy(dst, dst + 4, p.begin() + 16);
    Put16(p, 10, static_cast<std::uint16_t>(~ReferenceSum(p.data(), 20)));
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes EchoRequest(std::uint16_t id, std::uint16_t sequence, const Bytes& data) {
    Bytes m(8, 0);
    m[0] = 8;
    Put16(m, 4, id);
    Put16(m, 6, sequence);
    m.insert(m.end(), data.begin(), data.end());
    Put16(m, 2, static_cast<std::uint16_t>(~ReferenceSum(m.data(), m.size())));
    return m;
}

Bytes UdpDatagram(const std::uint8_t* src, const std::uint8_t* dst, std::uint16_t from, std::uint16_t to,
                  const Bytes& data, bool with_checksum) {
    Bytes u(8, 0);
    Put16(u, 0, from);
    Put16(u, 2, to);
    Put16(u, 4, static_cast<std::uint16_t>(8 + data.size()));
    u.insert(u.end(), data.begin(), data.end());
    if (with_checksum) {
        std::uint16_t sum = static_cast<std::uint16_t>(~PseudoSum(src, dst, 17, u));
        Put16(u, 6, sum == 0 ? 0xFFFF : sum);
    }
    return u;
}

std::string CheckSentPacket(const Bytes& p, const std::uint8_t* source) {
    if (p.size() < 20) return "shorter than an IP header";
    if (p[0] != 0x45) return "not IPv4 with a 20-byte header";
    if (Get16(p, 2) != p.size()) return "total length " + std::to_string(Get16(p, 2)) + " for " + std::to_string(p.size()) + " bytes";
    if (ReferenceSum(p.data(), 20) != 0xFFFF) return "bad header checksum";
    if (!std::equal(p.begin() + 12, p.begin() + 16, source)) return "source is not our address";
    const Bytes body(p.begin() + 20, p.end());
    if (p[9] == 1 && ReferenceSum(body.data(), body.size()) != 0xFFFF) return "bad ICMP checksum";
    if (p[9] == 17) {
        if (body.size() < 8 || Get16(body, 4) != body.size()) return "bad UDP length";
        if (Get16(body, 6) == 0) return "UDP sent without checksum";
        if (PseudoSum(&p[12], &p[16], 17, body) != 0xFFFF) return "bad UDP checksum";
    }
    if (p[9] == 6) {
        if (body.size() < 20 || (body[12] >> 4) * 4u < 20 || (body[12] >> 4) * 4u > body.size()) return "bad TCP header length";
        if (PseudoSum(&p[12], &p[16], 6, body) != 0xFFFF) return "bad TCP checksum";
    }
    return "";
}

std::string CheckSentFrame(const Bytes& f, const std::uint8_t* hw, const std::uint8_t* ip) {
    if (f.size() < 60 || f.size() > 1514) return "a frame of " + std::to_string(f.size()) + " bytes";
    if (!std::equal(hw, hw + 6, f.begin() + 6)) return "a frame from another address";
    const std::uint16_t type = Get16(f, 12);
    if (type == 0x0806) {
        if (Get16(f, 14) != 1 || Get16(f, 16) != 0x0800 || f[18] != 6 || f[19] != 4 ||
            !std::equal(hw, hw + 6, f.begin() + 22)) {
            return "a malformed ARP message";
        }
        return "";
    }
    if (type != 0x0800) return "a frame of type " + std::to_string(type);
    const std::size_t total = std::min<std::size_t>(Get16(f, 16), f.size() - 14);
    const auto body = f.begin() + 14;
    const std::string bad = CheckSentPacket(Bytes(body, body + static_cast<std::ptrdiff_t>(total)), ip);
    return bad.empty() ? "" : "a malformed packet: " + bad;
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b) {
        // A quarter of the bytes are the ones SLIP escapes or uses, so that every case occurs.
        const unsigned r = rng() % 16;
        c = r < 4 ? std::uint8_t(0xC0 + (r == 0 ? 0 : 0x1A + r)) : static_cast<std::uint8_t>(rng());
    }
    return b;
}

namespace {

void PutSum(std::uint8_t* at, std::uint16_t sum) {
    at[0] = static_cast<std::uint8_t>(~sum >> 8);
    at[1] = static_cast<std::uint8_t>(~sum);
}

}  // namespace

void RepairChecksums(std::uint8_t* p, std::size_t n) {
    if (n < 20) return;
    const std::size_t ihl = (p[0] & 15u) * 4;
    if (ihl < 20 || ihl > n) return;
    p[10] = p[11] = 0;
    PutSum(p + 10, ReferenceSum(p, ihl));
    const std::size_t total = std::min<std::size_t>(n, p[2] << 8 | p[3]);
    if (total < ihl) return;
    std::uint8_t* body = p + ihl;
    const std::size_t len = total - ihl;
    if (p[9] == 1 && len >= 4) {
        body[2] = body[3] = 0;
        PutSum(body + 2, ReferenceSum(body, len));
    } else if (p[9] == 17 && len >= 8) {
        const std::size_t ulen = body[4] << 8 | body[5];
        if (ulen < 8 || ulen > len) return;
        body[6] = body[7] = 0;
        PutSum(body + 6, PseudoSum(p + 12, p + 16, 17, Bytes(body, body + ulen)));
    } else if (p[9] == 6 && len >= 20) {
        body[16] = body[17] = 0;
        PutSum(body + 16, PseudoSum(p + 12, p + 16, 6, Bytes(body, body + len)));
    }
}

Bytes EthFrame(const std::uint8_t* dst, const std::uint8_t* src, std::uint16_t type, const Bytes& payload) {
    Bytes f(dst, dst + 6);
    f.insert(f.end(), src, src + 6);
    f.push_back(static_cast<std::uint8_t>(type >> 8));
    f.push_back(static_cast<std::uint8_t>(type));
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

Bytes ArpMessage(std::uint16_t op, const std::uint8_t* sha, const std::uint8_t* spa, const std::uint8_t* tha,
                 const std::uint8_t* tpa) {
    Bytes a{0, 1, 0x08, 0x00, 6, 4, static_cast<std::uint8_t>(op >> 8), static_cast<std::uint8_t>(op)};
    a.insert(a.end(), sha, sha + 6);
    a.insert(a.end(), spa, spa + 4);
    a.insert(a.end(), tha, tha + 6);
    a.insert(a.end(), tpa, tpa + 4);
    return a;
}

}  // namespace stacktest
