// The main window without a toolkit: it owns the one ConfigRecord, the option tree, the
// settings panel, the modified flag, the project folder, the held settings file and the two
// library-store entry points, and has one method per routed event. Front ends render its
// models and forward the user's events; every dialog goes through Platform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/Finding.h"
#include "config/SettingsFormat.h"
#include "generator/ProjectGenerator.h"
#include "wizard/Explain.h"
#include "wizard/OptionTree.h"
#include "wizard/Platform.h"
#include "wizard/SessionRecorder.h"
#include "wizard/SettingsPanel.h"
#include "wizard/StoreBinding.h"

namespace quillon {

class HeldFile;

// Menu command ids of the window's menu.
namespace MenuCommand {
inline constexpr int New = 57600;
inline constexpr int Open = 57601;
inline constexpr int Save = 57603;
inline constexpr int SaveAs = 32773;
inline constexpr int SelectProjectDirectory = 32779;
inline constexpr int GenerateProject = 32778;
inline constexpr int Exit = 57665;
inline constexpr int Help = 32777;
inline constexpr int About = 32776;
// Commands of this program's own: the help at the selected node's section (F1) and the
// session written as a quillon-cli script.
inline constexpr int ContextHelp = 32790;
inline constexpr int ExportScript = 32791;
}  // namespace MenuCommand

struct WizardOptions {
    // Folder of the running program; the store and the help are looked up beside it.
    std::string program_dir;
    // Installation prefix, for the installed store and help when nothing is beside the program.
    std::string install_prefix;
    // When set, the store is loaded from exactly this file instead of being searched for.
    std::optional<std::string> store_path;
    // Open holds the settings file, locked, as the desktop window does. Commands that only
    // read a file (show, check, generate) read it without a hold, so that they work on a file
    // that a running wizard holds; Save then asks for a name as for a new file.
    bool hold_settings_file = true;
};

class WizardDialog : private DefaultsHost {
public:
    WizardDialog(Platform& platform, WizardOptions options);
    ~WizardDialog() override;
    WizardDialog(const WizardDialog&) = delete;
    WizardDialog& operator=(const WizardDialog&) = delete;

    // Window initialisation: builds the option tree, runs the defaults, expands the
    // categories, selects "Hardware Settings" (which fills the panel) and sets the help path.
    void Initialise();

    // --- Routed events -------------------------------------------------------------------
    // A left press on the box image of `node`: the option click (rules, toggle, code size),
    // after which the node also becomes the selected one.
    void OnOptionClick(OptionNode node);
    // A press on the node's text (or keyboard navigation): the selection moves to `node`.
    // The four address controls are committed first; the panel is then rebuilt.
    void OnSelectionChange(OptionNode node);
    // The user's edit of value edit 1001, 1002, 1003 or 1008 ended with `text`. A number that
    // is not a plain number, or does not fit the field, is not stored: the record keeps its
    // value and Findings() names the field until the edit holds what the record does. Returns
    // the note the edit left beside the field (empty: the value was stored as typed and breaks
    // no rule); the control holds it too.
    std::string OnValueEdited(int control_id, const std::string& text);
    // The user's edit of one of the MAC byte edits 1019 to 1030 ended with `text`. A text with
    // a character that is no hexadecimal digit is not taken; the returned note says so.
    std::string OnMacEdited(int control_id, const std::string& text);
    // Address control 1015 to 1018 changed to `address`.
    void OnAddressChanged(int control_id, const Ip4& address);
    // The four fields of address control 1015 to 1018 hold `dotted` as typed ("10.0.0.300"):
    // an address whose octets all fit is stored as OnAddressChanged stores it; otherwise
    // nothing is stored and the returned note (also the control's) says so.
    std::string OnAddressTyped(int control_id, std::string_view dotted);
    // Combo 1039 or 1041 selected entry `index`.
    void OnComboChanged(int control_id, int index);
    // Check box 1011 "ARP Auto Update" clicked into `checked`.
    void OnArpAutoUpdateClicked(bool checked);
    // Button 1010 "Configure SYSCLK".
    void OnConfigureSysclk();
    // Button 1031 "Update UART Baud Rate".
    void OnUpdateUartBaudRate();

    // Menu commands. New and Open ask "Do you want to save your settings to FILE?" (Yes, No, Cancel)
    // while there are unsaved changes, as Exit does; Open replaces the configuration only with
    // a file that it could open and read.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnSelectProjectDirectory();
    void OnGenerateProject();
    // Generate Project with options (a dry run, diffs): what quillon-cli generate asks for.
    void OnGenerateProject(const GenerationOptions& options);
    // The Exit command and the window's close box: asks to save while modified; Cancel keeps
    // the window open. Returns true when the window closes.
    bool OnExit();
    // True once Exit (or the close box) has ended the window; the front end then closes it.
    bool Closed() const { return closed_; }
    void OnHelp();
    // F1: the help at the section of the selected node.
    void OnContextHelp();
    void OnAbout();
    // File > Export Script...: the session so far as a quillon-cli script, into the file the
    // save dialog names.
    void OnExportScript();
    // Dispatches a menu command id (MenuCommand); false for an unknown id.
    bool OnMenuCommand(int command);

    // --- State the views and tests read ----------------------------------------------------
    ConfigRecord& Record() { return record_; }
    const ConfigRecord& Record() const { return record_; }
    OptionTree& Tree() { return tree_; }
    const OptionTree& Tree() const { return tree_; }
    SettingsPanel& Panel() { return panel_; }
    const SettingsPanel& Panel() const { return panel_; }
    Platform& Ui() { return platform_; }
    // The user's actions so far, as a script.
    SessionRecorder& Session() { return session_; }
    const SessionRecorder& Session() const { return session_; }

    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    const std::string& ProjectFolder() const { return project_folder_; }
    void SetProjectFolder(std::string folder) { project_folder_ = std::move(folder); }
    const std::string& SettingsFileName() const { return settings_file_name_; }
    // The lines the last Open had to guess at (the window itself does not show them; the
    // command line reports them).
    const std::vector<SettingsFinding>& SettingsFindings() const { return settings_findings_; }
    // How many times opening or saving a settings file failed (a file that could not be read
    // or written, a save refused); a cancelled dialog is not a failure.
    int SettingsFileFailures() const { return settings_file_failures_; }
    AdapterItem CurrentAdapter() const { return current_adapter_; }
    bool GatewayFlag() const { return gateway_flag_; }
    const std::string& HelpPath() const { return help_path_; }
    const StoreBinding& Store() const { return store_; }
    // What the last Generate Project command wrote; nothing before the first one and when the
    // tree checks or the validation refused the last one.
    const std::optional<GenerationReport>& LastGeneration() const { return last_generation_; }

    // Moves the window's member values into its controls: views re-read the models. Never
    // counts as a user change.
    void RefreshControls() override;
    // Called after every RefreshControls and after every change of the tree, so that a
    // front end can repaint. One listener; an empty function removes it.
    void SetViewListener(std::function<void()> listener) { view_listener_ = std::move(listener); }

    // Recomputes the code-size box (used and free KB) from the record.
    void UpdateCodeSize();

    // Everything that would keep Generate Project from writing a project, in the order the
    // command tests it: the choices the tree must hold, then the validation rules. Each
    // finding names the panel's edit for its field where there is one.
    std::vector<Finding> Findings() const;
    // What is likely wrong but does not keep Generate Project from writing a project (the
    // addresses of AddressWarnings), each naming its address control.
    std::vector<Finding> Warnings() const;
    // The tree's nodes that hold a problem of their own, for the tree to mark: SYSCLK while
    // the clock breaks one of its limits.
    std::vector<OptionNode> NodesWithProblems() const;

    // The edit a front end should give the keyboard focus to: set when a refused generation
    // has put a finding's field in front of the user. `serial` grows with every request, so a
    // view acts on each one once.
    struct FieldFocus {
        int control = 0;
        std::uint64_t serial = 0;
    };
    const FieldFocus& FocusRequest() const { return focus_request_; }

    // Why `node` is in its state (or stays in it when clicked) and what choosing it would cost
    // (Explain.cpp). Changes nothing.
    NodeExplanation Explain(OptionNode node) const;
    // For the status bar: the reason, after the node's name unless it starts with it, when the
    // selected option is Unavailable or Fixed, or when the click that selected it left it as it
    // was; empty otherwise.
    std::string SelectionReason() const;

    // What Open does once it has read a settings file: the record goes to its defaults, the
    // text is read into it, and the tree, the panel and the code-size box show it. Holds no file.
    void LoadSettingsText(std::string_view text);

private:
    // DefaultsHost
    OptionStates& Options() override { return tree_; }
    void CloseHeldSettingsFile() override;
    void SetCurrentAdapter(AdapterItem item) override { current_adapter_ = item; }
    void ClearGatewayFlag() override { gateway_flag_ = false; }

    // Sets every option node from the record, after something other than a click changed it
    // (OptionRules.cpp).
    void ShowRecordInTree();

    // Settings panel (PanelRules.cpp).
    void RefreshPanel();
    void CommitAddressControls();
    // Stores address control `control_id` into the field behind it for the selected node;
    // true when the record changed.
    bool StoreAddress(int control_id);
    // Puts the typed text into the edit; false (after the limit message) when it is too long.
    bool AcceptsTypedText(PanelControl& control, const std::string& text);

    // Project folder and generation (WizardGenerate.cpp).
    std::string ChooseProjectFolder();
    void RefreshModemSelections(std::optional<OptionNode> selected);

    // Settings file (SettingsFile.cpp).
    bool Save();
    bool SaveAs();
    // Writes the settings to `path` and holds it; false, after a message naming the file and the
    // reason, when it could not be written (the file held before is then still held).
    bool WriteSettingsFile(std::string path);
    // Asks whether to save unsaved changes first: true when the command may go on (saved, or
    // No), false when it stops (Cancel, or a save that did not complete).
    bool MayDropChanges();
    // After New and Open: the panel and the code-size box show the record as it now is.
    void ShowRecordInControls();

    // Findings (WizardFindings.cpp): the choices a project cannot do without, and the first
    // finding of a refused generation shown, its node selected and its field focused.
    std::vector<Finding> MissingChoices() const;
    // The panel's edits that show a text the record does not hold (PanelRules.cpp).
    std::vector<Finding> UnstoredTexts() const;
    void ShowRefusal(const Finding& finding);

    // Help and About (WizardCommands.cpp): help/index.html beside the program, else the
    // installed copy.
    std::string ResolveHelpPath() const;
    void ShowHelpAt(const std::string& section);

    void NotifyView();
    // An error or refusal in a message box of the window's own (exclamation icon).
    void Warn(std::string text);

    // Between the window and the front end's Platform: it sees every dialog's answer.
    SessionRecorder session_;
    Platform& platform_;
    WizardOptions options_;
    ConfigRecord record_;
    OptionTree tree_;
    SettingsPanel panel_;
    AdapterItem current_adapter_ = AdapterItem::None;
    StoreBinding store_;
    std::string help_path_;
    std::unique_ptr<HeldFile> held_file_;
    std::string settings_file_name_;
    std::vector<SettingsFinding> settings_findings_;
    bool modified_ = false;
    int settings_file_failures_ = 0;
    bool closed_ = false;
    bool gateway_flag_ = false;
    // Set while the window moves values into controls; change notifications are ignored then.
    bool refreshing_ = false;
    std::string project_folder_;
    std::optional<GenerationReport> last_generation_;
    FieldFocus focus_request_;
    // The last click, when it left its option as it was, with the reason; until the selection
    // moves.
    std::optional<std::pair<OptionNode, StateReason>> vain_click_;
    std::function<void()> view_listener_;
};

}  // namespace quillon
