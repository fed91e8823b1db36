#include "stacklib/StackComponents.h"

#include <set>
#include <sstream>
#include <utility>

#include "config/ConfigRecord.h"

namespace quillon {

namespace {

constexpr std::pair<std::string_view, std::uint32_t> kBitNames[] = {
    {"Ethernet", OptionBit::Ethernet},
    {"PPP", OptionBit::PPP},
    {"SLIP", OptionBit::SLIP},
    {"IP", OptionBit::IP},
    {"PING", OptionBit::PING},
    {"ARP", OptionBit::ARP},
    {"TCP", OptionBit::TCP},
    {"UDP", OptionBit::UDP},
    {"BOOTP", OptionBit::BOOTP},
    {"DHCP", OptionBit::DHCP},
    {"FTP", OptionBit::FTP},
    {"HTTP", OptionBit::HTTP},
    {"SMTP", OptionBit::SMTP},
    {"TFTP", OptionBit::TFTP},
    {"PAP", OptionBit::PAP},
    {"VirtualFiles", OptionBit::VirtualFiles},
    {"CustomDevice", OptionBit::CustomDevice},
    {"PolledMode", OptionBit::PolledMode},
    {"NoPap", OptionBit::NoPap},
    {"Modem", OptionBit::Modem},
    {"EthernetHardware", OptionBit::EthernetHardware},
    {"InterruptMode", OptionBit::InterruptMode},
};

constexpr std::pair<std::string_view, std::uint32_t> kDeviceBitNames[] = {
    {"DNS", DeviceBit::Dns},
};

// Reads "-", "A", "A&B&..." or "A|B|..."; returns an error text, empty when it parsed. A Source
// component names device bits, a library's component option bits.
std::string ParseCondition(const std::string& text, StackComponent& out) {
    if (text == "-") return {};
    const bool has_and = text.find('&') != std::string::npos;
    const bool has_or = text.find('|') != std::string::npos;
    if (has_and && has_or) return "condition \"" + text + "\" mixes & and |";
    const char separator = has_or ? '|' : '&';
    out.any_of = has_or;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        const std::string name = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (out.half == LibraryHalf::Source) {
            const std::uint32_t bit = DeviceBitByName(name);
            if (bit == 0) return "unknown device bit \"" + name + "\"";
            out.device_bits |= bit;
        } else {
            const std::uint32_t bit = OptionBitByName(name);
            if (bit == 0) return "unknown option bit \"" + name + "\"";
            out.condition_bits |= bit;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

}  // namespace

std::uint32_t OptionBitByName(std::string_view name) {
    for (const auto& [text, bit] : kBitNames)
        if (text == name) return bit;
    return 0;
}

std::uint32_t DeviceBitByName(std::string_view name) {
    for (const auto& [text, bit] : kDeviceBitNames)
        if (text == name) return bit;
    return 0;
}

StackComponentTable ParseStackComponents(std::string_view text) {
    StackComponentTable table;
    std::set<std::string> modules;
    std::set<std::string> functions;
    std::istringstream in{std::string(text)};
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string w; words >> w;) fields.push_back(w);
        if (fields.empty() || fields[0][0] == '#') continue;

        auto error = [&](const std::string& why) { table.errors.push_back("line " + std::to_string(number) + ": " + why); };
        if (fields.size() < 4) {
            error("expected MODULE HALF CONDITION FUNCTION...");
            continue;
        }
        StackComponent c;
        c.module = fields[0];
        if (fields[1] == "common") {
            c.half = LibraryHalf::Common;
        } else if (fields[1] == "bank") {
            c.half = LibraryHalf::Bank;
        } else if (fields[1] == "source") {
            c.half = LibraryHalf::Source;
        } else {
            error("half must be common, bank or source, not \"" + fields[1] + "\"");
            continue;
        }
        if (c.half == LibraryHalf::Source && fields[2] == "-") {
            error("a source component needs the device bits that build it in");
            continue;
        }
        if (std::string why = ParseCondition(fields[2], c); !why.empty()) {
            error(why);
            continue;
        }
        if (!modules.insert(c.module).second) {
            error("module " + c.module + " is listed twice");
            continue;
        }
        c.functions.assign(fields.begin() + 3, fields.end());
        bool clash = false;
        for (const std::string& f : c.functions) {
            // Two modules exporting one name would make every library holding both unlinkable.
            if (!functions.insert(f).second) {
                error("function " + f + " is exported twice");
                clash = true;
            }
        }
        if (!clash) table.components.push_back(std::move(c));
    }
    return table;
}

bool ComponentInLibrary(const StackComponent& component, std::uint32_t option_set) {
    if (component.half == LibraryHalf::Source) return false;
    if (component.condition_bits == 0) return true;
    const std::uint32_t present = option_set & component.condition_bits;
    return component.any_of ? present != 0 : present == component.condition_bits;
}

std::vector<const StackComponent*> ComponentsOf(const std::vector<StackComponent>& table, LibraryHalf half,
                                                std::uint32_t option_set) {
    std::vector<const StackComponent*> out;
    for (const StackComponent& c : table)
        if (c.half == half && ComponentInLibrary(c, option_set)) out.push_back(&c);
    return out;
}

}  // namespace quillon
