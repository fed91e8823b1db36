#include "wizard/WizardDialog.h"

#include "config/LibrarySelection.h"
#include "io/HeldFile.h"
#include "wizard/OptionRules.h"

namespace quillon {

WizardDialog::WizardDialog(Platform& platform, WizardOptions options)
    : session_(platform), platform_(session_), options_(std::move(options)) {
    // Construction values; the record's other defaults are applied at initialisation.
    record_.country_index = 40;
    record_.protocol_index = 0;
    record_.code_bank = 0;
    record_.zintor_usb_fifo = 0;
    record_.locatra_enabled = 0;
    record_.device_bits = kDefaultDeviceBits;
    record_.emif_timing = 0xFF;
    // The combo boxes show the record's selections from the start, so that a modem project
    // generated before the "Modara" page was ever shown still carries its country and protocol.
    panel_.Control(ControlId::CountryCombo).selection = record_.country_index;
    panel_.Control(ControlId::ProtocolCombo).selection = record_.protocol_index;

    if (options_.store_path) {
        store_.Load({*options_.store_path});
    } else {
        store_.Load(StoreBinding::DefaultCandidates(options_.program_dir, options_.install_prefix));
    }
}

WizardDialog::~WizardDialog() {
    store_.Unload();
    CloseHeldSettingsFile();
}

void WizardDialog::Initialise() {
    tree_.Build();
    ResetToDefaults(record_, *this);
    for (OptionNode n : {OptionNode::HardwareSettings, OptionNode::CommunicationAdapter, OptionNode::DeviceSelection,
                         OptionNode::Vardex, OptionNode::Zintor, OptionNode::Modara, OptionNode::CustomEthernetDevice,
                         OptionNode::ProtocolSettings, OptionNode::LinkPhysicalLayer, OptionNode::PPP,
                         OptionNode::InternetLayer, OptionNode::TransportLayer, OptionNode::ApplicationLayer,
                         OptionNode::SystemSettings}) {
        tree_.SetExpanded(n, true);
    }
    OnSelectionChange(OptionNode::HardwareSettings);
    // The code-size box shows the default configuration's size from the start rather than
    // "0" used until the first click.
    UpdateCodeSize();
    help_path_ = ResolveHelpPath();
    NotifyView();
    session_.Start();
}

namespace {

// The buffer sizes that the families' and the modem's profiles set, with their captions.
struct BufferSize {
    const char* caption;
    std::uint16_t ConfigRecord::*field;
};
constexpr BufferSize kProfileBuffers[] = {
    {"Size of TX buffer", &ConfigRecord::xmit_buff_size},  {"Size of RX buffer", &ConfigRecord::recv_buff_size},
    {"TCP Window Size", &ConfigRecord::tcp_window},        {"Size of FTP holding buffer", &ConfigRecord::ftp_buffer_len},
    {"Size of HTTP buffer", &ConfigRecord::http_buffer_len}, {"SMTP buffer size", &ConfigRecord::smtp_buffer_len},
};

// True when the buffer sizes are one of the profiles as it set them: nobody chose them.
bool IsBufferProfile(const ConfigRecord& r) {
    const auto others = [&](std::uint16_t v) {
        return r.tcp_window == v && r.ftp_buffer_len == v && r.http_buffer_len == v && r.smtp_buffer_len == v;
    };
    return (r.xmit_buff_size == 1514 && r.recv_buff_size == 1514 && others(512)) ||
           (r.xmit_buff_size == 560 && r.recv_buff_size == 840 && others(256)) ||
           (r.xmit_buff_size == 570 && r.recv_buff_size == 570 && others(285));
}

}  // namespace

void WizardDialog::OnOptionClick(OptionNode node) {
    const auto action = session_.Click(node);
    const TreeImage image = tree_.Image(node);
    const bool checked = tree_.IsChecked(node);
    const ConfigRecord before = record_;
    std::vector<std::pair<TreeImage, bool>> states_before;
    for (const NodeInfo& info : OptionNodeTable()) states_before.emplace_back(tree_.Image(info.node), tree_.IsChecked(info.node));
    std::optional<StateReason> kept;
    if (HasRules(node)) {
        kept = ApplyOptionClick(record_, tree_, current_adapter_, node);
        UpdateCodeSize();
    }
    // Only a click that changed something is a change: one on a greyed or fixed option is not.
    std::vector<std::pair<TreeImage, bool>> states_after;
    for (const NodeInfo& info : OptionNodeTable()) states_after.emplace_back(tree_.Image(info.node), tree_.IsChecked(info.node));
    if (record_ != before || states_after != states_before) modified_ = true;
    // Sizes the user chose are not replaced by a profile without a word.
    if (!IsBufferProfile(before)) {
        std::string changes;
        for (const BufferSize& b : kProfileBuffers) {
            if (before.*b.field == record_.*b.field) continue;
            changes += std::string(changes.empty() ? "" : "; ") + b.caption + " " + std::to_string(before.*b.field) +
                       " -> " + std::to_string(record_.*b.field);
        }
        if (!changes.empty()) {
            Message message;
            message.text = std::string(InfoOf(node).text) + " sets the buffer sizes of its profile in place of yours: " +
                           changes + ".";
            message.icon = MessageIcon::Information;
            platform_.ShowMessage(message);
        }
    }
    // The press goes on to the tree, which selects the item.
    if (tree_.Selected() != node) OnSelectionChange(node);
    // A click that left the option as it was: why, as the rule said (or as its state says).
    const bool in_vain =
        InfoOf(node).kind == NodeKind::Option && tree_.Image(node) == image && tree_.IsChecked(node) == checked;
    const StateReason why = kept.value_or(tree_.Reason(node));
    if (in_vain && why != StateReason::None) vain_click_ = {node, why};
    NotifyView();
}

std::string WizardDialog::SelectionReason() const {
    const std::optional<OptionNode> selected = tree_.Selected();
    if (!selected) return {};
    StateReason why = StateReason::None;
    if (vain_click_ && vain_click_->first == *selected) {
        why = vain_click_->second;
    } else if (tree_.Image(*selected) == TreeImage::Unavailable || tree_.Image(*selected) == TreeImage::Fixed) {
        why = tree_.Reason(*selected);
    }
    if (why == StateReason::None) return {};
    // The node's name first, unless the reason starts with it anyway.
    const std::string reason = ReasonText(why, *selected, record_);
    const std::string_view name = InfoOf(*selected).text;
    if (reason.starts_with(name)) return reason;
    return std::string(name) + ": " + reason;
}

void WizardDialog::OnSelectionChange(OptionNode node) {
    const auto action = session_.Select(node, tree_.Selected());
    vain_click_.reset();
    if (tree_.Selected()) CommitAddressControls();
    tree_.Select(node);
    RefreshPanel();
    NotifyView();
}

void WizardDialog::OnArpAutoUpdateClicked(bool checked) {
    if (refreshing_) return;
    const auto action = session_.Check(panel_.Control(ControlId::ArpAutoUpdate), checked);
    modified_ = true;
    panel_.Control(ControlId::ArpAutoUpdate).checked = checked;
    record_.arp_auto_update = checked ? 1 : 0;
}

void WizardDialog::UpdateCodeSize() {
    const CodeSize size = EstimateCodeSize(record_);
    panel_.Control(ControlId::UsedSpace).text = std::to_string(size.used_kb);
    panel_.Control(ControlId::FreeSpace).text = std::to_string(size.free_kb);
    RefreshControls();
}

void WizardDialog::RefreshControls() {
    refreshing_ = true;
    NotifyView();
    refreshing_ = false;
}

void WizardDialog::NotifyView() {
    if (view_listener_) view_listener_();
}

void WizardDialog::CloseHeldSettingsFile() {
    held_file_.reset();
    settings_file_name_.clear();
}

bool WizardDialog::OnMenuCommand(int command) {
    const auto action = session_.Menu(command);
    switch (command) {
    case MenuCommand::New: OnFileNew(); return true;
    case MenuCommand::Open: OnFileOpen(); return true;
    case MenuCommand::Save: OnFileSave(); return true;
    case MenuCommand::SaveAs: OnFileSaveAs(); return true;
    case MenuCommand::SelectProjectDirectory: OnSelectProjectDirectory(); return true;
    case MenuCommand::GenerateProject: OnGenerateProject(); return true;
    case MenuCommand::Exit: OnExit(); return true;
    case MenuCommand::Help: OnHelp(); return true;
    case MenuCommand::ContextHelp: OnContextHelp(); return true;
    case MenuCommand::About: OnAbout(); return true;
    case MenuCommand::ExportScript: OnExportScript(); return true;
    default: return false;
    }
}

}  // namespace quillon
