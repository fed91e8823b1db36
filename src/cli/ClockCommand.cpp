// quillon-cli clock solve: the register settings that give a SYSCLK, best first.
#include <charconv>
#include <cstdio>
#include <optional>

#include "cli/CliCommands.h"
#include "cli/ClockReport.h"
#include "cli/ConfigurationSummary.h"
#include "clock/ClockMath.h"
#include "clock/ClockSolver.h"
#include "config/ClockDefaults.h"

namespace quillon::cli {

namespace {

struct SolveArguments {
    Family family = Family::None;
    std::optional<std::uint32_t> sysclk;
    std::optional<std::uint32_t> ext_osc;
    std::optional<std::uint32_t> baud;
    std::size_t limit = 10;
};

// A whole decimal number of at most 32 bits; nothing otherwise.
std::optional<std::uint32_t> ReadNumber(const std::string& text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<Family> FamilyNamed(const std::string& name) {
    if (name == "vardex") return Family::Vardex;
    if (name == "pelmar") return Family::Pelmar;
    if (name == "zintor") return Family::Zintor;
    return std::nullopt;
}

const char* FamilyName(Family family) {
    switch (family) {
    case Family::Vardex: return "Vardex";
    case Family::Pelmar: return "Pelmar";
    case Family::Zintor: return "Zintor";
    case Family::None: break;
    }
    return "";
}

// Prints the mistake and returns nothing for a bad command line.
std::optional<SolveArguments> ReadSolveArguments(const std::vector<std::string>& args, std::ostream& err) {
    const auto fail = [&](const std::string& why) {
        err << why << " (see quillon-cli clock --help)\n";
        return std::nullopt;
    };
    if (args.empty() || args[0] != "solve") return fail("expected \"clock solve --family F --sysclk HZ ...\"");
    SolveArguments a;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const std::size_t eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        }
        if (option != "--family" && option != "--sysclk" && option != "--ext-osc" && option != "--baud" &&
            option != "--limit") {
            return fail("unknown argument " + args[i]);
        }
        if (!value) {
            if (i + 1 >= args.size()) return fail(option + " needs a value");
            value = args[++i];
        }
        if (option == "--family") {
            const auto family = FamilyNamed(*value);
            if (!family) return fail("unknown family " + *value + " (vardex, pelmar or zintor)");
            a.family = *family;
            continue;
        }
        // Frequencies may carry their unit ("50MHz", "22.1184 MHz"), as they are written everywhere.
        const bool frequency = option == "--sysclk" || option == "--ext-osc";
        const auto number = frequency ? ParseFrequencyWithUnit(*value) : ReadNumber(*value);
        if (!number && frequency) return fail(option + " takes a frequency (Hz, or with kHz or MHz), not " + *value);
        if (!number) return fail(option + " takes a whole number of at most 32 bits, not " + *value);
        if (option == "--sysclk") {
            if (*number == 0) return fail("--sysclk must be above 0 Hz");
            a.sysclk = number;
        } else if (option == "--ext-osc") {
            if (*number == 0) return fail("--ext-osc must be above 0 Hz");
            a.ext_osc = number;
        } else if (option == "--baud") {
            if (*number == 0) return fail("--baud must be above 0");
            a.baud = number;
        } else {
            a.limit = *number;
        }
    }
    if (a.family == Family::None) return fail("--family is missing");
    if (!a.sysclk) return fail("--sysclk is missing");
    return a;
}

std::string Hex2(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

nlohmann::ordered_json SolutionsJson(const SolveArguments& a, const std::vector<ClockSolution>& solutions) {
    nlohmann::ordered_json doc;
    doc["family"] = FamilyName(a.family);
    doc["sysclk"] = *a.sysclk;
    doc["ext_osc"] = a.ext_osc ? nlohmann::ordered_json(*a.ext_osc) : nlohmann::ordered_json(nullptr);
    doc["baud"] = a.baud ? nlohmann::ordered_json(*a.baud) : nlohmann::ordered_json(nullptr);
    doc["exact"] = !solutions.empty() && solutions.front().Exact();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ClockSolution& s : solutions) {
        nlohmann::ordered_json one;
        one["sysclk"] = s.clock.sysclk_hz;
        one["error"] = s.error_hz;
        one["baud_error"] = s.baud_error ? nlohmann::ordered_json(*s.baud_error) : nlohmann::ordered_json(nullptr);
        one["changes"] = s.changes;
        nlohmann::ordered_json registers;
        for (const auto& [name, value] : ClockRegisters(a.family, s.clock)) registers[name] = Hex2(value);
        one["registers"] = std::move(registers);
        one["description"] = s.description;
        list.push_back(std::move(one));
    }
    doc["solutions"] = std::move(list);
    return doc;
}

}  // namespace

std::string ClockSolutionLine(Family family, const ClockSolution& s) {
    std::string line = "SYSCLK=" + std::to_string(s.clock.sysclk_hz) + " error=" + std::to_string(s.error_hz);
    if (s.baud_error) {
        char baud[32];
        std::snprintf(baud, sizeof baud, " baud_error=%.2f%%", *s.baud_error);
        line += baud;
    }
    line += " changes=" + std::to_string(s.changes);
    for (const auto& [name, value] : ClockRegisters(family, s.clock)) line += std::string(" ") + name + "=" + Hex2(value);
    return line + " (" + s.description + ")";
}

int CommandClock(CommandContext& c) {
    const auto a = ReadSolveArguments(c.args, c.err);
    if (!a) return kExitUsage;

    // The default project of that family: its clock is the current one, its options (the
    // Lanvik controller's memory interface) set the limits of the derived values.
    ClockSolveRequest request;
    request.family = a->family;
    request.target_hz = *a->sysclk;
    request.ext_osc_hz = a->ext_osc;
    request.baud = a->baud;
    request.limit = a->limit;
    request.current = DefaultClock(a->family);
    request.context.device_bits = kDefaultDeviceBits;
    request.context.option_bits = kDefaultOptionBits;
    const std::vector<ClockSolution> solutions = SolveClock(request);
    if (c.json) {
        c.out << JsonText(SolutionsJson(*a, solutions));
    } else if (!solutions.empty()) {
        c.out << "# " << FamilyName(a->family) << ", SYSCLK " << *a->sysclk << " Hz: " << solutions.size()
              << (solutions.size() == 1 ? " solution" : " solutions") << ", best first\n";
        for (const ClockSolution& s : solutions) c.out << ClockSolutionLine(a->family, s) << '\n';
    }
    if (solutions.empty()) {
        c.err << "no register setting reaches " << *a->sysclk << " Hz within the limits\n";
        return kExitFailed;
    }
    return solutions.front().Exact() ? kExitOk : kExitFailed;
}

}  // namespace quillon::cli
