#include <filesystem>
#include <fstream>

#include "WindowTestSupport.h"

namespace quillon::test {
namespace {

using HelpTest = WindowTest;

void MakeHelp(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/index.html") << "<html></html>";
}

TEST_F(HelpTest, MissingHelpNamesThePathBesideTheProgram) {
    dlg.OnMenuCommand(MenuCommand::Help);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Help File Not Found: " + dir.File("help/index.html")});
    EXPECT_TRUE(ui.help_shown.empty());
}

TEST_F(HelpTest, HelpIsShownFromBesideTheProgramOrTheInstallation) {
    MakeHelp(dir.File("help"));  // installed after start: found at the next command
    dlg.OnHelp();
    EXPECT_EQ(ui.help_shown, std::vector<std::string>{dir.File("help/index.html")});
    EXPECT_TRUE(ui.messages.empty());

    ui.help_result = false;
    dlg.OnHelp();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"IDS_HTMLHELP_ERR"});

    TempDir prefix;
    MakeHelp(prefix.File("share/quillon/help"));
    WizardOptions options = MakeOptions(dir);
    options.program_dir = dir.File("bin");
    options.install_prefix = prefix.Path();
    FakePlatform installed_ui;
    WizardDialog installed(installed_ui, options);
    installed.Initialise();
    EXPECT_EQ(installed.HelpPath(), prefix.File("share/quillon/help/index.html"));
    installed.OnHelp();
    EXPECT_EQ(installed_ui.help_shown, std::vector<std::string>{prefix.File("share/quillon/help/index.html")});
}

TEST_F(HelpTest, AboutShowsTheAboutBox) {
    dlg.OnMenuCommand(MenuCommand::About);
    EXPECT_EQ(ui.about_shown, 1);
    EXPECT_FALSE(dlg.Modified());
}

}  // namespace
}  // namespace quillon::test
