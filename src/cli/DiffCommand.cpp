// quillon-cli diff A.wp B.wp: what differs between two configurations, by name.
#include <memory>

#include "cli/CliCommands.h"
#include "cli/CommandSupport.h"
#include "cli/ConfigurationSummary.h"

namespace quillon::cli {

namespace {

struct Difference {
    std::string kind;  // "field", "option", "library", "code_size"
    std::string name;
    nlohmann::ordered_json a;
    nlohmann::ordered_json b;
    std::string a_text;
    std::string b_text;
};

// Both summaries hold the same names in the same order: they come from the same record type
// and the same tree.
std::vector<Difference> Compare(const ConfigurationSummary& a, const ConfigurationSummary& b) {
    std::vector<Difference> out;
    for (std::size_t i = 0; i < a.fields.size() && i < b.fields.size(); ++i) {
        const RecordField& fa = a.fields[i];
        const RecordField& fb = b.fields[i];
        if (fa.text != fb.text) out.push_back({"field", fa.name, FieldJson(fa), FieldJson(fb), OneLine(fa.text), OneLine(fb.text)});
    }
    // Not part of the record, but a line of the file.
    if (a.project_folder != b.project_folder) {
        out.push_back({"field", "project_folder", a.project_folder, b.project_folder, OneLine(a.project_folder),
                       OneLine(b.project_folder)});
    }
    for (std::size_t i = 0; i < a.options.size() && i < b.options.size(); ++i) {
        const bool ca = a.options[i].chosen;
        const bool cb = b.options[i].chosen;
        if (ca != cb) out.push_back({"option", a.options[i].node, ca, cb, ca ? "on" : "off", cb ? "on" : "off"});
    }
    if (a.library.number != b.library.number) {
        out.push_back({"library", "library", a.library.name, b.library.name, a.library.name, b.library.name});
    }
    if (a.size.used_kb != b.size.used_kb) {
        out.push_back({"code_size", "used_space", a.size.used_kb, b.size.used_kb, std::to_string(a.size.used_kb) + " KB",
                       std::to_string(b.size.used_kb) + " KB"});
    }
    return out;
}

}  // namespace

int CommandDiff(CommandContext& c) {
    const auto a = ReadArguments(c, false, 2);
    if (!a) return kExitUsage;
    if (a->files.size() != 2) {
        c.err << "two settings files are needed (see quillon-cli diff --help)\n";
        return kExitUsage;
    }
    // Each file in a window of its own, loaded as File > Open loads it.
    ConfigurationSummary summaries[2];
    for (int i = 0; i < 2; ++i) {
        AnsweringPlatform platform(c.err, c.err, EventStyle::Plain);
        WizardDialog window(platform, c.options);
        window.Initialise();
        if (!LoadSettings(window, platform, a->files[i], c)) return kExitFailed;
        summaries[i] = Summarize(window);
    }
    const std::vector<Difference> differences = Compare(summaries[0], summaries[1]);
    if (c.json) {
        nlohmann::ordered_json doc;
        doc["a"] = a->files[0];
        doc["b"] = a->files[1];
        doc["same"] = differences.empty();
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Difference& d : differences) {
            list.push_back({{"kind", d.kind}, {"name", d.name}, {"a", d.a}, {"b", d.b}});
        }
        doc["differences"] = std::move(list);
        c.out << JsonText(doc);
    } else {
        for (const Difference& d : differences) {
            c.out << (d.kind == "option" ? "option " : "") << d.name << ": " << d.a_text << " -> " << d.b_text << '\n';
        }
    }
    return differences.empty() ? kExitOk : kExitFailed;
}

}  // namespace quillon::cli
