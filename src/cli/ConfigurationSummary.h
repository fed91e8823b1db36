// A loaded configuration as `show` and `diff` report it: the record's fields by name, the
// project folder, the options of the tree, the library and the code size; and its JSON form.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "cli/StateFormat.h"
#include "config/LibrarySelection.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

struct OptionChoice {
    std::string node;  // the node's text, "HTTP"
    bool chosen = false;
};

struct ConfigurationSummary {
    std::vector<RecordField> fields;     // in the record's order
    std::string project_folder;
    std::vector<OptionChoice> options;   // every option node, in tree order
    LibraryChoice library;
    CodeSize size;
};

// Computed on copies: summarising never changes the window's configuration.
ConfigurationSummary Summarize(const WizardDialog& window);

// The JSON document of `show --json`; keys in a fixed order.
nlohmann::ordered_json SummaryJson(const ConfigurationSummary& summary, const std::optional<std::string>& file);

// A JSON value for a record field: a number for integer fields, else its text.
nlohmann::ordered_json FieldJson(const RecordField& field);

// Serialises with two-space indentation; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace quillon::cli
