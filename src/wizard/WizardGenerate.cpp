// Select Project Directory and Generate Project: the window's part of generation (the
// findings, the clock-derived values and the modem selections), then the generation driver.
#include "clock/DerivedValues.h"
#include "wizard/GenerationMessages.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

constexpr const char* kFolderDialogTitle = "Select a Folder to Generate Your Project Files In:";

// The folder dialog's path without a trailing "/", except for the root itself.
std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

// The modem's country and protocol as the two combo boxes show them, and a baud rate SYSCLK
// can reach.
void WizardDialog::RefreshModemSelections(std::optional<OptionNode> selected) {
    // A combo box without a selection leaves the record's earlier choice in place.
    const int country = panel_.Control(ControlId::CountryCombo).selection;
    if (country >= 0 && country < kCountryCount) {
        record_.country_index = country;
        record_.country_code = std::string(kCountryTable[static_cast<std::size_t>(country)].code);
    }
    const int protocol = panel_.Control(ControlId::ProtocolCombo).selection;
    if (protocol >= 0 && protocol < kProtocolCount) {
        record_.protocol_index = protocol;
        record_.modem_protocol = std::string(kProtocolTable[static_cast<std::size_t>(protocol)].code);
    }
    modified_ = true;
    CheckBaudRate(record_);
    if (selected == OptionNode::Modara) {
        panel_.ValueText(1) = std::to_string(static_cast<std::int32_t>(record_.uart_baud_rate));
        RefreshControls();
    }
}

std::string WizardDialog::ChooseProjectFolder() {
    if (const auto chosen = platform_.BrowseForFolder(kFolderDialogTitle, project_folder_)) {
        if (chosen->empty()) return kNoFolderSelected;
        RefreshControls();
        return WithoutTrailingSlash(*chosen);
    }
    return project_folder_.empty() ? std::string(kNoFolderSelected) : project_folder_;
}

void WizardDialog::OnSelectProjectDirectory() {
    project_folder_ = ChooseProjectFolder();
    if (project_folder_ == kNoFolderSelected || project_folder_.ends_with('/')) return;
    project_folder_ += '/';
}

void WizardDialog::OnGenerateProject() { OnGenerateProject(GenerationOptions{}); }

void WizardDialog::OnGenerateProject(const GenerationOptions& options) {
    last_generation_.reset();
    const std::optional<OptionNode> selected = tree_.Selected();
    // The first finding refuses the project, as the four tree checks and the validation
    // rules have always done one after the other.
    if (const std::vector<Finding> findings = Findings(); !findings.empty()) {
        ShowRefusal(findings.front());
        return;
    }

    ComputeTickReload(record_);
    if (record_.option_bits & OptionBit::Ethernet) ComputeEmifTiming(record_);
    if (record_.option_bits & OptionBit::Modem) RefreshModemSelections(selected);

    GenerationHooks hooks;
    hooks.choose_folder = [this] { return ChooseProjectFolder(); };
    // The front end may show what is about to happen to every file and let the user stop it.
    hooks.review = [this](const std::vector<FileReport>& files, const std::function<std::string(std::size_t)>& diff) {
        return platform_.PreviewGeneration(PreviewOf(project_folder_, files, diff));
    };
    last_generation_ = GenerateProject(record_, project_folder_, store_, hooks, options);
    // The option bits are now the library's whole set: the tree shows what will be saved.
    ShowRecordInTree();
    UpdateCodeSize();
    for (const Message& message : GenerationStepMessages(*last_generation_)) platform_.ShowMessage(message);

    const std::vector<std::string> store_locations =
        options_.store_path ? std::vector<std::string>{*options_.store_path}
                            : StoreBinding::DefaultCandidates(options_.program_dir, options_.install_prefix);
    if (auto message = GenerationClosingMessage(*last_generation_, store_locations)) {
        if (last_generation_->outcome == GenerationOutcome::Generated) {
            message->text += "\n" + StackSourceNotice(last_generation_->missing_stack_sources);
        }
        // Nobody should flash firmware linked against the sample libraries without knowing.
        if (!StoreNotices(store_).empty()) message->text += std::string("\n") + kSampleWorkspaceNotice;
        platform_.ShowMessage(*message);
    }
    NotifyView();
}

}  // namespace quillon
