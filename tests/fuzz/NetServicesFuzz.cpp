// The firmware's network clients, built for the host against an Ethernet project with DHCP (or
// BOOTP, in a project of its own: a project has one of the two), the resolver and LOCATRA. Each
// blocking request runs on the virtual clock and is answered, while it waits, with the input: a
// mode byte and then answers, each a 16-bit length and a UDP payload. Every request the device
// sends takes the next answer; bit 15 of the length sends the answer after it to the same request.
//
// Mode bits 0-1: 0 asks for an address (DHCP or BOOTP); 1 does so and then, with DHCP, lets 25 s
// of the lease's clock run (renewal, rebinding, expiry), with BOOTP asks a second time; 2 and 3
// look a name up twice, from a name server on the subnet or behind the gateway. Bit 2 patches
// into each answer what the device checks before it reads on (transaction id, hardware address,
// cookie; DNS id, flags and the question), so that mutations reach the option and name parsers.
// Bit 3 starts LOCATRA afterwards and hands it answers left over as requests. Bit 4 sends the
// answers without UDP checksum.
//
// For every input: every frame the device sends is well formed and its own (its requests too), each call returns
// one of its codes within its resends, an address it takes is one an answer held (the resolver's
// for the name asked, through its CNAMEs), and afterwards the device still answers a ping.
#include <algorithm>
#include <cstring>
#include <set>

#include "FuzzTargets.h"
#include "Packets.h"

extern "C" {
#include "zs_hw_host.h"
#include "zs_stack.h"
#include "locatra.h"

// The one register locatra.c touches (it holds the timer interrupt off while it reads).
volatile unsigned char ET2;
}

namespace quillon::fuzz {

namespace {

using stacktest::Get16;

const std::uint8_t kServerIp[4] = {10, 0, 0, 1};  // the gateway, DHCP server and name server
const std::uint8_t kFarServerIp[4] = {192, 0, 2, 53};
const std::uint8_t kDeviceIp[4] = {10, 0, 0, 2};
const std::uint8_t kMask[4] = {255, 255, 255, 0};
const std::uint8_t kPeerIp[4] = {10, 0, 0, 9};
const std::uint8_t kServerHw[6] = {0x02, 0, 0, 0, 0, 1};
const std::uint8_t kPeerHw[6] = {0x02, 0, 0, 0, 0, 9};
const std::uint8_t kZeroHw[6] = {};
const std::uint8_t kBroadcast[4] = {255, 255, 255, 255};
// Letter case differs from the answers' in the seeds: names compare without it.
char kName[] = "Sensor-7.Greenhouse.Example";
constexpr std::size_t kMaxPayload = 1514 - 42;
constexpr std::uint16_t kLocatraPort = LOCATRA_PORT;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::uint32_t Address(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

struct Run {
    std::uint8_t mode = 0;
    Bytes rest;
    bool answering = true;
    std::vector<stacktest::Bytes> answers;      // every payload delivered
    std::vector<stacktest::Bytes> dns_answers;  // the DNS ones, as the device got them
    std::size_t query_len = 0;                  // of the last DNS query
    std::size_t queries = 0;
    std::size_t echo_replies = 0;
};

Run* run;  // the tap takes no context

void Inject(const std::uint8_t* src_ip, const std::uint8_t* dst_ip, std::uint16_t from, std::uint16_t to,
            const stacktest::Bytes& payload) {
    const stacktest::Bytes udp = stacktest::UdpDatagram(src_ip, dst_ip, from, to, payload, !(run->mode & 16));
    const stacktest::Bytes frame =
        stacktest::EthFrame(my_hw_addr, kServerHw, ZS_ETHERTYPE_IP, stacktest::IpPacket(src_ip, dst_ip, 17, udp));
    zs_host_eth_inject(frame.data(), static_cast<unsigned>(frame.size()));
    run->answers.push_back(payload);
}

// The next answer of the input, and whether another follows for the same request.
bool NextAnswer(stacktest::Bytes& answer, bool& more) {
    if (run->rest.size() < 2) return false;
    const std::size_t word = static_cast<std::size_t>(run->rest[0] << 8 | run->rest[1]);
    const std::size_t len = std::min({word & 0x7FFF, kMaxPayload, run->rest.size() - 2});
    answer.assign(run->rest.begin() + 2, run->rest.begin() + 2 + static_cast<std::ptrdiff_t>(len));
    run->rest = run->rest.subspan(2 + len);
    more = (word & 0x8000) != 0;
    return true;
}

// A DHCP or BOOTP request: answered from the server's port, broadcast while the device has
// no address.
void AnswerBootRequest(const stacktest::Bytes& request, const std::uint8_t* device_ip) {
    stacktest::Bytes answer;
    bool more = true;
    while (more && NextAnswer(answer, more)) {
        if ((run->mode & 4) && request.size() >= 34) {
            const std::uint8_t head[3] = {2, 1, 6};
            std::copy_n(head, std::min<std::size_t>(3, answer.size()), answer.begin());
            for (std::size_t i = 4; i < 8 && i < answer.size(); ++i) answer[i] = request[i];
            for (std::size_t i = 28; i < 34 && i < answer.size(); ++i) answer[i] = request[i];
            const std::uint8_t cookie[4] = {99, 130, 83, 99};
            for (std::size_t i = 236; i < 240 && i < answer.size(); ++i) answer[i] = cookie[i - 236];
        }
        const std::uint8_t* to = Address(device_ip) == 0 ? kBroadcast : device_ip;
        Inject(kServerIp, to, ZS_PORT_BOOTP_SERVER, ZS_PORT_BOOTP_CLIENT, answer);
    }
}

// A DNS query: answered by the server it went to. The patched answer is the input's header with
// the query's id and question put in, and the input's records after it.
void AnswerQuery(const stacktest::Bytes& query, const std::uint8_t* server, std::uint16_t port) {
    stacktest::Bytes record;
    bool more = true;
    run->query_len = query.size();
    ++run->queries;
    while (more && NextAnswer(record, more)) {
        stacktest::Bytes answer = record;
        if ((run->mode & 4) && query.size() >= 12) {
            record.resize(std::max<std::size_t>(record.size(), 12));
            answer.assign(record.begin(), record.begin() + 12);
            answer[0] = query[0];
            answer[1] = query[1];
            answer[2] = static_cast<std::uint8_t>(0x80 | (answer[2] & 0x07));
            answer[4] = 0;
            answer[5] = 1;
            answer.insert(answer.end(), query.begin() + 12, query.end());
            answer.insert(answer.end(), record.begin() + 12, record.end());
            answer.resize(std::min(answer.size(), kMaxPayload));
        }
        run->dns_answers.push_back(answer);
        Inject(server, my_ip_addr, ZS_PORT_DNS, port, answer);
    }
}

// The name at `at` of a DNS message, in lower case with a zero byte after each label; pointers
// may go anywhere (the device's must go back), but no more than 2048 labels and pointers are
// followed. Empty when broken.
std::string NameAt(const stacktest::Bytes& m, std::size_t at) {
    std::string name;
    for (int steps = 0; steps < 2048 && at < m.size(); ++steps) {
        const std::uint8_t c = m[at];
        if ((c & 0xC0) == 0xC0) {
            if (at + 1 >= m.size()) return "";
            at = static_cast<std::size_t>((c & 0x3F) << 8 | m[at + 1]);
        } else if (c & 0xC0) {
            return "";
        } else if (c == 0) {
            return name.empty() ? std::string(1, '\0') : name;
        } else {
            if (at + 1 + c > m.size()) return "";
            for (std::size_t i = 1; i <= c; ++i) name += Lower(static_cast<char>(m[at + i]));
            name += '\0';
            at += c + 1;
        }
    }
    return "";
}

// A host name as NameAt gives it.
std::string Labels(const char* name) {
    std::string labels;
    for (const char* p = name; *p; ++p) labels += *p == '.' ? '\0' : Lower(*p);
    return labels + '\0';
}

void Tap(const unsigned char* data, unsigned len) {
    const stacktest::Bytes f(data, data + len);
    const std::string bad = stacktest::CheckSentFrame(f, my_hw_addr, my_ip_addr);
    if (!bad.empty()) Fail("the device sent " + bad);
    if (Get16(f, 12) == ZS_ETHERTYPE_ARP) {
        // Whoever the device looks for is there, except in its own announcement.
        if (Get16(f, 20) == 1 && !std::equal(f.begin() + 28, f.begin() + 32, f.begin() + 38)) {
            const stacktest::Bytes reply = stacktest::EthFrame(
                my_hw_addr, kServerHw, ZS_ETHERTYPE_ARP, stacktest::ArpMessage(2, kServerHw, &f[38], &f[22], &f[28]));
            zs_host_eth_inject(reply.data(), static_cast<unsigned>(reply.size()));
        }
        return;
    }
    if (f[23] == 1 && f[34] == 0) ++run->echo_replies;
    if (f[23] != 17) return;
    const std::size_t ulen = Get16(f, 38);
    const stacktest::Bytes payload(f.begin() + 42, f.begin() + 34 + static_cast<std::ptrdiff_t>(ulen));
    const std::uint16_t to = Get16(f, 36);
    if (to == kLocatraPort) {
        // LOCATRA's answer names the device as it is now.
        if (payload.size() < 16 || !std::equal(payload.begin() + 6, payload.begin() + 10, my_ip_addr) ||
            !std::equal(payload.begin() + 10, payload.begin() + 16, my_hw_addr)) {
            Fail("a LOCATRA answer that does not name the device");
        }
    }
    const std::uint8_t cookie[4] = {99, 130, 83, 99};
    if (to == ZS_PORT_BOOTP_SERVER &&
        (payload.size() < 300 || payload[0] != 1 || payload[1] != 1 || payload[2] != 6 ||
         !std::equal(my_hw_addr, my_hw_addr + 6, payload.begin() + 28) ||
         !std::equal(cookie, cookie + 4, payload.begin() + 236))) {
        Fail("a malformed DHCP or BOOTP request");
    }
    if (to == ZS_PORT_DNS && (payload.size() < 12 || Get16(payload, 4) != 1 || NameAt(payload, 12) != Labels(kName))) {
        Fail("a query for another name");
    }
    if (!run->answering) return;
    if (to == ZS_PORT_BOOTP_SERVER) AnswerBootRequest(payload, &f[26]);
    if (to == ZS_PORT_DNS) AnswerQuery(payload, &f[30], Get16(f, 34));
}

// Whether the four bytes at ip occur in an answer the input gave.
bool FromInput(const std::uint8_t* ip) {
    for (const stacktest::Bytes& a : run->answers) {
        if (std::search(a.begin(), a.end(), ip, ip + 4) != a.end()) return true;
    }
    return false;
}

void CheckTaken(const std::uint8_t* value, const std::uint8_t* before, const char* what) {
    if (!std::equal(value, value + 4, before) && !FromInput(value)) {
        Fail(std::string("the device took a ") + what + " that no answer held");
    }
}

// The A records an answer holds for name, through any CNAME of it the answer also holds: the
// addresses a resolver may take from it (more than the device's, which follows one chain).
std::set<std::uint32_t> AddressesFor(const stacktest::Bytes& m, std::size_t question_end, const char* name) {
    std::set<std::string> names{Labels(name)};
    std::set<std::uint32_t> addresses;
    if (m.size() < 12) return addresses;
    std::size_t at = question_end;
    for (std::size_t count = Get16(m, 6); count > 0 && at < m.size(); --count) {
        const std::string owner = NameAt(m, at);
        while (at < m.size() && m[at] != 0 && (m[at] & 0xC0) == 0) at += m[at] + 1u;  // as the device skips
        at += (at < m.size() && m[at] != 0) ? 2 : 1;
        if (at + 10 > m.size()) break;
        const std::uint16_t type = Get16(m, at);
        const std::uint16_t rdlen = Get16(m, at + 8);
        at += 10;
        if (rdlen > m.size() - at) break;
        if (Get16(m, at - 8) == 1 && names.count(owner)) {
            if (type == 1 && rdlen == 4) addresses.insert(Address(&m[at]));
            if (type == 5) names.insert(NameAt(m, at));
        }
        at += rdlen;
    }
    return addresses;
}

bool Answered(const std::uint8_t* ip) {
    const std::uint32_t want = Address(ip);
    for (const stacktest::Bytes& a : run->dns_answers) {
        if (AddressesFor(a, run->query_len, kName).count(want)) return true;
    }
    return false;
}

// How long a call may wait for its answers: each resend's wait, at most 64 s, an ARP look-up
// before each, and a second to spare.
unsigned long Bound(unsigned long sends, unsigned long wait) {
    return sends * (wait + zs_arp_wait_ticks) + ZS_TICKS_PER_SECOND;
}

void RequestAddress() {
    std::uint8_t mask[4], router[4], dns[4];
    std::copy_n(subnet_mask, 4, mask);
    std::copy_n(gateway_ip_addr, 4, router);
    std::copy_n(zs_dns_server, 4, dns);
#ifdef ZS_DHCP
    word start = zs_get_ticks();
    const int result = dhcp_request();
    if ((word) (zs_get_ticks() - start) > Bound(zs_dhcp_resend_trys + 1u, 64 * ZS_TICKS_PER_SECOND)) {
        Fail("dhcp_request waited past its resends");
    }
    if (result != ZS_OK && result != ZS_ERR_NO_SERVER && result != ZS_ERR_DECLINED) {
        Fail("dhcp_request returned " + std::to_string(result));
    }
    if (result == ZS_OK && (Address(my_ip_addr) == 0 || !FromInput(my_ip_addr))) {
        Fail("dhcp_request leased an address no answer held");
    }
    if ((run->mode & 3) == 1 && result == ZS_OK) {
        // The lease's clock: renewal at T1, rebinding at T2, a new lease once it runs out.
        start = zs_get_ticks();
        for (int polls = 0; polls < 20000 && (word) (zs_get_ticks() - start) < 25 * ZS_TICKS_PER_SECOND; ++polls) {
            zs_poll();
        }
    }
    const std::uint8_t zero[4] = {};
    CheckTaken(my_ip_addr, zero, "leased address");
#else
    zs_bootp_info info;
    const int asks = (run->mode & 3) == 1 ? 2 : 1;
    for (int i = 0; i < asks; ++i) {
        std::uint8_t before[4];
        std::copy_n(my_ip_addr, 4, before);
        std::memset(&info, 0xA5, sizeof info);
        const word start = zs_get_ticks();
        const int result = bootp_request(&info);
        if ((word) (zs_get_ticks() - start) > Bound(zs_bootp_resend_trys + 1u, 64 * ZS_TICKS_PER_SECOND)) {
            Fail("bootp_request waited past its resends");
        }
        if (result != ZS_OK && result != ZS_ERR_NO_SERVER) Fail("bootp_request returned " + std::to_string(result));
        if (result != ZS_OK) {
            if (!std::equal(before, before + 4, my_ip_addr)) Fail("a BOOTP request without answer changed the address");
            continue;
        }
        CheckTaken(my_ip_addr, before, "BOOTP address");
        if (!std::equal(my_ip_addr, my_ip_addr + 4, info.client_ip)) Fail("BOOTP's client address is not the device's");
        CheckTaken(info.server_ip, kServerIp, "BOOTP server");
        const char* file = info.boot_file;
        if (std::find(file, file + sizeof info.boot_file, '\0') == file + sizeof info.boot_file) {
            Fail("BOOTP's boot file name has no end");
        }
    }
#endif
    CheckTaken(subnet_mask, mask, "subnet mask");
    CheckTaken(gateway_ip_addr, router, "router");
    CheckTaken(zs_dns_server, dns, "name server");
}

void LookUp() {
    std::copy_n(kDeviceIp, 4, my_ip_addr);
    std::copy_n(kMask, 4, subnet_mask);
    std::copy_n(kServerIp, 4, gateway_ip_addr);
    std::copy_n((run->mode & 3) == 3 ? kFarServerIp : kServerIp, 4, zs_dns_server);
    std::uint8_t first[4] = {};
    int first_result = ZS_ERR_TIMEOUT;
    for (int i = 0; i < 2; ++i) {
        std::uint8_t ip[4] = {};
        const std::size_t queries = run->queries;
        const word start = zs_get_ticks();
        const int result = dns_resolve(kName, ip);
        if ((word) (zs_get_ticks() - start) > Bound(zs_dns_send_trys, zs_dns_wait_ticks)) {
            Fail("dns_resolve waited past its resends");
        }
        if (result != ZS_OK && result != ZS_ERR_NOT_FOUND && result != ZS_ERR_TIMEOUT) {
            Fail("dns_resolve returned " + std::to_string(result));
        }
        if (result != ZS_OK) continue;
        if (!Answered(ip)) Fail("dns_resolve gave an address no answer held for the name");
        if (run->queries == queries && (first_result != ZS_OK || !std::equal(ip, ip + 4, first))) {
            Fail("dns_resolve answered from its cache what it was not told");
        }
        std::copy_n(ip, 4, first);
        first_result = result;
    }
}

// LOCATRA takes up to four of the answers the requests left as its requests, from a discovery
// tool; a renewal one of them asks for takes the next as DHCP's answer.
void Discover() {
    if (locatra_start() != ZS_OK) return;
    stacktest::Bytes request;
    bool more = false;
    for (int i = 0; i < 4 && NextAnswer(request, more); ++i) {
        if ((run->mode & 4) && request.size() >= 6) {
            std::memcpy(request.data(), "LCTR", 4);
            request[4] = LOCATRA_VERSION;
        }
        Inject(kPeerIp, kBroadcast, kLocatraPort, kLocatraPort, request);
        // Long enough for a renewal it starts to find the server with ARP and send again.
        const word start = zs_get_ticks();
        for (int polls = 0; polls < 2000 && (word) (zs_get_ticks() - start) < 6 * ZS_TICKS_PER_SECOND; ++polls) {
            zs_poll();
        }
    }
    udp_close(locatra_socket);
}

void Deliver(const stacktest::Bytes& frame) {
    zs_host_eth_inject(frame.data(), static_cast<unsigned>(frame.size()));
    zs_poll();
}

// What the stack's globals hold before the first run: each run starts from them.
struct Start {
    std::uint8_t ip[4], mask[4], router[4];
    dword lease;
};

}  // namespace

#ifdef ZS_BOOTP
void FuzzNetServicesBootp(Bytes input) {
#else
void FuzzNetServices(Bytes input) {
#endif
    static const Start start = [] {
        Start s{};
        std::copy_n(my_ip_addr, 4, s.ip);
        std::copy_n(subnet_mask, 4, s.mask);
        std::copy_n(gateway_ip_addr, 4, s.router);
#ifdef ZS_DHCP
        s.lease = dhcp_lease_time;
#endif
        return s;
    }();
    std::copy_n(start.ip, 4, my_ip_addr);
    std::copy_n(start.mask, 4, subnet_mask);
    std::copy_n(start.router, 4, gateway_ip_addr);
#ifdef ZS_DHCP
    dhcp_lease_time = start.lease;
#endif
    locatra_socket = ZS_ERR_BAD_SOCKET;

    Run current;
    current.mode = input.empty() ? 0 : input[0];
    current.rest = input.empty() ? input : input.subspan(1);
    run = &current;
    zs_host_uart_attach(-1, -1);
    zs_host_set_virtual_clock(1);
    zs_host_eth_clear();
    zs_host_eth_set_tap(Tap);
    zs_init_stack();
    eth_init();

    if ((current.mode & 3) < 2) {
        RequestAddress();
    } else {
        LookUp();
    }
    if (current.mode & 8) Discover();

    // Answers still queued go in unanswered; then, whatever the input did, the device still
    // answers a ping, at a fixed address, from a host it has just met.
    current.answering = false;
    for (int i = 0; i < 70; ++i) zs_poll();
    std::copy_n(kDeviceIp, 4, my_ip_addr);
    std::copy_n(kMask, 4, subnet_mask);
    std::copy_n(kServerIp, 4, gateway_ip_addr);
    Deliver(stacktest::EthFrame(my_hw_addr, kPeerHw, ZS_ETHERTYPE_ARP,
                                stacktest::ArpMessage(1, kPeerHw, kPeerIp, kZeroHw, my_ip_addr)));
    current.echo_replies = 0;
    Deliver(stacktest::EthFrame(my_hw_addr, kPeerHw, ZS_ETHERTYPE_IP,
                                stacktest::IpPacket(kPeerIp, my_ip_addr, 1, stacktest::EchoRequest(1, 2, {3, 4, 5}))));
    if (current.echo_replies != 1) Fail("a ping after the input went unanswered");
    zs_host_eth_set_tap(nullptr);
    run = nullptr;
}

}  // namespace quillon::fuzz
