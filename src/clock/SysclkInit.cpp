#include "clock/SysclkInit.h"

#include <cstdio>

namespace quillon {

namespace {

constexpr std::string_view kCrLf = "\r\n";

void Line(std::string_view text, std::string& out) {
    out.append(text);
    out.append(kCrLf);
}

void Register(std::string_view name, std::string_view op, unsigned value, std::string& out) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X;", value & 0xFFu);
    out.append("    ").append(name).append(" ").append(op).append(" ").append(buf).append(kCrLf);
}

// Modes 6 and 7 (crystal, crystal / 2): wait for the crystal to start.
void CrystalWait(std::uint8_t oscxcn, std::string& out) {
    if ((oscxcn & 0x60) == 0x60) {
        Line("    for (i=0; i < 3000; i++);         // Wait at least 1ms", out);
        Line("    while(!(OSCXCN & 0x80));         ", out);
    }
}

}  // namespace

void EmitRegisterSet(std::string_view name, unsigned value, std::string& out) { Register(name, "=", value, out); }

void EmitRegisterOr(std::string_view name, unsigned value, std::string& out) { Register(name, "|=", value, out); }

void EmitSysclkInitVardex(const ConfigRecord& record, std::string& out) {
    const ClockBlock& c = record.clock;
    out.clear();
    Line("    int i = 0;", out);
    Line("    char SFRPAGE_SAFE = SFRPAGE;", out);
    Line("    SFRPAGE = CONFIG_PAGE;", out);
    // The internal oscillator is always switched on first; it is switched off again at the end
    // when the user disabled it.
    EmitRegisterSet("OSCICN", c.oscicn | 0x80u, out);
    EmitRegisterSet("OSCXCN", c.oscxcn, out);
    // The PLL is enabled only after its dividers and filter are set.
    EmitRegisterSet("PLL0CN", c.pll0cn & ~0x02u, out);
    Line("    SFRPAGE = LEGACY_PAGE;", out);
    EmitRegisterSet("FLSCL", c.flscl, out);
    Line("    SFRPAGE = CONFIG_PAGE;", out);
    EmitRegisterSet("PLL0DIV", c.pll0div, out);
    EmitRegisterSet("PLL0MUL", c.pll0mul, out);
    EmitRegisterSet("PLL0FLT", c.pll0flt, out);
    if (c.pll0cn & 0x02) {
        Line("    for (i=0; i < 256; i++);         // Wait at least 5us", out);
        Line("    PLL0CN  |= 0x02;                 // Enable the PLL", out);
        Line("    while(!(PLL0CN & 0x10));         // Wait until PLL frequency is locked", out);
    }
    EmitRegisterSet("CLKSEL", c.clksel, out);
    if (!(c.oscicn & 0x80)) Line("    OSCICN &= ~0x80;", out);
    Line("    SFRPAGE = SFRPAGE_SAFE;", out);
}

void EmitSysclkInitPelmar(const ConfigRecord& record, std::string& out) {
    const ClockBlock& c = record.clock;
    out.clear();
    Line("    int i = 0;", out);
    if (c.oscxcn != 0) EmitRegisterSet("OSCXCN", c.oscxcn, out);
    CrystalWait(c.oscxcn, out);
    if (c.oscicn & 0x08) {
        // SYSCLK from the external oscillator.
        EmitRegisterSet("OSCICN", c.oscicn & 0x7Fu, out);
    } else {
        // SYSCLK from the internal oscillator, which is enabled.
        EmitRegisterSet("OSCICN", (c.oscicn & 0x7Bu) | 0x04u, out);
    }
}

void EmitSysclkInitZintor(const ConfigRecord& record, std::string& out) {
    const ClockBlock& c = record.clock;
    out.clear();
    Line("    int i = 0;", out);
    EmitRegisterOr("OSCICN", c.oscicn & 0x7Fu, out);
    if (c.oscxcn != 0) {
        EmitRegisterSet("OSCXCN", c.oscxcn, out);
        CrystalWait(c.oscxcn, out);
    }
    if (c.clkmul & 0x80) {
        EmitRegisterSet("CLKMUL", c.clkmul & 0x8Fu, out);
        Line("    for (i=0; i < 20; i++);         // Wait 5us for initialization", out);
        EmitRegisterOr("CLKMUL", 0xC0, out);
        Line("    while ((CLKMUL & 0x20) == 0);", out);
    }
    EmitRegisterSet("CLKSEL", c.clksel, out);
}

void EmitSysclkInit(const ConfigRecord& record, std::string& out) {
    if (record.device_bits & DeviceBit::Pelmar) {
        EmitSysclkInitPelmar(record, out);
    } else if (record.device_bits & DeviceBit::Zintor) {
        EmitSysclkInitZintor(record, out);
    } else {
        EmitSysclkInitVardex(record, out);
    }
}

}  // namespace quillon
