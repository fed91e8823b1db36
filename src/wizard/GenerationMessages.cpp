#include "wizard/GenerationMessages.h"

namespace quillon {

std::optional<Message> GenerationClosingMessage(const GenerationReport& report,
                                                const std::vector<std::string>& store_locations) {
    switch (report.outcome) {
    case GenerationOutcome::Cancelled: return std::nullopt;
    case GenerationOutcome::Failed: {
        Message message{kGenerationFailedMessage, MessageIcon::Exclamation, kAppCaption, {}};
        for (const FileError& failure : report.failures) message.details.push_back(failure.path + ": " + failure.reason);
        return message;
    }
    case GenerationOutcome::Generated: break;
    }
    if (report.libraries_from_store) return Message{kGeneratedMessage, MessageIcon::None, kAppCaption, {}};

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
    std::string text = kGeneratedMessage;
    const std::string why = report.store_problem.empty() ? "the library store was not found"
                                                         : "the library store could not be used (" +
                                                               report.store_problem + ")";
    text += "\n\nThe stack libraries are missing: " + why + ", so " + report.common_library + " and " +
            report.bank_library + " were written empty and the project will not link.\n" +
            "Install the store as " + where + " and generate the project again.";
    return Message{text, MessageIcon::Exclamation, kAppCaption, {}};
}

std::vector<Message> GenerationStepMessages(const GenerationReport& report) {
    std::vector<Message> out;
    for (const std::string& text : report.step_errors) out.push_back(Message{text, MessageIcon::Error, kAppCaption, {}});
    return out;
}

}  // namespace quillon
