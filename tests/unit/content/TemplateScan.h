// Reads a stored template the way the expander walks it, without expanding it: its sections
// with their conditions and bodies, the parameter markers, and every break of the marker
// grammar (unclosed sections, numbers that are not two digits, nesting, markers inside
// subsections). The content tests use it to check the stored templates themselves.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon::test {

struct TemplateSubsection {
    int bit = 0;
    std::string body;
};

struct TemplateSection {
    bool device = false;        // a device section, else an option section
    std::vector<int> bits;
    char terminator = '&';      // '&' every bit, '|' any bit
    int alternative = -1;       // option sections: the alternative bit, or -1
    std::string body;           // the bytes between header and closing marker
    std::vector<TemplateSubsection> subsections;

    // Whether the expander writes the section for these bits.
    bool Holds(std::uint32_t option_bits, std::uint32_t device_bits) const;
    // The bits of the list as one mask.
    std::uint32_t Mask() const;
};

struct TemplateScan {
    std::vector<TemplateSection> sections;
    std::string outside;            // the text outside every section
    std::vector<int> parameters;    // the number of every parameter marker
    std::vector<std::string> errors;
};

TemplateScan ScanTemplate(std::span<const std::uint8_t> bytes);

}  // namespace quillon::test
