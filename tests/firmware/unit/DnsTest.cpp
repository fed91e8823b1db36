// The resolver against a name server played by the test at the far end of the SLIP line:
// names resolve through CNAME chains written with compression pointers, a second lookup comes
// from the cache until the TTL runs out, and no answer, however broken, crashes it, makes it
// loop or gives a name an address the server did not send for it.
#include <gtest/gtest.h>

#include <future>
#include <random>

#include "StackPeer.h"

namespace stacktest {
namespace {

const std::uint8_t kServer[4] = {10, 0, 0, 1};  // IP_DEST_ADDR of slip-dns.wp: the far end

struct Query {
    std::uint16_t id = 0;
    std::uint16_t port = 0;
    Bytes question;  // from the name to the class, as sent
};

// The query in a frame the stack sent, checked the way a server would read it.
Query ParseQuery(const Bytes& frame) {
    Query q;
    EXPECT_EQ(CheckSentPacket(frame), "");
    EXPECT_GE(frame.size(), 28u + 12u + 5u);
    if (frame.size() < 45) return q;
    EXPECT_TRUE(std::equal(kServer, kServer + 4, frame.begin() + 16));
    EXPECT_EQ(frame[22] << 8 | frame[23], 53);
    q.port = static_cast<std::uint16_t>(frame[20] << 8 | frame[21]);
    const std::uint8_t* d = frame.data() + 28;
    q.id = static_cast<std::uint16_t>(d[0] << 8 | d[1]);
    EXPECT_EQ(d[2], 0x01) << "recursion desired";
    EXPECT_EQ(d[5], 1) << "one question";
    q.question.assign(frame.begin() + 40, frame.end());
    return q;
}

Bytes Name(const std::string& dotted) {
    Bytes out;
    std::size_t start = 0;
    while (start < dotted.size()) {
        const std::size_t dot = std::min(dotted.find('.', start), dotted.size());
        out.push_back(static_cast<std::uint8_t>(dot - start));
        out.insert(out.end(), dotted.begin() + start, dotted.begin() + dot);
        start = dot + 1;
    }
    out.push_back(0);
    return out;
}

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

void Record(Bytes& b, const Bytes& owner, unsigned type, std::uint32_t ttl, const Bytes& data) {
    b.insert(b.end(), owner.begin(), owner.end());
    Put16(b, type);
    Put16(b, 1);
    Put16(b, ttl >> 16);
    Put16(b, ttl & 0xFFFF);
    Put16(b, static_cast<unsigned>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
}

// The header and question of an answer to q with `answers` records and the given rcode.
Bytes AnswerHead(const Query& q, unsigned answers, unsigned rcode = 0) {
    Bytes b;
    Put16(b, q.id);
    Put16(b, 0x8180 | rcode);
    Put16(b, 1);
    Put16(b, answers);
    Put16(b, 0);
    Put16(b, 0);
    b.insert(b.end(), q.question.begin(), q.question.end());
    return b;
}

// "www.example.net" is a CNAME of "edge.example.net" (its "example.net" a pointer into the
// question), whose A record names it by a pointer to the CNAME's data.
Bytes ChainedAnswer(const Query& q, const Bytes& address, std::uint32_t ttl) {
    Bytes b = AnswerHead(q, 2);
    const unsigned example = 12 + 4;  // "www" is 1 + 3 bytes, then "example"
    const unsigned cname_data = static_cast<unsigned>(b.size()) + 2 + 10;
    Record(b, {0xC0, 12}, 5, ttl, {4, 'e', 'd', 'g', 'e', 0xC0, static_cast<std::uint8_t>(example)});
    Record(b, {0xC0, static_cast<std::uint8_t>(cname_data)}, 1, ttl, address);
    return b;
}

class Dns : public ::testing::Test {
protected:
    void SetUp() override {
        zs_init_stack();
        zs_link_set(1);
        zs_host_set_clock_scale(20);  // dns_wait_ticks of 4 s pass in 0.2 s
    }
    void TearDown() override { zs_host_set_clock_scale(1); }

    std::future<int> Resolve(const std::string& name) {
        name_ = name;
        return std::async(std::launch::async, [this] { return dns_resolve(name_.data(), ip_); });
    }
    void Answer(const Query& q, const Bytes& dns) {
        peer_.Write(SlipEncode(IpPacket(kServer, my_ip_addr, 17, UdpDatagram(kServer, my_ip_addr, 53, q.port, dns))));
    }
    Bytes Ip() const { return Bytes(ip_, ip_ + 4); }

    Peer peer_;
    std::string name_;
    byte ip_[4] = {};
};

TEST_F(Dns, ResolvesThroughTheServerAndAnswersAgainFromTheCacheUntilTheTtlEnds) {
    auto done = Resolve("www.example.net");
    const Query q = ParseQuery(peer_.ReadFrame());
    EXPECT_EQ(q.question, [] { Bytes b = Name("www.example.net"); b.insert(b.end(), {0, 1, 0, 1}); return b; }());

    // Answers that are not the answer are passed over: another id, another source port.
    Query other = q;
    other.id ^= 1;
    Answer(other, ChainedAnswer(other, {6, 6, 6, 6}, 60));
    peer_.Write(SlipEncode(IpPacket(kServer, my_ip_addr, 17,
                                    UdpDatagram(kServer, my_ip_addr, 5353, q.port, ChainedAnswer(q, {6, 6, 6, 6}, 60)))));
    Answer(q, ChainedAnswer(q, {10, 1, 2, 3}, 3));
    ASSERT_EQ(done.get(), ZS_OK);
    EXPECT_EQ(Ip(), (Bytes{10, 1, 2, 3}));

    // Asked again, in other letter case: from the cache, nothing sent.
    std::fill(ip_, ip_ + 4, 0);
    EXPECT_EQ(dns_resolve(const_cast<char*>("WWW.Example.NET"), ip_), ZS_OK);
    EXPECT_EQ(Ip(), (Bytes{10, 1, 2, 3}));
    EXPECT_TRUE(peer_.ReadFrame(std::chrono::milliseconds(100)).empty());

    // Once the 3 s of the TTL have passed, the server is asked again.
    const word start = zs_get_ticks();
    while (static_cast<word>(zs_get_ticks() - start) < 4 * ZS_TICKS_PER_SECOND) zs_poll();
    done = Resolve("www.example.net");
    const Query again = ParseQuery(peer_.ReadFrame());
    Answer(again, ChainedAnswer(again, {10, 1, 2, 4}, 60));
    ASSERT_EQ(done.get(), ZS_OK);
    EXPECT_EQ(Ip(), (Bytes{10, 1, 2, 4}));
}

TEST_F(Dns, ReportsUnknownNamesTimeOutsAndNamesThatAreNoHostNames) {
    auto done = Resolve("nowhere.example");
    Query q = ParseQuery(peer_.ReadFrame());
    Answer(q, AnswerHead(q, 0, 3));
    EXPECT_EQ(done.get(), ZS_ERR_NOT_FOUND);

    // Silence: dns_send_trys (3) queries, the same each time, then a time-out.
    done = Resolve("silent.example");
    q = ParseQuery(peer_.ReadFrame());
    for (int i = 1; i < 3; ++i) {
        const Query resent = ParseQuery(peer_.ReadFrame());
        EXPECT_EQ(resent.id, q.id);
        EXPECT_EQ(resent.question, q.question);
    }
    EXPECT_EQ(done.get(), ZS_ERR_TIMEOUT);
    EXPECT_TRUE(peer_.ReadFrame(std::chrono::milliseconds(100)).empty());

    const std::string label64(64, 'a');
    for (const char* bad : std::initializer_list<const char*>{"", ".", "a..b", ".lead", "x.y.", nullptr}) {
        std::string name = bad ? bad : label64 + ".example";
        const int result = dns_resolve(name.data(), ip_);
        if (name == "x.y.") {
            // A trailing dot is a fully qualified name, not an error: it is asked.
            EXPECT_EQ(result, ZS_ERR_TIMEOUT);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(ParseQuery(peer_.ReadFrame()).question.front(), 1);
        } else {
            EXPECT_EQ(result, ZS_ERR_ARGUMENT) << '"' << name << '"';
        }
    }
    EXPECT_TRUE(peer_.ReadFrame(std::chrono::milliseconds(100)).empty());
}

TEST_F(Dns, BrokenAnswersNeverCrashLoopOrLendAnAddress) {
    std::mt19937 rng(53);
    int resolved_by_mutant = 0;
    for (int round = 0; round < 400; ++round) {
        const std::string name = "host" + std::to_string(round) + ".example.net";
        auto done = Resolve(name);
        const Query q = ParseQuery(peer_.ReadFrame());
        ASSERT_FALSE(q.question.empty());

        Bytes bad;
        switch (round % 4) {
        case 0: {  // an owner that points at itself
            bad = AnswerHead(q, 1);
            const auto at = static_cast<std::uint8_t>(bad.size());
            Record(bad, {0xC0, at}, 1, 60, {6, 6, 6, 6});
            break;
        }
        case 1: {  // a CNAME whose target points at the next owner, which points back at it
            bad = AnswerHead(q, 2);
            const auto first = static_cast<std::uint8_t>(bad.size());
            Record(bad, {0xC0, 12}, 5, 60, {0xC0, static_cast<std::uint8_t>(first + 14)});
            Record(bad, {0xC0, static_cast<std::uint8_t>(first + 12)}, 1, 60, {6, 6, 6, 6});
            break;
        }
        default: {  // random damage to a good answer, the id and question kept
            bad = ChainedAnswer(q, {6, 6, 6, 6}, 0);
            const std::size_t fixed = 12 + q.question.size();
            for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) {
                const std::size_t at = rng() % (bad.size() - 4);  // the address itself stays
                if (at >= 4 && (at < 12 || at >= fixed)) bad[at] = static_cast<std::uint8_t>(rng());
            }
            if (rng() % 3 == 0) bad.resize(rng() % bad.size());
            break;
        }
        }
        // The broken answer, then the good one: the broken one is either refused, so that the
        // good one resolves, or taken for what it still says.
        Answer(q, bad);
        const Bytes good_ip{10, 9, 9, static_cast<std::uint8_t>(round)};
        Answer(q, ChainedAnswer(q, good_ip, 0));
        const int result = done.get();
        if (round % 4 < 2) {
            EXPECT_EQ(result, ZS_ERR_NOT_FOUND) << "a looping name matched, round " << round;
            continue;
        }
        if (result == ZS_ERR_NOT_FOUND) continue;
        ASSERT_EQ(result, ZS_OK) << "round " << round;
        if (Ip() != good_ip) {
            // Only a record the damage left whole may resolve the name: its address is the one sent.
            EXPECT_EQ(Ip(), (Bytes{6, 6, 6, 6})) << "round " << round;
            ++resolved_by_mutant;
        }
    }
    EXPECT_LT(resolved_by_mutant, 200);
}

}  // namespace
}  // namespace stacktest
