#include "wizard/OptionTree.h"

#include <stdexcept>

namespace quillon {

namespace {

using N = OptionNode;
using I = TreeImage;
using K = NodeKind;

constexpr std::optional<OptionNode> kRoot{};

const std::array<NodeInfo, kOptionNodeCount> kNodes{{
    {N::HardwareSettings, "Hardware Settings", kRoot, I::Group, 0, K::Group},
    {N::CommunicationAdapter, "Communication Adapter", N::HardwareSettings, I::Category, 0, K::Category},
    {N::Lanvik, "Lanvik", N::CommunicationAdapter, I::On, 0x100000, K::Option},
    {N::Modara, "Modara", N::CommunicationAdapter, I::Off, 0x80000, K::Option},
    {N::UsePassword, "Use Password", N::Modara, I::Off, 0, K::Option},
    {N::CustomEthernetDevice, "Custom Ethernet Device", N::CommunicationAdapter, I::Off, 0x10000, K::Option},
    {N::PolledMode, "Polled Mode", N::CustomEthernetDevice, I::Off, 0, K::Option},
    {N::InterruptMode, "Interrupt Mode", N::CustomEthernetDevice, I::Off, 0, K::Option},
    {N::DeviceSelection, "Device Selection", N::HardwareSettings, I::Category, 0, K::Category},
    {N::Vardex, "Vardex", N::DeviceSelection, I::On, 0x100, K::Option},
    {N::CodeBankProject, "Code Bank Project", N::Vardex, I::Off, 0, K::Option},
    {N::Pelmar, "Pelmar", N::DeviceSelection, I::Off, 0x200, K::Option},
    {N::Zintor, "Zintor", N::DeviceSelection, I::Off, 0x400, K::Option},
    {N::UsbFifoSupport, "USB FIFO Support", N::Zintor, I::Off, 0, K::Option},
    {N::ProtocolSettings, "Protocol Settings", kRoot, I::Group, 0, K::Group},
    {N::LinkPhysicalLayer, "Link/Physical Layer", N::ProtocolSettings, I::Category, 0, K::Category},
    {N::Ethernet, "Ethernet", N::LinkPhysicalLayer, I::Off, 0x1, K::Option},
    {N::PPP, "PPP", N::LinkPhysicalLayer, I::Off, 0x2, K::Option},
    {N::PAP, "PAP", N::PPP, I::Off, 0x4000, K::Option},
    {N::SLIP, "SLIP", N::LinkPhysicalLayer, I::Off, 0x4, K::Option},
    {N::InternetLayer, "Internet Layer", N::ProtocolSettings, I::Category, 0, K::Category},
    {N::IP, "IP", N::InternetLayer, I::Fixed, 0x8, K::Option},
    {N::PING, "PING", N::InternetLayer, I::Fixed, 0x10, K::Option},
    {N::ARP, "ARP", N::InternetLayer, I::Fixed, 0x20, K::Option},
    {N::TransportLayer, "Transport Layer", N::ProtocolSettings, I::Category, 0, K::Category},
    {N::TCP, "TCP", N::TransportLayer, I::Off, 0x40, K::Option},
    {N::UDP, "UDP", N::TransportLayer, I::Off, 0x80, K::Option},
    {N::ApplicationLayer, "Application Layer", N::ProtocolSettings, I::Category, 0, K::Category},
    {N::BOOTP, "BOOTP", N::ApplicationLayer, I::Off, 0x100, K::Option},
    {N::DHCP, "DHCP", N::ApplicationLayer, I::Off, 0x200, K::Option},
    {N::DNS, "DNS", N::ApplicationLayer, I::Off, 0, K::Option},
    {N::FTP, "FTP", N::ApplicationLayer, I::Off, 0x400, K::Option},
    {N::HTTP, "HTTP", N::ApplicationLayer, I::Off, 0x800, K::Option},
    {N::LOCATRA, "LOCATRA", N::ApplicationLayer, I::Off, 0, K::Option},
    {N::SMTP, "SMTP", N::ApplicationLayer, I::Off, 0x1000, K::Option},
    {N::TFTP, "TFTP", N::ApplicationLayer, I::Off, 0x2000, K::Option},
    {N::SystemSettings, "System Settings", kRoot, I::Group, 0, K::Group},
    {N::VirtualFiles, "Virtual Files", N::SystemSettings, I::Category, 0, K::Page},
    {N::Sockets, "Sockets", N::SystemSettings, I::Socket, 0, K::Page},
    {N::SYSCLK, "SYSCLK", N::SystemSettings, I::Clock, 0, K::Page},
    {N::IPAddresses, "IP Addresses", N::SystemSettings, I::Network, 0, K::Page},
    {N::MACAddresses, "MAC Addresses", N::SystemSettings, I::Network, 0, K::Page},
}};

TreeImage ImageOf(NodeState state) {
    switch (state) {
    case NodeState::Off: return TreeImage::Off;
    case NodeState::On: return TreeImage::On;
    case NodeState::Fixed: return TreeImage::Fixed;
    case NodeState::Unavailable: return TreeImage::Unavailable;
    case NodeState::Included: return TreeImage::Fixed;
    }
    return TreeImage::Off;
}

}  // namespace

const std::array<NodeInfo, kOptionNodeCount>& OptionNodeTable() { return kNodes; }

const NodeInfo& InfoOf(OptionNode node) {
    const auto i = static_cast<std::size_t>(node) - 1;
    if (i >= kNodes.size()) throw std::out_of_range("option node");
    return kNodes[i];
}

std::optional<OptionNode> NodeByText(std::string_view text) {
    for (const NodeInfo& info : kNodes) {
        if (info.text == text) return info.node;
    }
    return std::nullopt;
}

OptionTree::OptionTree() { Build(); }

void OptionTree::Build() {
    for (const NodeInfo& info : kNodes) {
        NodeStateData& s = nodes_[Index(info.node)];
        s.image = info.insert_image;
        // Insertion sets only the image; every check flag starts clear. So IP, PING and ARP look
        // Fixed but count as unset until a rule makes them Fixed.
        s.checked = false;
        s.expanded = false;
        s.reason = info.node == N::IP || info.node == N::PING ? StateReason::InEveryLibrary
                   : info.node == N::ARP                       ? StateReason::ComesWithEthernet
                                                               : StateReason::None;
    }
    selected_.reset();
    ++revision_;
}

bool OptionTree::IsChecked(OptionNode node) const { return nodes_[Index(node)].checked; }

void OptionTree::SetState(OptionNode node, NodeState state) { SetState(node, state, StateReason::None); }

void OptionTree::SetState(OptionNode node, NodeState state, StateReason reason) {
    NodeStateData& s = nodes_[Index(node)];
    s.image = ImageOf(state);
    s.checked = state == NodeState::On || state == NodeState::Fixed;
    s.reason = reason;
    ++revision_;
}

StateReason OptionTree::Reason(OptionNode node) const { return nodes_[Index(node)].reason; }

void OptionTree::SetChecked(OptionNode node, bool checked) {
    nodes_[Index(node)].checked = checked;
    ++revision_;
}

void OptionTree::SetImage(OptionNode node, TreeImage image) {
    nodes_[Index(node)].image = image;
    ++revision_;
}

TreeImage OptionTree::Image(OptionNode node) const { return nodes_[Index(node)].image; }

bool OptionTree::IsExpanded(OptionNode node) const { return nodes_[Index(node)].expanded; }

void OptionTree::SetExpanded(OptionNode node, bool expanded) {
    nodes_[Index(node)].expanded = expanded;
    ++revision_;
}

}  // namespace quillon
