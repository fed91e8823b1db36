#include "config/ChoiceStates.h"

#include "config/ClockDefaults.h"

namespace quillon {

namespace {

using N = OptionNode;
namespace OB = OptionBit;
namespace DB = DeviceBit;

// What only an Ethernet link has: the link, the controller, the custom device with its modes,
// and the services that run over Ethernet.
constexpr std::uint32_t kEthernetOnly = OB::Ethernet | OB::EthernetHardware | OB::CustomDevice | OB::PolledMode |
                                        OB::InterruptMode | OB::ARP | OB::BOOTP | OB::DHCP;

bool UsbFifoPossible(const ConfigRecord& r) {
    return FamilyOf(r.device_bits) == Family::Zintor && r.clock.sysclk_hz <= kUsbFifoMaxSysclk;
}

}  // namespace

void SettleChoices(ConfigRecord& r) {
    std::uint32_t& o = r.option_bits;
    // The modem bit names the adapter; a serial link without Ethernet stands for the modem too.
    const bool modem = (o & OB::Modem) || (!(o & OB::Ethernet) && (o & (OB::PPP | OB::SLIP | OB::PAP)));
    if (modem) {
        o |= OB::Modem;
        o &= ~kEthernetOnly;
        r.device_bits &= ~(DB::Lanvik | DB::CustomDevice);
        r.locatra_enabled = 0;
        // One link layer; the library is chosen by SLIP before PPP.
        if (o & OB::SLIP) {
            o &= ~(OB::PPP | OB::PAP);
            o |= OB::NoPap;
        }
    } else {
        // Lanvik or the custom device: the link is Ethernet.
        o &= ~(OB::PPP | OB::SLIP | OB::PAP);
        o |= OB::Ethernet | OB::EthernetHardware;
        r.use_password = 0;
        r.device_bits &= ~(DB::Lanvik | DB::CustomDevice);
        if (o & OB::CustomDevice) {
            r.device_bits |= DB::CustomDevice;
            // One driver mode; the generator takes a record with both for a polled one and a
            // record with neither for an interrupt-driven one.
            o = (o & OB::PolledMode) ? (o & ~OB::InterruptMode) : (o | OB::InterruptMode);
        } else {
            r.device_bits |= DB::Lanvik;
            o &= ~(OB::PolledMode | OB::InterruptMode);
        }
    }
    if (o & OB::PAP) {
        o &= ~OB::NoPap;
        r.use_password = 0;
    }
    if ((o & OB::BOOTP) && (o & OB::DHCP)) o &= ~OB::BOOTP;

    // One family: the first of the device bits; Vardex beside the modem (the modem runs on
    // Vardex only), for a code-bank project, or when there is none.
    Family family = FamilyOf(r.device_bits);
    if (modem || r.code_bank != 0 || family == Family::None) family = Family::Vardex;
    const std::uint32_t family_bit = family == Family::Pelmar   ? DB::Pelmar
                                     : family == Family::Zintor ? DB::Zintor
                                                                : DB::Vardex;
    if ((r.device_bits & DB::Families) != family_bit) {
        const bool other_family = FamilyOf(r.device_bits) != family;
        r.device_bits = (r.device_bits & ~DB::Families) | family_bit;
        if (other_family) ApplyClockDefaults(r);
    }
    if (!UsbFifoPossible(r)) r.zintor_usb_fifo = 0;
}

void ShowUsbFifo(ConfigRecord& r, OptionStates& o) {
    if (!UsbFifoPossible(r)) {
        r.zintor_usb_fifo = 0;
        o.SetState(N::UsbFifoSupport, NodeState::Unavailable,
                   FamilyOf(r.device_bits) == Family::Zintor ? StateReason::ClockTooFast : StateReason::NeedsZintor);
    } else {
        o.SetState(N::UsbFifoSupport, r.zintor_usb_fifo ? NodeState::On : NodeState::Off);
    }
}

AdapterItem ShowChoices(const ConfigRecord& r, OptionStates& o) {
    const auto bit = [&](std::uint32_t b) { return (r.option_bits & b) != 0; };
    const auto on_if = [&](N n, bool on) { o.SetState(n, on ? NodeState::On : NodeState::Off); };
    const bool modem = bit(OB::Modem);
    const bool custom = !modem && bit(OB::CustomDevice);
    const bool ethernet = bit(OB::Ethernet);

    on_if(N::Modara, modem);
    on_if(N::CustomEthernetDevice, custom);
    on_if(N::Lanvik, !modem && !custom);
    on_if(N::UsePassword, r.use_password != 0);
    on_if(N::PolledMode, custom && bit(OB::PolledMode));
    on_if(N::InterruptMode, custom && bit(OB::InterruptMode));

    const Family family = FamilyOf(r.device_bits);
    on_if(N::Vardex, family == Family::Vardex);
    for (const auto& [node, f] : {std::pair{N::Pelmar, Family::Pelmar}, std::pair{N::Zintor, Family::Zintor}}) {
        // Beside the modem only Vardex can be chosen.
        if (family != f && modem) {
            o.SetState(node, NodeState::Unavailable, StateReason::ModemNeedsVardex);
        } else {
            on_if(node, family == f);
        }
    }
    on_if(N::CodeBankProject, r.code_bank != 0);
    ConfigRecord usb = r;
    ShowUsbFifo(usb, o);

    on_if(N::Ethernet, ethernet);
    on_if(N::PPP, bit(OB::PPP));
    on_if(N::PAP, bit(OB::PAP));
    on_if(N::SLIP, bit(OB::SLIP));

    // IP and PING are in every library; ARP in every Ethernet one.
    o.SetState(N::IP, NodeState::Included, StateReason::InEveryLibrary);
    o.SetState(N::PING, NodeState::Included, StateReason::InEveryLibrary);
    if (!ethernet) {
        o.SetState(N::ARP, NodeState::Unavailable, StateReason::NeedsEthernet);
    } else {
        o.SetState(N::ARP, bit(OB::ARP) ? NodeState::Fixed : NodeState::Included, StateReason::ComesWithEthernet);
    }

    on_if(N::TCP, bit(OB::TCP));
    on_if(N::UDP, bit(OB::UDP));
    on_if(N::FTP, bit(OB::FTP));
    on_if(N::HTTP, bit(OB::HTTP));
    on_if(N::SMTP, bit(OB::SMTP));
    on_if(N::TFTP, bit(OB::TFTP));
    on_if(N::DNS, (r.device_bits & DB::Dns) != 0);
    // The services that run over Ethernet only.
    for (const auto& [node, chosen] : {std::pair{N::BOOTP, bit(OB::BOOTP)}, std::pair{N::DHCP, bit(OB::DHCP)},
                                       std::pair{N::LOCATRA, r.locatra_enabled != 0}}) {
        if (!ethernet) {
            o.SetState(node, NodeState::Unavailable, StateReason::NeedsEthernet);
        } else {
            on_if(node, chosen);
        }
    }
    return modem ? AdapterItem::Modara : custom ? AdapterItem::CustomDevice : AdapterItem::Lanvik;
}

}  // namespace quillon
