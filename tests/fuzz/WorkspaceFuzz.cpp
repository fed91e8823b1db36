// ExpandWorkspaceBytes on any workspace template. The input is the project folder, the two
// library names and the template, separated by zero bytes.
#include <algorithm>

#include "FuzzTargets.h"
#include "generator/TemplateExpander.h"

namespace quillon::fuzz {

void FuzzWorkspace(Bytes input) {
    const std::vector<std::string_view> parts = SplitAtZeros(input, 4);
    const std::string_view folder = parts[0], common = parts[1], bank = parts[2];
    const Bytes templ{reinterpret_cast<const std::uint8_t*>(parts[3].data()), parts[3].size()};

    const std::vector<std::uint8_t> out = ExpandWorkspaceBytes(templ, folder, common, bank);
    bool placeholder_bytes = false;
    for (std::uint8_t b : templ) placeholder_bytes |= b == '%' || b == '#' || b == '@';
    if (!placeholder_bytes) {
        Check(std::equal(out.begin(), out.end(), templ.begin(), templ.end()),
              "a workspace without placeholders was changed");
    }
    // Every pair of template bytes becomes at most one of the texts.
    const std::size_t longest = std::max({folder.size(), common.size(), bank.size(), std::size_t{2}});
    Check(out.size() <= (templ.size() + 1) / 2 * longest, "the expansion grew beyond its placeholders");
}

}  // namespace quillon::fuzz
