#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "config/ClockDefaults.h"
#include "wizard/WizardDialog.h"

using namespace quillon;

namespace {

class WizardGenerate : public ::testing::Test {
protected:
    WizardGenerate() : window(platform, WizardOptions{}) { ApplyClockDefaults(window.Record()); }

    void Tick(std::initializer_list<OptionNode> nodes) {
        for (OptionNode n : nodes) window.Tree().SetState(n, NodeState::On);
    }
    void TickEthernetProject() {
        Tick({OptionNode::Ethernet, OptionNode::IP, OptionNode::PING, OptionNode::ARP, OptionNode::TCP,
              OptionNode::Vardex, OptionNode::Lanvik});
    }

    test::FakePlatform platform;
    WizardDialog window;
    test::TempDir dir;
};

}  // namespace

TEST_F(WizardGenerate, TreeChecksComeFirstAndWriteNothing) {
    const std::pair<OptionNode, const char*> steps[] = {
        {OptionNode::Ethernet, "Select a Link/Physical Layer"},
        {OptionNode::UDP, "Select a Transport Layer"},
        {OptionNode::Pelmar, "Select a Device"},
        {OptionNode::CustomEthernetDevice, "Select a Communication Adapter"},
    };
    for (const auto& [node, text] : steps) {
        platform.messages.clear();
        window.OnGenerateProject();  // no folder dialog is expected: the fake would throw
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, text);
        EXPECT_EQ(platform.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_FALSE(window.LastGeneration());
        Tick({node});
    }
}

TEST_F(WizardGenerate, ValidationFailureStopsBeforeTheFolderQuestion) {
    TickEthernetProject();
    window.Record().num_sockets = 1;
    window.OnGenerateProject();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "At least 2 sockets are required when using PING");
    EXPECT_EQ(platform.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(platform.messages[0].caption, "Quillon");
    EXPECT_EQ(window.Record().option_bits, kDefaultOptionBits);
}

TEST_F(WizardGenerate, CancelledFolderDialogIsSilentAndAsksAgainNextTime) {
    TickEthernetProject();
    platform.folders.push_back(std::nullopt);
    window.OnGenerateProject();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(window.ProjectFolder(), "");
    EXPECT_EQ(window.Record().option_bits, 0x148079u);
    ASSERT_EQ(platform.folder_requests.size(), 1u);
    EXPECT_EQ(platform.folder_requests[0].first, "Select a Folder to Generate Your Project Files In:");

    platform.folders.push_back(dir.Path());
    window.OnGenerateProject();
    EXPECT_EQ(platform.folder_requests.size(), 2u);
    EXPECT_EQ(window.ProjectFolder(), dir.Path() + "/");
    ASSERT_EQ(platform.messages.size(), 1u);
    // No store is loaded in the tests: the libraries are missing, and the message says so.
    EXPECT_TRUE(platform.messages[0].text.starts_with("Project generated successfully.\n"));
    ASSERT_TRUE(window.LastGeneration());
    EXPECT_EQ(window.LastGeneration()->outcome, GenerationOutcome::Generated);
}

TEST_F(WizardGenerate, SelectProjectDirectoryThenGenerateDoesNotAsk) {
    platform.folders.push_back(dir.Path() + "/");
    window.OnSelectProjectDirectory();
    EXPECT_EQ(window.ProjectFolder(), dir.Path() + "/");
    EXPECT_EQ(platform.folder_requests.back().second, "");

    TickEthernetProject();
    window.OnGenerateProject();
    EXPECT_EQ(platform.folder_requests.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir.File("main.c")));
}

TEST_F(WizardGenerate, SelectProjectDirectoryResults) {
    platform.folders.push_back(std::nullopt);
    window.OnSelectProjectDirectory();
    EXPECT_EQ(window.ProjectFolder(), kNoFolderSelected);

    platform.folders.push_back("/");
    window.OnSelectProjectDirectory();
    EXPECT_EQ(window.ProjectFolder(), "/");
    EXPECT_EQ(platform.folder_requests.back().second, kNoFolderSelected);

    platform.folders.push_back(std::nullopt);
    window.OnSelectProjectDirectory();
    EXPECT_EQ(window.ProjectFolder(), "/");

    platform.folders.push_back("");
    window.OnSelectProjectDirectory();
    EXPECT_EQ(window.ProjectFolder(), kNoFolderSelected);
}

TEST_F(WizardGenerate, FailedFilesEndWithTheErrorAndTheirPaths) {
    TickEthernetProject();
    window.SetProjectFolder(dir.Path() + "/");
    std::filesystem::create_directory(dir.File("zs_callback.c"));
    window.OnGenerateProject();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Error generating project files");
    EXPECT_EQ(platform.messages[0].icon, MessageIcon::Exclamation);
    ASSERT_EQ(platform.messages[0].details.size(), 1u);
    EXPECT_EQ(platform.messages[0].details[0], dir.File("zs_callback.c") + ": Is a directory");
}

TEST_F(WizardGenerate, ModemSelectionsAndBaudRateAreRefreshed) {
    Tick({OptionNode::PPP, OptionNode::IP, OptionNode::TCP, OptionNode::Vardex, OptionNode::Modara});
    window.Record().option_bits = OptionBit::PPP | OptionBit::IP | OptionBit::TCP | OptionBit::Modem;
    window.Record().uart_baud_rate = 115200;  // not reachable at 98 MHz within 4%
    window.Panel().Control(ControlId::CountryCombo).selection = 3;
    window.Panel().Control(ControlId::ProtocolCombo).selection = 2;
    window.Tree().Select(OptionNode::Modara);
    platform.folders.push_back(std::nullopt);
    window.OnGenerateProject();

    const ConfigRecord& r = window.Record();
    EXPECT_EQ(r.country_index, 3);
    EXPECT_EQ(r.country_code, kCountryTable[3].code);
    EXPECT_EQ(r.protocol_index, 2);
    EXPECT_EQ(r.modem_protocol, kProtocolTable[2].code);
    EXPECT_TRUE(window.Modified());
    EXPECT_EQ(r.uart_baud_rate, 307200u);
    EXPECT_EQ(window.Panel().ValueText(1), "307200");
    EXPECT_TRUE(platform.questions.empty());
}
