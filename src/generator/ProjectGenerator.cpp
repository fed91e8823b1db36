#include "generator/ProjectGenerator.h"

#include <algorithm>

#include "config/LibrarySelection.h"
#include "generator/LibraryExtraction.h"
#include "generator/MainSource.h"
#include "generator/TemplateExpander.h"
#include "generator/VirtualFiles.h"
#include "generator/Workspace.h"

namespace quillon {

namespace {

struct StackTemplate {
    const char* name;
    const char* temp_name;
    int number;
};

// In this order: the constants first, because everything else includes them.
constexpr StackTemplate kStackTemplates[] = {
    {"zs_stackconst.h", "zs_const_tmp.h", 154}, {"zs_errs.h", "zs_errs_tmp.h", 155},
    {"zs_vars.c", "zs_vars_tmp.c", 158},        {"zs_defs.h", "zs_defs_tmp.h", 157},
    {"zs_funcs.h", "zs_funcs_tmp.h", 156},      {"zs_userconst.h", "zs_userconst_tmp.h", 162},
};

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool NeedsFolder(const std::string& folder) {
    return folder.empty() || folder == kNoFolderSelected || !IsFolder(folder);
}

// Settles the project folder; false when the user cancelled the question.
bool SettleFolder(std::string& project_folder, const GenerationHooks& hooks) {
    if (!NeedsFolder(project_folder)) {
        project_folder = WithSlash(project_folder);
        return true;
    }
    const std::string before = project_folder;
    const std::string chosen = hooks.choose_folder ? hooks.choose_folder() : std::string(kNoFolderSelected);
    if (chosen.empty() || chosen == kNoFolderSelected) {
        project_folder.clear();
        return false;
    }
    // Cancelled over a folder text that names no folder (a settings file from another
    // machine): keep the text, the next generation asks again.
    if (chosen == before) return false;
    project_folder = WithSlash(chosen);
    return true;
}

void WriteFamilyHeader(const ConfigRecord& r, const std::string& folder, std::vector<FileError>& failures) {
    if (r.device_bits & DeviceBit::Vardex) {
        CopyDataFile(folder, "vardex.h", 185, failures);
    } else if (r.device_bits & DeviceBit::Pelmar) {
        CopyDataFile(folder, "pelmar.h", 186, failures);
    } else if (r.device_bits & DeviceBit::Zintor) {
        CopyDataFile(folder, "zintor.h", 187, failures);
        CopyDataFile(folder, "Startup.a51", 188, failures);
    }
}

}  // namespace

GenerationReport GenerateProject(ConfigRecord& record, std::string& project_folder, const LibrarySource& source,
                                 const GenerationHooks& hooks) {
    GenerationReport report;
    auto& failures = report.failures;

    // The generated headers describe exactly the library that is linked.
    SelectLibrary(record, true);

    if (!SettleFolder(project_folder, hooks)) {
        report.outcome = GenerationOutcome::Cancelled;
        return report;
    }
    const std::string& folder = project_folder;
    report.outcome = GenerationOutcome::Failed;

    WriteWorkspace(record, folder, failures);

    for (const StackTemplate& t : kStackTemplates) {
        if (!ExpandTemplate(record, folder + t.name, folder + t.temp_name, t.number, failures)) return report;
        // Some option sets declare the FTP memory pool in two sections.
        if (t.number == 158) DropDuplicateDeclaration(folder + t.name, "byte mem_pool", failures);
    }

    WriteFamilyHeader(record, folder, failures);

    const LibraryExtraction libraries = ExtractLibraries(record, folder, source, failures);
    report.common_library = libraries.common_name;
    report.bank_library = libraries.bank_name;
    report.libraries_from_store = libraries.from_store;
    if (!libraries.from_store) report.store_problem = source.FetchProblem(libraries.common_name, libraries.bank_name);

    GenerateMainSource(record, folder, failures);
    GenerateCallbackSource(record, folder, (record.device_bits & DeviceBit::Lanvik) ? 196 : 193, failures);

    if (record.locatra_enabled) {
        ExpandTemplate(record, folder + "locatra.h", folder + "locatra_tmp.h", 202, failures);
        CopyDataFile(folder, "locatra.c", (record.option_bits & OptionBit::DHCP) ? 215 : 201, failures);
    }

    if (record.option_bits & OptionBit::CustomDevice) {
        const bool polled = (record.option_bits & OptionBit::PolledMode) != 0;
        CopyDataFile(folder, "custom_ethernet.h", polled ? 171 : 170, failures);
        CopyDataFile(folder, "custom_ethernet.c", polled ? 173 : 172, failures);
    }

    // A workspace template that could not be written whole is not expanded: a project file
    // made from part of a template would look complete to the IDE. Its failure is reported.
    const std::string workspace_template = folder + kTempWorkspaceName;
    if (std::none_of(failures.begin(), failures.end(), [&](const FileError& f) { return f.path == workspace_template; })) {
        std::string error;
        if (!ExpandWorkspace(folder, kTempWorkspaceName, libraries.common_name, libraries.bank_name, failures, error))
            report.step_errors.push_back(error);
    }

    if (record.option_bits & (OptionBit::FTP | OptionBit::HTTP)) WriteVirtualFileDirectory(folder, failures);

    if (failures.empty()) report.outcome = GenerationOutcome::Generated;
    return report;
}

}  // namespace quillon
