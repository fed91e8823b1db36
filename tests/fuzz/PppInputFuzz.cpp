// PPP over the modem line, built for the host against a PPP + PAP + UDP project: arbitrary
// frames from the peer while the link is being negotiated and once it is up. A scripted peer
// on the far end of the UART acknowledges whatever the stack asks, so negotiation goes on
// around the input; the input is a mode byte and then records, each a 16-bit length and its
// bytes.
//
//   mode bits 0-1  when the records arrive: before LCP, during PAP, during IPCP, or once the
//                  link is up
//   mode bit 2     records are raw line bytes (the decoder, modem text) instead of frames of
//                  protocol (2 bytes) and information, which the harness frames with a good FCS
//   mode bit 3     an Ack, Nak or Reject record takes the identifier of the stack's last
//                  request of its protocol, so that mutations reach the option parsers
//   mode bit 4     the peer asks the stack to authenticate with PAP
//   mode bit 5     the device answered the call: the peer authenticates to it, as a
//                  configured user
//
// Whatever arrives: ppp_open_connection returns one of its codes in bounded time, every frame
// the stack sends is sound, the address it ends up with is its own or one the input gave,
// a link that stands still answers a ping, and a failed one is left down.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "FuzzTargets.h"
#include "Packets.h"
#include "PppFrames.h"

extern "C" {
#include "zs_hw_host.h"
#include "zs_stack.h"
}

namespace quillon::fuzz {

namespace {

using namespace stacktest::ppp;
using Octets = std::vector<std::uint8_t>;

const std::uint8_t kPeerIp[4] = {10, 0, 0, 1};
const std::uint8_t kConfigured[4] = {10, 0, 0, 2};
const std::uint8_t kAuthPap[4] = {3, 4, 0xC0, 0x23};

enum When { kBeforeLcp, kDuringPap, kDuringIpcp, kLinkUp };

// The far end of the line. The stack's bytes reach it through the host UART's tap, one call a
// byte, so it answers from inside the stack's own sending: it only writes into the pipe the
// stack reads from.
struct Peer {
    int line[2] = {-1, -1};  // the stack reads line[0]; the peer writes line[1]
    Reader reader;
    std::vector<Octets> records;
    When when = kBeforeLcp;
    bool raw = false;
    bool patch_ids = false;
    bool records_sent = false;
    bool ipcp_started = false;
    std::uint8_t last_request[3] = {};  // the stack's last request id: LCP, IPCP, PAP
    std::size_t echo_replies = 0;
    std::uint16_t ping_seq = 0;

    unsigned long written = 0;

    void Write(const Octets& b) {
        // The pipe holds far more than an input; what does not fit is lost, as on a line.
        const ssize_t n = b.empty() ? 0 : write(line[1], b.data(), b.size());
        if (n > 0) written += static_cast<unsigned long>(n);
    }

    Octets lcp_options;
    int requests_again = 0;
    std::uint8_t ipcp_id = 200;

    void RequestIpcp() {
        ipcp_started = true;
        Write(Frame(kIpcp, Control(1, ipcp_id++, Option(3, Octets(kPeerIp, kPeerIp + 4)))));
    }

    static int Slot(std::uint16_t protocol) { return protocol == kLcp ? 0 : protocol == kIpcp ? 1 : 2; }

    void SendRecords() {
        if (records_sent) return;
        records_sent = true;
        for (Octets r : records) {
            if (raw) {
                Write(r);
                continue;
            }
            if (r.size() < 2) continue;
            const std::uint16_t protocol = static_cast<std::uint16_t>(r[0] << 8 | r[1]);
            Octets info(r.begin() + 2, r.end());
            const bool control = protocol == kLcp || protocol == kIpcp || protocol == kPap;
            if (patch_ids && control && info.size() >= 2 && info[0] >= 2 && info[0] <= 4) {
                info[1] = last_request[Slot(protocol)];
            }
            Write(Frame(protocol, info));
        }
    }

    void Take(const Packet& p) {
        if (!Check(p).empty()) {
            reader.errors.push_back(Check(p));
            return;
        }
        const Octets& d = p.info;
        if (p.protocol == kIp) {
            if (d.size() >= 28 && d[9] == 1 && d[20] == 0 && stacktest::Get16(d, 26) == ping_seq) ++echo_replies;
            return;
        }
        const std::uint8_t code = d[0], id = d[1];
        const Octets data(d.begin() + 4, d.end());
        if (code == 1) last_request[Slot(p.protocol)] = id;
        if ((p.protocol == kPap && when == kDuringPap) || (p.protocol == kIpcp && when == kDuringIpcp)) SendRecords();
        // A request of ours the stack refused (the input's, as like as not) is followed by
        // the peer's own again, as a peer that wants the link does.
        const bool refused = (code == 3 || code == 4) && requests_again < 20;
        if (p.protocol == kLcp) {
            if (code == 1) Write(Frame(kLcp, Control(2, id, data)));
            if (code == 1 && std::search(data.begin(), data.end(), kAuthPap, kAuthPap + 4) != data.end()) {
                // The stack wants the caller to prove who it is: after the Ack, the user's request.
                if (when == kDuringPap) SendRecords();
                Write(Frame(kPap, Control(1, 42, Octets{5, 'g', 'u', 'e', 's', 't', 8, 't', 'u', 'l', 'i', 'p', 'b', 'e', 'd'})));
            }
            if (code == 5) Write(Frame(kLcp, Control(6, id)));
            if (refused) {
                ++requests_again;
                Write(Frame(kLcp, Control(1, static_cast<std::uint8_t>(210 + requests_again), lcp_options)));
            }
        } else if (p.protocol == kPap) {
            if (code == 1) Write(Frame(kPap, Control(2, id, {0})));
        } else if (code == 1) {
            if (!ipcp_started) RequestIpcp();
            Write(Frame(kIpcp, Control(2, id, data)));
        } else if (refused) {
            ++requests_again;
            RequestIpcp();
        } else if (code == 5) {
            Write(Frame(kIpcp, Control(6, id)));
        } else if (code == 6) {
            ipcp_started = false;  // closed by the input: the peer starts it again
        }
    }
};

Peer* g_peer = nullptr;

void OnByte(unsigned char c) {
    Peer& peer = *g_peer;
    for (const Packet& p : peer.reader.Feed(&c, 1)) peer.Take(p);
    // The hang-up comes between frames; the same text inside a frame is only data.
    if (c == '\r' && peer.reader.Tail() == "+++ATH0\r") {
        peer.reader.ClearTail();
        peer.Write(Octets{'\r', '\n', 'O', 'K', '\r', '\n'});
    }
}

// Polls until the stack has taken every byte the peer wrote (its answers included).
void Drain() {
    for (int i = 0; i < 100000; ++i) {
        if (zs_host_rx_bytes >= g_peer->written && zs_host_uart_unread() == 0) return;
        if (zs_poll() != ZS_OK) return;  // the carrier is gone: the line is the modem's again
    }
    Fail("the stack stopped taking bytes from the line");
}

}  // namespace

void FuzzPppInput(Bytes input) {
    static Peer peer;
    if (peer.line[0] < 0) {
        if (pipe2(peer.line, O_NONBLOCK) != 0) Fail("no pipe for the line");
        fcntl(peer.line[1], F_SETPIPE_SZ, 1 << 20);
    }
    // Whatever the last run left in the line is gone.
    std::uint8_t scrap[4096];
    while (read(peer.line[0], scrap, sizeof scrap) > 0) {
    }
    const int fd_in = peer.line[0], fd_out = peer.line[1];
    peer = Peer{};
    peer.line[0] = fd_in;
    peer.line[1] = fd_out;
    g_peer = &peer;

    const std::uint8_t mode = input.empty() ? 0 : input[0];
    peer.when = static_cast<When>(mode & 3);
    peer.raw = (mode & 4) != 0;
    peer.patch_ids = (mode & 8) != 0;
    for (Bytes rest = input.empty() ? input : input.subspan(1); rest.size() >= 2;) {
        const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(rest[0] << 8 | rest[1]) % 1600, rest.size() - 2);
        peer.records.emplace_back(rest.begin() + 2, rest.begin() + 2 + static_cast<std::ptrdiff_t>(len));
        rest = rest.subspan(2 + len);
    }

    zs_host_set_virtual_clock(1);
    zs_host_uart_attach(peer.line[0], -1);
    peer.written = 0;
    zs_host_set_tap(OnByte);
    zs_init_stack();
    pap_add_user(const_cast<char*>("guest"), const_cast<char*>("tulipbed"));
    std::memcpy(my_ip_addr, kConfigured, 4);
    ppp_answered = (mode & 32) != 0;
    zs_link_set(1);  // the modem's CONNECT

    peer.lcp_options = Cat({Option(2, {0, 0, 0, 0}), Option(5, {1, 2, 3, 4})});
    if (mode & 16) peer.lcp_options = Cat({peer.lcp_options, Option(3, {0xC0, 0x23})});
    peer.Write(Frame(kLcp, Control(1, 1, peer.lcp_options)));
    if (peer.when == kBeforeLcp) peer.SendRecords();

    const int result = ppp_open_connection();
    if (result != ZS_OK && result != ZS_ERR_NEGOTIATION && result != ZS_ERR_TIMEOUT && result != ZS_ERR_LINK &&
        result != ZS_ERR_AUTHENTICATION) {
        Fail("ppp_open_connection returned " + std::to_string(result));
    }
    if (result == ZS_OK) {
        if (ppp_phase != PPP_NETWORK) Fail("the link opened outside the network phase");
        const bool configured = std::equal(kConfigured, kConfigured + 4, my_ip_addr);
        const bool given = std::search(input.begin(), input.end(), my_ip_addr, my_ip_addr + 4) != input.end();
        if (!configured && !given) Fail("an address neither configured nor given by the peer");
        peer.SendRecords();
        Drain();
        // A link that stands answers a ping; the peer restarts IPCP if the input closed it.
        for (int i = 0; i < 20 && ppp_phase == PPP_NETWORK && peer.echo_replies == 0; ++i) {
            if (!peer.ipcp_started) peer.RequestIpcp();
            peer.ping_seq = static_cast<std::uint16_t>(i + 1);
            peer.Write(Frame(kIp, stacktest::IpPacket(kPeerIp, my_ip_addr, 1, stacktest::EchoRequest(7, peer.ping_seq, {1, 0x7E, 0x7D, 2}))));
            Drain();
        }
        if (ppp_phase == PPP_NETWORK && peer.echo_replies == 0) Fail("a ping over the standing link went unanswered");
        ppp_close_connection();
        if (ppp_phase != PPP_DEAD) Fail("the link did not end");
    } else if (ppp_phase != PPP_DEAD || zs_link_is_up) {
        Fail("a failed negotiation left the link up");
    }
    if (!peer.reader.errors.empty()) Fail("the stack sent " + peer.reader.errors.front());

    zs_host_set_tap(nullptr);
    zs_host_uart_attach(-1, -1);
    zs_host_set_virtual_clock(0);
    g_peer = nullptr;
}

}  // namespace quillon::fuzz
