#include "FuzzSupport.h"

#include "FuzzTargets.h"
#include "config/SettingsFormat.h"

namespace quillon::fuzz {

namespace {

class Host : public DefaultsHost {
public:
    explicit Host(LoadedSettings& loaded) : loaded_(loaded) {}
    OptionStates& Options() override { return loaded_.options; }
    void CloseHeldSettingsFile() override {}
    void SetCurrentAdapter(AdapterItem item) override { loaded_.adapter = item; }
    void ClearGatewayFlag() override {}
    void RefreshControls() override {}

private:
    LoadedSettings& loaded_;
};

}  // namespace

LoadedSettings LoadSettings(std::string_view text) {
    LoadedSettings loaded;
    Host host(loaded);
    ResetToDefaults(loaded.record, host);
    ReadSettings(text, loaded.record, loaded.folder, loaded.options, loaded.adapter);
    return loaded;
}

std::vector<std::string_view> SplitAtZeros(Bytes input, std::size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(input.data()), input.size());
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t zero = rest.find('\0');
        if (zero == std::string_view::npos) break;
        parts.push_back(rest.substr(0, zero));
        rest.remove_prefix(zero + 1);
    }
    parts.push_back(rest);
    parts.resize(count);
    return parts;
}

}  // namespace quillon::fuzz
