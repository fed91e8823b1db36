// The firmware stack's Ethernet input, built for the host against an Ethernet project: arbitrary
// frames through the device into Ethernet, ARP, IP and what lies above. The input is a mode
// byte and then frames, each a 16-bit length and its bytes. Mode bit 0 repairs the checksums of
// every IP packet (so mutations reach ICMP, UDP and TCP), bit 1 addresses every frame and packet
// to the device, bit 2 has the sender known to ARP first, bit 3 opens the services (a UDP socket
// on port 7 and, with TCP, a listening socket on port 80). Whatever arrives, every frame the
// stack sends is well formed and its own, and afterwards it still answers a ping.
#include <algorithm>
#include <cstring>

#include "FuzzTargets.h"
#include "Packets.h"

extern "C" {
#include "zs_hw_host.h"
#include "zs_stack.h"
}

namespace quillon::fuzz {

namespace {

const std::uint8_t kPeerIp[4] = {10, 0, 0, 9};
const std::uint8_t kPeerHw[6] = {0x02, 0, 0, 0, 0, 9};
const std::uint8_t kZeroHw[6] = {};

void Deliver(const stacktest::Bytes& frame) {
    zs_host_eth_inject(frame.data(), static_cast<unsigned>(frame.size()));
    zs_poll();
}

// Every frame the stack sent since the last call: checked, and counted.
std::size_t CheckEverythingSent() {
    std::size_t count = 0;
    stacktest::Bytes frame(1600);
    while (const unsigned n = zs_host_eth_collect(frame.data(), static_cast<unsigned>(frame.size()))) {
        ++count;
        const std::string bad = stacktest::CheckSentFrame({frame.begin(), frame.begin() + n}, my_hw_addr, my_ip_addr);
        if (!bad.empty()) Fail("the stack sent " + bad);
    }
    return count;
}

}  // namespace

void FuzzNetInput(Bytes input) {
    zs_host_uart_attach(-1, -1);
    zs_host_eth_clear();
    zs_init_stack();
    eth_init();
    const std::uint8_t mode = input.empty() ? 0 : input[0];
    Bytes rest = input.empty() ? input : input.subspan(1);
    if (mode & 4) {
        Deliver(stacktest::EthFrame(my_hw_addr, kPeerHw, ZS_ETHERTYPE_ARP,
                                    stacktest::ArpMessage(1, kPeerHw, kPeerIp, kZeroHw, my_ip_addr)));
    }
    int udp = -1;
#ifdef ZS_TCP
    int tcp = -1;
#endif
    if (mode & 8) {
        udp = udp_open_socket(7);
#ifdef ZS_TCP
        tcp = tcp_open_socket();
        if (tcp >= 0) tcp_listen(tcp, 80);
#endif
    }
    CheckEverythingSent();

    while (rest.size() >= 2) {
        const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(rest[0] << 8 | rest[1]) % 1600, rest.size() - 2);
        if (len == 0) {
            rest = rest.subspan(2);
            continue;  // no frame at all: the device reports none
        }
        stacktest::Bytes frame(rest.begin() + 2, rest.begin() + 2 + static_cast<std::ptrdiff_t>(len));
        rest = rest.subspan(2 + len);
        if ((mode & 2) && frame.size() >= 14) {
            std::memcpy(frame.data(), my_hw_addr, 6);
            if (stacktest::Get16(frame, 12) == ZS_ETHERTYPE_IP && frame.size() >= 34) {
                std::memcpy(frame.data() + 30, my_ip_addr, 4);
            }
        }
        if ((mode & 1) && frame.size() > 14 && stacktest::Get16(frame, 12) == ZS_ETHERTYPE_IP) {
            stacktest::RepairChecksums(frame.data() + 14, frame.size() - 14);
        }
        Deliver(frame);
        CheckEverythingSent();
    }

    // Whatever the input did, the device still answers a ping from a host it has just met.
    Deliver(stacktest::EthFrame(my_hw_addr, kPeerHw, ZS_ETHERTYPE_ARP,
                                stacktest::ArpMessage(1, kPeerHw, kPeerIp, kZeroHw, my_ip_addr)));
    CheckEverythingSent();
    Deliver(stacktest::EthFrame(my_hw_addr, kPeerHw, ZS_ETHERTYPE_IP,
                                stacktest::IpPacket(kPeerIp, my_ip_addr, 1, stacktest::EchoRequest(1, 2, {3, 4, 5}))));
    if (CheckEverythingSent() != 1) Fail("a ping after the input went unanswered");
    if (udp >= 0) udp_close(udp);
#ifdef ZS_TCP
    if (tcp >= 0) tcp_close(tcp);
#endif
}

}  // namespace quillon::fuzz
