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

class OptionStates {
public:
    virtual ~OptionStates() = default;
    // True when the node's check flag is set (On or Fixed).
    virtual bool IsChecked(OptionNode node) const = 0;
    virtual void SetState(OptionNode node, NodeState state) = 0;
};

}  // namespace quillon
