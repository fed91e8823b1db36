#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/ConfigRecord.h"
#include "config/Parameters.h"

using namespace quillon;
using quillon::test::FakeOptions;

namespace {

class FakeHost : public DefaultsHost {
public:
    OptionStates& Options() override { return options; }
    void CloseHeldSettingsFile() override { ++closed; }
    void SetCurrentAdapter(AdapterItem item) override { adapters.push_back(item); }
    void ClearGatewayFlag() override { gateway_cleared = true; }
    void RefreshControls() override { ++refreshed; }

    FakeOptions options;
    int closed = 0;
    std::vector<AdapterItem> adapters;
    bool gateway_cleared = false;
    int refreshed = 0;
};

}  // namespace

TEST(ResetToDefaults, RecordAndOptionStates) {
    ConfigRecord r;
    r.option_bits = 0;
    r.num_sockets = 9;
    r.device_bits = DeviceBit::Zintor;
    r.code_bank = 1;
    r.locatra_enabled = 1;
    r.login_name = "x";
    FakeHost host;
    host.options.SetState(OptionNode::ARP, NodeState::Unavailable);
    host.options.SetState(OptionNode::TCP, NodeState::On);
    ResetToDefaults(r, host);

    EXPECT_EQ(r.option_bits, 0x108019u);
    EXPECT_EQ(r.device_bits, 0x102u);
    EXPECT_EQ(r.num_sockets, 3);
    EXPECT_EQ(r.code_bank, 0u);
    EXPECT_EQ(r.locatra_enabled, 0u);
    EXPECT_EQ(r.login_name, "guest");
    // The Vardex profile runs after the parameters, so the socket buffers end at 1514.
    EXPECT_EQ(r.xmit_buff_size, 1514);
    EXPECT_EQ(r.recv_buff_size, 1514);
    EXPECT_EQ(r.clock.sysclk_hz, 98000000u);
    EXPECT_EQ(r.clock.pll0cn, 0x03);

    EXPECT_EQ(host.closed, 1);
    EXPECT_EQ(host.adapters, (std::vector<AdapterItem>{AdapterItem::None, AdapterItem::Lanvik}));
    EXPECT_TRUE(host.gateway_cleared);
    EXPECT_EQ(host.refreshed, 1);

    EXPECT_EQ(host.options.State(OptionNode::Lanvik), NodeState::On);
    EXPECT_EQ(host.options.State(OptionNode::Ethernet), NodeState::On);
    EXPECT_EQ(host.options.State(OptionNode::Vardex), NodeState::On);
    EXPECT_EQ(host.options.State(OptionNode::UsbFifoSupport), NodeState::Unavailable);
    EXPECT_EQ(host.options.State(OptionNode::TCP), NodeState::Off);
    // IP, PING and ARP as inserted, whatever a modem configuration made of ARP before.
    for (OptionNode n : {OptionNode::IP, OptionNode::PING, OptionNode::ARP}) {
        EXPECT_EQ(host.options.State(n), NodeState::Included);
    }
}

TEST(ResetToDefaults, KeepsModemSelectionsAndDerivedValues) {
    ConfigRecord r;
    r.country_index = 14;
    r.country_code = "42";
    r.phone_number = "5551234";
    r.emif_timing = 0x4D;
    r.clock_confirmed = 1;
    FakeHost host;
    ResetToDefaults(r, host);
    EXPECT_EQ(r.country_index, 14);
    EXPECT_EQ(r.country_code, "42");
    EXPECT_EQ(r.phone_number, "5551234");
    EXPECT_EQ(r.emif_timing, 0x4D);
    EXPECT_EQ(r.clock_confirmed, 1u);
    EXPECT_EQ(RenderParameter(r, 41), "\"AT+GCI=42\\r\"");
}

TEST(ApplyDeviceProfile, ByFamilyNode) {
    ConfigRecord r;
    FakeOptions o;
    r.xmit_buff_size = 1;
    ApplyDeviceProfile(r, o);  // no family On: unchanged
    EXPECT_EQ(r.xmit_buff_size, 1);
    o.SetState(OptionNode::Zintor, NodeState::On);
    ApplyDeviceProfile(r, o);
    EXPECT_EQ(r.xmit_buff_size, 560);
    EXPECT_EQ(r.recv_buff_size, 840);
    EXPECT_EQ(r.tcp_window, 256);
    EXPECT_EQ(r.smtp_buffer_len, 256);
    o.SetState(OptionNode::Vardex, NodeState::On);
    ApplyDeviceProfile(r, o);
    EXPECT_EQ(r.recv_buff_size, 1514);
    EXPECT_EQ(r.http_buffer_len, 512);
    ApplyModemProfile(r);
    EXPECT_EQ(r.xmit_buff_size, 570);
    EXPECT_EQ(r.ftp_buffer_len, 285);
}

TEST(Tables, CountriesAndProtocols) {
    EXPECT_EQ(kCountryTable[40].name, "United States");
    EXPECT_EQ(kCountryTable[40].code, "B5");
    EXPECT_EQ(kCountryTable[14].code, "42");
    EXPECT_EQ(kCountryTable[41].code, "FE");
    EXPECT_EQ(kProtocolTable[0].code, "H0");
    EXPECT_EQ(kProtocolTable[11].name, "V.23");
}
