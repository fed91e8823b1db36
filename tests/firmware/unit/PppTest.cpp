// PPP on the host build of a PPP + PAP + UDP project: the negotiation against a scripted peer
// on the far end of the UART (with garbage frames between its answers), a refused password
// and a silent peer, then the property that random and mutated frames never crash the stack,
// never make it send a malformed frame, and never stop it answering while the link stands.
// The peer's framing and packets (PppFrames.h, Packets.h) are independent of the stack's own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include "zs_hw.h"
#include "zs_hw_host.h"
#include "zs_stack.h"
}

#include "Packets.h"
#include "PppFrames.h"

namespace {

using namespace stacktest::ppp;
using namespace std::chrono_literals;

const Bytes kPeerAddress = {10, 0, 0, 1};

// An ICMP echo request from the peer to the stack's address.
Bytes Ping(std::uint16_t seq, const Bytes& data) {
    return stacktest::IpPacket(kPeerAddress.data(), my_ip_addr, 1, stacktest::EchoRequest(0x1234, seq, data));
}

// The far end of the UART: a socket pair; the stack has one end. A thread takes what the
// stack sends as it comes (the host UART writes a byte a call, and a socket holds only a few
// hundred such writes), and Read hands it over as frames.
class Line {
public:
    Line() {
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fd_), 0);
        zs_host_uart_attach(fd_[0], fd_[0]);
        taker_ = std::thread([this] {
            std::uint8_t buf[4096];
            for (;;) {
                const ssize_t n = recv(fd_[1], buf, sizeof buf, 0);
                if (n <= 0) return;
                std::lock_guard<std::mutex> lock(mutex_);
                taken_.insert(taken_.end(), buf, buf + n);
            }
        });
    }
    ~Line() {
        zs_host_uart_attach(-1, -1);
        shutdown(fd_[1], SHUT_RDWR);
        taker_.join();
        close(fd_[0]);
        close(fd_[1]);
    }
    void Write(const Bytes& b) {
        ASSERT_EQ(write(fd_[1], b.data(), b.size()), static_cast<ssize_t>(b.size()));
        written += b.size();
    }
    unsigned long written = 0;
    // What the stack sent, as frames; waits up to timeout for the first.
    std::vector<Packet> Read(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::vector<Packet> frames;
        for (;;) {
            Bytes got;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                got.swap(taken_);
            }
            if (!got.empty()) {
                auto more = reader.Feed(got.data(), got.size());
                frames.insert(frames.end(), more.begin(), more.end());
                continue;
            }
            if (!frames.empty() || std::chrono::steady_clock::now() > deadline) return frames;
            std::this_thread::sleep_for(1ms);
        }
    }
    Reader reader;

private:
    int fd_[2];
    std::mutex mutex_;
    Bytes taken_;
    std::thread taker_;
};

struct Script {
    bool ask_pap = true;
    bool accept = true;
    Bytes assign;  // the address the peer gives by a Nak; empty: the stack's is acked
    bool garbage = true;
    Bytes caller;  // a caller's Authenticate-Request data, sent once LCP is open
};

// Frames no receiver may take: a bad FCS, cut short, aborted, lying option lengths.
Bytes Garbage(std::mt19937& rng) {
    Bytes f = Frame(kLcp, Control(1, 99, Option(1, {0x05, 0xDC})));
    switch (rng() % 4) {
    case 0:
        f[f.size() - 2] ^= 0x01;
        if (f[f.size() - 2] == 0x7E || f[f.size() - 2] == 0x7D) f[f.size() - 2] ^= 0x03;
        return f;
    case 1:
        f.resize(6);
        f.push_back(0x7E);
        return f;
    case 2:
        f.resize(8);
        f.push_back(0x7D);
        f.push_back(0x7E);
        return f;
    default:
        return Frame(kIpcp, Control(1, 3, {3, 7, 10, 0, 0, 2}));
    }
}

// The peer's side of a negotiation, run in a thread while ppp_open_connection runs.
// Returns true when IPCP opened on both sides; after a refusal it plays the modem's end of
// the hang-up.
bool RunPeer(Line& line, const Script& script, std::string* log) {
    std::mt19937 rng(7);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    bool lcp_acked = false, lcp_acked_theirs = false, ipcp_sent = false, ipcp_acked = false, ipcp_acked_theirs = false;
    Bytes lcp_opts = Cat({Option(2, {0, 0, 0, 0}), Option(5, {1, 2, 3, 4})});
    if (script.ask_pap) lcp_opts = Cat({lcp_opts, Option(3, {0xC0, 0x23})});
    line.Write(Frame(kLcp, Control(1, 1, lcp_opts)));
    while (std::chrono::steady_clock::now() < deadline) {
        for (const Packet& p : line.Read(50ms)) {
            if (script.garbage) line.Write(Garbage(rng));
            const Bytes& d = p.info;
            const Bytes data(d.begin() + 4, d.end());
            *log += std::to_string(p.protocol) + ":" + std::to_string(d[0]) + " ";
            if (p.protocol == kLcp && d[0] == 1) {
                line.Write(Frame(kLcp, Control(2, d[1], data)));
                lcp_acked_theirs = true;
                if (data.size() >= 4 && data[data.size() - 4] == 3) *log += "(asks PAP) ";
            } else if (p.protocol == kLcp && d[0] == 2 && d[1] == 1) {
                lcp_acked = true;
            } else if (p.protocol == kLcp && d[0] == 5) {
                line.Write(Frame(kLcp, Control(6, d[1])));
            } else if (p.protocol == kPap && d[0] == 1) {
                line.Write(Frame(kPap, Control(script.accept ? 2 : 3, d[1], {0})));
            } else if (p.protocol == kIpcp && d[0] == 1) {
                if (!ipcp_sent) line.Write(Frame(kIpcp, Control(1, 2, Option(3, kPeerAddress))));
                ipcp_sent = true;
                const Bytes theirs(d.begin() + 6, d.begin() + 10);
                if (!script.assign.empty() && theirs != script.assign) {
                    line.Write(Frame(kIpcp, Control(3, d[1], Option(3, script.assign))));
                } else {
                    line.Write(Frame(kIpcp, Control(2, d[1], data)));
                    ipcp_acked_theirs = true;
                }
            } else if (p.protocol == kIpcp && d[0] == 2 && d[1] == 2) {
                ipcp_acked = true;
            }
            if (!script.caller.empty() && lcp_acked && lcp_acked_theirs) {
                line.Write(Frame(kPap, Control(1, 9, script.caller)));
                *log += "(PAP sent) ";
                lcp_acked_theirs = false;
            }
        }
        if (lcp_acked && ipcp_acked && ipcp_acked_theirs) return true;
        if (line.reader.Tail().find("ATH0\r") != std::string::npos) {
            *log += line.reader.Tail();
            line.reader.ClearTail();
            line.Write(Bytes{'\r', '\n', 'O', 'K', '\r', '\n'});
            return false;
        }
    }
    return false;
}

class Ppp : public ::testing::Test {
protected:
    void SetUp() override {
        zs_init_stack();
        zs_host_set_clock_scale(20);
        pap_add_user("guest", "tulipbed");
        const std::uint8_t configured[4] = {10, 0, 0, 2};
        std::memcpy(my_ip_addr, configured, 4);
    }

    int Open(Line& line, const Script& script, bool* peer_done, std::string* log) {
        zs_link_set(1);  // the modem's CONNECT
        std::thread peer([&] { *peer_done = RunPeer(line, script, log); });
        const int result = ppp_open_connection();
        peer.join();
        return result;
    }

    // Polls until the stack has taken every byte written so far, and a few times more.
    void Drain(const Line& line) {
        for (int i = 0; i < 100000 && zs_host_rx_bytes < line.written; ++i) zs_poll();
        for (int i = 0; i < 5; ++i) zs_poll();
    }

    // A ping answered while the link stands. The peer's side of IPCP goes on meanwhile: the
    // stack's requests are acknowledged and a terminated IPCP is started again (frames of a
    // batch may still be taken now); the ping goes again now and then, as IP before IPCP
    // opens is dropped.
    bool Pings(Line& line, std::uint16_t seq) {
        for (int i = 0; i < 200 && ppp_phase == PPP_NETWORK; ++i) {
            if (i % 20 == 0) line.Write(Frame(kIp, Ping(seq, {1, 2, 3, 0x7E, 0x11})));
            Drain(line);
            for (const Packet& p : line.Read(5ms)) {
                if (p.protocol == kIp && p.info.size() == 33 && p.info[20] == 0 && p.info[27] == (seq & 0xFF)) return true;
                if (p.protocol == kIpcp && p.info[0] == 1) {
                    line.Write(Frame(kIpcp, Control(2, p.info[1], Bytes(p.info.begin() + 4, p.info.end()))));
                } else if (p.protocol == kIpcp && p.info[0] == 6) {
                    line.Write(Frame(kIpcp, Control(1, 78, Option(3, kPeerAddress))));
                }
            }
        }
        return false;
    }
};

TEST_F(Ppp, NegotiatesThroughGarbageAndTakesTheAddressGiven) {
    Line line;
    bool done = false;
    std::string log;
    ASSERT_EQ(Open(line, {true, true, {10, 0, 0, 9}, true, {}}, &done, &log), ZS_OK) << log;
    EXPECT_TRUE(done) << log;
    EXPECT_EQ(Bytes(my_ip_addr, my_ip_addr + 4), (Bytes{10, 0, 0, 9}));
    EXPECT_EQ(ppp_phase, PPP_NETWORK);
    EXPECT_TRUE(Pings(line, 1));
    EXPECT_GT(zs_stats.bad_checksum + zs_stats.bad_length + zs_stats.framing, 3u) << "the garbage was not seen";
    EXPECT_TRUE(line.reader.errors.empty()) << line.reader.errors.front();

    // An orderly close: Terminate-Request, then the link is down.
    std::thread peer([&] {
        for (int i = 0; i < 200; ++i) {
            for (const Packet& p : line.Read(10ms)) {
                if (p.protocol == kLcp && p.info[0] == 5) {
                    line.Write(Frame(kLcp, Control(6, p.info[1])));
                    return;
                }
            }
        }
    });
    ppp_close_connection();
    peer.join();
    EXPECT_EQ(ppp_phase, PPP_DEAD);
    EXPECT_EQ(zs_link_send(zs_ip_out, 20), ZS_ERR_LINK);
}

TEST_F(Ppp, TheModemsNoCarrierBetweenFramesTakesTheLinkDown) {
    Line line;
    bool done = false;
    std::string log;
    ASSERT_EQ(Open(line, {true, true, {}, false, {}}, &done, &log), ZS_OK) << log;
    // Text that is not the modem's report changes nothing.
    line.Write(Bytes{'\r', '\n', 'N', 'O', ' ', 'C', 'A', 'R', 'R', 'I', 'E', 'S', '\r', '\n'});
    Drain(line);
    EXPECT_TRUE(Pings(line, 1));
    line.Write(Bytes{'\r', '\n', 'N', 'O', ' ', 'C', 'A', 'R', 'R', 'I', 'E', 'R', '\r', '\n'});
    int result = ZS_OK;
    for (int i = 0; i < 1000 && result == ZS_OK; ++i) result = zs_poll();
    EXPECT_EQ(result, ZS_ERR_LINK);
    EXPECT_EQ(zs_link_is_up, 0);
    EXPECT_EQ(ppp_phase, PPP_DEAD) << "PPP went on as if the call stood";
    EXPECT_EQ(ppp_send_ip(zs_ip_out, 20), ZS_ERR_LINK);
}

TEST_F(Ppp, ARefusedPasswordEndsTheLinkAndHangsUp) {
    Line line;
    bool done = true;
    std::string log;
    EXPECT_EQ(Open(line, {true, false, {}, false, {}}, &done, &log), ZS_ERR_AUTHENTICATION);
    EXPECT_FALSE(done);
    EXPECT_NE(log.find(std::to_string(kLcp) + ":5 "), std::string::npos) << "no Terminate-Request: " << log;
    EXPECT_NE(log.find("+++"), std::string::npos) << log;
    EXPECT_EQ(zs_link_is_up, 0);
}

// This end answered the call: the caller must authenticate with a user of the table.
TEST_F(Ppp, ACallerIsCheckedAgainstThePapUsers) {
    const auto request = [](const std::string& name, const std::string& password) {
        Bytes d = {static_cast<std::uint8_t>(name.size())};
        d.insert(d.end(), name.begin(), name.end());
        d.push_back(static_cast<std::uint8_t>(password.size()));
        d.insert(d.end(), password.begin(), password.end());
        return d;
    };
    const std::string ack = std::to_string(kPap) + ":2 ", nak = std::to_string(kPap) + ":3 ";
    {
        Line line;
        bool done = false;
        std::string log;
        ppp_answered = 1;
        EXPECT_EQ(Open(line, {false, true, {}, false, request("guest", "tulipbed")}, &done, &log), ZS_OK) << log;
        EXPECT_NE(log.find("(asks PAP)"), std::string::npos) << log;
        EXPECT_NE(log.find(ack), std::string::npos) << log;
    }
    for (const auto& wrong : {request("guest", "tulipbe"), request("guest", "tulipbedX"), request("guesT", "tulipbed"),
                              request("", "")}) {
        SetUp();
        Line line;
        bool done = true;
        std::string log;
        ppp_answered = 1;
        EXPECT_EQ(Open(line, {false, true, {}, false, wrong}, &done, &log), ZS_ERR_AUTHENTICATION) << log;
        EXPECT_NE(log.find(nak), std::string::npos) << log;
        EXPECT_EQ(zs_link_is_up, 0);
    }
}

TEST_F(Ppp, ASilentPeerTimesOutAfterTheConfiguredResends) {
    Line line;
    zs_link_set(1);
    std::thread modem([&] {
        for (int i = 0; i < 2000 && line.reader.Tail().find("ATH0\r") == std::string::npos; ++i) line.Read(5ms);
        line.Write(Bytes{'\r', '\n', 'O', 'K', '\r', '\n'});
    });
    EXPECT_EQ(ppp_open_connection(), ZS_ERR_TIMEOUT);
    modem.join();
    EXPECT_EQ(zs_link_is_up, 0);
}

TEST_F(Ppp, PapUsersAreEnteredOnceAndTheTableHasItsSize) {
    EXPECT_EQ(pap_add_user("", "x"), ZS_OK);
    EXPECT_EQ(pap_add_user("guest", "new-one"), ZS_OK);  // the same user: replaced
    EXPECT_STREQ(pap_user_table[0].password, "new-one");
    EXPECT_EQ(pap_add_user("second", "x"), zs_pap_num_users > 1 ? ZS_OK : ZS_ERR_NO_MEMORY);
    EXPECT_EQ(pap_add_user("a-name-longer-than-the-entry", "p"), ZS_ERR_NO_MEMORY);
}

// Mutations of every kind of frame, in every state the data phase can reach: nothing crashes
// (the sanitizers watch), everything sent is well formed, and while the link stands it
// answers a ping; a frame that legitimately ends the link is followed by a new negotiation.
TEST_F(Ppp, RandomFramesNeverBreakIt) {
    Line line;
    bool done = false;
    std::string log;
    ASSERT_EQ(Open(line, {true, true, {}, false, {}}, &done, &log), ZS_OK) << log;
    std::mt19937 rng(2026);
    const auto byte = [&] { return static_cast<std::uint8_t>(rng()); };
    constexpr int kRounds = 300;
    int renegotiated = 0, frames = 0;
    for (int round = 0; round < kRounds; ++round) {
        Bytes batch;
        for (int k = 0; k < 25; ++k, ++frames) {
            Bytes info;
            std::uint16_t protocol;
            switch (rng() % 6) {
            case 0:
                protocol = kLcp;
                info = Control(byte() % 12, byte(), Cat({Option(byte() % 9, Bytes(rng() % 5, byte())), Bytes(rng() % 6, byte())}));
                break;
            case 1:
                protocol = kIpcp;
                info = Control(byte() % 8, byte(), Option(3, Bytes(rng() % 6, byte())));
                break;
            case 2:
                protocol = kPap;
                info = Control(byte() % 4, byte(), Bytes(rng() % 20, byte()));
                break;
            case 3:
                protocol = kIp;
                info = Ping(static_cast<std::uint16_t>(rng()), Bytes(rng() % 40, byte()));
                break;
            case 4:
                protocol = static_cast<std::uint16_t>(rng());
                info = Bytes(rng() % 30, byte());
                break;
            default:
                protocol = kLcp;
                info = Bytes(rng() % 1000, byte());
                break;
            }
            // Mutations: flipped bytes, a cut, a length field that lies.
            for (unsigned m = rng() % 3; m > 0 && !info.empty(); --m) info[rng() % info.size()] ^= byte();
            if (rng() % 4 == 0 && !info.empty()) info.resize(rng() % info.size());
            if (rng() % 4 == 0 && info.size() >= 4) info[2 + rng() % 2] = byte();
            Bytes frame = Frame(protocol, info);
            if (rng() % 8 == 0) frame[1 + rng() % (frame.size() - 1)] = byte();  // raw damage
            batch.insert(batch.end(), frame.begin(), frame.end());
        }
        line.Write(batch);
        Drain(line);
        bool ipcp_touched = false;
        for (const Packet& p : line.Read(2ms)) {
            const std::string bad = Check(p);
            ASSERT_TRUE(bad.empty()) << "round " << round << ": " << bad;
            if (p.protocol == kIpcp && (p.info[0] == 1 || p.info[0] == 6)) ipcp_touched = true;
        }
        ASSERT_TRUE(line.reader.errors.empty()) << line.reader.errors.front();
        if (ppp_phase == PPP_NETWORK && ipcp_touched) {
            // A mutated IPCP request or terminate that passed for a real one: the peer
            // negotiates IPCP again (Pings acknowledges the stack's requests).
            line.Write(Frame(kIpcp, Control(1, 77, Option(3, kPeerAddress))));
        }
        if (ppp_phase == PPP_NETWORK && Pings(line, static_cast<std::uint16_t>(round))) continue;
        // Only a Terminate-Request or a new Configure-Request of LCP ends the link; then the
        // peer calls again.
        ASSERT_NE(ppp_phase, PPP_NETWORK) << "round " << round << ": the link stands but does not answer";
        ASSERT_EQ(zs_link_is_up, 0) << "round " << round;
        ++renegotiated;
        ASSERT_EQ(Open(line, {true, true, {}, false, {}}, &done, &log), ZS_OK) << log;
    }
    std::cout << frames << " random frames in " << kRounds << " rounds, " << renegotiated << " renegotiations\n";
}

}  // namespace
