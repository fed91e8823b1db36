// ReadSettings on any bytes, plain lines and extension block alike. Whatever a file gave is
// what saving it writes: loading the saved text again restores the same record, tree and
// project folder, and saving that once more writes the same text.
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "config/SettingsFormat.h"

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
}

}  // namespace quillon::fuzz
