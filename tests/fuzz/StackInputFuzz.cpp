// The firmware stack's packet input, built for the host: arbitrary bytes through the SLIP
// decoder and straight into IP. The first byte chooses how: bit 0 repairs the checksums of
// the direct packet (so that mutations reach ICMP and UDP instead of dying at the header
// checksum), bit 1 opens a UDP socket on the port the packet is addressed to. Whatever
// arrives, everything the stack sends is a well-formed packet of ours, and afterwards it
// still answers a ping.
#include <algorithm>

#include "FuzzTargets.h"
#include "StackPeer.h"

namespace quillon::fuzz {

namespace {

void CheckEverythingSent() {
    const std::vector<stacktest::Bytes> packets = stacktest::SentPackets();
    for (const stacktest::Bytes& packet : packets) {
        const std::string bad = stacktest::CheckSentPacket(packet);
        if (!bad.empty()) Fail("the stack sent a malformed packet: " + bad);
    }
    if (!stacktest::Sent().empty() && stacktest::Sent().back() != 0xC0) Fail("a sent frame was left open");
}

}  // namespace

void FuzzStackInput(Bytes input) {
    stacktest::FreshStack();
    const std::uint8_t mode = input.empty() ? 0 : input[0];
    const Bytes rest = input.empty() ? input : input.subspan(1);
    if (mode & 2) {
        const word port = rest.size() >= 24 ? static_cast<word>(rest[22] << 8 | rest[23]) : 7;
        udp_open_socket(port);
    }

    for (std::uint8_t c : rest) {
        const word n = slip_decode(c, zs_recv_buff, zs_recv_buff_size);
        if (n > zs_recv_buff_size) Fail("the SLIP decoder returned more than the buffer holds");
        if (n) ip_process_packet(zs_recv_buff, n);
    }
    const std::size_t n = std::min<std::size_t>(rest.size(), zs_recv_buff_size);
    std::copy(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(n), zs_recv_buff);
    if (mode & 1) stacktest::RepairChecksums(zs_recv_buff, n);
    ip_process_packet(zs_recv_buff, static_cast<word>(n));
    CheckEverythingSent();

    // Whatever state the input left the decoder in, the next frame gets through.
    stacktest::Sent().clear();
    const std::uint8_t peer[4] = {10, 0, 0, 9};
    for (std::uint8_t c : stacktest::SlipEncode(stacktest::IpPacket(peer, my_ip_addr, 1, stacktest::EchoRequest(1, 2, {3, 4, 5})))) {
        const word len = slip_decode(c, zs_recv_buff, zs_recv_buff_size);
        if (len) ip_process_packet(zs_recv_buff, len);
    }
    if (stacktest::SentPackets().size() != 1) Fail("a ping after the input went unanswered");
    CheckEverythingSent();
}

}  // namespace quillon::fuzz
