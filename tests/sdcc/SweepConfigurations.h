// The configurations of the SDCC compile sweep, built the way the option tree builds a record:
// consistent option bits, device bits, flags and buffer profile, and the clock-derived values
// the Generate Project command computes before it generates.
//
// Together they reach every section of every stored template and every piece of main.c and
// zs_callback.c; the unit tests check that, so the sweep cannot silently stop covering a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ClockDefaults.h"
#include "clock/DerivedValues.h"
#include "config/ConfigRecord.h"

namespace quillon::sweep {

enum class Adapter { Lanvik, Modara, CustomPolled, CustomInterrupt };
enum class Link { Ethernet, PppNoPap, PppPap, Slip };

struct SweepConfig {
    std::string name;
    Family family = Family::Vardex;
    Adapter adapter = Adapter::Lanvik;
    Link link = Link::Ethernet;
    std::uint32_t protocols = 0;  // TCP, UDP, BOOTP, DHCP, FTP, HTTP, SMTP, TFTP option bits
    bool locatra = false;
    bool dns = false;
    bool code_bank = false;
    bool clock_confirmed = false;
};

inline const std::vector<SweepConfig>& SweepConfigs() {
    using namespace OptionBit;
    using F = Family;
    using A = Adapter;
    using L = Link;
    static const std::vector<SweepConfig> configs = {
        // name                        family     adapter             link          protocols                                           locatra dns  bank   clock
        {"vardex_lanvik_default",      F::Vardex, A::Lanvik,          L::Ethernet,  0,                                                  false, false, false, false},
        {"vardex_lanvik_everything",   F::Vardex, A::Lanvik,          L::Ethernet,  TCP | UDP | DHCP | FTP | HTTP | SMTP | TFTP,        true,  true,  false, true},
        {"vardex_lanvik_bank_bootp",   F::Vardex, A::Lanvik,          L::Ethernet,  TCP | UDP | BOOTP | HTTP,                           true,  false, true,  false},
        {"vardex_lanvik_udp",          F::Vardex, A::Lanvik,          L::Ethernet,  UDP | TFTP,                                         false, false, false, true},
        {"pelmar_lanvik_locatra",      F::Pelmar, A::Lanvik,          L::Ethernet,  TCP | UDP | FTP | TFTP,                             true,  false, false, true},
        {"pelmar_lanvik_dhcp",         F::Pelmar, A::Lanvik,          L::Ethernet,  UDP | DHCP,                                         true,  true,  false, false},
        {"zintor_lanvik_locatra_dhcp", F::Zintor, A::Lanvik,          L::Ethernet,  TCP | UDP | DHCP | HTTP | SMTP,                     true,  false, false, false},
        {"zintor_lanvik_bootp",        F::Zintor, A::Lanvik,          L::Ethernet,  UDP | BOOTP | TFTP,                                 true,  true,  false, true},
        {"vardex_custom_polled",       F::Vardex, A::CustomPolled,    L::Ethernet,  TCP | UDP | DHCP | HTTP,                            true,  false, false, false},
        {"vardex_custom_interrupt",    F::Vardex, A::CustomInterrupt, L::Ethernet,  UDP | BOOTP | TFTP,                                 false, true,  false, true},
        {"vardex_custom_bank",         F::Vardex, A::CustomInterrupt, L::Ethernet,  TCP | FTP,                                          true,  false, true,  false},
        {"pelmar_custom_interrupt",    F::Pelmar, A::CustomInterrupt, L::Ethernet,  TCP | UDP | FTP | SMTP,                             true,  false, false, false},
        {"pelmar_custom_polled",       F::Pelmar, A::CustomPolled,    L::Ethernet,  UDP | DHCP | TFTP,                                  false, false, false, true},
        {"zintor_custom_polled",       F::Zintor, A::CustomPolled,    L::Ethernet,  TCP | UDP | SMTP,                                   true,  true,  false, true},
        {"zintor_custom_interrupt",    F::Zintor, A::CustomInterrupt, L::Ethernet,  TCP | HTTP,                                         false, false, false, false},
        {"modara_ppp_no_pap",          F::Vardex, A::Modara,          L::PppNoPap,  TCP | FTP | HTTP,                                   false, false, false, false},
        {"modara_ppp_pap",             F::Vardex, A::Modara,          L::PppPap,    TCP | UDP | SMTP | TFTP,                            false, false, false, true},
        {"modara_ppp_pap_web_bank",    F::Vardex, A::Modara,          L::PppPap,    TCP | HTTP,                                         false, false, true,  false},
        {"modara_slip_tcp",            F::Vardex, A::Modara,          L::Slip,      TCP | HTTP | SMTP,                                  false, false, false, true},
        {"modara_slip_udp",            F::Vardex, A::Modara,          L::Slip,      UDP | TFTP,                                         false, false, true,  false},
        // Not reachable in the tree (the modem forces Vardex), but a settings file can hold it.
        {"pelmar_modara_loaded",       F::Pelmar, A::Modara,          L::PppNoPap,  TCP,                                                false, false, false, false},
    };
    return configs;
}

inline std::uint32_t FamilyBit(Family family) {
    switch (family) {
    case Family::Vardex: return DeviceBit::Vardex;
    case Family::Pelmar: return DeviceBit::Pelmar;
    case Family::Zintor: return DeviceBit::Zintor;
    case Family::None: break;
    }
    return 0;
}

// The record the option tree would leave for the configuration, before generation widens the
// option bits to the chosen library's set.
inline ConfigRecord BuildSweepRecord(const SweepConfig& config) {
    using namespace OptionBit;
    ConfigRecord r;
    r.option_bits = IP | PING;
    r.device_bits = FamilyBit(config.family);
    const bool ethernet = config.adapter != Adapter::Modara;
    if (ethernet) {
        r.option_bits |= Ethernet | ARP | EthernetHardware | NoPap;
        if (config.adapter == Adapter::Lanvik) {
            r.device_bits |= DeviceBit::Lanvik;
        } else {
            r.option_bits |= CustomDevice | (config.adapter == Adapter::CustomPolled ? PolledMode : InterruptMode);
            r.device_bits |= DeviceBit::CustomDevice;
        }
    } else {
        r.option_bits |= Modem;
        switch (config.link) {
        case Link::PppPap: r.option_bits |= PPP | PAP; break;
        case Link::Slip: r.option_bits |= SLIP | NoPap; break;
        default: r.option_bits |= PPP | NoPap; break;
        }
    }
    r.option_bits |= config.protocols;
    if (config.protocols & (FTP | HTTP | SMTP)) r.option_bits |= TCP;
    if (config.protocols & (BOOTP | DHCP | TFTP)) r.option_bits |= UDP;
    if (config.dns) {
        r.device_bits |= DeviceBit::Dns;
        r.option_bits |= UDP;
    }
    if (config.locatra) {
        r.locatra_enabled = 1;
        r.option_bits |= UDP;
    }
    r.code_bank = config.code_bank ? 1 : 0;

    // The buffer profile of the adapter and family.
    std::uint16_t frame_buffers = 512;
    if (!ethernet) {
        r.xmit_buff_size = r.recv_buff_size = 570;
        frame_buffers = 285;
    } else if (config.family == Family::Vardex) {
        r.xmit_buff_size = r.recv_buff_size = 1514;
    } else {
        r.xmit_buff_size = 560;
        r.recv_buff_size = 840;
        frame_buffers = 256;
    }
    r.ftp_buffer_len = r.http_buffer_len = r.tcp_window = r.smtp_buffer_len = frame_buffers;

    ApplyClockDefaults(r);
    r.clock_confirmed = config.clock_confirmed ? 1 : 0;
    ComputeTickReload(r);
    if (ethernet) ComputeEmifTiming(r);
    if (!ethernet) CheckBaudRate(r);
    return r;
}

}  // namespace quillon::sweep
