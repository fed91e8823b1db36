#include "PppFrames.h"

#include "Packets.h"

namespace stacktest::ppp {

std::uint16_t Fcs(const Bytes& data) {
    std::uint16_t fcs = 0xFFFF;
    for (std::uint8_t b : data) {
        fcs ^= b;
        for (int i = 0; i < 8; ++i) fcs = (fcs & 1) ? (fcs >> 1) ^ 0x8408 : fcs >> 1;
    }
    return fcs;
}

Bytes Frame(std::uint16_t protocol, const Bytes& info) {
    Bytes body = {0xFF, 0x03, static_cast<std::uint8_t>(protocol >> 8), static_cast<std::uint8_t>(protocol)};
    body.insert(body.end(), info.begin(), info.end());
    const std::uint16_t fcs = Fcs(body) ^ 0xFFFF;
    body.push_back(static_cast<std::uint8_t>(fcs));
    body.push_back(static_cast<std::uint8_t>(fcs >> 8));
    Bytes out = {0x7E};
    for (std::uint8_t b : body) {
        if (b < 0x20 || b == 0x7E || b == 0x7D) {
            out.push_back(0x7D);
            b ^= 0x20;
        }
        out.push_back(b);
    }
    out.push_back(0x7E);
    return out;
}

Bytes Control(std::uint8_t code, std::uint8_t id, const Bytes& data) {
    Bytes p = {code, id, static_cast<std::uint8_t>((data.size() + 4) >> 8), static_cast<std::uint8_t>(data.size() + 4)};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

Bytes Option(std::uint8_t type, const Bytes& value) {
    Bytes o = {type, static_cast<std::uint8_t>(value.size() + 2)};
    o.insert(o.end(), value.begin(), value.end());
    return o;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<Packet> Reader::Feed(const std::uint8_t* data, std::size_t n) {
    std::vector<Packet> out;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        if (b == 0x7E) {
            if (!raw_.empty()) Finish(out);
            raw_.clear();
        } else {
            raw_.push_back(b);
        }
    }
    return out;
}

void Reader::Finish(std::vector<Packet>& out) {
    Bytes body;
    for (std::size_t i = 0; i < raw_.size(); ++i) {
        if (raw_[i] == 0x7D) {
            if (++i == raw_.size()) {
                errors.push_back("a frame ends in an escape");
                return;
            }
            body.push_back(raw_[i] ^ 0x20);
        } else {
            body.push_back(raw_[i]);
        }
    }
    if (body.size() < 6 || body[0] != 0xFF || body[1] != 0x03 || Fcs(body) != 0xF0B8) {
        std::string hex;
        for (std::uint8_t b : body) hex += " " + std::to_string(b);
        errors.push_back("a bad frame of " + std::to_string(body.size()) + " bytes:" + hex);
        return;
    }
    out.push_back({static_cast<std::uint16_t>(body[2] << 8 | body[3]), Bytes(body.begin() + 4, body.end() - 2)});
}

std::string Check(const Packet& p) {
    const Bytes& d = p.info;
    if (p.protocol == kLcp || p.protocol == kIpcp || p.protocol == kPap) {
        if (d.size() < 4 || (d[2] << 8 | d[3]) != static_cast<int>(d.size())) return "a control packet's length";
        return "";
    }
    if (p.protocol != kIp) return "protocol " + std::to_string(p.protocol);
    if (d.size() < 20 || d[0] != 0x45 || (d[2] << 8 | d[3]) != static_cast<int>(d.size()) ||
        ReferenceSum(d.data(), 20) != 0xFFFF)
        return "a malformed IP packet";
    return "";
}

}  // namespace stacktest::ppp
