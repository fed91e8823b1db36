#include "StackPeer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

namespace stacktest {

namespace {

constexpr std::uint8_t kEnd = 0xC0;

Bytes g_sent;

void Tap(unsigned char c) { g_sent.push_back(c); }

std::string Trimmed(const char* text) {
    std::string s(text);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

}  // namespace

void FreshStack() {
    zs_host_uart_attach(-1, -1);
    zs_host_set_clock_scale(1);
    zs_init_stack();
    zs_link_set(1);
    g_sent.clear();
    zs_host_set_tap(Tap);
}

Bytes& Sent() { return g_sent; }

std::vector<Bytes> SentPackets() { return SlipDecode(g_sent); }

void Receive(const Bytes& packet) {
    if (packet.size() > zs_recv_buff_size) throw std::invalid_argument("packet larger than the receive buffer");
    std::copy(packet.begin(), packet.end(), zs_recv_buff);
    ip_process_packet(zs_recv_buff, static_cast<word>(packet.size()));
}

Peer::Peer() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fd_) != 0) throw std::runtime_error("socketpair failed");
    zs_host_set_tap(nullptr);
    zs_host_uart_attach(fd_[0], fd_[0]);
}

Peer::~Peer() {
    zs_host_uart_attach(-1, -1);
    close(fd_[0]);
    close(fd_[1]);
}

void Peer::Write(const std::string& text) { Write(Bytes(text.begin(), text.end())); }

void Peer::Write(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_[1], bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("peer write failed");
        done += static_cast<std::size_t>(n);
    }
}

int Peer::ReadByte(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd_[1], POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return -1;
    std::uint8_t c;
    return read(fd_[1], &c, 1) == 1 ? c : -1;
}

std::string Peer::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    for (int c; (c = ReadByte(deadline)) >= 0;) {
        if (c == '\r') return line;
        line.push_back(static_cast<char>(c));
    }
    return "";
}

std::string Peer::ReadBytes(std::size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    for (int c; text.size() < n && (c = ReadByte(deadline)) >= 0;) text.push_back(static_cast<char>(c));
    return text;
}

Bytes Peer::ReadFrame(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Bytes raw;
    for (int c; (c = ReadByte(deadline)) >= 0;) {
        raw.push_back(static_cast<std::uint8_t>(c));
        if (c == kEnd) {
            std::vector<Bytes> frames = SlipDecode(raw);
            if (!frames.empty()) return frames.front();
        }
    }
    return {};
}

bool Peer::AnswerInit() {
    for (const char* command : {zs_modem_country, zs_modem_protocol, zs_modem_init_dial}) {
        const std::string line = ReadLine();
        if (line != Trimmed(command)) return false;
        Write(line + "\r\r\nOK\r\n");
    }
    return true;
}

}  // namespace stacktest
