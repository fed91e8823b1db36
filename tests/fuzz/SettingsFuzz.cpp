// ReadSettings on any bytes, plain lines and extension block alike. Whatever a file gave is
// what saving it writes: loading the saved text again restores the same record, tree and
// project folder, and saving that once more writes the same text. The lines reading had to
// guess at lie in the file (or name the first missing line), and a file the program wrote
// itself has none, except for texts that came in with bytes that are not text. Whatever the file
// held, the window that opens it is in a state that keeps the window's invariants.
#include <algorithm>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "config/SettingsFormat.h"
#include "wizard/Invariants.h"
#include "wizard/WizardDialog.h"

namespace quillon::fuzz {

namespace {

// The modem's country and protocol codes are not saved; they follow from the two indexes,
// which are. Before a combo box or a generation fills them in, a record may hold either.
ConfigRecord WithCodesFromIndexes(ConfigRecord r) {
    if (r.country_index >= 0 && r.country_index < kCountryCount)
        r.country_code = std::string(kCountryTable[static_cast<std::size_t>(r.country_index)].code);
    if (r.protocol_index >= 0 && r.protocol_index < kProtocolCount)
        r.modem_protocol = std::string(kProtocolTable[static_cast<std::size_t>(r.protocol_index)].code);
    return r;
}

}  // namespace

void FuzzSettingsFile(Bytes input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const LoadedSettings first = LoadSettings(text);

    const std::string saved = WriteSettings(first.record, first.folder);
    const LoadedSettings second = LoadSettings(saved);
    Check(WithCodesFromIndexes(second.record) == WithCodesFromIndexes(first.record),
          "a saved record loads back with other values");
    Check(second.folder == first.folder, "a saved project folder loads back as another");
    Check(second.options.SameStates(first.options), "a saved record loads back with another option tree");
    Check(second.adapter == first.adapter, "a saved record loads back with another adapter");
    Check(WriteSettings(second.record, second.folder) == saved, "saving a loaded file twice writes two texts");

    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n') +
                                                       std::count(text.begin(), text.end(), '\r')) + 1;
    int previous = 0;
    for (const SettingsFinding& f : CheckSettingsLines(text)) {
        Check(f.line >= 1 && static_cast<std::size_t>(f.line) <= std::max<std::size_t>(lines, kSettingsPlainLines),
              "a finding names a line the file does not have");
        Check(f.line >= previous, "findings out of line order");
        previous = f.line;
    }
    for (const SettingsFinding& f : CheckSettingsLines(saved)) {
        // code_bank is read as a byte, so a 2 read in is written out as 2: still not a flag.
        Check(f.what.find("not text") != std::string::npos || f.field == "code_bank",
              "a file the program wrote has a line of the wrong form");
    }

    SilentPlatform ui;
    WizardOptions options;
    options.store_path = "/nonexistent/stackvault.so";
    WizardDialog window(ui, options);
    window.Initialise();
    window.LoadSettingsText(text);
    const std::vector<InvariantViolation> broken = CheckInvariants(window);
    if (!broken.empty()) Fail("an opened file breaks an invariant: " + Describe(broken.front()));
}

}  // namespace quillon::fuzz
