#include "config/ChoiceStates.h"

#include "config/ClockDefaults.h"

#include <string>
#include <utility>
#include <vector>

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

void SettleChoices(ConfigRecord& r, std::vector<std::string>* changes) {
    const auto note = [&](std::string text) {
        if (changes) changes->push_back(std::move(text));
    };
    // The names of the options among `bits`, for the notes.
    const auto names = [](std::uint32_t bits) {
        struct Name {
            std::uint32_t bit;
            const char* name;
        };
        static constexpr Name kNames[] = {
            {OB::Ethernet, "Ethernet"}, {OB::PPP, "PPP"},   {OB::SLIP, "SLIP"},
            {OB::ARP, "ARP"},           {OB::BOOTP, "BOOTP"}, {OB::DHCP, "DHCP"},
            {OB::PAP, "PAP"},           {OB::CustomDevice, "the custom Ethernet device"},
        };
        std::string out;
        for (const Name& n : kNames) {
            if (!(bits & n.bit)) continue;
            if (!out.empty()) out += ", ";
            out += n.name;
        }
        return out;
    };
    std::uint32_t& o = r.option_bits;
    // The modem bit names the adapter; a serial link without Ethernet stands for the modem too.
    const bool modem = (o & OB::Modem) || (!(o & OB::Ethernet) && (o & (OB::PPP | OB::SLIP | OB::PAP)));
    if (modem) {
        if (!(o & OB::Modem)) note(names(o & (OB::PPP | OB::SLIP | OB::PAP)) + " without Ethernet: the Modara modem is the adapter");
        o |= OB::Modem;
        if (const std::uint32_t dropped = o & kEthernetOnly & ~(OB::EthernetHardware | OB::PolledMode | OB::InterruptMode);
            dropped != 0) {
            note(names(dropped) + " beside the modem: dropped, the modem's link is PPP or SLIP");
        }
        o &= ~kEthernetOnly;
        r.device_bits &= ~(DB::Lanvik | DB::CustomDevice);
        if (r.locatra_enabled) note("LOCATRA beside the modem: dropped, it runs over Ethernet");
        r.locatra_enabled = 0;
        // One link layer; the library is chosen by SLIP before PPP.
        if (o & OB::SLIP) {
            if (o & (OB::PPP | OB::PAP)) note(names(o & (OB::PPP | OB::PAP)) + " beside SLIP: dropped, one link layer");
            o &= ~(OB::PPP | OB::PAP);
            o |= OB::NoPap;
        }
    } else {
        // Lanvik or the custom device: the link is Ethernet.
        if (o & (OB::PPP | OB::SLIP | OB::PAP)) {
            note(names(o & (OB::PPP | OB::SLIP | OB::PAP)) + " beside the Ethernet link: dropped, one link layer");
        }
        if (!(o & (OB::Ethernet | OB::PPP | OB::SLIP))) note("no link layer: Ethernet chosen, the link of the adapter");
        o &= ~(OB::PPP | OB::SLIP | OB::PAP);
        o |= OB::Ethernet | OB::EthernetHardware;
        if (r.use_password) note("the modem's login beside the Ethernet link: dropped");
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
        if (o & OB::NoPap) note("PAP beside the no-PAP bit: the no-PAP bit dropped, PAP is chosen");
        o &= ~OB::NoPap;
        if (r.use_password) note("PAP beside the modem's login: the login dropped, PAP authenticates");
        r.use_password = 0;
    }
    if ((o & OB::BOOTP) && (o & OB::DHCP)) {
        note("BOOTP beside DHCP: BOOTP dropped, DHCP takes its place");
        o &= ~OB::BOOTP;
    }

    // One family: the first of the device bits; Vardex beside the modem (the modem runs on
    // Vardex only), for a code-bank project, or when there is none.
    Family family = FamilyOf(r.device_bits);
    if (modem || r.code_bank != 0 || family == Family::None) family = Family::Vardex;
    const std::uint32_t family_bit = family == Family::Pelmar   ? DB::Pelmar
                                     : family == Family::Zintor ? DB::Zintor
                                                                : DB::Vardex;
    if ((r.device_bits & DB::Families) != family_bit) {
        const bool other_family = FamilyOf(r.device_bits) != family;
        if (other_family && FamilyOf(r.device_bits) != Family::None) {
            note(std::string(modem ? "the modem runs on Vardex only" : "code banking runs on Vardex only") +
                 ": Vardex chosen, with its default clock");
        }
        r.device_bits = (r.device_bits & ~DB::Families) | family_bit;
        if (other_family) ApplyClockDefaults(r);
    }
    if (!UsbFifoPossible(r)) {
        if (r.zintor_usb_fifo) note("USB FIFO needs Zintor at 24 MHz or less: turned off");
        r.zintor_usb_fifo = 0;
    }
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
