#include "generator/Workspace.h"

#include <array>

namespace quillon {

namespace {

// [web][custom][plain, Zintor, code bank][LOCATRA off, on]
constexpr std::array<std::array<std::array<std::array<int, 2>, 3>, 2>, 2> kWorkspaceTemplates{{
    {{
        {{{160, 203}, {189, 211}, {178, 204}}},  // no web, no custom device
        {{{175, 206}, {191, 213}, {180, 209}}},  // no web, custom device
    }},
    {{
        {{{169, 205}, {190, 212}, {179, 208}}},  // web, no custom device
        {{{174, 207}, {192, 214}, {181, 210}}},  // web, custom device
    }},
}};

}  // namespace

int WorkspaceTemplateNumber(const ConfigRecord& r) {
    const bool web = (r.option_bits & (OptionBit::FTP | OptionBit::HTTP)) != 0;
    const bool custom = (r.option_bits & OptionBit::CustomDevice) != 0;
    // Code banking wins over Zintor: a banked workspace has its own start-up file.
    const int kind = r.code_bank != 0 ? 2 : (r.device_bits & DeviceBit::Zintor) != 0 ? 1 : 0;
    return kWorkspaceTemplates[web][custom][kind][r.locatra_enabled != 0];
}

}  // namespace quillon
