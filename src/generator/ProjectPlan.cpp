#include "generator/ProjectPlan.h"

#include "generator/MainSource.h"
#include "generator/StackSources.h"
#include "generator/TemplateExpander.h"
#include "generator/Workspace.h"
#include "resources/Resources.h"

namespace quillon {

namespace {

struct StackTemplate {
    const char* name;
    int number;
};

// In this order: the constants first, because everything else includes them.
constexpr StackTemplate kStackTemplates[] = {
    {"zs_stackconst.h", 154}, {"zs_errs.h", 155},  {"zs_vars.c", 158},
    {"zs_defs.h", 157},       {"zs_funcs.h", 156}, {"zs_userconst.h", 162},
};

Bytes ToBytes(std::span<const std::uint8_t> bytes) { return Bytes(bytes.begin(), bytes.end()); }
Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

class Planner {
public:
    explicit Planner(ProjectPlan& plan) : plan_(plan) {}

    const PlannedFile& Add(std::string path, Bytes bytes, FileKind kind = FileKind::Text,
                           FilePolicy policy = FilePolicy::Generated) {
        plan_.files.push_back({std::move(path), kind, policy, std::move(bytes), false});
        return plan_.files.back();
    }
    void Copy(std::string path, int number, FileKind kind = FileKind::Text, FilePolicy policy = FilePolicy::Generated) {
        Add(std::move(path), ToBytes(DataFile(number)), kind, policy);
    }
    Bytes BytesOf(std::string_view path) const {
        for (const PlannedFile& f : plan_.files) {
            if (f.path == path) return f.bytes;
        }
        return {};
    }

private:
    ProjectPlan& plan_;
};

}  // namespace

ProjectPlan PlanProject(ConfigRecord& record, [[maybe_unused]] const std::string& folder, const LibrarySource& source,
                        std::string_view date) {
    ProjectPlan plan;
    Planner out(plan);

    if (record.code_bank != 0) {
        out.Copy("L51_BANK.A51", 176);
        out.Copy("STARTUP.A51", 177);
    }

    for (const StackTemplate& t : kStackTemplates) {
        Bytes bytes = ExpandStoredTemplate(record, t.number);
        // Some option sets declare the FTP memory pool in two sections.
        if (t.number == 158) {
            std::string text(bytes.begin(), bytes.end());
            if (DropDuplicateDeclaration(text, "byte mem_pool")) bytes = ToBytes(text);
        }
        out.Add(t.name, std::move(bytes));
    }

    if (record.device_bits & DeviceBit::Vardex) {
        out.Copy("vardex.h", 185);
    } else if (record.device_bits & DeviceBit::Pelmar) {
        out.Copy("pelmar.h", 186);
    } else if (record.device_bits & DeviceBit::Zintor) {
        out.Copy("zintor.h", 187);
        out.Copy("Startup.a51", 188);
    }

    LibraryExtraction libraries = ExtractLibraries(record, source);
    plan.common_library = libraries.common_name;
    plan.bank_library = libraries.bank_name;
    plan.libraries_from_store = libraries.from_store;
    plan.library_problem = libraries.problem;
    if (libraries.problem.empty()) {
        out.Add(libraries.common_name, std::move(libraries.common), FileKind::Binary);
        out.Add(libraries.bank_name, std::move(libraries.bank), FileKind::Binary);
    }

    out.Add("main.c", ToBytes(MainSourceText(record, date)));
    plan.files.back().dated = true;
    out.Add("zs_callback.c",
            ToBytes(CallbackSourceText(record, (record.device_bits & DeviceBit::Lanvik) ? 196 : 193)));

    if (record.locatra_enabled) {
        out.Add("locatra.h", ExpandStoredTemplate(record, 202));
        out.Copy("locatra.c", (record.option_bits & OptionBit::DHCP) ? 215 : 201);
    }

    if (record.option_bits & OptionBit::CustomDevice) {
        const bool polled = (record.option_bits & OptionBit::PolledMode) != 0;
        out.Copy("custom_ethernet.h", polled ? 171 : 170);
        out.Copy("custom_ethernet.c", polled ? 173 : 172);
    }

    out.Add(kWorkspaceName, ExpandWorkspaceBytes(DataFile(WorkspaceTemplateNumber(record)), kWorkspaceFolder,
                                                 plan.common_library, plan.bank_library));

    if (record.option_bits & (OptionBit::FTP | OptionBit::HTTP)) {
        const std::string dir = std::string(kVirtualFileFolder) + "/";
        out.Copy(dir + "pagebake.exe", 164, FileKind::Binary);
        out.Copy(dir + "update.bat", 165);
        out.Copy(dir + "index.html", 166, FileKind::Text, FilePolicy::Seed);
        out.Copy(dir + "index.h", 167, FileKind::Text, FilePolicy::Seed);
        out.Copy(dir + "index.c", 168, FileKind::Text, FilePolicy::Seed);
        // The converted pages include these two; the copies follow the generated headers.
        for (const char* name : {"zs_defs.h", "zs_stackconst.h"}) out.Add(dir + name, out.BytesOf(name));
    }

    // The stack's own source and the Makefile that builds it with the project's sources.
    std::vector<std::string> sources;
    for (const PlannedFile& f : plan.files) sources.push_back(f.path);
    StackSourcePlan stack = PlanStackSources(record, sources);
    for (StackProjectFile& f : stack.files) out.Add(std::move(f.path), std::move(f.bytes));
    plan.missing_stack_sources = std::move(stack.missing);
    return plan;
}

}  // namespace quillon
