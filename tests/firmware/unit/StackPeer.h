// What the host tests of the SLIP project share: the capture of what the stack sends, and a
// scripted peer on the far end of the host UART (a modem that turns into the SLIP peer after
// CONNECT). The packet references are in Packets.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "Packets.h"

extern "C" {
#include "zs_hw.h"
#include "zs_hw_host.h"
#include "zs_stack.h"
extern byte zs_link_up;              // zs_callback.c: the last zs_link_status
extern word zs_unclaimed_packets;    // zs_callback.c: calls of zs_server_process_packet
// Repeated from zs_funcs.h, whose copies in projects generated before it was added lack it.
void udp_get_sender(byte* ip, word* port);
}

namespace stacktest {

// CheckSentPacket of a packet from this device's address.
inline std::string CheckSentPacket(const Bytes& packet) { return CheckSentPacket(packet, my_ip_addr); }

// The stack started afresh with its link up, the UART unconnected and every byte it sends
// captured; Sent() gives them, SentPackets() the SLIP frames they make.
void FreshStack();
Bytes& Sent();
std::vector<Bytes> SentPackets();
// Hands a packet to IP as the link would: through the receive buffer.
void Receive(const Bytes& packet);

// The far end of UART0: a socket pair whose other end the stack uses.
class Peer {
public:
    Peer();
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    void Write(const std::string& text);
    void Write(const Bytes& bytes);
    // The next line the stack sends, up to its carriage return (left out); empty on time-out.
    std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // The next SLIP frame the stack sends; empty on time-out.
    Bytes ReadFrame(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // Reads n bytes; fewer on time-out.
    std::string ReadBytes(std::size_t n, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // Answers the three set-up commands with OK, echoing each one as a modem does by default.
    bool AnswerInit();

private:
    int ReadByte(std::chrono::steady_clock::time_point deadline);
    int fd_[2];
};

}  // namespace stacktest
