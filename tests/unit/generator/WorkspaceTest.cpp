#include <gtest/gtest.h>

#include <set>

#include "GeneratorTestSupport.h"
#include "TestSupport.h"
#include "generator/ProjectPlan.h"
#include "generator/Workspace.h"

using namespace quillon;

namespace {

ConfigRecord Facts(bool web, bool custom, bool bank, bool zintor, bool locatra) {
    ConfigRecord r;
    r.option_bits = OptionBit::Ethernet | (web ? OptionBit::HTTP : 0) | (custom ? OptionBit::CustomDevice : 0);
    r.device_bits = zintor ? DeviceBit::Zintor : DeviceBit::Vardex;
    r.code_bank = bank ? 1 : 0;
    r.locatra_enabled = locatra ? 1 : 0;
    return r;
}

}  // namespace

TEST(Workspace, EveryCombinationHasItsOwnTemplate) {
    std::set<int> seen;
    for (int web = 0; web < 2; ++web)
        for (int custom = 0; custom < 2; ++custom)
            for (int kind = 0; kind < 3; ++kind)
                for (int locatra = 0; locatra < 2; ++locatra)
                    seen.insert(WorkspaceTemplateNumber(Facts(web, custom, kind == 2, kind == 1, locatra)));
    const std::set<int> stored = {160, 169, 174, 175, 178, 179, 180, 181, 189, 190, 191, 192,
                                  203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214};
    EXPECT_EQ(seen, stored);
}

TEST(Workspace, ChoiceByFacts) {
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(false, false, false, false, false)), 160);
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(true, false, true, false, true)), 208);
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(false, true, false, true, false)), 191);
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(true, true, false, true, true)), 214);
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(false, true, false, false, true)), 206);
    // Code banking wins over Zintor.
    EXPECT_EQ(WorkspaceTemplateNumber(Facts(false, false, true, true, false)), 178);
    // FTP counts as web as much as HTTP does; SMTP does not.
    ConfigRecord ftp = Facts(false, false, false, false, false);
    ftp.option_bits |= OptionBit::FTP;
    EXPECT_EQ(WorkspaceTemplateNumber(ftp), 169);
    ftp.option_bits = OptionBit::Ethernet | OptionBit::SMTP;
    EXPECT_EQ(WorkspaceTemplateNumber(ftp), 160);
}

TEST(Workspace, BankedProjectsGetTheirAssemblerFiles) {
    const auto files = [](ConfigRecord r) {
        NoLibrarySource none;
        std::set<std::string> names;
        for (const PlannedFile& f : PlanProject(r, "/p/", none, "now").files) names.insert(f.path);
        return names;
    };
    const auto banked = files(Facts(true, false, true, false, true));
    EXPECT_TRUE(banked.count("L51_BANK.A51") && banked.count("STARTUP.A51"));
    EXPECT_TRUE(banked.count("TCPIP_Project.wsp"));
    const auto plain = files(Facts(false, false, false, true, false));
    EXPECT_FALSE(plain.count("L51_BANK.A51") || plain.count("STARTUP.A51"));
}
