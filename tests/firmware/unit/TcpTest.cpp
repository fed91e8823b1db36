// TCP on the host: handshakes through SYN cookies, forged and out-of-window segments, a SYN
// flood, both orders of closing and TIME-WAIT, each against segments scripted here; and
// transfers both ways through a lossy, reordering line to a reference peer.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <random>
#include <thread>

#include "StackPeer.h"

extern "C" {
extern int zs_last_closed_socket;    // zs_callback.c: the last zs_socket_closed
extern const word zs_tcp_resend_ticks;
}

namespace stacktest {
namespace {

const std::uint8_t kPeerIp[4] = {10, 0, 0, 9};
constexpr std::uint8_t kFin = 1, kSyn = 2, kRst = 4, kPsh = 8, kAck = 16;
constexpr std::uint16_t kPort = 80;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

struct Segment {
    std::uint16_t from = 0, to = 0;
    std::uint32_t seq = 0, ack = 0;
    std::uint8_t flags = 0;
    std::uint16_t window = 0;
    std::uint16_t mss = 0;  // the MSS option, 0 when absent
    Bytes data;
};

std::uint16_t TcpSum(const std::uint8_t* src, const std::uint8_t* dst, const Bytes& body) {
    Bytes all(src, src + 4);
    all.insert(all.end(), dst, dst + 4);
    all.push_back(0);
    all.push_back(6);
    all.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    all.push_back(static_cast<std::uint8_t>(body.size()));
    all.insert(all.end(), body.begin(), body.end());
    return ReferenceSum(all.data(), all.size());
}

// An IP packet from src carrying the segment, with correct checksums.
Bytes Packet(const Segment& s, const std::uint8_t* src = kPeerIp) {
    const std::size_t hl = s.mss ? 24 : 20;
    Bytes t(hl, 0);
    t[0] = static_cast<std::uint8_t>(s.from >> 8);
    t[1] = static_cast<std::uint8_t>(s.from);
    t[2] = static_cast<std::uint8_t>(s.to >> 8);
    t[3] = static_cast<std::uint8_t>(s.to);
    Put32(t, 4, s.seq);
    Put32(t, 8, s.ack);
    t[12] = static_cast<std::uint8_t>(hl << 2);
    t[13] = s.flags;
    t[14] = static_cast<std::uint8_t>(s.window >> 8);
    t[15] = static_cast<std::uint8_t>(s.window);
    if (s.mss) {
        t[20] = 2;
        t[21] = 4;
        t[22] = static_cast<std::uint8_t>(s.mss >> 8);
        t[23] = static_cast<std::uint8_t>(s.mss);
    }
    t.insert(t.end(), s.data.begin(), s.data.end());
    const std::uint16_t sum = static_cast<std::uint16_t>(~TcpSum(src, my_ip_addr, t));
    t[16] = static_cast<std::uint8_t>(sum >> 8);
    t[17] = static_cast<std::uint8_t>(sum);
    return IpPacket(src, my_ip_addr, 6, t);
}

// The segment a packet the stack sent carries, after the checks a receiver makes.
Segment Parse(const Bytes& p) {
    EXPECT_EQ(CheckSentPacket(p), "");
    EXPECT_EQ(p[9], 6);
    Segment s;
    if (p.size() < 40) {
        ADD_FAILURE() << "shorter than the headers";
        return s;
    }
    const Bytes t(p.begin() + 20, p.end());
    EXPECT_EQ(TcpSum(&p[12], &p[16], t), 0xFFFF) << "bad TCP checksum";
    const std::size_t hl = (t[12] >> 4) * 4u;
    s.from = static_cast<std::uint16_t>(t[0] << 8 | t[1]);
    s.to = static_cast<std::uint16_t>(t[2] << 8 | t[3]);
    s.seq = Get32(t, 4);
    s.ack = Get32(t, 8);
    s.flags = t[13];
    s.window = static_cast<std::uint16_t>(t[14] << 8 | t[15]);
    if (hl == 24 && t[20] == 2 && t[21] == 4) s.mss = static_cast<std::uint16_t>(t[22] << 8 | t[23]);
    s.data.assign(t.begin() + static_cast<long>(hl), t.end());
    return s;
}

// What the stack sent since the last call.
std::vector<Segment> Replies() {
    std::vector<Segment> out;
    for (const Bytes& p : SentPackets()) out.push_back(Parse(p));
    Sent().clear();
    return out;
}

// Runs the stack's clock on by at least n ticks.
void Advance(word n) {
    const word start = zs_get_ticks();
    while (static_cast<word>(zs_get_ticks() - start) < n) zs_poll();
    zs_poll();  // the clock moved after the stack's timers looked at it
}

// A client on the scripted side: port and sequence numbers, and the stack's side of them.
struct Client {
    std::uint16_t port;
    std::uint32_t seq;            // our next
    std::uint32_t ack = 0;        // the stack's next
    const std::uint8_t* ip = kPeerIp;

    Segment Seg(std::uint8_t flags, Bytes data = {}) const {
        Segment s;
        s.from = port;
        s.to = kPort;
        s.seq = seq;
        s.ack = ack;
        s.flags = flags;
        s.window = 4000;
        s.data = std::move(data);
        return s;
    }
    void Send(std::uint8_t flags, Bytes data = {}) {
        const std::size_t n = data.size();
        Receive(Packet(Seg(flags, std::move(data)), ip));
        seq += static_cast<std::uint32_t>(n + ((flags & (kSyn | kFin)) ? 1 : 0));
    }
    // SYN, the cookie's SYN-ACK, and the final ACK: the SYN-ACK it got.
    Segment Connect() {
        Segment syn = Seg(kSyn);
        syn.mss = 1460;
        Receive(Packet(syn, ip));
        ++seq;
        const std::vector<Segment> r = Replies();
        if (r.size() != 1) {
            ADD_FAILURE() << "no SYN-ACK";
            return {};
        }
        ack = r[0].seq + 1;
        Send(kAck);
        return r[0];
    }
};

int ListeningSocket() {
    const int s = tcp_open_socket();
    EXPECT_GE(s, 0);
    EXPECT_EQ(tcp_listen(s, kPort), ZS_OK);
    return s;
}

class Tcp : public ::testing::Test {
protected:
    void SetUp() override {
        FreshStack();
        zs_host_set_clock_scale(100);
        zs_last_closed_socket = -1;
    }
    void TearDown() override { zs_host_set_clock_scale(1); }
};

TEST_F(Tcp, CookieHandshakeDataHeldUntilTakenAndOnlyWhatWasTakenAcknowledged) {
    const int s = ListeningSocket();
    Client c{40000, 1000};
    Segment syn = c.Seg(kSyn);
    syn.mss = 1460;
    Receive(Packet(syn));
    ++c.seq;
    std::vector<Segment> r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kSyn | kAck);
    EXPECT_EQ(r[0].ack, 1001u);
    EXPECT_EQ(r[0].mss, zs_recv_buff_size - 40);
    EXPECT_EQ(r[0].window, 570);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_LISTEN) << "a SYN keeps no state";

    // An ACK whose number is not the cookie is a segment for no connection.
    c.ack = r[0].seq + 2;
    c.Send(kAck);
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kRst);
    EXPECT_EQ(r[0].seq, c.ack);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_LISTEN);

    c.ack = r[0].seq - 1;
    const word offered = zs_unclaimed_packets;
    c.Send(kAck | kPsh, {'h', 'e', 'l', 'l', 'o'});  // the final ACK lost: data completes it
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_ESTABLISHED);
    EXPECT_EQ(zs_unclaimed_packets, offered + 1);
    EXPECT_TRUE(Replies().empty()) << "nothing is acknowledged before it is taken";
    byte buf[8];
    ASSERT_EQ(tcp_receive(s, buf, 3), 3);
    EXPECT_EQ(std::string(buf, buf + 3), "hel");
    zs_poll();
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, 1004u);
    EXPECT_EQ(tcp_receive(s, buf, 8), 0) << "the rest was given up at the poll";

    // The peer sends the whole segment again; the bytes already taken are cut off.
    c.seq = 1001;
    c.Send(kAck | kPsh, {'h', 'e', 'l', 'l', 'o'});
    ASSERT_EQ(tcp_receive(s, buf, 8), 2);
    EXPECT_EQ(std::string(buf, buf + 2), "lo");
    zs_poll();
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, 1006u);

    // Data ahead of the next byte is not kept: a duplicate ACK asks for the gap.
    c.seq = 1010;
    c.Send(kAck | kPsh, {'x'});
    EXPECT_EQ(tcp_receive(s, buf, 8), 0);
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, 1006u);
}

TEST_F(Tcp, ForgedResetsSynsAndSegmentsOutsideTheWindowChangeNothing) {
    const int s = ListeningSocket();
    Client c{40001, 77777};
    const Segment synack = c.Connect();
    ASSERT_EQ(zs_sockets[s].state, ZS_SOCKET_ESTABLISHED);
    Replies();
    const word rejected = zs_stats.tcp_rejected;
    const std::uint32_t next = c.seq;

    struct Case {
        const char* what;
        std::uint32_t seq;
        std::uint32_t ack;
        std::uint8_t flags;
        Bytes data;
        bool challenged;  // answered with an ACK of the true numbers
    };
    const Case cases[] = {
        {"reset inside the window", next + 100, c.ack, kRst, {}, true},
        {"reset outside the window", next + 100000, c.ack, kRst, {}, false},
        {"reset before the window", next - 5, c.ack, kRst, {}, false},
        {"SYN inside the window", next, 0, kSyn, {}, true},
        {"data outside the window", next + 5000, c.ack, kAck, {1, 2, 3}, true},
        {"data long before the window", next - 70000, c.ack, kAck, {1, 2, 3}, true},
        {"ACK of data never sent", next, c.ack + 10, kAck, {1, 2, 3}, true},
        {"ACK far behind", next, c.ack - 100000, kAck, {1, 2, 3}, true},
    };
    for (const Case& k : cases) {
        Segment f = c.Seg(k.flags, k.data);
        f.seq = k.seq;
        f.ack = k.ack;
        const word offered = zs_unclaimed_packets;
        Receive(Packet(f));
        EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_ESTABLISHED) << k.what;
        EXPECT_EQ(zs_unclaimed_packets, offered) << k.what << ": data delivered";
        const std::vector<Segment> r = Replies();
        if (k.challenged) {
            ASSERT_EQ(r.size(), 1u) << k.what;
            EXPECT_EQ(r[0].flags, kAck) << k.what;
            EXPECT_EQ(r[0].seq, synack.seq + 1) << k.what;
            EXPECT_EQ(r[0].ack, next) << k.what;
        } else {
            EXPECT_TRUE(r.empty()) << k.what;
        }
    }
    EXPECT_EQ(zs_stats.tcp_rejected, rejected + std::size(cases));

    // A bad checksum is counted and ignored, even on a reset at the right number.
    Bytes p = Packet(c.Seg(kRst));
    p[36] ^= 1;
    const word bad = zs_stats.bad_checksum;
    Receive(p);
    EXPECT_EQ(zs_stats.bad_checksum, bad + 1);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_ESTABLISHED);

    // The reset at exactly the next number ends it, and the application hears of it.
    c.Send(kRst);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);
    EXPECT_EQ(zs_last_closed_socket, s);
    byte buf[4];
    EXPECT_EQ(tcp_receive(s, buf, 4), ZS_ERR_RESET);
    EXPECT_EQ(tcp_send(s, buf, 4), ZS_ERR_RESET);
    EXPECT_TRUE(Replies().empty()) << "a reset is never answered";
}

TEST_F(Tcp, SegmentsForNoConnectionAreResetAndBrokenOnesCounted) {
    Client c{40002, 5000};
    c.ack = 123;
    c.Send(kAck, {9, 9});
    std::vector<Segment> r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kRst);
    EXPECT_EQ(r[0].seq, 123u);
    c.Send(kSyn);
    r = Replies();
    ASSERT_EQ(r.size(), 1u) << "a SYN to a port nobody listens on";
    EXPECT_EQ(r[0].flags, kRst | kAck);
    EXPECT_EQ(r[0].ack, 5003u);
    c.Send(kRst);
    EXPECT_TRUE(Replies().empty());

    // Truncated headers, data offsets past the end and options that run over are counted
    // and never read beyond the packet.
    const word before = zs_stats.bad_length;
    Bytes p = Packet(c.Seg(kAck));
    Bytes cut(p.begin(), p.begin() + 30);
    cut[3] = 30;
    cut[10] = cut[11] = 0;
    const std::uint16_t sum = static_cast<std::uint16_t>(~ReferenceSum(cut.data(), 20));
    cut[10] = static_cast<std::uint8_t>(sum >> 8);
    cut[11] = static_cast<std::uint8_t>(sum);
    Receive(cut);
    Bytes offset = Packet(c.Seg(kAck));
    offset[32] = 0xF0;  // 60 bytes of header in a 20-byte segment
    Receive(offset);
    EXPECT_EQ(zs_stats.bad_length, before + 2);
    Segment bad_option = c.Seg(kSyn);
    bad_option.mss = 1;
    Bytes q = Packet(bad_option);
    q[41] = 200;  // an option length past the header
    q[36] = q[37] = 0;
    Bytes body(q.begin() + 20, q.end());
    const std::uint16_t tsum = static_cast<std::uint16_t>(~TcpSum(kPeerIp, my_ip_addr, body));
    q[36] = static_cast<std::uint8_t>(tsum >> 8);
    q[37] = static_cast<std::uint8_t>(tsum);
    const int l = ListeningSocket();
    Receive(q);
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kSyn | kAck) << "a broken option list is read as far as it goes";
    tcp_close(l);
}

TEST_F(Tcp, SynFloodOnEverySocketLeavesTheServerAnswering) {
    int sockets[4];
    for (int& s : sockets) s = ListeningSocket();
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const std::uint8_t ip[4] = {10, 0, static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng() | 1)};
        Client flood{static_cast<std::uint16_t>(1024 + rng() % 60000), static_cast<std::uint32_t>(rng()), 0, ip};
        flood.Send(kSyn);
        if (i % 500 == 0) zs_poll();
    }
    EXPECT_EQ(SentPackets().size(), 3000u) << "every SYN answered";
    Sent().clear();
    for (int s : sockets) EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_LISTEN);

    // Four clients take the four sockets; a fifth completes its handshake with no socket
    // left: the ACK is dropped quietly and its retransmission succeeds once one listens.
    std::vector<Client> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(Client{static_cast<std::uint16_t>(41000 + i), 1000u * i});
        clients.back().Connect();
    }
    for (int s : sockets) EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_ESTABLISHED);
    EXPECT_TRUE(Replies().empty()) << "the fifth is neither reset nor taken";
    ASSERT_EQ(tcp_close(sockets[0]), ZS_OK);
    const std::vector<Segment> fin = Replies();
    ASSERT_EQ(fin.size(), 1u);
    clients[0].ack = fin[0].seq + 1;
    clients[0].Send(kAck | kFin);
    Replies();
    ASSERT_EQ(zs_sockets[sockets[0]].state, ZS_SOCKET_TIME_WAIT);
    const int again = tcp_open_socket();
    EXPECT_EQ(again, sockets[0]) << "TIME-WAIT gives its socket up";
    ASSERT_EQ(tcp_listen(again, kPort), ZS_OK);
    clients[4].Send(kAck);
    EXPECT_EQ(zs_sockets[again].state, ZS_SOCKET_ESTABLISHED);
    EXPECT_EQ(zs_sockets[again].remote_port, 41004);
}

TEST_F(Tcp, ClosingInBothOrdersFreesTheSocket) {
    byte buf[8];
    // The peer closes first: CLOSE_WAIT until the application closes, then LAST-ACK.
    int s = ListeningSocket();
    Client a{42000, 1};
    a.Connect();
    a.Send(kAck | kFin);
    std::vector<Segment> r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, a.seq);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_CLOSE_WAIT);
    EXPECT_EQ(tcp_receive(s, buf, 8), ZS_ERR_CLOSED);
    EXPECT_EQ(tcp_close(s), ZS_OK);
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kFin | kAck);
    a.ack = r[0].seq + 1;
    a.Send(kAck);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);
    EXPECT_EQ(zs_last_closed_socket, -1) << "closed by the application: no callback";

    // We close first; the FIN is sent again while unanswered, and TIME-WAIT is short.
    s = ListeningSocket();
    Client b{42001, 1};
    b.Connect();
    Replies();
    ASSERT_EQ(tcp_close(s), ZS_OK);
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].flags, kFin | kAck);
    Advance(zs_tcp_resend_ticks + 2);
    r = Replies();
    ASSERT_GE(r.size(), 1u) << "FIN sent again";
    EXPECT_EQ(r[0].flags, kFin | kAck);
    b.ack = r[0].seq + 1;
    b.Send(kAck);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FIN_WAIT);
    b.Send(kAck | kPsh, {'l', 'a', 't', 'e'});  // data after our close: taken and dropped
    EXPECT_EQ(tcp_receive(s, buf, 8), ZS_ERR_BAD_SOCKET) << "the socket number is given up at close";
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, b.seq);
    b.Send(kAck | kFin);
    r = Replies();
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.back().ack, b.seq);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_TIME_WAIT);
    b.seq -= 1;
    b.Send(kAck | kFin);  // its FIN again: our ACK was lost
    r = Replies();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ack, b.seq);
    Advance(2 * ZS_TICKS_PER_SECOND + 2);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);

    // A peer that closed and never hears from the application: the stack closes for it.
    s = ListeningSocket();
    Client d{42002, 1};
    d.Connect();
    d.Send(kAck | kFin);
    Replies();
    Advance(10 * ZS_TICKS_PER_SECOND + 2);
    EXPECT_EQ(zs_last_closed_socket, s);
    r = Replies();
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r[0].flags, kFin | kAck);
    d.ack = r[0].seq + 1;
    d.Send(kAck);
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);
}

// ---------------------------------------------------------------------------------------
// Transfers through a lossy line: a reference peer in a thread, at the far end of the
// UART, drops and swaps frames both ways.

class LossyPeer {
public:
    LossyPeer(Peer& uart, unsigned seed, int loss, int reorder)
        : uart_(uart), rng_(seed), loss_(loss), reorder_(reorder) {}

    // Connects (as client, or accepts as server), sends `out`, reads until the stack's
    // FIN, closes when its data is acknowledged; closes first when close_first.
    void Run(const Bytes& out, bool close_first, bool server) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        iss_ = static_cast<std::uint32_t>(rng_());
        snd_una_ = snd_nxt_ = iss_;
        bool syn_acked = false, fin_sent = false;
        auto last_send = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        while (!stop_ && std::chrono::steady_clock::now() < deadline) {
            for (const Bytes& frame : ReadFrames()) {
                if (Chance(loss_)) continue;
                if (late_.empty() && Chance(reorder_)) {
                    late_ = frame;  // taken after the next one
                } else {
                    Arrive(Parse(frame), server, &syn_acked);
                    if (!late_.empty()) Arrive(Parse(late_), server, &syn_acked);
                    late_.clear();
                }
            }
            const bool all_acked = syn_acked && snd_una_ == iss_ + 1 + out.size() + (fin_sent ? 1 : 0);
            if (syn_acked && all_acked && (close_first || got_fin_) && !fin_sent) {
                fin_sent = true;
                snd_nxt_ = iss_ + 1 + static_cast<std::uint32_t>(out.size());
                Emit(kFin | kAck, snd_nxt_, {});
                ++snd_nxt_;
                last_send = std::chrono::steady_clock::now();
            }
            if (fin_sent && got_fin_ && snd_una_ == snd_nxt_) {
                done_ = true;
                // Stay a while to answer a FIN sent again.
            }
            const auto now = std::chrono::steady_clock::now();
            if (now - last_send > std::chrono::milliseconds(40)) {
                last_send = now;
                // Go back to the oldest unacknowledged byte, and send what the window takes.
                if (!server && !syn_acked) {
                    Segment syn = Base(kSyn, iss_);
                    syn.mss = 1460;
                    Send(syn);
                } else if (server && !syn_acked && have_peer_) {
                    Segment sa = Base(kSyn | kAck, iss_);
                    sa.mss = 1460;
                    Send(sa);
                } else if (syn_acked) {
                    snd_nxt_ = snd_una_;
                    if (fin_sent && snd_una_ == iss_ + 1 + out.size()) {
                        Emit(kFin | kAck, snd_una_, {});
                        snd_nxt_ = snd_una_ + 1;
                    }
                }
                FlushHeld();
            }
            if (syn_acked) {
                const std::uint32_t end = iss_ + 1 + static_cast<std::uint32_t>(out.size());
                while (snd_nxt_ != end && snd_nxt_ - snd_una_ < peer_window_ && !fin_sent) {
                    const std::uint32_t off = snd_nxt_ - iss_ - 1;
                    const std::size_t n = std::min<std::size_t>({out.size() - off, peer_mss_, peer_window_ - (snd_nxt_ - snd_una_)});
                    Emit(kAck | kPsh, snd_nxt_, Bytes(out.begin() + off, out.begin() + static_cast<long>(off + n)));
                    snd_nxt_ += static_cast<std::uint32_t>(n);
                }
            }
        }
        FlushHeld();
    }

    Bytes received;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    bool got_fin_ = false;
    bool got_rst_ = false;
    std::uint16_t my_port = 45000;
    std::uint16_t their_port = kPort;

private:
    // The frames completed since the last call; a frame cut by the time-out waits for its end.
    std::vector<Bytes> ReadFrames() {
        const std::string chunk = uart_.ReadBytes(1 << 16, std::chrono::milliseconds(2));
        raw_.insert(raw_.end(), chunk.begin(), chunk.end());
        const auto end = std::find(raw_.rbegin(), raw_.rend(), 0xC0);
        if (end == raw_.rend()) return {};
        const std::size_t complete = static_cast<std::size_t>(raw_.rend() - end);
        const Bytes done(raw_.begin(), raw_.begin() + static_cast<long>(complete));
        raw_.erase(raw_.begin(), raw_.begin() + static_cast<long>(complete));
        return SlipDecode(done);
    }

    bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }

    Segment Base(std::uint8_t flags, std::uint32_t seq) const {
        Segment s;
        s.from = my_port;
        s.to = their_port;
        s.seq = seq;
        s.ack = rcv_nxt_;
        s.flags = flags;
        s.window = 3000;
        return s;
    }
    void Emit(std::uint8_t flags, std::uint32_t seq, Bytes data) {
        Segment s = Base(flags, seq);
        s.data = std::move(data);
        Send(s);
    }
    void Send(const Segment& s) {
        if (Chance(loss_)) return;
        const Bytes wire = SlipEncode(Packet(s));
        if (Chance(reorder_) && held_.empty()) {
            held_ = wire;  // goes out after the next one
            return;
        }
        uart_.Write(wire);
        FlushHeld();
    }
    void FlushHeld() {
        if (!held_.empty()) uart_.Write(held_);
        held_.clear();
    }
    void Arrive(const Segment& s, bool server, bool* syn_acked) {
        if (s.to != my_port) return;
        if (s.flags & kRst) {
            // Once both FINs are acknowledged a late segment of ours may meet no connection.
            if (!done_) got_rst_ = true;
            return;
        }
        if (!*syn_acked) {
            if (server && (s.flags & kSyn) && !(s.flags & kAck)) {
                have_peer_ = true;
                their_port = s.from;
                rcv_nxt_ = s.seq + 1;
                if (s.mss) peer_mss_ = std::min<std::size_t>(s.mss, 1460);
                Segment sa = Base(kSyn | kAck, iss_);
                sa.mss = 1460;
                Send(sa);
                return;
            }
            if (!server && (s.flags & (kSyn | kAck)) == (kSyn | kAck) && s.ack == iss_ + 1) {
                rcv_nxt_ = s.seq + 1;
                if (s.mss) peer_mss_ = std::min<std::size_t>(s.mss, 1460);
                *syn_acked = true;
                snd_una_ = snd_nxt_ = iss_ + 1;
                peer_window_ = s.window;
                Emit(kAck, snd_nxt_, {});
                return;
            }
            if (server && have_peer_ && (s.flags & kAck) && s.ack == iss_ + 1) {
                *syn_acked = true;
                snd_una_ = snd_nxt_ = iss_ + 1;
            } else {
                return;
            }
        }
        if ((s.flags & kAck) && static_cast<std::int32_t>(s.ack - snd_una_) > 0 &&
            static_cast<std::int32_t>(s.ack - snd_nxt_) <= 0) {
            snd_una_ = s.ack;
        }
        if (s.flags & kAck) peer_window_ = s.window;
        bool answer = !s.data.empty() || (s.flags & kFin);
        if (s.seq == rcv_nxt_ && !s.data.empty()) {
            received.insert(received.end(), s.data.begin(), s.data.end());
            rcv_nxt_ += static_cast<std::uint32_t>(s.data.size());
        }
        if ((s.flags & kFin) && s.seq + s.data.size() == rcv_nxt_) {
            if (!got_fin_) ++rcv_nxt_;
            got_fin_ = true;
        }
        if (answer) Emit(kAck, snd_nxt_, {});
    }

    Peer& uart_;
    std::mt19937 rng_;
    int loss_, reorder_;
    Bytes held_, late_, raw_;
    std::uint32_t iss_ = 0, snd_una_ = 0, snd_nxt_ = 0, rcv_nxt_ = 0;
    std::size_t peer_mss_ = 536;
    std::uint32_t peer_window_ = 0;
    bool have_peer_ = false;
};

// The stack's side of one transfer as server on port 80: reads everything until the peer's
// FIN (or, closing first, a fixed count), sends `reply`, closes.
void ServeOne(const Bytes& request_size_known, const Bytes& reply, bool stack_closes_first, Bytes* got, int* send_result) {
    const int s = tcp_open_socket();
    ASSERT_GE(s, 0);
    ASSERT_EQ(tcp_listen(s, kPort), ZS_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    byte buf[300];
    bool sent = false;
    while (std::chrono::steady_clock::now() < deadline) {
        zs_poll();
        if (zs_sockets[s].state == ZS_SOCKET_LISTEN) continue;
        const int n = tcp_receive(s, buf, sizeof buf);
        if (n > 0) got->insert(got->end(), buf, buf + n);
        const bool request_done = n == ZS_ERR_CLOSED || (stack_closes_first && got->size() == request_size_known.size());
        if (request_done && !sent) {
            sent = true;
            Bytes copy = reply;
            *send_result = tcp_send(s, copy.data(), static_cast<word>(copy.size()));
            tcp_close(s);
            break;
        }
        if (n < 0 && n != ZS_ERR_CLOSED) break;
    }
    // Run on until the close completes, so that FINs and ACKs still flow.
    while (std::chrono::steady_clock::now() < deadline && zs_sockets[s].state != ZS_SOCKET_FREE) zs_poll();
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);
}

// The stack's side of one transfer as client: connects to the peer, sends `request`, reads
// until the peer's FIN, closes.
void FetchOne(const Bytes& request, Bytes* got, int* send_result) {
    const int s = tcp_open_socket();
    ASSERT_GE(s, 0);
    byte ip[4] = {kPeerIp[0], kPeerIp[1], kPeerIp[2], kPeerIp[3]};
    ASSERT_EQ(tcp_connect(s, ip, kPort), ZS_OK);
    Bytes copy = request;
    *send_result = tcp_send(s, copy.data(), static_cast<word>(copy.size()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    byte buf[300];
    while (std::chrono::steady_clock::now() < deadline) {
        zs_poll();
        const int n = tcp_receive(s, buf, sizeof buf);
        if (n > 0) got->insert(got->end(), buf, buf + n);
        if (n < 0) {
            EXPECT_EQ(n, ZS_ERR_CLOSED);
            break;
        }
    }
    EXPECT_EQ(tcp_close(s), ZS_OK);
    while (std::chrono::steady_clock::now() < deadline && zs_sockets[s].state != ZS_SOCKET_FREE) zs_poll();
    EXPECT_EQ(zs_sockets[s].state, ZS_SOCKET_FREE);
}

// Rounds 0 to 7: the stack serves a client, closing first in odd rounds; from round 8 on it
// connects to the peer as a server. Every round from 2 on loses and swaps 10% of the frames
// each way.
TEST(TcpLossyLine, TransfersBothWaysArriveIntactWhateverIsLostOrSwapped) {
    for (unsigned round = 0; round < 11; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        FreshStack();
        zs_host_set_clock_scale(20);  // the stack's 1 s resend is 50 ms here
        Peer uart;
        const int loss = round < 2 ? 0 : 10;
        const bool stack_serves = round < 8;
        const bool stack_closes_first = stack_serves && round % 2 == 1;
        const Bytes request = RandomBytes(round % 3 == 0 ? 1 : 300 + 1700 * (round % 8), round);
        const Bytes reply = RandomBytes(round == 0 ? 0 : 4000 + 3000 * (round % 8), round + 100);
        LossyPeer peer(uart, round, loss, loss);
        if (stack_serves) {
            peer.my_port = static_cast<std::uint16_t>(45000 + round);
        } else {
            peer.my_port = kPort;
            peer.their_port = 0;
        }
        std::thread far([&] {
            if (stack_serves) {
                peer.Run(request, !stack_closes_first, false);
            } else {
                peer.Run(reply, true, true);
            }
        });
        Bytes got;
        int result = 0;
        if (stack_serves) {
            ServeOne(request, reply, stack_closes_first, &got, &result);
        } else {
            FetchOne(request, &got, &result);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!peer.done_ && std::chrono::steady_clock::now() < until) zs_poll();
        // Keep answering a little so the peer's last retransmissions meet the stack.
        const auto linger = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        while (std::chrono::steady_clock::now() < linger) zs_poll();
        peer.stop_ = true;
        far.join();
        if (stack_serves) {
            EXPECT_EQ(got, request);
            EXPECT_EQ(result, static_cast<int>(reply.size()));
            EXPECT_EQ(peer.received, reply);
        } else {
            EXPECT_EQ(got, reply);
            EXPECT_EQ(result, static_cast<int>(request.size()));
            EXPECT_EQ(peer.received, request);
        }
        EXPECT_TRUE(peer.got_fin_);
        EXPECT_FALSE(peer.got_rst_);
    }
    zs_host_set_clock_scale(1);
}

}  // namespace
}  // namespace stacktest
