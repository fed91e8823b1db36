#include "StackPeer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

namespace stacktest {

namespace {

constexpr std::uint8_t kEnd = 0xC0, kEsc = 0xDB, kEscEnd = 0xDC, kEscEsc = 0xDD;

Bytes g_sent;

void Tap(unsigned char c) { g_sent.push_back(c); }

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

std::uint16_t Get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]); }

std::uint16_t PseudoSum(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& body) {
    Bytes all(src, src + 4);
    all.insert(all.end(), dst, dst + 4);
    all.push_back(0);
    all.push_back(protocol);
    all.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    all.push_back(static_cast<std::uint8_t>(body.size()));
    all.insert(all.end(), body.begin(), body.end());
    return ReferenceSum(all.data(), all.size());
}

std::string Trimmed(const char* text) {
    std::string s(text);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

}  // namespace

std::uint16_t ReferenceSum(const std::uint8_t* data, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += (i % 2 == 0) ? data[i] << 8 : data[i];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(sum);
}

Bytes SlipEncode(const Bytes& packet) {
    Bytes out{kEnd};
    for (std::uint8_t c : packet) {
        if (c == kEnd) {
            out.push_back(kEsc);
            out.push_back(kEscEnd);
        } else if (c == kEsc) {
            out.push_back(kEsc);
            out.push_back(kEscEsc);
        } else {
            out.push_back(c);
        }
    }
    out.push_back(kEnd);
    return out;
}

std::vector<Bytes> SlipDecode(const Bytes& stream, Bytes* rest) {
    std::vector<Bytes> frames;
    Bytes frame;
    bool escaped = false;
    for (std::uint8_t c : stream) {
        if (c == kEnd) {
            if (!frame.empty()) frames.push_back(frame);
            frame.clear();
            escaped = false;
        } else if (escaped) {
            frame.push_back(c == kEscEnd ? kEnd : c == kEscEsc ? kEsc : c);
            escaped = false;
        } else if (c == kEsc) {
            escaped = true;
        } else {
            frame.push_back(c);
        }
    }
    if (rest) *rest = frame;
    return frames;
}

Bytes IpPacket(const std::uint8_t* src, const std::uint8_t* dst, std::uint8_t protocol, const Bytes& payload) {
    Bytes p(20, 0);
    p[0] = 0x45;
    Put16(p, 2, static_cast<std::uint16_t>(20 + payload.size()));
    Put16(p, 4, 0x1234);
    p[8] = 64;
    p[9] = protocol;
    std::copy(src, src + 4, p.begin() + 12);
    std::copy(dst, dst + 4, p.begin() + 16);
    Put16(p, 10, static_cast<std::uint16_t>(~ReferenceSum(p.data(), 20)));
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes EchoRequest(std::uint16_t id, std::uint16_t sequence, const Bytes& data) {
    Bytes m(8, 0);
    m[0] = 8;
    Put16(m, 4, id);
    Put16(m, 6, sequence);
    m.insert(m.end(), data.begin(), data.end());
    Put16(m, 2, static_cast<std::uint16_t>(~ReferenceSum(m.data(), m.size())));
    return m;
}

Bytes UdpDatagram(const std::uint8_t* src, const std::uint8_t* dst, std::uint16_t from, std::uint16_t to,
                  const Bytes& data, bool with_checksum) {
    Bytes u(8, 0);
    Put16(u, 0, from);
    Put16(u, 2, to);
    Put16(u, 4, static_cast<std::uint16_t>(8 + data.size()));
    u.insert(u.end(), data.begin(), data.end());
    if (with_checksum) {
        std::uint16_t sum = static_cast<std::uint16_t>(~PseudoSum(src, dst, 17, u));
        Put16(u, 6, sum == 0 ? 0xFFFF : sum);
    }
    return u;
}

std::string CheckSentPacket(const Bytes& p) {
    if (p.size() < 20) return "shorter than an IP header";
    if (p[0] != 0x45) return "not IPv4 with a 20-byte header";
    if (Get16(p, 2) != p.size()) return "total length " + std::to_string(Get16(p, 2)) + " for " + std::to_string(p.size()) + " bytes";
    if (ReferenceSum(p.data(), 20) != 0xFFFF) return "bad header checksum";
    if (!std::equal(p.begin() + 12, p.begin() + 16, my_ip_addr)) return "source is not our address";
    const Bytes body(p.begin() + 20, p.end());
    if (p[9] == 1 && ReferenceSum(body.data(), body.size()) != 0xFFFF) return "bad ICMP checksum";
    if (p[9] == 17) {
        if (body.size() < 8 || Get16(body, 4) != body.size()) return "bad UDP length";
        if (Get16(body, 6) == 0) return "UDP sent without checksum";
        if (PseudoSum(&p[12], &p[16], 17, body) != 0xFFFF) return "bad UDP checksum";
    }
    return "";
}

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

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b) {
        // A quarter of the bytes are the ones SLIP escapes or uses, so that every case occurs.
        const unsigned r = rng() % 16;
        c = r < 4 ? std::uint8_t(0xC0 + (r == 0 ? 0 : 0x1A + r)) : static_cast<std::uint8_t>(rng());
    }
    return b;
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
