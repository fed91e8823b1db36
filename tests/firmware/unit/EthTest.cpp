// The stack on Ethernet (custom device, ARP, UDP, ping) with the host's frame queues for a
// wire: framing, ARP's answers, cache and next hop, and what bad frames do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "Packets.h"

extern "C" {
#include "zs_hw.h"
#include "zs_hw_host.h"
#include "zs_stack.h"
}

namespace stacktest {
namespace {

const std::uint8_t kMe[4] = {10, 0, 0, 2};
const std::uint8_t kPeer[4] = {10, 0, 0, 7};
const std::uint8_t kGateway[4] = {10, 0, 0, 1};
const std::uint8_t kFar[4] = {192, 168, 5, 9};
const std::uint8_t kAll[4] = {255, 255, 255, 255};
const std::uint8_t kPeerHw[6] = {0x02, 0, 0, 0, 0, 0x07};
const std::uint8_t kGatewayHw[6] = {0x02, 0, 0, 0, 0, 0x01};
const std::uint8_t kBroadcastHw[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::uint8_t kZeroHw[6] = {0, 0, 0, 0, 0, 0};

std::vector<Bytes> Collect() {
    std::vector<Bytes> frames;
    std::uint8_t buffer[1600];
    while (unsigned n = zs_host_eth_collect(buffer, sizeof buffer)) frames.emplace_back(buffer, buffer + n);
    return frames;
}

// Hands one frame to the stack and lets it process what has arrived.
void Deliver(const Bytes& frame) {
    zs_host_eth_inject(frame.data(), static_cast<unsigned>(frame.size()));
    zs_poll();
}

Bytes ToMe(const std::uint8_t* src_hw, std::uint16_t type, const Bytes& payload) {
    return EthFrame(my_hw_addr, src_hw, type, payload);
}

Bytes ArpFrom(std::uint16_t op, const std::uint8_t* sha, const std::uint8_t* spa, const std::uint8_t* tpa) {
    return ToMe(sha, ZS_ETHERTYPE_ARP, ArpMessage(op, sha, spa, kZeroHw, tpa));
}

// The IP packet of a frame, without the padding of short frames.
Bytes Payload(const Bytes& frame) {
    if (frame.size() < 34) return {};
    const std::size_t total = std::min<std::size_t>(Get16(frame, 16), frame.size() - 14);
    return Bytes(frame.begin() + 14, frame.begin() + 14 + static_cast<std::ptrdiff_t>(total));
}

class Ethernet : public ::testing::Test {
protected:
    void SetUp() override {
        zs_host_uart_attach(-1, -1);
        zs_host_set_clock_scale(1);
        zs_host_eth_clear();
        std::memcpy(my_ip_addr, kMe, 4);
        ASSERT_EQ(zs_init_stack(), ZS_OK);
        ASSERT_EQ(eth_init(), ZS_OK);
        start_ = Collect();
    }
    std::vector<Bytes> start_;
};

TEST_F(Ethernet, StartsWithAGratuitousAnnouncementAndAnswersRequestsForItsAddressOnly) {
    ASSERT_EQ(start_.size(), 1u);
    const Bytes& hello = start_[0];
    ASSERT_EQ(hello.size(), 60u);  // padded to the shortest frame
    EXPECT_TRUE(std::equal(kBroadcastHw, kBroadcastHw + 6, hello.begin()));
    EXPECT_EQ(Get16(hello, 12), ZS_ETHERTYPE_ARP);
    EXPECT_EQ(Get16(hello, 20), 1);  // a request
    EXPECT_TRUE(std::equal(kMe, kMe + 4, hello.begin() + 28));
    EXPECT_TRUE(std::equal(kMe, kMe + 4, hello.begin() + 38));

    Deliver(ArpFrom(1, kPeerHw, kPeer, kMe));
    std::vector<Bytes> out = Collect();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::equal(kPeerHw, kPeerHw + 6, out[0].begin()));
    EXPECT_EQ(Get16(out[0], 20), 2);
    EXPECT_TRUE(std::equal(my_hw_addr, my_hw_addr + 6, out[0].begin() + 22));
    EXPECT_TRUE(std::equal(kMe, kMe + 4, out[0].begin() + 28));
    EXPECT_TRUE(std::equal(kPeerHw, kPeerHw + 6, out[0].begin() + 32));
    EXPECT_TRUE(std::equal(kPeer, kPeer + 4, out[0].begin() + 38));

    Deliver(ArpFrom(1, kPeerHw, kPeer, kGateway));  // someone else's address
    EXPECT_TRUE(Collect().empty());

    // Malformed: short, wrong hardware type, wrong address lengths.
    const word before = zs_stats.bad_length + zs_stats.bad_header;
    Bytes arp = ArpMessage(1, kPeerHw, kPeer, kZeroHw, kMe);
    Deliver(ToMe(kPeerHw, ZS_ETHERTYPE_ARP, Bytes(arp.begin(), arp.begin() + 27)));
    Bytes bad = arp;
    bad[1] = 6;
    Deliver(ToMe(kPeerHw, ZS_ETHERTYPE_ARP, bad));
    bad = arp;
    bad[4] = 8;
    Deliver(ToMe(kPeerHw, ZS_ETHERTYPE_ARP, bad));
    EXPECT_TRUE(Collect().empty());
    EXPECT_EQ(zs_stats.bad_length + zs_stats.bad_header, before + 3);
}

TEST_F(Ethernet, AnswersAPingToTheAskersAddressAndIgnoresFramesForOthers) {
    Deliver(ArpFrom(1, kPeerHw, kPeer, kMe));
    Collect();
    const Bytes data = RandomBytes(ZS_AT_LEAST_ONE(zs_ping_buff_size), 3);
    Deliver(ToMe(kPeerHw, ZS_ETHERTYPE_IP, IpPacket(kPeer, kMe, 1, EchoRequest(9, 1, data))));
    std::vector<Bytes> out = Collect();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::equal(kPeerHw, kPeerHw + 6, out[0].begin()));
    EXPECT_TRUE(std::equal(my_hw_addr, my_hw_addr + 6, out[0].begin() + 6));
    const Bytes reply = Payload(out[0]);
    EXPECT_EQ(CheckSentPacket(reply, my_ip_addr), "");
    EXPECT_EQ(reply[20], 0);  // echo reply
    EXPECT_TRUE(std::equal(data.begin(), data.end(), reply.begin() + 28));

    const word not_ours = zs_stats.not_ours;
    const std::uint8_t other_hw[6] = {0x02, 9, 9, 9, 9, 9};
    Deliver(EthFrame(other_hw, kPeerHw, ZS_ETHERTYPE_IP, IpPacket(kPeer, kMe, 1, EchoRequest(9, 2, data))));
    const std::uint8_t group_hw[6] = {0x01, 0, 0x5E, 0, 0, 1};
    Deliver(EthFrame(group_hw, kPeerHw, ZS_ETHERTYPE_IP, IpPacket(kPeer, kMe, 1, EchoRequest(9, 3, data))));
    EXPECT_TRUE(Collect().empty());
    EXPECT_EQ(zs_stats.not_ours, not_ours + 2);
}

TEST_F(Ethernet, SendsThroughTheGatewayBeyondTheSubnetAndBroadcastsWithoutAsking) {
    const int s = udp_open_socket(4000);
    ASSERT_GE(s, 0);
    Bytes data = {1, 2, 3};

    // Beyond the subnet: ARP for the gateway. Its answer is already on the wire.
    const Bytes answer = ArpFrom(2, kGatewayHw, kGateway, kMe);
    zs_host_eth_inject(answer.data(), static_cast<unsigned>(answer.size()));
    ASSERT_EQ(udp_send(s, const_cast<std::uint8_t*>(kFar), 53, data.data(), 3), ZS_OK);
    std::vector<Bytes> out = Collect();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(Get16(out[0], 12), ZS_ETHERTYPE_ARP);
    EXPECT_TRUE(std::equal(kGateway, kGateway + 4, out[0].begin() + 38));
    EXPECT_TRUE(std::equal(kGatewayHw, kGatewayHw + 6, out[1].begin()));
    EXPECT_TRUE(std::equal(kFar, kFar + 4, out[1].begin() + 14 + 16));
    EXPECT_EQ(CheckSentPacket(Payload(out[1]), my_ip_addr), "");

    // Cached now: no second question.
    ASSERT_EQ(udp_send(s, const_cast<std::uint8_t*>(kFar), 53, data.data(), 3), ZS_OK);
    out = Collect();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Get16(out[0], 12), ZS_ETHERTYPE_IP);

    // Broadcasts, the limited one and the subnet's, go to everyone at once.
    const std::uint8_t subnet_all[4] = {10, 0, 0, 255};
    ASSERT_EQ(udp_send(s, const_cast<std::uint8_t*>(kAll), 9, data.data(), 3), ZS_OK);
    ASSERT_EQ(udp_send(s, const_cast<std::uint8_t*>(subnet_all), 9, data.data(), 3), ZS_OK);
    out = Collect();
    ASSERT_EQ(out.size(), 2u);
    for (const Bytes& f : out) EXPECT_TRUE(std::equal(kBroadcastHw, kBroadcastHw + 6, f.begin()));
    udp_close(s);
}

TEST_F(Ethernet, AnUnansweredAddressGivesUpAfterTheConfiguredTriesAndEntriesExpire) {
    zs_host_set_clock_scale(50);  // arp_wait_ticks and arp_keep_ticks pass 50 times faster
    const int s = udp_open_socket(4001);
    Bytes data = {7};
    EXPECT_EQ(udp_send(s, const_cast<std::uint8_t*>(kPeer), 7, data.data(), 1), ZS_ERR_ARP_UNRESOLVED);
    std::vector<Bytes> out = Collect();
    EXPECT_EQ(out.size(), std::size_t{zs_arp_resend_trys});
    for (const Bytes& f : out) EXPECT_EQ(Get16(f, 12), ZS_ETHERTYPE_ARP);

    // Learnt from a request, then forgotten after arp_keep_ticks: the next send asks again.
    Deliver(ArpFrom(1, kPeerHw, kPeer, kMe));
    Collect();
    std::uint8_t hw[6];
    EXPECT_EQ(arp_resolve(const_cast<std::uint8_t*>(kPeer), hw), ZS_OK);
    const word start = zs_get_ticks();
    while (static_cast<word>(zs_get_ticks() - start) <= zs_arp_keep_ticks) zs_hw_idle();
    EXPECT_EQ(udp_send(s, const_cast<std::uint8_t*>(kPeer), 7, data.data(), 1), ZS_ERR_ARP_UNRESOLVED);
    udp_close(s);
}

TEST_F(Ethernet, ACacheFullOfHostsKeepsTheNewestAndStillAnswers) {
    for (int host = 10; host < 10 + 3 * ZS_AT_LEAST_ONE(zs_arp_cache_size); ++host) {
        const std::uint8_t ip[4] = {10, 0, 0, static_cast<std::uint8_t>(host)};
        const std::uint8_t hw[6] = {0x02, 0, 0, 0, 1, static_cast<std::uint8_t>(host)};
        Deliver(ArpFrom(1, hw, ip, kMe));
        std::vector<Bytes> out = Collect();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_TRUE(std::equal(hw, hw + 6, out[0].begin()));
        std::uint8_t found[6];
        ASSERT_EQ(arp_resolve(const_cast<std::uint8_t*>(ip), found), ZS_OK);
        EXPECT_TRUE(std::equal(hw, hw + 6, found));
    }
}

// Any bytes at all, of any length, as frames from the wire: nothing crashes, and the stack
// answers a ping afterwards.
TEST_F(Ethernet, RandomFramesAreDroppedAndTheStackStillAnswers) {
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        Bytes frame = RandomBytes(rng() % 700, static_cast<unsigned>(i));
        if (frame.size() >= 14 && i % 3 == 0) {
            std::memcpy(frame.data(), my_hw_addr, 6);  // addressed to us, so it goes deeper
            frame[12] = 0x08;
            frame[13] = static_cast<std::uint8_t>(i % 2 == 0 ? 0x00 : 0x06);
        }
        Deliver(frame);
    }
    Collect();
    Deliver(ArpFrom(1, kPeerHw, kPeer, kMe));
    Deliver(ToMe(kPeerHw, ZS_ETHERTYPE_IP, IpPacket(kPeer, kMe, 1, EchoRequest(1, 1, {}))));
    std::vector<Bytes> out = Collect();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(CheckSentPacket(Payload(out.back()), my_ip_addr), "");
}

}  // namespace
}  // namespace stacktest
