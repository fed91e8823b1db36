#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/Validation.h"

using namespace quillon;
using quillon::test::FakeOptions;

namespace {

std::string Fail(const ConfigRecord& r, const FakeOptions& o) {
    const auto failure = FirstValidationFailure(r, o);
    return failure ? failure->message : "pass";
}

}  // namespace

TEST(ValidateRecord, DefaultsPassAndTheFailureNamesItsField) {
    ConfigRecord r;
    FakeOptions o;
    o.SetState(OptionNode::ARP, NodeState::Fixed);
    o.SetState(OptionNode::TCP, NodeState::On);
    EXPECT_FALSE(FirstValidationFailure(r, o));

    r.num_sockets = 1;
    const auto failure = FirstValidationFailure(r, o);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, "At least 2 sockets are required when using PING");
    EXPECT_EQ(failure->node, OptionNode::Sockets);
    EXPECT_EQ(failure->field, "num_sockets");
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
