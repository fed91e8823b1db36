#include "wizard/WizardDialog.h"

#include "config/LibrarySelection.h"
#include "io/HeldFile.h"

namespace quillon {

WizardDialog::WizardDialog(Platform& platform, WizardOptions options)
    : platform_(platform), options_(std::move(options)) {
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
}

void WizardDialog::OnOptionClick(OptionNode node) {
    modified_ = true;
    const NodeKind kind = InfoOf(node).kind;
    const bool passive = kind != NodeKind::Option || node == OptionNode::IP || node == OptionNode::PING ||
                         node == OptionNode::ARP;
    if (!passive) {
        bool toggle = true;
        RunRules(node, toggle);
        if (toggle) Toggle(node);
        UpdateCodeSize();
    }
    // The press goes on to the tree, which selects the item.
    if (tree_.Selected() != node) OnSelectionChange(node);
    NotifyView();
}

void WizardDialog::OnSelectionChange(OptionNode node) {
    if (tree_.Selected()) CommitAddressControls();
    tree_.Select(node);
    RefreshPanel();
    NotifyView();
}

void WizardDialog::OnArpAutoUpdateClicked(bool checked) {
    if (refreshing_) return;
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
    switch (command) {
    case MenuCommand::New: OnFileNew(); return true;
    case MenuCommand::Open: OnFileOpen(); return true;
    case MenuCommand::Save: OnFileSave(); return true;
    case MenuCommand::SaveAs: OnFileSaveAs(); return true;
    case MenuCommand::SelectProjectDirectory: OnSelectProjectDirectory(); return true;
    case MenuCommand::GenerateProject: OnGenerateProject(); return true;
    case MenuCommand::Exit: OnExit(); return true;
    case MenuCommand::Help: OnHelp(); return true;
    case MenuCommand::About: OnAbout(); return true;
    default: return false;
    }
}

}  // namespace quillon
