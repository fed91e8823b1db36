// The stored templates and how they become project files.
//
// A template is a byte stream with four marker bytes:
//   0xA4 d d                  parameter dd rendered as C text
//   0xA2 list t body 0xA2     device section: body kept when the list holds on device_bits
//   0xA3 list t [| d d] body 0xA3
//                             option section: body kept when the list holds on option_bits,
//                             or when the alternative bit dd is set
//   0xA5 d d x body 0xA5      option subsection (inside a kept option section only): body kept
//                             when option bit dd is set; copied without replacing markers
// A list is two-digit bit numbers separated by ","; t is "&" (all set) or "|" (any set). A
// section that is not closed ends at the end of the template. After expansion, runs of line
// breaks are cut to four bytes so that a dropped section leaves at most one empty line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr std::uint8_t kDeviceSectionMarker = 0xA2;
inline constexpr std::uint8_t kOptionSectionMarker = 0xA3;
inline constexpr std::uint8_t kParameterMarker = 0xA4;
inline constexpr std::uint8_t kSubsectionMarker = 0xA5;

// The whole expansion of a template for the record, line-break compaction included: exactly
// the bytes of the generated file. Never fails; any input is accepted.
std::vector<std::uint8_t> ExpandTemplateBytes(const ConfigRecord& record, std::span<const std::uint8_t> bytes);

// Keeps the first four bytes of every run of CR and LF bytes and drops the rest of the run.
std::vector<std::uint8_t> CompactLineBreaks(std::span<const std::uint8_t> bytes);

// The expansion of stored data file `number` (a missing number is an empty template).
std::vector<std::uint8_t> ExpandStoredTemplate(const ConfigRecord& record, int number);

// The workspace placeholders: "%%" becomes `folder`, "##" the common library file name, "@@"
// the bank library file name. A marker byte followed by another byte is written with it; a
// marker byte at the very end is dropped.
std::vector<std::uint8_t> ExpandWorkspaceBytes(std::span<const std::uint8_t> bytes, std::string_view folder,
                                               std::string_view common_library, std::string_view bank_library);

// Shown (with an error icon) when the expanded workspace could not be written.
inline constexpr const char* kWorkspaceWriteError = "Error: Could Not Open File For Write.";

// When `declaration` occurs twice in `text` (the second occurrence starting at least five
// characters after the first), removes the whole line that holds the first one, line end
// included, and returns true. Otherwise leaves the text alone.
bool DropDuplicateDeclaration(std::string& text, std::string_view declaration);

}  // namespace quillon
