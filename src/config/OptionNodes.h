// The nodes of the option tree, named once for the whole program.
//
// The configuration model only needs to read and set the On/Off state of option nodes (the
// defaults set them, the device profile and the validation read them); the option tree in
// src/wizard owns the nodes themselves and implements OptionStates.
#pragma once

namespace quillon {

// In insertion order; the numeric value is the node's position in the tree (1 to 42).
enum class OptionNode : int {
    HardwareSettings = 1,
    CommunicationAdapter,
    Lanvik,
    Modara,
    UsePassword,
    CustomEthernetDevice,
    PolledMode,
    InterruptMode,
    DeviceSelection,
    Vardex,
    CodeBankProject,
    Pelmar,
    Zintor,
    UsbFifoSupport,
    ProtocolSettings,
    LinkPhysicalLayer,
    Ethernet,
    PPP,
    PAP,
    SLIP,
    InternetLayer,
    IP,
    PING,
    ARP,
    TransportLayer,
    TCP,
    UDP,
    ApplicationLayer,
    BOOTP,
    DHCP,
    DNS,
    FTP,
    HTTP,
    LOCATRA,
    SMTP,
    TFTP,
    SystemSettings,
    VirtualFiles,
    Sockets,
    SYSCLK,
    IPAddresses,
    MACAddresses,
};

inline constexpr int kOptionNodeCount = 42;

// An option's look and check flag set together.
enum class NodeState {
    Off,          // check flag clear, image 0
    On,           // check flag set, image 1
    Fixed,        // check flag set, image 2
    Unavailable,  // check flag clear, image 8
    // Fixed to look at but not chosen in the record: part of every library of the link layer
    // (IP and PING always, ARP with Ethernet until a rule sets its bit). Check flag clear, image 2.
    Included,
};

// Why an option has the state a rule gave it, or keeps its state when it is clicked: the fact
// that blocks it, as the rule that made it so knows it. The window words it for the user.
enum class StateReason {
    None,
    InEveryLibrary,     // IP and PING: part of every stack library
    ComesWithEthernet,  // ARP: part of every Ethernet library
    NeedsEthernet,      // ARP, BOOTP, DHCP, LOCATRA: only over Ethernet, and the modem is the link
    ModemNeedsVardex,   // Pelmar, Zintor: the modem runs on Vardex only
    NeedsZintor,        // USB FIFO Support: a Zintor feature, and the family is another
    ClockTooFast,       // USB FIFO Support: Zintor's SYSCLK is above 24 MHz
    ChosenFamily,       // a click keeps the chosen family
    ChosenAdapter,      // a click keeps the chosen adapter
    ChosenLink,         // a click keeps the chosen link layer
    ChosenMode,         // a click keeps the custom device's driver mode
};

class OptionStates {
public:
    virtual ~OptionStates() = default;
    // True when the node's check flag is set (On or Fixed).
    virtual bool IsChecked(OptionNode node) const = 0;
    virtual void SetState(OptionNode node, NodeState state) = 0;
    // The same, with the reason for it, for those that keep it (the option tree).
    virtual void SetState(OptionNode node, NodeState state, StateReason) { SetState(node, state); }
};

}  // namespace quillon
