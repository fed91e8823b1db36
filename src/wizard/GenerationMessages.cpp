#include "wizard/GenerationMessages.h"

namespace quillon {

namespace {

// "a", "a and b", "a, b and c".
std::string Names(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

std::vector<std::string> PathsWith(const GenerationReport& report, FileOutcome outcome, bool side) {
    std::vector<std::string> out;
    for (const FileReport& f : report.files) {
        if (f.outcome == outcome) out.push_back(side ? f.side_file : f.path);
    }
    return out;
}

// The paragraphs about files the user has to look at; empty when there are none.
std::string FilesToLookAt(const GenerationReport& report) {
    std::string text;
    const auto paragraph = [&](const std::string& p) { text += "\n\n" + p; };
    if (const auto conflicts = PathsWith(report, FileOutcome::Conflict, false); !conflicts.empty()) {
        const bool one = conflicts.size() == 1;
        paragraph("Your edits and the new configuration overlap in " + Names(conflicts) + ": " +
                  (one ? "the file was" : "these files were") + " left as " + (one ? "it is" : "they are") +
                  ", and the merged text with conflict markers is beside " + (one ? "it" : "each") + " as " +
                  Names(PathsWith(report, FileOutcome::Conflict, true)) + ".");
    }
    if (const auto kept = PathsWith(report, FileOutcome::Kept, false); !kept.empty()) {
        paragraph("Your versions of " + Names(kept) + " were kept; the generated " +
                  (kept.size() == 1 ? "one is" : "ones are") + " beside them as " +
                  Names(PathsWith(report, FileOutcome::Kept, true)) + ".");
    }
    if (const auto replaced = PathsWith(report, FileOutcome::Replaced, false); !replaced.empty()) {
        paragraph("The folder held no record of an earlier generation, so " + Names(replaced) + " " +
                  (replaced.size() == 1 ? "was" : "were") + " replaced; the earlier " +
                  (replaced.size() == 1 ? "version is" : "versions are") + " kept as " +
                  Names(PathsWith(report, FileOutcome::Replaced, true)) + ".");
    }
    return text;
}

}  // namespace

std::vector<std::string> FileOutcomeLines(const GenerationReport& report) {
    std::vector<std::string> lines;
    for (const bool conflicts : {true, false}) {
        for (const FileReport& f : report.files) {
            if ((f.outcome == FileOutcome::Conflict) == conflicts)
                lines.push_back(std::string(OutcomeName(f.outcome)) + ": " + f.path);
        }
    }
    return lines;
}

std::string StackSourceNotice(const std::vector<std::string>& missing) {
    if (missing.empty()) return "stack built from source: make builds the firmware";
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    return "stack source lacks " + names + " for this configuration: make stops, the IDE workspace builds it";
}

std::optional<Message> GenerationClosingMessage(const GenerationReport& report,
                                                const std::vector<std::string>& store_locations) {
    if (report.dry_run) return std::nullopt;
    switch (report.outcome) {
    case GenerationOutcome::Cancelled: return std::nullopt;
    case GenerationOutcome::Failed: {
        Message message{kGenerationFailedMessage, MessageIcon::Exclamation, kAppCaption, {}, {}};
        if (report.folder_busy && !report.failures.empty()) {
            message.text += "\n\nAnother generation is writing into " + report.failures.front().path +
                            "; nothing was written. Generate again when it has finished.";
        }
        for (const FileError& failure : report.failures) message.details.push_back(failure.path + ": " + failure.reason);
        message.file_outcomes = FileOutcomeLines(report);
        return message;
    }
    case GenerationOutcome::Generated: break;
    }
    const bool conflicts = !PathsWith(report, FileOutcome::Conflict, false).empty();
    Message message{conflicts ? kGeneratedWithConflictsMessage : kGeneratedMessage, MessageIcon::None, kAppCaption, {},
                    FileOutcomeLines(report)};
    const std::string look = FilesToLookAt(report);
    if (!look.empty()) {
        message.text += look;
        message.icon = MessageIcon::Exclamation;
    }
    if (report.libraries_from_store) return message;

    // The project is complete apart from the two libraries, which only the store can supply.
    std::string where;
    if (store_locations.empty()) {
        where = "Vaultkeep/stackvault.so beside the program, or in <prefix>/lib/quillon/Vaultkeep/";
    } else {
        for (std::size_t i = 0; i < store_locations.size(); ++i) {
            if (i > 0) where += i + 1 == store_locations.size() ? " or " : ", ";
            where += store_locations[i];
        }
    }
    const std::string why = report.store_problem.empty() ? "the library store was not found"
                                                         : "the library store could not be used (" +
                                                               report.store_problem + ")";
    message.text += "\n\nThe stack libraries are missing: " + why + ", so " + report.common_library + " and " +
                    report.bank_library + " were written empty and the project will not link.\n" +
                    "Install the store as " + where + " and generate the project again.";
    message.icon = MessageIcon::Exclamation;
    return message;
}

std::vector<Message> GenerationStepMessages(const GenerationReport& report) {
    std::vector<Message> out;
    for (const std::string& text : report.step_errors)
        out.push_back(Message{text, MessageIcon::Error, kAppCaption, {}, {}});
    return out;
}

GenerationPreview PreviewOf(const std::string& folder, const std::vector<FileReport>& files,
                            std::function<std::string(std::size_t)> diff) {
    GenerationPreview preview;
    preview.folder = folder;
    for (const FileReport& f : files) preview.files.push_back({f.path, std::string(OutcomeName(f.outcome))});
    preview.diff = std::move(diff);
    return preview;
}

}  // namespace quillon
