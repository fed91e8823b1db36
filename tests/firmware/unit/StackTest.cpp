// The stack's packet code on the host: checksum and SLIP against independent references,
// every kind of bad packet dropped and counted, echo and UDP answered exactly.
#include <gtest/gtest.h>

#include <random>

#include "StackPeer.h"

namespace stacktest {
namespace {

const std::uint8_t kPeerIp[4] = {10, 0, 0, 9};
const std::uint8_t kBroadcast[4] = {255, 255, 255, 255};

// Puts the right header checksum back after an edit, so that the edit itself is what is refused.
void FixHeader(Bytes& p) {
    p[10] = p[11] = 0;
    const std::uint16_t s = static_cast<std::uint16_t>(~ReferenceSum(p.data(), (p[0] & 15) * 4u));
    p[10] = static_cast<std::uint8_t>(s >> 8);
    p[11] = static_cast<std::uint8_t>(s);
}

TEST(Checksum, AgreesWithTheReferenceForAnyLengthAndAnySplit) {
    std::mt19937 rng(21);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t n = rng() % 700;
        Bytes b(n);
        for (auto& c : b) c = static_cast<std::uint8_t>(round % 7 == 0 ? 0xFF : rng());  // runs of 0xFF carry most
        const std::uint16_t whole = ip_checksum(b.data(), static_cast<word>(n), 0);
        ASSERT_EQ(whole, static_cast<std::uint16_t>(~ReferenceSum(b.data(), n))) << "length " << n;

        // Continued over two pieces: the first of even length, the second of any.
        const std::size_t split = (rng() % (n + 1)) & ~std::size_t{1};
        const word first = zs_sum(b.data(), static_cast<word>(split), 0);
        ASSERT_EQ(ip_checksum(b.data() + split, static_cast<word>(n - split), first), whole)
            << "length " << n << " split at " << split;

        // A message carrying its own checksum sums to zero, whatever its bytes.
        if (n >= 4 && n % 2 == 0) {
            b[2] = b[3] = 0;
            const std::uint16_t sum = ip_checksum(b.data(), static_cast<word>(n), 0);
            b[2] = static_cast<std::uint8_t>(sum >> 8);
            b[3] = static_cast<std::uint8_t>(sum);
            ASSERT_EQ(ip_checksum(b.data(), static_cast<word>(n), 0), 0) << "length " << n;
        }
    }
}

TEST(Slip, FramesSurviveEncodingAndDecodingWithEveryEscape) {
    FreshStack();
    Bytes stream;
    std::vector<Bytes> payloads;
    for (unsigned seed = 0; seed < 300; ++seed) {
        Bytes p = RandomBytes(1 + seed % zs_recv_buff_size, seed);
        payloads.push_back(p);
        // The stack's encoder against the reference decoder ...
        Sent().clear();
        slip_send_packet(p.data(), static_cast<word>(p.size()));
        const std::vector<Bytes> decoded = SlipDecode(Sent());
        ASSERT_EQ(decoded.size(), 1u);
        ASSERT_EQ(decoded[0], p) << "seed " << seed;
        ASSERT_EQ(std::count(Sent().begin(), Sent().end(), 0xC0), 2) << "END inside the frame, seed " << seed;
        stream.insert(stream.end(), Sent().begin(), Sent().end());
    }
    // ... and the stack's decoder over the whole stream, frames back to back.
    std::vector<Bytes> frames;
    for (std::uint8_t c : stream) {
        const word n = slip_decode(c, zs_recv_buff, zs_recv_buff_size);
        if (n) frames.emplace_back(zs_recv_buff, zs_recv_buff + n);
    }
    EXPECT_EQ(frames, payloads);
    EXPECT_EQ(zs_stats.framing + zs_stats.oversized, 0);
}

TEST(Slip, BrokenFramesAreDroppedUpToTheNextEnd) {
    FreshStack();
    const Bytes good = {1, 2, 3, 0xC0, 4};
    const Bytes good_wire = SlipEncode(good);
    struct Case {
        const char* what;
        Bytes wire;
        word zs_stats_t::*counter;
    };
    Bytes oversized(zs_recv_buff_size + 1, 0x45);
    oversized.insert(oversized.begin(), 0xC0);
    oversized.push_back(0xC0);
    const Case cases[] = {
        {"longer than the receive buffer", oversized, &zs_stats_t::oversized},
        {"ESC before an ordinary byte", {0xC0, 1, 2, 0xDB, 0x41, 3, 0xC0}, &zs_stats_t::framing},
        {"ESC right before END", {0xC0, 1, 2, 0xDB, 0xC0}, &zs_stats_t::framing},
    };
    for (const Case& c : cases) {
        const word before = zs_stats.*c.counter;
        Bytes wire = c.wire;
        wire.insert(wire.end(), good_wire.begin(), good_wire.end());
        std::vector<Bytes> frames;
        for (std::uint8_t b : wire) {
            const word n = slip_decode(b, zs_recv_buff, zs_recv_buff_size);
            if (n) frames.emplace_back(zs_recv_buff, zs_recv_buff + n);
        }
        EXPECT_EQ(zs_stats.*c.counter, before + 1) << c.what;
        ASSERT_EQ(frames.size(), 1u) << c.what;
        EXPECT_EQ(frames[0], good) << c.what;
    }
    // An exact fit is not oversized.
    Bytes fits(zs_recv_buff_size, 0x45);
    word got = 0;
    for (std::uint8_t b : SlipEncode(fits)) got = got ? got : slip_decode(b, zs_recv_buff, zs_recv_buff_size);
    EXPECT_EQ(got, zs_recv_buff_size);
}

// A correct echo request to us, and every way of spoiling it.
TEST(Ip, BadPacketsAreDroppedCountedAndNeverAnswered) {
    FreshStack();
    const Bytes good = IpPacket(kPeerIp, my_ip_addr, 1, EchoRequest(7, 1, RandomBytes(16, 1)));
    using Edit = void (*)(Bytes&);
    struct Case {
        const char* what;
        Edit edit;
        word zs_stats_t::*counter;
    };
    const Case cases[] = {
        {"shorter than a header", [](Bytes& p) { p.resize(19); }, &zs_stats_t::bad_length},
        {"empty", [](Bytes& p) { p.clear(); }, &zs_stats_t::bad_length},
        {"version 6", [](Bytes& p) { p[0] = 0x65; FixHeader(p); }, &zs_stats_t::bad_header},
        {"header length 16", [](Bytes& p) { p[0] = 0x44; }, &zs_stats_t::bad_header},
        {"header longer than the packet", [](Bytes& p) { p[0] = 0x4F; p.resize(50); }, &zs_stats_t::bad_length},
        {"total length beyond the frame", [](Bytes& p) { p[3] += 1; FixHeader(p); }, &zs_stats_t::bad_length},
        {"total length inside the header", [](Bytes& p) { p[2] = 0; p[3] = 19; FixHeader(p); }, &zs_stats_t::bad_length},
        {"cut short", [](Bytes& p) { p.pop_back(); }, &zs_stats_t::bad_length},
        {"header checksum", [](Bytes& p) { p[10] ^= 1; }, &zs_stats_t::bad_checksum},
        {"first fragment", [](Bytes& p) { p[6] = 0x20; FixHeader(p); }, &zs_stats_t::fragments},
        {"later fragment", [](Bytes& p) { p[7] = 0x08; FixHeader(p); }, &zs_stats_t::fragments},
        {"another host", [](Bytes& p) { p[19] ^= 1; FixHeader(p); }, &zs_stats_t::not_ours},
        {"unknown protocol", [](Bytes& p) { p[9] = 99; FixHeader(p); }, &zs_stats_t::bad_protocol},
        {"ICMP checksum", [](Bytes& p) { p[30] ^= 0x80; }, &zs_stats_t::bad_checksum},
        {"ICMP shorter than its header", [](Bytes& p) { p.resize(27); p[3] = 27; FixHeader(p); }, &zs_stats_t::bad_length},
        {"echo payload beyond the ping buffer",
         [](Bytes& p) { p = IpPacket(kPeerIp, my_ip_addr, 1, EchoRequest(7, 1, Bytes(zs_ping_buff_size + 1, 0x33))); },
         &zs_stats_t::oversized},
        {"UDP checksum",
         [](Bytes& p) { p = IpPacket(kPeerIp, my_ip_addr, 17, UdpDatagram(kPeerIp, my_ip_addr, 9, 99, {1, 2, 3})); p[29]++; },
         &zs_stats_t::bad_checksum},
        {"UDP length beyond the packet",
         [](Bytes& p) { p = IpPacket(kPeerIp, my_ip_addr, 17, UdpDatagram(kPeerIp, my_ip_addr, 9, 99, {1, 2, 3}, false)); p[25] = 12; },
         &zs_stats_t::bad_length},
        {"UDP length below its header",
         [](Bytes& p) { p = IpPacket(kPeerIp, my_ip_addr, 17, UdpDatagram(kPeerIp, my_ip_addr, 9, 99, {1, 2, 3}, false)); p[25] = 7; },
         &zs_stats_t::bad_length},
        {"UDP to a closed port",
         [](Bytes& p) { p = IpPacket(kPeerIp, my_ip_addr, 17, UdpDatagram(kPeerIp, my_ip_addr, 9, 99, {1, 2, 3})); },
         &zs_stats_t::no_socket},
    };
    for (const Case& c : cases) {
        Bytes p = good;
        c.edit(p);
        const zs_stats_t before = zs_stats;
        Sent().clear();
        Receive(p);
        EXPECT_EQ(zs_stats.*c.counter, before.*c.counter + 1) << c.what;
        EXPECT_TRUE(Sent().empty()) << c.what << ": answered";
    }
    Receive(good);
    ASSERT_EQ(SentPackets().size(), 1u) << "the unspoilt request is answered";
}

TEST(Icmp, EchoRepliesCarryTheRequestByteForByte) {
    FreshStack();
    for (word len = 0; len <= zs_ping_buff_size; ++len) {
        const Bytes request = EchoRequest(static_cast<std::uint16_t>(0x100 + len), len, RandomBytes(len, len));
        Sent().clear();
        Receive(IpPacket(kPeerIp, my_ip_addr, 1, request));
        const std::vector<Bytes> out = SentPackets();
        ASSERT_EQ(out.size(), 1u) << "payload " << len;
        const Bytes& reply = out[0];
        ASSERT_EQ(CheckSentPacket(reply), "") << "payload " << len;
        EXPECT_TRUE(std::equal(kPeerIp, kPeerIp + 4, reply.begin() + 16));
        EXPECT_EQ(reply[9], 1);
        EXPECT_EQ(reply[8], zs_ip_time_to_live);
        Bytes expected = request;
        expected[0] = 0;                            // echo reply; its checksum checked above
        expected[2] = reply[22];
        expected[3] = reply[23];
        EXPECT_EQ(Bytes(reply.begin() + 20, reply.end()), expected) << "payload " << len;
    }
    // A broadcast request stays unanswered.
    Sent().clear();
    Receive(IpPacket(kPeerIp, kBroadcast, 1, EchoRequest(1, 1, {})));
    EXPECT_TRUE(Sent().empty());
}

TEST(Udp, DatagramsReachTheCallbackWithTheirSender) {
    FreshStack();
    const int sock = udp_open_socket(7000);
    ASSERT_GE(sock, 0);
    EXPECT_EQ(udp_open_socket(7000), ZS_ERR_ARGUMENT) << "a second socket on one port";
    EXPECT_EQ(udp_receive(sock + 1, zs_xmit_buff, 10), ZS_ERR_BAD_SOCKET);

    for (bool with_checksum : {true, false}) {
        const Bytes data = RandomBytes(100, with_checksum);
        const word calls = zs_unclaimed_packets;
        Receive(IpPacket(kPeerIp, my_ip_addr, 17, UdpDatagram(kPeerIp, my_ip_addr, 4242, 7000, data, with_checksum)));
        EXPECT_EQ(zs_unclaimed_packets, calls + 1);
        byte ip[4];
        word port = 0;
        udp_get_sender(ip, &port);
        EXPECT_TRUE(std::equal(kPeerIp, kPeerIp + 4, ip));
        EXPECT_EQ(port, 4242);

        Bytes got(200);
        EXPECT_EQ(udp_receive(sock, got.data(), 99), ZS_ERR_TOO_LONG) << "kept for a larger buffer";
        ASSERT_EQ(udp_receive(sock, got.data(), 200), 100);
        got.resize(100);
        EXPECT_EQ(got, data);
        EXPECT_EQ(udp_receive(sock, got.data(), 200), 0) << "taken once";
    }

    // Sending: a datagram any receiver accepts, to the address and port asked for.
    Sent().clear();
    const Bytes answer = RandomBytes(50, 5);
    ASSERT_EQ(udp_send(sock, const_cast<byte*>(kPeerIp), 4242, const_cast<byte*>(answer.data()), 50), ZS_OK);
    const std::vector<Bytes> out = SentPackets();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(CheckSentPacket(out[0]), "");
    EXPECT_EQ(Bytes(out[0].begin() + 28, out[0].end()), answer);
    EXPECT_EQ(out[0][20] << 8 | out[0][21], 7000);
    EXPECT_EQ(out[0][22] << 8 | out[0][23], 4242);
    EXPECT_EQ(udp_send(sock, const_cast<byte*>(kPeerIp), 1, zs_recv_buff, zs_xmit_buff_size), ZS_ERR_TOO_LONG);

    EXPECT_EQ(udp_close(sock), ZS_OK);
    EXPECT_EQ(udp_close(sock), ZS_ERR_BAD_SOCKET);
}

}  // namespace
}  // namespace stacktest
