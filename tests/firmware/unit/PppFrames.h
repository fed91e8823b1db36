// PPP in HDLC-like framing, built and read the plain way from the RFCs, independently of the
// stack's own code: the peer of the host tests and of the fuzz target speaks it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace stacktest::ppp {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kLcp = 0xC021, kPap = 0xC023, kIpcp = 0x8021, kIp = 0x0021;

// The FCS-16 over data, bit by bit; 0xF0B8 over a whole frame with its FCS means it is sound.
std::uint16_t Fcs(const Bytes& data);
// A whole frame, flags at both ends, every control character escaped.
Bytes Frame(std::uint16_t protocol, const Bytes& info);
// An LCP, IPCP or PAP packet: code, identifier, length and data.
Bytes Control(std::uint8_t code, std::uint8_t id, const Bytes& data = {});
Bytes Option(std::uint8_t type, const Bytes& value);
Bytes Cat(std::initializer_list<Bytes> parts);

struct Packet {
    std::uint16_t protocol;
    Bytes info;
};

// Frames out of what the stack sends; every flaw is recorded in errors.
class Reader {
public:
    std::vector<Packet> Feed(const std::uint8_t* data, std::size_t n);
    // What follows the last flag: the modem commands after the last frame.
    std::string Tail() const { return std::string(raw_.begin(), raw_.end()); }
    void ClearTail() { raw_.clear(); }
    std::vector<std::string> errors;

private:
    void Finish(std::vector<Packet>& out);
    Bytes raw_;
};

// What a received packet must be: LCP, IPCP or PAP with its length right, or a sound IPv4
// packet. Empty when it is.
std::string Check(const Packet& p);

}  // namespace stacktest::ppp
