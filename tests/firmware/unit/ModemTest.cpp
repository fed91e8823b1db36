// The modem's AT dialogue against a scripted modem on the far end of the host UART, and one
// whole call: dial, log in, ping and UDP over SLIP, a burst of garbage, the carrier lost.
#include <gtest/gtest.h>

#include <future>
#include <random>
#include <thread>

#include "StackPeer.h"

namespace stacktest {
namespace {

using namespace std::chrono_literals;

std::string Trimmed(const char* text) {
    std::string s(text);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

void StartModemStack() {
    zs_init_stack();
    zs_host_set_clock_scale(1);
}

TEST(Modem, DialReportsEachOutcomeOfTheCall) {
    struct Case {
        const char* reply;  // nullptr: the modem stays silent
        int result;
        byte link;
    };
    const Case cases[] = {
        {"CONNECT 9600", ZS_OK, 1},           {"BUSY", ZS_ERR_BUSY, 0},
        {"NO DIALTONE", ZS_ERR_NO_DIALTONE, 0}, {"NO CARRIER", ZS_ERR_NO_CARRIER, 0},
        {"ERROR", ZS_ERR_MODEM, 0},            {nullptr, ZS_ERR_TIMEOUT, 0},
    };
    for (const Case& c : cases) {
        const std::string what = c.reply ? c.reply : "silence";
        Peer peer;
        StartModemStack();
        zs_link_up = 0;
        auto modem = std::async(std::launch::async, [&] {
            if (!peer.AnswerInit()) return std::string("set-up commands not as configured");
            const std::string dial = peer.ReadLine();
            if (dial != Trimmed(zs_modem_dial)) return "dialled " + dial;
            // Noise a modem may print first: blank lines, the echo, a line that only starts alike.
            peer.Write("\r\n\r\n" + dial + "\r\r\nCONNECTING\r\n");
            if (c.reply) peer.Write(std::string("\r\n") + c.reply + "\r\n");
            return std::string();
        });
        ASSERT_EQ(modem_init(), ZS_OK) << what;
        if (!c.reply) zs_host_set_clock_scale(1000);   // a minute of silence in 60 ms
        EXPECT_EQ(modem_dial(), c.result) << what;
        EXPECT_EQ(modem.get(), "") << what;
        EXPECT_EQ(zs_link_up, c.link) << what;
        EXPECT_EQ(zs_poll(), c.link ? ZS_OK : ZS_ERR_LINK) << what;
    }
}

TEST(Modem, AnswerWaitsThroughTheRingsForTheConnection) {
    for (const char* outcome : {"CONNECT 2400", "NO CARRIER"}) {
        Peer peer;
        StartModemStack();
        zs_link_up = 0;
        auto modem = std::async(std::launch::async, [&] {
            const std::string line = peer.ReadLine();
            if (line != Trimmed(zs_modem_init_answer)) return "answer set-up " + line;
            peer.Write("\r\nOK\r\n");
            std::this_thread::sleep_for(50ms);
            peer.Write(std::string("\r\nRING\r\n\r\nRING\r\n\r\n") + outcome + "\r\n");
            return std::string();
        });
        const bool connects = outcome[0] == 'C';
        EXPECT_EQ(modem_answer(), connects ? ZS_OK : ZS_ERR_NO_CARRIER) << outcome;
        EXPECT_EQ(modem.get(), "");
        EXPECT_EQ(zs_link_up, connects ? 1 : 0) << outcome;
    }
}

TEST(Modem, SetUpFailsWhenTheModemRefusesOrSaysNothing) {
    {
        Peer peer;
        StartModemStack();
        auto modem = std::async(std::launch::async, [&] {
            peer.ReadLine();
            peer.Write("\r\nERROR\r\n");
        });
        EXPECT_EQ(modem_init(), ZS_ERR_DEVICE);
        modem.get();
    }
    {
        Peer peer;
        StartModemStack();
        zs_host_set_clock_scale(100);
        EXPECT_EQ(modem_init(), ZS_ERR_DEVICE);
    }
}

TEST(Modem, LoginAnswersThePromptsAndHangUpKeepsTheGuardTimes) {
    Peer peer;
    StartModemStack();
    zs_link_set(1);
    auto remote = std::async(std::launch::async, [&] {
        // The prompt arrives in pieces after a banner that almost matches it.
        peer.Write("\r\nWelcome\r\nplease log in, log");
        std::this_thread::sleep_for(20ms);
        peer.Write("login: ");
        const std::string name = peer.ReadLine();
        if (name != Trimmed(zs_login_name)) return "name " + name;
        peer.Write("\r\nPassword: ");
        const std::string password = peer.ReadLine();
        if (password != Trimmed(zs_password)) return "password " + password;
        return std::string();
    });
    ASSERT_EQ(modem_login(), ZS_OK);
    EXPECT_EQ(remote.get(), "");

    // Guard times at five times the speed: 1.2 s of silence becomes 240 ms.
    zs_host_set_clock_scale(5);
    auto modem = std::async(std::launch::async, [&] {
        const auto start = std::chrono::steady_clock::now();
        if (peer.ReadBytes(3) != "+++") return std::string("no escape");
        const auto escape = std::chrono::steady_clock::now();
        if (escape - start < 150ms) return std::string("escape without the guard time before it");
        const std::string hangup = peer.ReadLine();
        if (std::chrono::steady_clock::now() - escape < 150ms) return std::string("no guard time after the escape");
        if (hangup != "ATH0") return "hang-up command " + hangup;
        peer.Write("\r\nOK\r\n");
        return std::string();
    });
    modem_hangup();
    EXPECT_EQ(modem.get(), "");
    EXPECT_EQ(zs_link_up, 0);
    EXPECT_EQ(zs_poll(), ZS_ERR_LINK);

    // No prompt at all: the login gives up after its half minute.
    zs_host_set_clock_scale(1000);
    EXPECT_EQ(modem_login(), ZS_ERR_LOGIN);
}

// The firmware's own main loop, as the generated main.c runs it, with an application that
// echoes UDP datagrams to their sender.
TEST(EndToEnd, ACallCarriesPingAndUdpSurvivesGarbageAndEndsWithTheCarrier) {
    Peer peer;
    const std::uint8_t peer_ip[4] = {10, 0, 0, 2};
    auto remote = std::async(std::launch::async, [&]() -> std::string {
        if (!peer.AnswerInit()) return "set-up";
        peer.ReadLine();
        peer.Write("\r\nCONNECT 19200\r\n");
        peer.Write("login: ");
        peer.ReadLine();
        peer.Write("password:");
        peer.ReadLine();

        // The device pings us: the first request is answered, the second is not.
        Bytes request = peer.ReadFrame();
        if (!CheckSentPacket(request).empty() || request[9] != 1 || request[20] != 8) return "no echo request";
        Bytes reply(request.begin() + 20, request.end());
        reply[0] = 0;
        reply[2] = reply[3] = 0;
        const std::uint16_t sum = static_cast<std::uint16_t>(~ReferenceSum(reply.data(), reply.size()));
        reply[2] = static_cast<std::uint8_t>(sum >> 8);
        reply[3] = static_cast<std::uint8_t>(sum);
        peer.Write(SlipEncode(IpPacket(peer_ip, my_ip_addr, 1, reply)));
        if (peer.ReadFrame().empty()) return "no second echo request";
        // Datagrams that arrive while the device waits for its ping reach only the callback:
        // let its wait (30 ms) end first.
        std::this_thread::sleep_for(500ms);

        auto ping = [&](word len, std::uint16_t seq) -> std::string {
            const Bytes request = EchoRequest(0x77, seq, RandomBytes(len, seq));
            peer.Write(SlipEncode(IpPacket(peer_ip, my_ip_addr, 1, request)));
            const Bytes reply = peer.ReadFrame();
            if (reply.empty()) return "no echo reply to " + std::to_string(len) + " bytes";
            const std::string bad = CheckSentPacket(reply);
            if (!bad.empty()) return bad;
            if (!std::equal(request.begin() + 4, request.end(), reply.begin() + 24)) return "echo payload differs";
            return "";
        };
        for (word len = 0; len <= zs_ping_buff_size; ++len) {
            if (std::string bad = ping(len, len); !bad.empty()) return bad;
        }
        for (unsigned i = 0; i < 20; ++i) {
            const Bytes data = RandomBytes(1 + i * 20, 100 + i);
            peer.Write(SlipEncode(IpPacket(peer_ip, my_ip_addr, 17, UdpDatagram(peer_ip, my_ip_addr, 5000 + i, 7, data))));
            const Bytes answer = peer.ReadFrame();
            if (!CheckSentPacket(answer).empty()) return "UDP answer: " + CheckSentPacket(answer);
            if ((answer[22] << 8 | answer[23]) != 5000 + int(i)) return "UDP answer to the wrong port";
            if (Bytes(answer.begin() + 28, answer.end()) != data) return "UDP answer differs";
        }
        // A thousand frames of garbage, truncated and corrupted packets; nothing is answered.
        std::mt19937 rng(7);
        for (unsigned i = 0; i < 1000; ++i) {
            Bytes p = IpPacket(peer_ip, my_ip_addr, 1, EchoRequest(1, 1, RandomBytes(rng() % 40, i)));
            switch (i % 4) {
                case 0: p = RandomBytes(rng() % 700, i); break;
                case 1: p.resize(rng() % p.size()); break;
                case 2: p[rng() % p.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255); break;
                default: p = RandomBytes(rng() % 60, i); p.insert(p.begin(), 0xDB); break;
            }
            Bytes wire = SlipEncode(p);
            if (i % 4 == 3) wire[1] = 0xDB;  // an escape before a byte that cannot follow it
            peer.Write(wire);
        }
        if (std::string bad = ping(zs_ping_buff_size, 999); !bad.empty()) return "after the garbage: " + bad;
        peer.Write("\r\nNO CARRIER\r\n");
        if (peer.ReadBytes(3, 10000ms) != "+++") return "no hang-up after the carrier was lost";
        if (peer.ReadLine() != "ATH0") return "no ATH0";
        peer.Write("\r\nOK\r\n");
        return "";
    });

    StartModemStack();
    ASSERT_EQ(modem_init(), ZS_OK);
    ASSERT_EQ(modem_dial(), ZS_OK);
    ASSERT_EQ(modem_login(), ZS_OK);
    const int sock = udp_open_socket(7);
    ASSERT_GE(sock, 0);
    for (word i = 0; i < zs_ping_buff_size; ++i) ping_buffer[i] = static_cast<byte>(i * 7);
    EXPECT_EQ(ping_send_request(const_cast<byte*>(peer_ip), zs_ping_buff_size), ZS_OK);
    zs_host_set_clock_scale(100);
    EXPECT_EQ(ping_send_request(const_cast<byte*>(peer_ip), 5), ZS_ERR_TIMEOUT);
    zs_host_set_clock_scale(1);
    EXPECT_EQ(ping_send_request(const_cast<byte*>(peer_ip), zs_ping_buff_size + 1), ZS_ERR_TOO_LONG);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (zs_poll() == ZS_OK) {
        byte data[600];
        const int n = udp_receive(sock, data, sizeof data);
        if (n > 0) {
            byte ip[4];
            word port;
            udp_get_sender(ip, &port);
            ASSERT_EQ(udp_send(sock, ip, port, data, static_cast<word>(n)), ZS_OK);
        }
        // A peer that has finished before the call ended has found a fault: it says which below.
        if (std::chrono::steady_clock::now() > deadline || remote.wait_for(0s) == std::future_status::ready) {
            ADD_FAILURE() << "the call never ended; dropped: length " << zs_stats.bad_length << " header "
                          << zs_stats.bad_header << " checksum " << zs_stats.bad_checksum << " not ours "
                          << zs_stats.not_ours << " no socket " << zs_stats.no_socket << " framing " << zs_stats.framing
                          << " oversized " << zs_stats.oversized << " frames in " << zs_stats.frames_in;
            break;
        }
    }
    zs_host_set_clock_scale(20);
    modem_hangup();
    EXPECT_EQ(remote.get(), "");
    EXPECT_EQ(zs_link_up, 0);
    // Only the few empty frames among the thousand go uncounted: SLIP skips them silently.
    EXPECT_GE(zs_stats.bad_length + zs_stats.bad_checksum + zs_stats.bad_header + zs_stats.framing +
                  zs_stats.oversized + zs_stats.not_ours + zs_stats.bad_protocol + zs_stats.fragments,
              980)
        << "the garbage was not counted";
}

}  // namespace
}  // namespace stacktest
