#include "wizard/Invariants.h"

#include "config/ChoiceStates.h"
#include "config/ClockDefaults.h"
#include "config/LibrarySelection.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

using N = OptionNode;
namespace OB = OptionBit;
namespace DB = DeviceBit;

class Checker {
public:
    explicit Checker(const WizardDialog& w) : w_(w), r_(w.Record()), t_(w.Tree()) {}

    std::vector<InvariantViolation> Run() {
        Families();
        Adapters();
        CheckFlags();
        DriverModes();
        EthernetServices();
        Flags();
        UsbFifo();
        CodeSize();
        Shown();
        return found_;
    }

private:
    bool On(N n) const { return t_.IsChecked(n); }
    bool Opt(std::uint32_t b) const { return (r_.option_bits & b) != 0; }
    bool Dev(std::uint32_t b) const { return (r_.device_bits & b) != 0; }
    void Expect(bool holds, Invariant invariant, std::optional<N> node = std::nullopt) {
        if (!holds) found_.push_back({invariant, node});
    }

    void Families() {
        int on = 0;
        int bits = 0;
        for (const auto& [node, bit] : {std::pair{N::Vardex, DB::Vardex}, std::pair{N::Pelmar, DB::Pelmar},
                                        std::pair{N::Zintor, DB::Zintor}}) {
            on += On(node);
            bits += Dev(bit);
            Expect(On(node) == Dev(bit), Invariant::OneFamily, node);
        }
        Expect(on == 1 && bits == 1, Invariant::OneFamily);
    }

    void Adapters() {
        const bool lanvik = On(N::Lanvik);
        const bool modem = On(N::Modara);
        const bool custom = On(N::CustomEthernetDevice);
        Expect(lanvik + modem + custom == 1, Invariant::OneAdapter);
        Expect(Opt(OB::Modem) == modem, Invariant::OneAdapter, N::Modara);
        Expect(Opt(OB::EthernetHardware) == (lanvik || custom), Invariant::OneAdapter, N::Lanvik);
        Expect(Opt(OB::CustomDevice) == custom, Invariant::OneAdapter, N::CustomEthernetDevice);
        Expect(Dev(DB::Lanvik) == lanvik, Invariant::OneAdapter, N::Lanvik);
        Expect(Dev(DB::CustomDevice) == custom, Invariant::OneAdapter, N::CustomEthernetDevice);
        const AdapterItem item = modem ? AdapterItem::Modara : custom ? AdapterItem::CustomDevice : AdapterItem::Lanvik;
        Expect(w_.CurrentAdapter() == item, Invariant::OneAdapter);
        // The adapter brings its link: the modem PPP, SLIP or none yet; the others Ethernet.
        Expect(Opt(OB::Ethernet) == !modem, Invariant::OneAdapter, N::Ethernet);
        if (!modem) Expect(!Opt(OB::PPP | OB::SLIP | OB::PAP), Invariant::OneAdapter, N::Ethernet);
    }

    void CheckFlags() {
        for (const NodeInfo& info : OptionNodeTable()) {
            if (info.kind != NodeKind::Option || info.item_data == 0) continue;
            switch (info.node) {
            case N::Vardex:
            case N::Pelmar:
            case N::Zintor:  // their item data are device bits (Families)
            case N::Lanvik:  // its bit stands for the custom device too (Adapters)
            case N::IP:
            case N::PING:  // in every library: their bits never go, their check flags never come
                continue;
            default: break;
            }
            Expect(On(info.node) == Opt(info.item_data), Invariant::CheckFlagIsBit, info.node);
        }
    }

    void DriverModes() {
        const bool custom = On(N::CustomEthernetDevice);
        const bool polled = Opt(OB::PolledMode);
        const bool interrupt = Opt(OB::InterruptMode);
        Expect(custom ? polled != interrupt : !polled && !interrupt, Invariant::DriverMode);
        Expect(On(N::PolledMode) == (custom && polled), Invariant::DriverMode, N::PolledMode);
        Expect(On(N::InterruptMode) == (custom && interrupt), Invariant::DriverMode, N::InterruptMode);
    }

    void EthernetServices() {
        if (!Opt(OB::Modem)) return;
        for (const auto& [node, bit] : {std::pair{N::ARP, OB::ARP}, std::pair{N::BOOTP, OB::BOOTP},
                                        std::pair{N::DHCP, OB::DHCP}}) {
            Expect(!On(node) && !Opt(bit), Invariant::EthernetService, node);
        }
        Expect(!On(N::LOCATRA) && r_.locatra_enabled == 0, Invariant::EthernetService, N::LOCATRA);
    }

    void Flags() {
        const bool password = On(N::UsePassword);
        Expect(password == (r_.use_password != 0), Invariant::UsePassword, N::UsePassword);
        if (password) Expect(On(N::Modara) && !On(N::PAP), Invariant::UsePassword, N::UsePassword);
        Expect(!(Opt(OB::PAP) && Opt(OB::NoPap)), Invariant::PapAndNoPap, N::PAP);
        const bool locatra = On(N::LOCATRA);
        Expect(locatra == (r_.locatra_enabled != 0), Invariant::Locatra, N::LOCATRA);
        if (locatra) Expect(Opt(OB::Ethernet), Invariant::Locatra, N::LOCATRA);
        Expect(On(N::DNS) == Dev(DB::Dns), Invariant::Dns, N::DNS);
        const bool bank = On(N::CodeBankProject);
        Expect(bank == (r_.code_bank != 0), Invariant::CodeBank, N::CodeBankProject);
        if (bank) Expect(On(N::Vardex) && Dev(DB::Vardex), Invariant::CodeBank, N::CodeBankProject);
    }

    void UsbFifo() {
        const bool possible = On(N::Zintor) && r_.clock.sysclk_hz <= kUsbFifoMaxSysclk;
        if (t_.Image(N::UsbFifoSupport) != TreeImage::Unavailable) {
            Expect(possible, Invariant::UsbFifo, N::UsbFifoSupport);
        }
        Expect(On(N::UsbFifoSupport) == (r_.zintor_usb_fifo != 0), Invariant::UsbFifo, N::UsbFifoSupport);
        if (r_.zintor_usb_fifo != 0) Expect(possible, Invariant::UsbFifo, N::UsbFifoSupport);
    }

    void CodeSize() {
        const quillon::CodeSize size = EstimateCodeSize(r_);
        Expect(w_.Panel().Control(ControlId::UsedSpace).text == std::to_string(size.used_kb) &&
                   w_.Panel().Control(ControlId::FreeSpace).text == std::to_string(size.free_kb),
               Invariant::CodeSize);
    }

    void Shown() {
        OptionTree shown = t_;
        ShowChoices(r_, shown);
        for (const NodeInfo& info : OptionNodeTable()) {
            if (info.kind != NodeKind::Option) continue;
            Expect(shown.Image(info.node) == t_.Image(info.node) && shown.IsChecked(info.node) == On(info.node) &&
                       shown.Reason(info.node) == t_.Reason(info.node),
                   Invariant::TreeShowsRecord, info.node);
            const TreeImage image = t_.Image(info.node);
            if (image == TreeImage::Unavailable || image == TreeImage::Fixed) {
                Expect(t_.Reason(info.node) != StateReason::None, Invariant::Unexplained, info.node);
            }
        }
    }

    const WizardDialog& w_;
    const ConfigRecord& r_;
    const OptionTree& t_;
    std::vector<InvariantViolation> found_;
};

const char* NameOf(Invariant invariant) {
    switch (invariant) {
    case Invariant::OneFamily: return "OneFamily";
    case Invariant::OneAdapter: return "OneAdapter";
    case Invariant::CheckFlagIsBit: return "CheckFlagIsBit";
    case Invariant::DriverMode: return "DriverMode";
    case Invariant::EthernetService: return "EthernetService";
    case Invariant::UsePassword: return "UsePassword";
    case Invariant::PapAndNoPap: return "PapAndNoPap";
    case Invariant::Locatra: return "Locatra";
    case Invariant::Dns: return "Dns";
    case Invariant::CodeBank: return "CodeBank";
    case Invariant::UsbFifo: return "UsbFifo";
    case Invariant::CodeSize: return "CodeSize";
    case Invariant::TreeShowsRecord: return "TreeShowsRecord";
    case Invariant::Unexplained: return "Unexplained";
    }
    return "?";
}

}  // namespace

std::vector<InvariantViolation> CheckInvariants(const WizardDialog& window) { return Checker(window).Run(); }

std::string Describe(const InvariantViolation& v) {
    std::string text = NameOf(v.invariant);
    if (v.node) text += " (" + std::string(InfoOf(*v.node).text) + ")";
    return text;
}

}  // namespace quillon
