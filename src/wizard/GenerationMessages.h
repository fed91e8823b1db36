// What the window tells the user after Generate Project, made from the generator's report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "generator/ProjectGenerator.h"
#include "wizard/Platform.h"

namespace quillon {

inline constexpr const char* kGeneratedMessage = "Project generated successfully.";
// In place of the above when a file holds conflicts: the project is not done until they are.
inline constexpr const char* kGeneratedWithConflictsMessage = "Project generated with conflicts to resolve.";
inline constexpr const char* kGenerationFailedMessage = "Error generating project files";

// The message box that ends a generation: nothing when it was cancelled or only a dry run;
// "Project generated successfully." (no icon; "Project generated with conflicts to resolve." when
// a file holds conflicts), followed by what the user has to look at (files
// in conflict first, then files kept or replaced, each named, with an exclamation icon); the
// same with a warning and the install locations (`store_locations`, where the store is looked
// for) when the libraries are missing; or "Error generating project files" (exclamation icon)
// with the failed paths as details. The per-file outcomes go into file_outcomes.
std::optional<Message> GenerationClosingMessage(const GenerationReport& report,
                                                const std::vector<std::string>& store_locations = {});

// The store's sample notice where a generated project names its libraries: only the IDE
// workspace links them, the Makefile builds the stack from source.
inline constexpr const char* kSampleWorkspaceNotice =
    "sample stack libraries: the IDE workspace's library pair links but does not run the stack";

// The closing message's line on the Makefile: "stack built from source: make builds the
// firmware", or which of the stack's sources the configuration needs that the wizard lacks.
std::string StackSourceNotice(const std::vector<std::string>& missing);

// "OUTCOME: PATH" for every file of the report, files in conflict first, the others in the
// order of generation.
std::vector<std::string> FileOutcomeLines(const GenerationReport& report);

// The errors met on the way (report.step_errors), each as its own box with an error icon.
std::vector<Message> GenerationStepMessages(const GenerationReport& report);

// What the preview before writing shows; `diff` gives the diff of files[i].
GenerationPreview PreviewOf(const std::string& folder, const std::vector<FileReport>& files,
                            std::function<std::string(std::size_t)> diff);

}  // namespace quillon
