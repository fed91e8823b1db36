// Packets built and checked the plain way, independently of the stack's own code: the
// references its host tests and the fuzz target compare the stack with. Nothing here links
// the stack, so tests of every configuration share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace stacktest {

using Bytes = std::vector<std::uint8_t>;

// The folded one's complement sum, computed the plain way: 32-bit total, folded at the end.
std::uint16_t ReferenceSum(const std::uint8_t* data, std::size_t n);

Bytes SlipEncode(const Bytes& packet);
// The non-empty frames of a stream, and the bytes after the last END.
std::vector<Bytes> SlipDecode(const Bytes& stream, Bytes* rest = nullptr);

// An IPv4 packet with a correct header checksum; src and dst are 4 bytes.
Bytes IpPacket(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& payload);
// An ICMP echo request message (type 8) with its checksum.
Bytes EchoRequest(std::uint16_t id, std::uint16_t sequence, const Bytes& data);
// A UDP datagram with its checksum over the pseudo-header (or 0 without).
Bytes UdpDatagram(const std::uint8_t* src, const std::uint8_t* dst, std::uint16_t from, std::uint16_t to,
                  const Bytes& data, bool with_checksum = true);
// The checks a receiver makes of a packet the stack sent: header, lengths and checksums.
std::string CheckSentPacket(const Bytes& packet, const std::uint8_t* source);
// The same for an Ethernet frame the device sent: its size, that it comes from hw, and its ARP
// message (IPv4 over Ethernet, for hw) or IP packet (from ip) well formed. Empty when all hold.
std::string CheckSentFrame(const Bytes& frame, const std::uint8_t* hw, const std::uint8_t* ip);

void Put16(Bytes& b, std::size_t at, std::uint16_t v);
std::uint16_t Get16(const Bytes& b, std::size_t at);
// The sum over the pseudo-header of protocol and body, for UDP and TCP checksums.
std::uint16_t PseudoSum(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& body);

Bytes RandomBytes(std::size_t n, unsigned seed);

// Makes the IP header checksum and the ICMP, UDP or TCP checksum of the n-byte packet at p
// right where its lengths allow, so that a mutated packet reaches the protocol's own checks.
void RepairChecksums(std::uint8_t* p, std::size_t n);

// An Ethernet II frame, and an ARP message for IPv4 over Ethernet (op 1 request, 2 reply).
Bytes EthFrame(const std::uint8_t* dst, const std::uint8_t* src, std::uint16_t type, const Bytes& payload);
Bytes ArpMessage(std::uint16_t op, const std::uint8_t* sha, const std::uint8_t* spa, const std::uint8_t* tha,
                 const std::uint8_t* tpa);

}  // namespace stacktest
