#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "config/ClockDefaults.h"
#include "clock/SysclkInit.h"

using namespace quillon;

namespace {

std::vector<std::string> Lines(const std::string& body) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < body.size()) {
        const auto end = body.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) break;
        out.push_back(body.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

ConfigRecord WithDefaults(std::uint32_t family) {
    ConfigRecord r;
    r.device_bits = family;
    ApplyClockDefaults(r);
    return r;
}

}  // namespace

TEST(SysclkInit, VardexDefaults) {
    std::string body = "old content";
    EmitSysclkInit(WithDefaults(DeviceBit::Vardex), body);
    const std::vector<std::string> expected = {
        "    int i = 0;",
        "    char SFRPAGE_SAFE = SFRPAGE;",
        "    SFRPAGE = CONFIG_PAGE;",
        "    OSCICN = 0x83;",
        "    OSCXCN = 0x00;",
        "    PLL0CN = 0x01;",
        "    SFRPAGE = LEGACY_PAGE;",
        "    FLSCL = 0x30;",
        "    SFRPAGE = CONFIG_PAGE;",
        "    PLL0DIV = 0x01;",
        "    PLL0MUL = 0x04;",
        "    PLL0FLT = 0x01;",
        "    for (i=0; i < 256; i++);         // Wait at least 5us",
        "    PLL0CN  |= 0x02;                 // Enable the PLL",
        "    while(!(PLL0CN & 0x10));         // Wait until PLL frequency is locked",
        "    CLKSEL = 0x02;",
        "    SFRPAGE = SFRPAGE_SAFE;",
    };
    EXPECT_EQ(Lines(body), expected);
}

TEST(SysclkInit, VardexPllOffAndInternalOscillatorOff) {
    ConfigRecord r = WithDefaults(DeviceBit::Vardex);
    r.clock.pll0cn = 0x01;
    r.clock.oscicn = 0x03;
    std::string body;
    EmitSysclkInit(r, body);
    const auto lines = Lines(body);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[3], "    OSCICN = 0x83;");  // still switched on first
    EXPECT_EQ(lines[5], "    PLL0CN = 0x01;");
    EXPECT_EQ(lines[12], "    CLKSEL = 0x02;");
    EXPECT_EQ(lines[13], "    OSCICN &= ~0x80;");
}

TEST(SysclkInit, PelmarVariants) {
    std::string body;
    EmitSysclkInit(WithDefaults(DeviceBit::Pelmar), body);
    EXPECT_EQ(Lines(body), (std::vector<std::string>{
                               "    int i = 0;",
                               "    OSCXCN = 0x67;",
                               "    for (i=0; i < 3000; i++);         // Wait at least 1ms",
                               "    while(!(OSCXCN & 0x80));         ",
                               "    OSCICN = 0x08;",
                           }));

    ConfigRecord internal = WithDefaults(DeviceBit::Pelmar);
    internal.clock.oscicn = 0x83;  // SYSCLK from the internal oscillator, crystal still running
    EmitSysclkInit(internal, body);
    auto lines = Lines(body);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "    OSCXCN = 0x67;");
    EXPECT_EQ(lines[4], "    OSCICN = 0x07;");

    ConfigRecord off = WithDefaults(DeviceBit::Pelmar);
    off.clock.oscxcn = 0;
    EmitSysclkInit(off, body);
    EXPECT_EQ(Lines(body).size(), 2u);
}

TEST(SysclkInit, ZintorVariants) {
    std::string body;
    EmitSysclkInit(WithDefaults(DeviceBit::Zintor), body);
    EXPECT_EQ(Lines(body), (std::vector<std::string>{
                               "    int i = 0;",
                               "    OSCICN |= 0x03;",
                               "    CLKMUL = 0x80;",
                               "    for (i=0; i < 20; i++);         // Wait 5us for initialization",
                               "    CLKMUL |= 0xC0;",
                               "    while ((CLKMUL & 0x20) == 0);",
                               "    CLKSEL = 0x03;",
                           }));

    ConfigRecord plain = WithDefaults(DeviceBit::Zintor);
    plain.clock.clkmul = 0x00;
    plain.clock.oscxcn = 0x70;  // crystal / 2
    EmitSysclkInit(plain, body);
    const auto lines = Lines(body);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "    OSCXCN = 0x70;");
    EXPECT_EQ(lines[5], "    CLKSEL = 0x03;");
}
