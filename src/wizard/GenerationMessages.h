// What the window tells the user after Generate Project, made from the generator's report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "generator/ProjectGenerator.h"
#include "wizard/Platform.h"

namespace quillon {

inline constexpr const char* kGeneratedMessage = "Project generated successfully.";
inline constexpr const char* kGenerationFailedMessage = "Error generating project files";

// The message box that ends a generation: nothing when it was cancelled; "Project generated
// successfully." (no icon); the same with a warning and the install locations
// (`store_locations`, where the store is looked for) when the libraries are missing; or
// "Error generating project files" (exclamation icon) with the failed paths as details.
std::optional<Message> GenerationClosingMessage(const GenerationReport& report,
                                                const std::vector<std::string>& store_locations = {});

// The errors met on the way (report.step_errors), each as its own box with an error icon.
std::vector<Message> GenerationStepMessages(const GenerationReport& report);

}  // namespace quillon
