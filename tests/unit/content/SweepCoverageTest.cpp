// The SDCC sweep compiles what its configurations generate; these checks make sure that its
// configurations reach every section of every stored template and every piece of main.c and
// zs_callback.c, so that no part of a generated project goes uncompiled.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "../../sdcc/SweepConfigurations.h"
#include "config/LibrarySelection.h"
#include "content/TemplateScan.h"
#include "generator/MainSource.h"
#include "resources/Resources.h"

using namespace quillon;
using quillon::test::ScanTemplate;

namespace {

class RecordingWriter final : public SourceWriter {
public:
    void WriteFragment(int id) override { fragments.insert(id); }
    void WriteDataFile(int number) override { data_files.insert(number); }
    void WriteText(std::string_view) override {}
    std::set<int> fragments;
    std::set<int> data_files;
};

// The record as generation sees it: widened to the library's set.
ConfigRecord Generated(const sweep::SweepConfig& config) {
    ConfigRecord r = sweep::BuildSweepRecord(config);
    SelectLibrary(r, true);
    return r;
}

}  // namespace

TEST(SweepCoverage, EverySectionOfEveryTemplateIsWrittenBySomeConfiguration) {
    // template -> (section index -> written somewhere; subsection index -> written somewhere)
    std::map<int, std::vector<bool>> sections;
    std::map<int, std::vector<std::vector<bool>>> subsections;
    const int kTemplates[] = {154, 155, 156, 157, 158, 162, 183, 184};
    for (int number : kTemplates) {
        const auto scan = ScanTemplate(DataFile(number));
        sections[number].assign(scan.sections.size(), false);
        for (const auto& s : scan.sections) subsections[number].emplace_back(s.subsections.size(), false);
    }
    for (const sweep::SweepConfig& config : sweep::SweepConfigs()) {
        ConfigRecord r = Generated(config);
        for (int number : kTemplates) {
            std::uint32_t options = r.option_bits;
            if (number == 183 || number == 184) {
                if (MainRoutineTemplate(r) != number) continue;
                if (r.locatra_enabled) options |= OptionBit::LocatraMain;
            }
            const auto scan = ScanTemplate(DataFile(number));
            for (std::size_t i = 0; i < scan.sections.size(); ++i) {
                const auto& s = scan.sections[i];
                if (!s.Holds(options, r.device_bits)) continue;
                sections[number][i] = true;
                for (std::size_t j = 0; j < s.subsections.size(); ++j)
                    if ((options >> s.subsections[j].bit) & 1u) subsections[number][i][j] = true;
            }
        }
    }
    for (int number : kTemplates) {
        const auto scan = ScanTemplate(DataFile(number));
        for (std::size_t i = 0; i < scan.sections.size(); ++i) {
            const auto& s = scan.sections[i];
            // A board variant no tree choice sets: its section is left to the template check.
            if (s.device && s.bits == std::vector<int>{0}) continue;
            // The Lanvik main routine carries the PPP pieces of the other routine, but the
            // Lanvik adapter never runs PPP.
            if (number == 184 && !s.device && s.bits == std::vector<int>{1}) continue;
            EXPECT_TRUE(sections[number][i]) << "data file " << number << ": no configuration writes\n" << s.body;
            for (std::size_t j = 0; j < s.subsections.size(); ++j)
                EXPECT_TRUE(subsections[number][i][j])
                    << "data file " << number << ": no configuration writes the subsection\n" << s.subsections[j].body;
        }
    }
}

TEST(SweepCoverage, EveryPieceOfMainAndCallbackSourcesIsComposedBySomeConfiguration) {
    RecordingWriter all;
    std::set<int> computed_clock_families;
    bool custom_polled = false, custom_interrupt = false, locatra_dhcp = false, locatra_static = false;
    for (const sweep::SweepConfig& config : sweep::SweepConfigs()) {
        const ConfigRecord r = Generated(config);
        ComposeMainSource(r, "", "", all);
        ComposeCallbackSource(r, (r.device_bits & DeviceBit::Lanvik) ? 196 : 193, all);
        if (r.clock_confirmed) computed_clock_families.insert(static_cast<int>(FamilyOf(r.device_bits)));
        if (r.option_bits & OptionBit::CustomDevice) {
            ((r.option_bits & OptionBit::PolledMode) ? custom_polled : custom_interrupt) = true;
        }
        if (r.locatra_enabled) ((r.option_bits & OptionBit::DHCP) ? locatra_dhcp : locatra_static) = true;
    }
    std::vector<int> ids = {102, 106, 107, 124, 129, 130, 137, 138, 139, 144};
    for (int id = 146; id <= 157; ++id) ids.push_back(id);
    for (int id = 159; id <= 198; ++id) ids.push_back(id);
    for (int id : ids) EXPECT_TRUE(all.fragments.count(id)) << "fragment " << id << " is never composed";
    for (int number : {193, 194, 195, 196, 199, 200})
        EXPECT_TRUE(all.data_files.count(number)) << "data file " << number << " is never composed";
    EXPECT_EQ(computed_clock_families.size(), 3u) << "every family needs a confirmed clock";
    EXPECT_TRUE(custom_polled && custom_interrupt);
    EXPECT_TRUE(locatra_dhcp && locatra_static);
}
