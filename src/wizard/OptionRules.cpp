// The option tree's dependency rules: what a click on an option's box does to the tree, the
// option bits, the device bits, the option flags and the buffer sizes.
//
// Each option's rule runs in a fixed order of steps. A rule may "run the rules of" another
// node: the same evaluation with that node as the clicked one, in its present state, sharing
// the caller's toggle flag, without toggling it. A rule that consumes the click clears the
// flag, so the clicked option keeps its state unless a step sets it; otherwise the caller
// toggles the clicked option after the rule.
//
// Where a rule makes an option Unavailable or Fixed, or keeps the clicked option as it was, it
// says why (StateReason): the tree keeps the reason with the state, and the click reports it.
#include "wizard/OptionRules.h"

#include "config/ChoiceStates.h"
#include "config/ClockDefaults.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

using N = OptionNode;
namespace OB = OptionBit;
namespace DB = DeviceBit;

class RuleEngine {
public:
    RuleEngine(ConfigRecord& record, OptionTree& tree, AdapterItem& adapter)
        : r_(record), t_(tree), adapter_(adapter) {}

    void Run(OptionNode node, bool& toggle) {
        ++depth_;
        switch (node) {
        case N::Ethernet: Ethernet(); break;
        case N::PPP:
        case N::SLIP: SerialLink(node, toggle); break;
        case N::Vardex: Vardex(toggle); break;
        case N::Pelmar: Pelmar(toggle); break;
        case N::Zintor: Zintor(toggle); break;
        case N::CodeBankProject: CodeBank(); break;
        case N::UsbFifoSupport: UsbFifo(toggle); break;
        case N::UsePassword: UsePassword(toggle); break;
        case N::PAP: Pap(toggle); break;
        case N::CustomEthernetDevice: CustomDevice(toggle); break;
        case N::PolledMode: DriverMode(N::PolledMode, toggle); break;
        case N::InterruptMode: DriverMode(N::InterruptMode, toggle); break;
        case N::DHCP: AddressClient(N::DHCP, toggle); break;
        case N::BOOTP: AddressClient(N::BOOTP, toggle); break;
        case N::TFTP: UdpService(); break;
        case N::HTTP:
        case N::FTP:
        case N::SMTP: TcpService(); break;
        case N::TCP: Tcp(); break;
        case N::UDP: Udp(); break;
        case N::DNS: Dns(); break;
        case N::LOCATRA: Locatra(toggle); break;
        case N::Lanvik:
        case N::Modara: Adapter(node, toggle); break;
        default: break;  // groups, categories, pages and the fixed IP, PING and ARP have no rules
        }
        --depth_;
    }

    // Why the clicked option keeps its state, when a rule of its own said so.
    std::optional<StateReason> Kept() const { return kept_; }

private:
    bool On(N n) const { return t_.IsChecked(n); }
    void Set(N n, NodeState s) { t_.SetState(n, s); }
    void Set(N n, NodeState s, StateReason why) { t_.SetState(n, s, why); }

    // The clicked option keeps its state, for this reason. Only the rules of the clicked option
    // itself speak for the click, not those it runs for other nodes.
    void Keep(StateReason why) {
        if (depth_ == 1) kept_ = why;
    }
    void Consume(bool& toggle, StateReason why) {
        toggle = false;
        Keep(why);
    }
    void SetOpt(std::uint32_t bits) { r_.option_bits |= bits; }
    void ClearOpt(std::uint32_t bits) { r_.option_bits &= ~bits; }
    bool Opt(std::uint32_t bits) const { return (r_.option_bits & bits) != 0; }
    void SetDev(std::uint32_t bits) { r_.device_bits |= bits; }
    void ClearDev(std::uint32_t bits) { r_.device_bits &= ~bits; }

    // Makes `family_bit` the one family of the device bits. The clock block belongs to the
    // family, so a change of family brings the new family's clock defaults with it.
    void SwitchFamilyBits(std::uint32_t family_bit) {
        const bool changed = (r_.device_bits & DB::Families) != family_bit;
        r_.device_bits = (r_.device_bits & ~DB::Families) | family_bit;
        if (changed) ApplyClockDefaults(r_);
    }

    void PapOff() {
        Set(N::PAP, NodeState::Off);
        ClearOpt(OB::PAP);
        SetOpt(OB::NoPap);
    }

    // BOOTP, DHCP and LOCATRA need Ethernet. Made available, BOOTP and DHCP show whether they
    // are chosen (a second Ethernet click keeps them); made unavailable, they go, bits and all,
    // since no library beside the modem holds them. LOCATRA is switched off either way, and
    // its record flag with it, so that the tree and the record never disagree about it.
    void SetEthernetServices(bool available) {
        if (available) {
            Set(N::BOOTP, On(N::BOOTP) ? NodeState::On : NodeState::Off);
            Set(N::DHCP, On(N::DHCP) ? NodeState::On : NodeState::Off);
            Set(N::LOCATRA, NodeState::Off);
        } else {
            ClearOpt(OB::BOOTP | OB::DHCP);
            Set(N::BOOTP, NodeState::Unavailable, StateReason::NeedsEthernet);
            Set(N::DHCP, NodeState::Unavailable, StateReason::NeedsEthernet);
            Set(N::LOCATRA, NodeState::Unavailable, StateReason::NeedsEthernet);
        }
        r_.locatra_enabled = 0;
    }

    // The modem is the link: nothing that needs Ethernet stays, in the tree or in the bits.
    void LeaveEthernet(bool& toggle) {
        if (On(N::LOCATRA)) Run(N::LOCATRA, toggle);
        SetEthernetServices(false);
        Set(N::ARP, NodeState::Unavailable, StateReason::NeedsEthernet);
        ClearOpt(OB::ARP);
    }

    // The modem's own login goes with the modem.
    void UsePasswordOff() {
        Set(N::UsePassword, NodeState::Off);
        r_.use_password = 0;
    }

    // The modem runs only on Vardex: the other families are not available beside it.
    void VardexForModem() {
        Set(N::Vardex, NodeState::On);
        SwitchFamilyBits(DB::Vardex);
        Set(N::Pelmar, NodeState::Unavailable, StateReason::ModemNeedsVardex);
        Set(N::Zintor, NodeState::Unavailable, StateReason::ModemNeedsVardex);
        ShowUsbFifo(r_, t_);  // Vardex: unavailable
    }

    void ModemIsAdapter() {
        Set(N::Lanvik, NodeState::Off);
        ClearOpt(OB::EthernetHardware);
        adapter_ = AdapterItem::Modara;
        Set(N::Modara, NodeState::On);
        SetOpt(OB::Modem);
        // Neither Ethernet adapter may stay in the device bits, or the project would get that
        // adapter's main routine, callbacks, port set-up and reset code.
        ClearDev(DB::Lanvik | DB::CustomDevice);
    }

    // Drops the custom device and its driver mode, so that no mode bit is left behind for a
    // link layer that has no custom device.
    void CustomDeviceOff() {
        ClearDev(DB::CustomDevice);
        ClearOpt(OB::InterruptMode | OB::PolledMode | OB::CustomDevice);
        Set(N::InterruptMode, NodeState::Off);
        Set(N::PolledMode, NodeState::Off);
        Set(N::CustomEthernetDevice, NodeState::Off);
    }

    // Runs the custom device's rules for a click that moves to the modem. The device is On,
    // so its own rule consumes the click; the clicked option's rule has already chosen the
    // modem, so the click keeps its toggle and the clicked option ends On.
    void LeaveCustomDevice(bool& toggle) {
        if (!On(N::CustomEthernetDevice)) return;
        const bool keep = toggle;
        Run(N::CustomEthernetDevice, toggle);
        toggle = keep;
        CustomDeviceOff();
    }

    // Each family keeps its check state. USB FIFO starts off again, available only where the
    // clock allows it.
    void KeepFamilyStates() {
        Set(N::Vardex, On(N::Vardex) ? NodeState::On : NodeState::Off);
        Set(N::Pelmar, On(N::Pelmar) ? NodeState::On : NodeState::Off);
        Set(N::Zintor, On(N::Zintor) ? NodeState::On : NodeState::Off);
        r_.zintor_usb_fifo = 0;
        ShowUsbFifo(r_, t_);
    }

    void Ethernet() {
        if (On(N::Ethernet)) Keep(StateReason::ChosenLink);  // the click leaves it chosen
        Set(N::Ethernet, NodeState::Off);
        Set(N::PPP, NodeState::Off);
        Set(N::SLIP, NodeState::Off);
        ClearOpt(OB::Ethernet | OB::PPP | OB::SLIP);
        PapOff();
        Set(N::ARP, NodeState::Fixed, StateReason::ComesWithEthernet);
        SetOpt(OB::ARP);
        ApplyDeviceProfile(r_, t_);
        KeepFamilyStates();
        if (!On(N::CustomEthernetDevice)) {
            Set(N::Lanvik, NodeState::On);
            SetOpt(OB::EthernetHardware);
            adapter_ = AdapterItem::Lanvik;
            ClearDev(DB::BoardC0 | DB::CustomDevice);
            SetDev(DB::Lanvik);
        }
        SetEthernetServices(true);
        Set(N::Modara, NodeState::Off);
        ClearOpt(OB::Modem);
        UsePasswordOff();
        SetOpt(OB::EthernetHardware);
        // Toggled: Ethernet is Off now, so the click leaves it chosen.
    }

    void SerialLink(OptionNode link, bool& toggle) {
        if (On(link)) Keep(StateReason::ChosenLink);  // the click leaves it chosen
        Set(N::Ethernet, NodeState::Off);
        Set(N::PPP, NodeState::Off);
        Set(N::SLIP, NodeState::Off);
        ClearOpt(OB::Ethernet | OB::PPP | OB::SLIP);
        if (link == N::SLIP) {
            PapOff();
        } else {
            ApplyModemProfile(r_);
        }
        VardexForModem();
        ModemIsAdapter();
        LeaveEthernet(toggle);
        LeaveCustomDevice(toggle);
        ApplyModemProfile(r_);
        // Toggled: the clicked link layer ends On.
    }

    void Vardex(bool& toggle) {
        if (On(N::Vardex)) {
            Consume(toggle, StateReason::ChosenFamily);  // a chosen family stays chosen
            return;
        }
        for (N other : {N::Pelmar, N::Zintor}) {
            if (Opt(OB::Modem)) {
                Set(other, NodeState::Unavailable, StateReason::ModemNeedsVardex);
            } else {
                Set(other, NodeState::Off);
            }
        }
        r_.device_bits = (r_.device_bits & ~DB::Families) | DB::Vardex;
        ShowUsbFifo(r_, t_);  // Vardex: unavailable
        Set(N::Vardex, NodeState::On);
        if (!Opt(OB::Modem)) ApplyDeviceProfile(r_, t_);  // Vardex is On: the Vardex profile
        ApplyClockDefaults(r_);
        toggle = false;
    }

    // Pelmar and Zintor share the switch; Zintor then decides USB FIFO by the clock.
    void ChooseOtherFamily(OptionNode family, std::uint32_t family_bit) {
        Set(N::Vardex, NodeState::Off);
        Set(family == N::Pelmar ? N::Zintor : N::Pelmar, NodeState::Off);
        Set(N::CodeBankProject, NodeState::Off);
        r_.code_bank = 0;
        r_.device_bits = (r_.device_bits & ~DB::Families) | family_bit;
        Set(family, NodeState::On);
        ApplyDeviceProfile(r_, t_);  // Vardex is Off: the Pelmar/Zintor profile
        ApplyClockDefaults(r_);
    }

    void Pelmar(bool& toggle) {
        toggle = false;
        if (On(N::Pelmar)) return Consume(toggle, StateReason::ChosenFamily);
        if (Opt(OB::Modem)) return Consume(toggle, StateReason::ModemNeedsVardex);  // no Pelmar beside the modem
        ChooseOtherFamily(N::Pelmar, DB::Pelmar);
        ShowUsbFifo(r_, t_);  // Pelmar: unavailable
    }

    void Zintor(bool& toggle) {
        toggle = false;
        if (On(N::Zintor)) return Consume(toggle, StateReason::ChosenFamily);
        if (Opt(OB::Modem)) {
            ShowUsbFifo(r_, t_);  // still Vardex: unavailable
            return Consume(toggle, StateReason::ModemNeedsVardex);
        }
        ChooseOtherFamily(N::Zintor, DB::Zintor);
        ShowUsbFifo(r_, t_);  // by the clock
    }

    void CodeBank() {
        if (!On(N::CodeBankProject)) {
            r_.code_bank = 1;
            if (!On(N::Vardex)) {
                Set(N::Pelmar, NodeState::Off);
                Set(N::Zintor, NodeState::Off);
                Set(N::Vardex, NodeState::On);
                r_.device_bits = (r_.device_bits & ~DB::Families) | DB::Vardex;
                ShowUsbFifo(r_, t_);  // Vardex: unavailable
                ApplyClockDefaults(r_);
            }
            if (Opt(OB::Ethernet | OB::EthernetHardware)) ApplyDeviceProfile(r_, t_);
        } else {
            r_.code_bank = 0;
        }
    }

    void UsbFifo(bool& toggle) {
        if (!On(N::Zintor)) return Consume(toggle, StateReason::NeedsZintor);
        if (r_.clock.sysclk_hz > kUsbFifoMaxSysclk) return Consume(toggle, StateReason::ClockTooFast);
        r_.zintor_usb_fifo = On(N::UsbFifoSupport) ? 0 : 1;
    }

    void UsePassword(bool& toggle) {
        if (!On(N::UsePassword)) {
            r_.use_password = 1;
            PapOff();
            if (!On(N::Modara)) {
                Run(N::Modara, toggle);
                Set(N::Modara, NodeState::On);
                SetOpt(OB::Modem);
            }
        } else {
            r_.use_password = 0;
        }
    }

    void Pap(bool& toggle) {
        if (On(N::PAP)) {
            ClearOpt(OB::PAP);
            SetOpt(OB::NoPap);
        } else {
            // PAP makes PPP the link; a link that was not PPP before brings the modem's buffers,
            // as a click on PPP does.
            const bool ppp_was_on = On(N::PPP);
            Set(N::PPP, NodeState::On);
            SetOpt(OB::PPP);
            ClearOpt(OB::NoPap);
            SetOpt(OB::PAP);
            // PAP logs in itself; the modem-level login is off, in the tree and in the record.
            UsePasswordOff();
            ModemIsAdapter();
            VardexForModem();
            LeaveEthernet(toggle);
            if (!ppp_was_on) ApplyModemProfile(r_);
        }
        ClearDev(DB::Lanvik);
        Set(N::Ethernet, NodeState::Off);
        ClearOpt(OB::Ethernet);
        Set(N::SLIP, NodeState::Off);
        ClearOpt(OB::SLIP);
        Set(N::ARP, NodeState::Unavailable, StateReason::NeedsEthernet);
        ClearOpt(OB::ARP);
        LeaveCustomDevice(toggle);
    }

    void CustomDevice(bool& toggle) {
        if (On(N::CustomEthernetDevice)) return Consume(toggle, StateReason::ChosenAdapter);
        if (!Opt(OB::PolledMode | OB::InterruptMode)) {
            SetOpt(OB::PolledMode);
            Set(N::PolledMode, NodeState::On);
        }
        if (On(N::Modara)) {
            Run(N::Modara, toggle);
            toggle = true;
            Set(N::Modara, NodeState::Off);
            ClearOpt(OB::Modem);
            UsePasswordOff();
        } else if (On(N::Lanvik)) {
            Run(N::Lanvik, toggle);
            toggle = true;
            Set(N::Lanvik, NodeState::Off);
        }
        if (!On(N::Ethernet)) {
            // The Ethernet rule chooses Lanvik unless the custom device is On; it is, for now.
            t_.SetChecked(N::CustomEthernetDevice, true);
            Run(N::Ethernet, toggle);
            t_.SetChecked(N::CustomEthernetDevice, false);
            Set(N::Ethernet, NodeState::On);
            SetOpt(OB::Ethernet);
        }
        r_.zintor_usb_fifo = 0;
        ShowUsbFifo(r_, t_);
        SetOpt(OB::EthernetHardware);
        adapter_ = AdapterItem::CustomDevice;
        ClearDev(DB::Lanvik);
        SetDev(DB::CustomDevice);
        ApplyDeviceProfile(r_, t_);
        // Toggled: the custom device ends On with its bit.
    }

    void DriverMode(OptionNode mode, bool& toggle) {
        const bool polled = mode == N::PolledMode;
        // The custom device always has one mode: a chosen mode stays chosen when clicked again.
        if (On(mode) && On(N::CustomEthernetDevice)) return Consume(toggle, StateReason::ChosenMode);
        SetOpt(polled ? OB::PolledMode : OB::InterruptMode);
        ClearOpt(polled ? OB::InterruptMode : OB::PolledMode);
        Set(polled ? N::InterruptMode : N::PolledMode, NodeState::Off);
        if (!On(mode) && !On(N::CustomEthernetDevice)) {
            Run(N::CustomEthernetDevice, toggle);
            Set(N::CustomEthernetDevice, NodeState::On);
            SetOpt(OB::CustomDevice);
            if (!Opt(OB::Ethernet)) {
                Run(N::Ethernet, toggle);
                Set(N::Ethernet, NodeState::On);
                SetOpt(OB::Ethernet);
            }
        }
    }

    // DHCP and BOOTP exclude each other and need Ethernet.
    void AddressClient(OptionNode clicked, bool& toggle) {
        const N other = clicked == N::DHCP ? N::BOOTP : N::DHCP;
        ClearOpt(other == N::BOOTP ? OB::BOOTP : OB::DHCP);
        Set(other, NodeState::Off);
        if (!Opt(OB::Ethernet)) {
            Set(other, NodeState::Unavailable, StateReason::NeedsEthernet);
            Consume(toggle, StateReason::NeedsEthernet);
        } else {
            SetOpt(OB::UDP);
            Set(N::UDP, NodeState::On);
        }
    }

    void UdpService() {
        SetOpt(OB::UDP);
        Set(N::UDP, NodeState::On);
    }

    void TcpService() {
        SetOpt(OB::TCP);
        Set(N::TCP, NodeState::On);
    }

    void Tcp() {
        if (!On(N::TCP)) return;
        ClearOpt(OB::FTP | OB::HTTP | OB::SMTP);
        Set(N::FTP, NodeState::Off);
        Set(N::HTTP, NodeState::Off);
        Set(N::SMTP, NodeState::Off);
    }

    void Udp() {
        if (!On(N::UDP)) return;
        ClearOpt(OB::BOOTP | OB::DHCP | OB::TFTP);
        ClearDev(DB::Dns);
        for (N n : {N::DHCP, N::BOOTP, N::TFTP, N::DNS, N::LOCATRA}) Set(n, NodeState::Off);
        r_.locatra_enabled = 0;
        if (!Opt(OB::Ethernet)) SetEthernetServices(false);
    }

    void Dns() {
        if (!On(N::DNS)) {
            SetDev(DB::Dns);
            UdpService();
        } else {
            ClearDev(DB::Dns);
        }
    }

    void Locatra(bool& toggle) {
        if (!On(N::LOCATRA)) {
            if (On(N::Ethernet)) {
                r_.locatra_enabled = 1;
                UdpService();
            } else {
                Consume(toggle, StateReason::NeedsEthernet);
            }
        } else {
            r_.locatra_enabled = 0;
        }
    }

    void Adapter(OptionNode clicked, bool& toggle) {
        if (On(N::CustomEthernetDevice)) CustomDeviceOff();
        const bool was_on = On(clicked);
        if (clicked == N::Lanvik) {
            const bool ethernet_was_on = On(N::Ethernet);
            ClearOpt(OB::PPP | OB::SLIP | OB::PAP);
            Set(N::PPP, NodeState::Off);
            Set(N::PAP, NodeState::Off);
            Set(N::SLIP, NodeState::Off);
            Set(N::ARP, NodeState::Fixed, StateReason::ComesWithEthernet);
            SetOpt(OB::ARP);
            if (!was_on) {
                adapter_ = AdapterItem::Lanvik;
                SetDev(DB::Lanvik);
            }
            Set(N::Modara, NodeState::Off);
            ClearOpt(OB::Modem);
            UsePasswordOff();
            Set(N::Ethernet, NodeState::On);
            SetOpt(OB::Ethernet);
            ApplyDeviceProfile(r_, t_);
            // The family stays as chosen, in the tree as in the device bits.
            KeepFamilyStates();
            // From the modem, Ethernet is the link again: its services can be chosen.
            if (!ethernet_was_on) SetEthernetServices(true);
        } else {
            Set(N::Lanvik, NodeState::Off);
            ClearOpt(OB::Ethernet | OB::EthernetHardware);
            Set(N::Ethernet, NodeState::Off);
            SetOpt(OB::Modem);
            adapter_ = AdapterItem::Modara;
            ClearDev(DB::Lanvik | DB::CustomDevice);
            ApplyModemProfile(r_);
            VardexForModem();
            // Without Ethernet, ARP and the services that run over it go, as for PPP and SLIP.
            LeaveEthernet(toggle);
        }
        if (was_on) Consume(toggle, StateReason::ChosenAdapter);
    }

    ConfigRecord& r_;
    OptionTree& t_;
    AdapterItem& adapter_;
    int depth_ = 0;
    std::optional<StateReason> kept_;
};

// Flips one option between On and Off with its item data in the option bits. A family's item
// data is a device bit; family clicks never toggle, and a toggle never touches the device bits.
void Toggle(ConfigRecord& record, OptionTree& tree, OptionNode node) {
    const bool family = node == N::Vardex || node == N::Pelmar || node == N::Zintor;
    const std::uint32_t bits = family ? 0 : InfoOf(node).item_data;
    if (tree.IsChecked(node)) {
        tree.SetState(node, NodeState::Off);
        record.option_bits &= ~bits;
    } else {
        tree.SetState(node, NodeState::On);
        record.option_bits |= bits;
    }
}

}  // namespace

bool HasRules(OptionNode node) {
    return InfoOf(node).kind == NodeKind::Option && node != N::IP && node != N::PING && node != N::ARP;
}

std::optional<StateReason> ApplyOptionClick(ConfigRecord& record, OptionTree& tree, AdapterItem& adapter,
                                            OptionNode node) {
    if (!HasRules(node)) return std::nullopt;
    RuleEngine engine(record, tree, adapter);
    bool toggle = true;
    engine.Run(node, toggle);
    if (toggle) Toggle(record, tree, node);
    return engine.Kept();
}

void WizardDialog::ShowRecordInTree() {
    current_adapter_ = ShowChoices(record_, tree_);
    NotifyView();
}

}  // namespace quillon
