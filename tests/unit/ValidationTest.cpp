#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <type_traits>

#include "TestSupport.h"
#include "config/Validation.h"

using namespace quillon;
using quillon::test::FakeOptions;

namespace {

// The message of the first failing rule, the one Generate Project shows.
std::string Fail(const ConfigRecord& r, const FakeOptions& o) {
    const std::vector<Finding> findings = ValidateRecord(r, o);
    return findings.empty() ? "pass" : findings.front().message;
}

}  // namespace

TEST(ValidateRecord, DefaultsPassAndTheFailureNamesItsField) {
    ConfigRecord r;
    FakeOptions o;
    o.SetState(OptionNode::ARP, NodeState::Fixed);
    o.SetState(OptionNode::TCP, NodeState::On);
    EXPECT_TRUE(ValidateRecord(r, o).empty());

    r.num_sockets = 1;
    const std::vector<Finding> findings = ValidateRecord(r, o);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].message, "At least 2 sockets are required when using PING");
    EXPECT_EQ(findings[0].node, OptionNode::Sockets);
    EXPECT_EQ(findings[0].field, "num_sockets");
    EXPECT_EQ(findings[0].value, 1);
    EXPECT_EQ(findings[0].limit, 2);
}

TEST(ValidateRecord, SocketRules) {
    ConfigRecord r;
    FakeOptions none;
    r.num_sockets = 1;
    EXPECT_EQ(Fail(r, none), "pass");  // neither ARP nor PING set
    r.num_sockets = 0;
    EXPECT_EQ(Fail(r, none), "Number of sockets must be between 1 and 127");
    r.num_sockets = 128;
    EXPECT_EQ(Fail(r, none), "Number of sockets must be between 1 and 127");
    r.num_sockets = 127;
    EXPECT_EQ(Fail(r, none), "pass");
    FakeOptions ping;
    ping.SetState(OptionNode::PING, NodeState::Fixed);
    r.num_sockets = 0;
    EXPECT_EQ(Fail(r, ping), "At least 2 sockets are required when using PING");
}

TEST(ValidateRecord, BufferAndWindowRules) {
    FakeOptions o;
    ConfigRecord r;
    r.recv_buff_size = 63;  // applies whatever the link layer
    EXPECT_EQ(Fail(r, o), "RX buffer size must be at least 64");
    r.recv_buff_size = 64;
    r.xmit_buff_size = 63;
    EXPECT_EQ(Fail(r, o), "TX buffer size must be at least 64");
    r.xmit_buff_size = 64;
    EXPECT_EQ(Fail(r, o), "pass");

    ConfigRecord w;
    o.SetState(OptionNode::TCP, NodeState::On);
    o.SetState(OptionNode::HTTP, NodeState::On);
    o.SetState(OptionNode::FTP, NodeState::On);
    w.tcp_window = 1514;
    w.recv_buff_size = 1514;
    w.http_buffer_len = 1514;
    w.ftp_buffer_len = 1514;
    EXPECT_EQ(Fail(w, o), "pass");  // equal passes
    w.recv_buff_size = 1513;
    w.http_buffer_len = 10;
    EXPECT_EQ(Fail(w, o), "TCP window is too large for RX buffers");  // before rules 6 and 7
    w.recv_buff_size = 1514;
    EXPECT_EQ(Fail(w, o), "TCP window is too large for HTTP buffers");
    w.http_buffer_len = 1514;
    w.ftp_buffer_len = 1513;
    EXPECT_EQ(Fail(w, o), "TCP window is too large for FTP buffers");

    FakeOptions no_http;
    ConfigRecord h;
    h.http_buffer_len = 10;
    EXPECT_EQ(Fail(h, no_http), "pass");
}

TEST(ValidateRecord, FtpSmtpArpRules) {
    FakeOptions o;
    o.SetState(OptionNode::FTP, NodeState::On);
    ConfigRecord r;
    r.ftp_num_users = 127;
    EXPECT_EQ(Fail(r, o), "pass");
    r.ftp_num_users = 128;
    EXPECT_EQ(Fail(r, o), "Number of FTP users must be less than 128");
    r.ftp_num_users = 1;
    r.ftp_max_param = 24;
    EXPECT_EQ(Fail(r, o), "pass");
    r.ftp_max_param = 23;  // the minimum is the number the message names
    EXPECT_EQ(Fail(r, o), "FTP max param must be at least 24");

    FakeOptions s;
    s.SetState(OptionNode::SMTP, NodeState::On);
    ConfigRecord m;
    m.smtp_buffer_len = 46;
    EXPECT_EQ(Fail(m, s), "pass");
    m.smtp_buffer_len = 45;
    EXPECT_EQ(Fail(m, s), "SMTP buffer must be at least 46");

    FakeOptions a;
    a.SetState(OptionNode::ARP, NodeState::Fixed);
    ConfigRecord c;
    c.arp_cache_size = 0;
    EXPECT_EQ(Fail(c, a), "ARP cache size must be between 1 and 255");
    FakeOptions unavailable;
    unavailable.SetState(OptionNode::ARP, NodeState::Unavailable);
    EXPECT_EQ(Fail(c, unavailable), "pass");
}

// "message: field value/limit" of every finding, in order.
std::vector<std::string> Described(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) {
        out.push_back(f.message + ": " + f.field + " " + std::to_string(*f.value) + "/" + std::to_string(*f.limit));
    }
    return out;
}

template <auto Member>
void Set(ConfigRecord& r, std::int64_t v) {
    r.*Member = static_cast<std::remove_reference_t<decltype(r.*Member)>>(v);
}

TEST(ValidateRecord, EveryFailingRuleInOrderWithItsValueAndLimit) {
    FakeOptions all;
    for (OptionNode n : {OptionNode::ARP, OptionNode::TCP, OptionNode::HTTP, OptionNode::FTP, OptionNode::SMTP}) {
        all.SetState(n, NodeState::On);
    }
    ConfigRecord r;
    r.num_sockets = 200;  // passes the PING rule, breaks the range at its upper end
    r.recv_buff_size = 10;
    r.xmit_buff_size = 20;
    r.tcp_window = 600;
    r.http_buffer_len = 300;
    r.ftp_buffer_len = 599;
    r.ftp_num_users = 128;
    r.ftp_max_param = 23;
    r.smtp_buffer_len = 45;
    r.arp_cache_size = 0;
    EXPECT_EQ(Described(ValidateRecord(r, all)),
              (std::vector<std::string>{"Number of sockets must be between 1 and 127: num_sockets 200/127",
                                        "RX buffer size must be at least 64: recv_buff_size 10/64",
                                        "TX buffer size must be at least 64: xmit_buff_size 20/64",
                                        "TCP window is too large for RX buffers: tcp_window 600/10",
                                        "TCP window is too large for HTTP buffers: tcp_window 600/300",
                                        "TCP window is too large for FTP buffers: tcp_window 600/599",
                                        "Number of FTP users must be less than 128: ftp_num_users 128/127",
                                        "FTP max param must be at least 24: ftp_max_param 23/24",
                                        "SMTP buffer must be at least 46: smtp_buffer_len 45/46",
                                        "ARP cache size must be between 1 and 255: arp_cache_size 0/1"}));
    r = ConfigRecord{};
    r.num_sockets = 0;  // both socket rules, the PING rule first
    EXPECT_EQ(Described(ValidateRecord(r, all)),
              (std::vector<std::string>{"At least 2 sockets are required when using PING: num_sockets 0/2",
                                        "Number of sockets must be between 1 and 127: num_sockets 0/1"}));
}

// The range LimitsOf gives a field is exactly the set of values for which no rule in force
// that involves the field fails; what it calls broken is a finding the validation reports.
TEST(ValidateRecord, LimitsOfAFieldAgreeWithTheRules) {
    using R = ConfigRecord;
    const std::tuple<const char*, std::int64_t, void (*)(R&, std::int64_t)> fields[] = {
        {"num_sockets", 255, Set<&R::num_sockets>},         {"recv_buff_size", 65535, Set<&R::recv_buff_size>},
        {"xmit_buff_size", 65535, Set<&R::xmit_buff_size>}, {"tcp_window", 65535, Set<&R::tcp_window>},
        {"http_buffer_len", 65535, Set<&R::http_buffer_len>}, {"ftp_buffer_len", 65535, Set<&R::ftp_buffer_len>},
        {"ftp_num_users", 65535, Set<&R::ftp_num_users>},   {"ftp_max_param", 255, Set<&R::ftp_max_param>},
        {"smtp_buffer_len", 65535, Set<&R::smtp_buffer_len>}, {"arp_cache_size", 255, Set<&R::arp_cache_size>},
    };
    std::mt19937 random(14);
    const auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    for (int round = 0; round < 400; ++round) {
        FakeOptions o;
        for (OptionNode n : {OptionNode::ARP, OptionNode::PING, OptionNode::TCP, OptionNode::HTTP, OptionNode::FTP,
                             OptionNode::SMTP}) {
            o.SetState(n, pick(0, 1) ? NodeState::On : NodeState::Off);
        }
        ConfigRecord r;
        for (const auto& [name, high, set] : fields) set(r, pick(0, high));
        const auto& [name, high, set] = fields[static_cast<std::size_t>(pick(0, std::size(fields) - 1))];
        const FieldLimits limits = LimitsOf(r, o, name, 0, high);
        ASSERT_LE(limits.low, limits.high);
        for (const std::int64_t v : {limits.low - 1, limits.low, pick(limits.low, limits.high), limits.high,
                                     limits.high + 1}) {
            if (v < 0 || v > high) continue;
            SCOPED_TRACE(std::string(name) + " = " + std::to_string(v));
            set(r, v);
            const FieldLimits now = LimitsOf(r, o, name, 0, high);
            const std::vector<Finding> findings = ValidateRecord(r, o);
            if (v >= limits.low && v <= limits.high) {
                EXPECT_FALSE(now.broken);
                for (const Finding& finding : findings) EXPECT_NE(finding.field, name);
            } else {
                ASSERT_TRUE(now.broken);
                EXPECT_NE(std::find(findings.begin(), findings.end(), *now.broken), findings.end());
            }
        }
    }
}
