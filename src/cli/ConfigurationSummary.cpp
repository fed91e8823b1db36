#include "cli/ConfigurationSummary.h"

#include "wizard/OptionTree.h"

namespace quillon::cli {

ConfigurationSummary Summarize(const WizardDialog& window) {
    ConfigurationSummary s;
    s.fields = RecordFields(window.Record());
    s.project_folder = window.ProjectFolder();
    for (const NodeInfo& info : OptionNodeTable()) {
        if (info.kind == NodeKind::Option) s.options.push_back({std::string(info.text), window.Tree().IsChecked(info.node)});
    }
    ConfigRecord copy = window.Record();
    s.library = SelectLibrary(copy, false);
    copy = window.Record();
    s.size = EstimateCodeSize(copy);
    return s;
}

nlohmann::ordered_json FieldJson(const RecordField& field) {
    if (field.number) return *field.number;
    return field.text;
}

nlohmann::ordered_json SummaryJson(const ConfigurationSummary& s, const std::optional<std::string>& file) {
    nlohmann::ordered_json doc;
    doc["settings_file"] = file ? nlohmann::ordered_json(*file) : nlohmann::ordered_json(nullptr);
    doc["project_folder"] = s.project_folder;
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    for (const RecordField& field : s.fields) record[field.name] = FieldJson(field);
    doc["record"] = std::move(record);
    nlohmann::ordered_json chosen = nlohmann::ordered_json::array();
    for (const OptionChoice& o : s.options) {
        if (o.chosen) chosen.push_back(o.node);
    }
    doc["options"] = std::move(chosen);
    doc["library"] = {{"number", s.library.number}, {"name", s.library.name}};
    doc["code_size"] = {{"used_kb", s.size.used_kb}, {"free_kb", s.size.free_kb}};
    return doc;
}

std::string JsonText(const nlohmann::ordered_json& document) {
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace quillon::cli
