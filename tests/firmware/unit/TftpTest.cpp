// The TFTP client against a scripted server on the far end of the host UART: files of every
// awkward size fetched and stored byte for byte while the server loses and repeats packets,
// and each way a transfer can fail reported as such.
#include <gtest/gtest.h>

#include <future>
#include <random>

#include "StackPeer.h"

namespace stacktest {
namespace {

using namespace std::chrono_literals;

const std::uint8_t kServer[4] = {10, 0, 0, 9};
constexpr std::uint16_t kServerTid = 3001;

Bytes Tftp(std::uint16_t opcode, std::uint16_t number, const Bytes& data = {}) {
    Bytes m = {static_cast<std::uint8_t>(opcode >> 8), static_cast<std::uint8_t>(opcode),
               static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
    for (std::uint8_t c : data) m.push_back(c);
    return m;
}

// One datagram the stack sent, as the server's socket sees it.
struct Datagram {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    Bytes data;
};

class Server {
public:
    explicit Server(Peer& peer, unsigned seed = 1, unsigned loss_percent = 0) : peer_(peer), rng_(seed), loss_(loss_percent) {}

    // The next datagram the stack sends; the server "loses" loss_percent of them.
    bool Next(Datagram& d, std::string& error) {
        for (;;) {
            const Bytes frame = peer_.ReadFrame(3000ms);
            if (frame.empty()) {
                error = "the client fell silent";
                return false;
            }
            const std::string check = CheckSentPacket(frame);
            if (!check.empty() || frame[9] != 17) {
                error = check.empty() ? "not UDP" : check;
                return false;
            }
            d.from = Get16(frame, 20);
            d.to = Get16(frame, 22);
            d.data.assign(frame.begin() + 28, frame.end());
            if (rng_() % 100 >= loss_) return true;
        }
    }
    void Send(std::uint16_t from, std::uint16_t to, const Bytes& data) {
        peer_.Write(SlipEncode(IpPacket(kServer, my_ip_addr, 17, UdpDatagram(kServer, my_ip_addr, from, to, data))));
    }
    // Sends it once more now and then, as a server whose timer fired too early would.
    void SendMaybeTwice(std::uint16_t from, std::uint16_t to, const Bytes& data) {
        Send(from, to, data);
        if (loss_ && rng_() % 100 < loss_) Send(from, to, data);
    }

private:
    Peer& peer_;
    std::mt19937 rng_;
    unsigned loss_;
};

// The request's file name and mode, or an error.
std::string Request(const Datagram& d, std::uint16_t opcode, const std::string& name) {
    if (d.to != 69) return "request sent to port " + std::to_string(d.to);
    if (d.data.size() < 2 || Get16(d.data, 0) != opcode) return "not the request expected";
    const std::string text(d.data.begin() + 2, d.data.end());
    if (text != name + std::string(1, '\0') + "octet" + std::string(1, '\0')) return "request names '" + text + "'";
    return "";
}

// Serves content as a server would: answers the read request, then block by block.
std::string ServeRead(Peer& peer, const Bytes& content, unsigned seed, unsigned loss) {
    Server server(peer, seed, loss);
    Datagram d;
    std::string error;
    if (!server.Next(d, error)) return error;
    const std::string request = Request(d, 1, "page.bin");
    if (!request.empty()) return request;
    const std::uint16_t client = d.from;
    const std::size_t blocks = content.size() / 512 + 1;
    std::size_t acked = 0;
    while (acked < blocks) {
        const std::size_t at = acked * 512;
        const Bytes block(content.begin() + static_cast<long>(at), content.begin() + static_cast<long>(std::min(content.size(), at + 512)));
        server.SendMaybeTwice(kServerTid, client, Tftp(3, static_cast<std::uint16_t>(acked + 1), block));
        // Wait for this block's acknowledgement; the client repeats on a lost one.
        for (;;) {
            if (!server.Next(d, error)) return error + " after block " + std::to_string(acked + 1);
            if (d.from != client || d.to != kServerTid) return "acknowledgement between the wrong ports";
            if (d.data.size() != 4 || Get16(d.data, 0) != 4) return "not an acknowledgement";
            const std::uint16_t n = Get16(d.data, 2);
            if (n == acked + 1) break;
            // A repeated acknowledgement of the block before (we sent that block twice) is
            // not answered: that would double every block from then on.
            if (n != acked || n == 0) return "acknowledged block " + std::to_string(n) + " while " + std::to_string(acked + 1) + " was due";
        }
        acked++;
    }
    return "";
}

// Takes a file as a server would; the stored bytes go to stored.
std::string TakeWrite(Peer& peer, Bytes& stored, unsigned seed, unsigned loss) {
    Server server(peer, seed, loss);
    Datagram d;
    std::string error;
    if (!server.Next(d, error)) return error;
    std::string request = Request(d, 2, "log.bin");
    if (!request.empty()) return request;
    const std::uint16_t client = d.from;
    std::uint16_t expected = 1;
    server.SendMaybeTwice(kServerTid, client, Tftp(4, 0));
    for (;;) {
        if (!server.Next(d, error)) return error + " waiting for block " + std::to_string(expected);
        if (d.to == 69) {                  // the request again: our first acknowledgement was lost
            if (expected != 1) return "request repeated in the middle of the transfer";
            server.Send(kServerTid, client, Tftp(4, 0));
            continue;
        }
        if (d.from != client || d.to != kServerTid) return "block between the wrong ports";
        if (d.data.size() < 4 || d.data.size() > 516 || Get16(d.data, 0) != 3) return "not a data block";
        const std::uint16_t n = Get16(d.data, 2);
        if (n == expected - 1) {            // a repeat: our acknowledgement was lost
            server.Send(kServerTid, client, Tftp(4, n));
            continue;
        }
        if (n != expected) return "block " + std::to_string(n) + " while " + std::to_string(expected) + " was due";
        stored.insert(stored.end(), d.data.begin() + 4, d.data.end());
        server.SendMaybeTwice(kServerTid, client, Tftp(4, n));
        expected++;
        if (d.data.size() < 516) return "";
    }
}

class TftpClient : public ::testing::Test {
protected:
    void SetUp() override {
        zs_init_stack();
        zs_link_set(1);
        zs_host_set_clock_scale(50);   // the two-second waits take 40 ms
    }
    byte* server() { return const_cast<byte*>(kServer); }
};

TEST_F(TftpClient, FilesOfEverySizeArriveWholeDespiteLostAndRepeatedPackets) {
    const std::size_t sizes[] = {0, 1, 511, 512, 513, 1024, 1500, 2047};
    unsigned seed = 10;
    for (unsigned loss : {0u, 10u}) {
        for (std::size_t size : sizes) {
            Peer peer;
            const Bytes content = RandomBytes(size, ++seed);
            auto serve = std::async(std::launch::async, [&] { return ServeRead(peer, content, seed, loss); });
            Bytes got(2048, 0xEE);
            word received = 0xFFFF;
            const int r = tftp_get_file(server(), "page.bin", got.data(), 2048, &received);
            const std::string what = std::to_string(size) + " bytes, " + std::to_string(loss) + "% lost";
            EXPECT_EQ(serve.get(), "") << what;
            EXPECT_EQ(r, ZS_OK) << what;
            ASSERT_EQ(received, size) << what;
            EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(size)), content) << what;
            EXPECT_EQ(got[size], 0xEE) << what << ": written past the file";
        }
    }
}

TEST_F(TftpClient, StoredFilesReachTheServerWholeDespiteLostAndRepeatedPackets) {
    const std::size_t sizes[] = {0, 1, 511, 512, 513, 1024, 2047};
    unsigned seed = 40;
    for (unsigned loss : {0u, 10u}) {
        for (std::size_t size : sizes) {
            Peer peer;
            Bytes content = RandomBytes(size, ++seed);
            Bytes stored;
            auto take = std::async(std::launch::async, [&] { return TakeWrite(peer, stored, seed, loss); });
            const int r = tftp_put_file(server(), "log.bin", content.data(), static_cast<word>(size));
            const std::string what = std::to_string(size) + " bytes, " + std::to_string(loss) + "% lost";
            EXPECT_EQ(take.get(), "") << what;
            EXPECT_EQ(r, ZS_OK) << what;
            EXPECT_EQ(stored, content) << what;
        }
    }
}

TEST_F(TftpClient, FailuresAreReportedAndStrangersToldOff) {
    // The server refuses: its error packet ends the transfer.
    {
        Peer peer;
        auto refuse = std::async(std::launch::async, [&] {
            Server server(peer);
            Datagram d;
            std::string error;
            if (!server.Next(d, error)) return error;
            Bytes message = {'n', 'o', 0};
            server.Send(kServerTid, d.from, Tftp(5, 1, message));
            return std::string();
        });
        Bytes got(600);
        word received = 0;
        EXPECT_EQ(tftp_get_file(server(), "page.bin", got.data(), 600, &received), ZS_ERR_TRANSFER);
        EXPECT_EQ(refuse.get(), "");
        EXPECT_EQ(received, 0);
    }
    // A file larger than the buffer: the client stops with ZS_ERR_TOO_LONG, tells the server
    // (error 3) and keeps what fitted; nothing is written past the buffer.
    {
        Peer peer;
        const Bytes content = RandomBytes(700, 3);
        auto serve = std::async(std::launch::async, [&] {
            Server server(peer);
            Datagram d;
            std::string error;
            if (!server.Next(d, error)) return error;
            const std::uint16_t client = d.from;
            server.Send(kServerTid, client, Tftp(3, 1, Bytes(content.begin(), content.begin() + 512)));
            if (!server.Next(d, error) || d.data != Tftp(4, 1)) return std::string("block 1 not acknowledged");
            server.Send(kServerTid, client, Tftp(3, 2, Bytes(content.begin() + 512, content.end())));
            if (!server.Next(d, error)) return error;
            if (d.data.size() < 4 || Get16(d.data, 0) != 5 || Get16(d.data, 2) != 3) return std::string("no disk-full error");
            return std::string();
        });
        Bytes got(600 + 1, 0xEE);
        word received = 0;
        EXPECT_EQ(tftp_get_file(server(), "page.bin", got.data(), 600, &received), ZS_ERR_TOO_LONG);
        EXPECT_EQ(serve.get(), "");
        EXPECT_EQ(received, 512);
        EXPECT_EQ(Bytes(got.begin(), got.begin() + 512), Bytes(content.begin(), content.begin() + 512));
        EXPECT_EQ(got[600], 0xEE);
    }
    // A datagram from another port of the server is told off and does not disturb the transfer.
    {
        Peer peer;
        const Bytes content = RandomBytes(100, 4);
        auto serve = std::async(std::launch::async, [&] {
            Server server(peer);
            Datagram d;
            std::string error;
            if (!server.Next(d, error)) return error;
            const std::uint16_t client = d.from;
            server.Send(kServerTid, client, Tftp(3, 1, Bytes(512, 'a')));
            if (!server.Next(d, error) || d.data != Tftp(4, 1)) return std::string("block 1 not acknowledged");
            server.Send(kServerTid + 1, client, Tftp(3, 2, Bytes(10, 'x')));
            if (!server.Next(d, error)) return error;
            if (d.to != kServerTid + 1 || d.data.size() < 4 || Get16(d.data, 0) != 5 || Get16(d.data, 2) != 5)
                return std::string("the stranger was not told off");
            server.Send(kServerTid, client, Tftp(3, 2, content));
            if (!server.Next(d, error) || d.data != Tftp(4, 2)) return std::string("block 2 not acknowledged");
            return std::string();
        });
        Bytes got(1024);
        word received = 0;
        EXPECT_EQ(tftp_get_file(server(), "page.bin", got.data(), 1024, &received), ZS_OK);
        EXPECT_EQ(serve.get(), "");
        ASSERT_EQ(received, 612);
        EXPECT_EQ(Bytes(got.begin() + 512, got.begin() + 612), content);
    }
    // Silence: the request is sent 1 + tftp_resend_trys times, then ZS_ERR_TIMEOUT.
    {
        Peer peer;
        auto count = std::async(std::launch::async, [&] {
            Server server(peer);
            Datagram d;
            std::string error;
            int requests = 0;
            while (server.Next(d, error)) requests++;
            return requests;
        });
        Bytes got(16);
        word received = 0;
        EXPECT_EQ(tftp_get_file(server(), "page.bin", got.data(), 16, &received), ZS_ERR_TIMEOUT);
        EXPECT_EQ(tftp_put_file(server(), "log.bin", got.data(), 16), ZS_ERR_TIMEOUT);
        EXPECT_EQ(count.get(), 2 * (1 + tftp_resend_trys));
    }
}

}  // namespace
}  // namespace stacktest
