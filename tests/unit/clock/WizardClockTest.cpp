#include <gtest/gtest.h>

#include <filesystem>

#include "clock/DerivedValues.h"
#include "clock/SheetModel.h"
#include "wizard/WindowTestSupport.h"

using namespace quillon;

namespace {

class WizardClock : public test::WindowTest {
protected:
    void SelectSysclk() { dlg.OnSelectionChange(OptionNode::SYSCLK); }
    // Switches the family the way the user does and shows the SYSCLK node.
    void UseZintor() {
        Click(OptionNode::Zintor);
        ASSERT_TRUE(Devices() & DeviceBit::Zintor);
        SelectSysclk();
    }
    // Confirms the sheet after `edit` has driven it.
    void Confirm(const std::function<void(SheetModel&)>& edit) {
        ui.sheet_handler = [edit](SheetModel& sheet) {
            edit(sheet);
            return sheet.Ok();
        };
        dlg.OnConfigureSysclk();
    }
    static void Show(SheetModel& sheet, const char* caption) { ASSERT_TRUE(sheet.Activate(*sheet.FindPage(caption))); }
};

}  // namespace

TEST_F(WizardClock, ConfigureSysclkNeedsTheSysclkNode) {
    const bool modified = dlg.Modified();
    dlg.OnConfigureSysclk();  // "Hardware Settings" is selected; the fake fails on any sheet
    EXPECT_EQ(dlg.Modified(), modified);
    EXPECT_EQ(dlg.Record().clock_confirmed, 0u);
}

TEST_F(WizardClock, CancelChangesNothing) {
    SelectSysclk();
    const ConfigRecord before = dlg.Record();
    const bool modified = dlg.Modified();
    const std::string value2 = dlg.Panel().ValueText(2);
    ui.answers = {true, true};
    ui.sheet_handler = [](SheetModel& sheet) {
        EXPECT_EQ(sheet.Caption(), "Oscillators");
        EXPECT_EQ(sheet.PageCount(), 4u);
        sheet.ActivePage().Click(3395);
        sheet.ActivePage().Click(3399);
        Show(sheet, "External Oscillator");
        sheet.ActivePage().Click(3417);
        sheet.ActivePage().EditText(3409, "11059200");
        Show(sheet, "PLL Setup");
        sheet.ActivePage().EditText(3819, "08");
        Show(sheet, "SYSCLK Select");
        sheet.ActivePage().Click(3813);
        sheet.ActivePage().Click(3839);
        EXPECT_NE(sheet.Working(), DefaultClock(Family::Vardex));
        sheet.Cancel();
        return false;
    };
    dlg.OnConfigureSysclk();
    EXPECT_EQ(dlg.Record().clock, before.clock);
    EXPECT_EQ(dlg.Record().tl0_flash, before.tl0_flash);
    EXPECT_EQ(dlg.Record().th0_flash, before.th0_flash);
    EXPECT_EQ(dlg.Record().clock_confirmed, 0u);
    EXPECT_EQ(dlg.Modified(), modified);
    EXPECT_EQ(dlg.Panel().ValueText(2), value2);
}

TEST_F(WizardClock, OkWithoutChangesConfirmsAndComputesTheReload) {
    SelectSysclk();
    Confirm([](SheetModel&) {});
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(dlg.Record().clock_confirmed, 1u);
    EXPECT_EQ(dlg.Record().clock, DefaultClock(Family::Vardex));
    EXPECT_EQ(dlg.Record().th0_flash, 0xC0);
    EXPECT_EQ(dlg.Record().tl0_flash, 0xFD);
    EXPECT_EQ(dlg.Panel().ValueText(2), "C0FD");
}

TEST_F(WizardClock, OkCopiesTheWorkingCopyBack) {
    SelectSysclk();
    Confirm([](SheetModel& sheet) {
        Show(sheet, "SYSCLK Select");
        sheet.ActivePage().Click(3835);
    });
    EXPECT_EQ(dlg.Record().clock.clksel, 0x12);
    EXPECT_EQ(dlg.Record().clock.sysclk_hz, 49000000u);
    EXPECT_EQ(dlg.Panel().ValueText(2), "607D");  // 65535 - 0.01 / (12 / 49 MHz) = 24701
    EXPECT_EQ(dlg.Panel().LabelText(1), "SYSCLK default is 98 MHz.");
    EXPECT_EQ(dlg.Panel().LabelText(2), "Current SYSCLK is 49 MHz.");
}

TEST_F(WizardClock, AnOkTheActivePageRefusesCountsAsCancel) {
    SelectSysclk();
    ui.sheet_handler = [](SheetModel& sheet) {
        Show(sheet, "External Oscillator");
        sheet.ActivePage().EditText(3409, "12 MHz");
        return true;  // a front end that reports OK without ending the sheet itself
    };
    dlg.OnConfigureSysclk();
    EXPECT_EQ(dlg.Record().clock_confirmed, 0u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please enter a positive integer.");
}

TEST_F(WizardClock, ZintorUsbFifoFollowsSysclk) {
    UseZintor();
    dlg.Record().zintor_usb_fifo = 1;
    Confirm([](SheetModel& sheet) {
        Show(sheet, "SYSCLK Select");
        sheet.ActivePage().Click(6796);  // 24,000,000
    });
    EXPECT_EQ(dlg.Record().clock.sysclk_hz, 24000000u);
    EXPECT_EQ(Image(OptionNode::UsbFifoSupport), TreeImage::On);
    EXPECT_TRUE(Checked(OptionNode::UsbFifoSupport));

    dlg.Record().zintor_usb_fifo = 0;
    Confirm([](SheetModel&) {});
    EXPECT_EQ(Image(OptionNode::UsbFifoSupport), TreeImage::Off);

    dlg.Record().zintor_usb_fifo = 1;
    Confirm([](SheetModel& sheet) {
        Show(sheet, "External Oscillator");
        sheet.ActivePage().Click(3413);
        sheet.ActivePage().EditText(3409, "24000001");
        Show(sheet, "SYSCLK Select");
        sheet.ActivePage().Click(3814);
    });
    EXPECT_EQ(dlg.Record().clock.sysclk_hz, 24000001u);
    EXPECT_EQ(Image(OptionNode::UsbFifoSupport), TreeImage::Unavailable);
    EXPECT_FALSE(Checked(OptionNode::UsbFifoSupport));
    EXPECT_EQ(dlg.Record().zintor_usb_fifo, 0u);
}

TEST_F(WizardClock, BaudRateButtonChecksTheTypedRate) {
    dlg.Panel().ValueText(1) = "115200";
    ui.answers = {false};
    dlg.OnUpdateUartBaudRate();  // 98 MHz: 115200 cannot be reached
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].text, kBaudRateQuestion);
    EXPECT_EQ(ui.questions[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.questions[0].caption, kAppCaption);
    EXPECT_EQ(dlg.Record().uart_baud_rate, 115200u);
    EXPECT_EQ(dlg.Record().uart_reload, 256u - 425u);
    EXPECT_TRUE(dlg.Modified());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Baud rate recalculated.");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(ui.messages[0].caption, kAppCaption);
    EXPECT_EQ(dlg.Panel().ValueText(1), "115200");

    ui.answers = {true};
    dlg.OnUpdateUartBaudRate();
    EXPECT_EQ(dlg.Record().uart_baud_rate, 307200u);
    EXPECT_EQ(dlg.Record().uart_reload, 97u);
    EXPECT_EQ(dlg.Panel().ValueText(1), "307200");

    // Kept although far off: shown as typed, never as a negative number.
    dlg.Panel().ValueText(1) = "3000000000";
    ui.answers = {false};
    dlg.OnUpdateUartBaudRate();
    EXPECT_EQ(dlg.Panel().ValueText(1), "3000000000");

    dlg.Panel().ValueText(1) = "";  // a rate of 0 fails the check instead of dividing by it
    ui.answers = {true};
    dlg.OnUpdateUartBaudRate();
    EXPECT_EQ(dlg.Record().uart_baud_rate, 307200u);
    EXPECT_EQ(ui.messages.size(), 4u);
}

TEST_F(WizardClock, BaudRateWithinTheMarginAsksNothing) {
    Click(OptionNode::Pelmar);
    ASSERT_EQ(dlg.Record().clock.sysclk_hz, 22118400u);
    dlg.Panel().ValueText(1) = "115200";
    dlg.OnUpdateUartBaudRate();
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(dlg.Record().uart_reload, 160u);
    EXPECT_EQ(ui.MessageTexts().back(), "Baud rate recalculated.");
}

TEST_F(WizardClock, GeneratedMainCarriesTheConfirmedClock) {
    for (OptionNode n : {OptionNode::Ethernet, OptionNode::IP, OptionNode::PING, OptionNode::ARP, OptionNode::TCP,
                         OptionNode::Vardex, OptionNode::Lanvik}) {
        dlg.Tree().SetState(n, NodeState::On);
    }
    test::TempDir out;
    const auto generate = [&] {
        dlg.SetProjectFolder(out.Path() + "/");
        dlg.OnGenerateProject();
        return test::ReadText(out.File("main.c"));
    };
    const std::string fixed = generate();
    ASSERT_FALSE(fixed.empty());
    EXPECT_NE(fixed.find("select the family's default system clock"), std::string::npos);
    EXPECT_EQ(fixed.find("CLKSEL = 0x12;"), std::string::npos);

    SelectSysclk();
    Confirm([](SheetModel& sheet) {
        Show(sheet, "SYSCLK Select");
        sheet.ActivePage().Click(3835);
    });
    std::filesystem::remove(out.File("main.c"));
    const std::string computed = generate();
    EXPECT_NE(computed.find("as set on the Oscillators sheet"), std::string::npos);
    EXPECT_EQ(computed.find("select the family's default system clock"), std::string::npos);
    EXPECT_NE(computed.find("    PLL0CN = 0x01;\r\n    SFRPAGE = LEGACY_PAGE;\r\n    FLSCL = 0x30;\r\n"), std::string::npos);
    EXPECT_NE(computed.find("    CLKSEL = 0x12;\r\n    SFRPAGE = SFRPAGE_SAFE;\r\n}"), std::string::npos);
}

// OK takes SYSCLK from the registers, whichever page was shown last: a PLL changed after
// "SYSCLK Select" computed it leaves no stale figure for generation to refuse.
TEST_F(WizardClock, OkComputesSysclkFromTheRegisters) {
    for (OptionNode n : {OptionNode::Ethernet, OptionNode::IP, OptionNode::PING, OptionNode::ARP, OptionNode::TCP,
                         OptionNode::Vardex, OptionNode::Lanvik}) {
        dlg.Tree().SetState(n, NodeState::On);
    }
    SelectSysclk();
    Confirm([](SheetModel& sheet) {
        Show(sheet, "SYSCLK Select");
        Show(sheet, "PLL Setup");
        sheet.ActivePage().EditText(3819, "03");  // x 3: 73.5 MHz
    });
    EXPECT_EQ(dlg.Record().clock.sysclk_hz, 73500000u);
    EXPECT_TRUE(dlg.Findings().empty());
    EXPECT_TRUE(dlg.NodesWithProblems().empty());
    // A clock that breaks a limit marks the SYSCLK node.
    Confirm([](SheetModel& sheet) {
        Show(sheet, "PLL Setup");
        sheet.ActivePage().EditText(3819, "10");
    });
    EXPECT_EQ(dlg.NodesWithProblems(), std::vector<OptionNode>{OptionNode::SYSCLK});
}

// A clock out of its limits is a finding of the SYSCLK node: Generate Project refuses it before
// anything is written, naming the value, the limit and the page; once the sheet puts it right,
// the project is generated.
TEST_F(WizardClock, GenerationRefusesAClockOutOfItsLimits) {
    for (OptionNode n : {OptionNode::Ethernet, OptionNode::IP, OptionNode::PING, OptionNode::ARP, OptionNode::TCP,
                         OptionNode::Vardex, OptionNode::Lanvik}) {
        dlg.Tree().SetState(n, NodeState::On);
    }
    test::TempDir out;
    dlg.SetProjectFolder(out.Path() + "/");
    SelectSysclk();
    Confirm([](SheetModel& sheet) {
        sheet.ActivePage().Click(3399);  // the PLL's oscillator off
        Show(sheet, "PLL Setup");
        sheet.ActivePage().EditText(3819, "10");  // x 16: 392 MHz
    });
    const std::vector<Finding> findings = dlg.Findings();
    ASSERT_EQ(findings.size(), 5u);
    EXPECT_EQ(findings[0].node, OptionNode::SYSCLK);
    EXPECT_EQ(findings[0].field, "clock.oscicn");
    EXPECT_FALSE(findings[0].value.has_value());
    EXPECT_EQ(findings[1].field, "clock.pll0mul");
    EXPECT_EQ(findings[1].value, 392000000);
    EXPECT_EQ(findings[1].limit, 100000000);

    dlg.OnGenerateProject();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ui.messages[0].text,
              "The internal oscillator drives SYSCLK, but SYSCLK_Init switches it off; enable it on the "
              "\"Internal Oscillator\" page.");
    EXPECT_FALSE(dlg.LastGeneration().has_value());
    EXPECT_FALSE(std::filesystem::exists(out.File("main.c")));

    Confirm([](SheetModel& sheet) {
        sheet.ActivePage().Click(3399);
        Show(sheet, "PLL Setup");
        sheet.ActivePage().EditText(3819, "04");
    });
    EXPECT_TRUE(dlg.Findings().empty());
    dlg.OnGenerateProject();
    ASSERT_TRUE(dlg.LastGeneration().has_value());
    EXPECT_TRUE(std::filesystem::exists(out.File("main.c")));
}
