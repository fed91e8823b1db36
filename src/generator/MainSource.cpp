#include "generator/MainSource.h"

#include <charconv>
#include <cstdlib>
#include <iomanip>
#include <locale>
#include <sstream>

#include "clock/SysclkInit.h"
#include "generator/TemplateExpander.h"
#include "resources/Resources.h"

namespace quillon {

namespace {

// The family as most pieces test it: the first of device bits 8, 9 and 10 that is set.
enum class Family { None, Vardex, Pelmar, Zintor };

Family FamilyOf(const ConfigRecord& r) {
    if (r.device_bits & DeviceBit::Vardex) return Family::Vardex;
    if (r.device_bits & DeviceBit::Pelmar) return Family::Pelmar;
    if (r.device_bits & DeviceBit::Zintor) return Family::Zintor;
    return Family::None;
}

bool Has(const ConfigRecord& r, std::uint32_t device_bit) { return (r.device_bits & device_bit) != 0; }
bool Option(const ConfigRecord& r, std::uint32_t option_bit) { return (r.option_bits & option_bit) != 0; }
bool Locatra(const ConfigRecord& r) { return r.locatra_enabled != 0; }
bool Web(const ConfigRecord& r) { return Option(r, OptionBit::FTP | OptionBit::HTTP); }

// A fragment per family (Vardex, Pelmar, Zintor); nothing without a family.
void WriteForFamily(const ConfigRecord& r, SourceWriter& out, int vardex, int pelmar, int zintor) {
    switch (FamilyOf(r)) {
    case Family::Vardex: out.WriteFragment(vardex); break;
    case Family::Pelmar: out.WriteFragment(pelmar); break;
    case Family::Zintor: out.WriteFragment(zintor); break;
    case Family::None: break;
    }
}

void WriteSfrInclude(const ConfigRecord& r, SourceWriter& out) { WriteForFamily(r, out, 106, 183, 184); }

// The stack's own includes, then LOCATRA's and the sample page's where the project has them.
void WriteStackIncludes(const ConfigRecord& r, SourceWriter& out) {
    out.WriteFragment(102);
    if (Locatra(r)) out.WriteFragment(186);
    if (Web(r)) out.WriteFragment(138);
}

std::string SysclkDefine(const ConfigRecord& r) {
    std::string line = "#define SYSCLK";
    line.resize(32, ' ');
    return line + std::to_string(r.clock.sysclk_hz);
}

// Pelmar's LOCATRA constants carry SYSCLK inside their fragment, as the default crystal's
// 22118400; the configured clock takes its place, so that timer 2 follows it as on the other
// families. The default clock writes the fragment unchanged.
void WritePelmarSysclk(const ConfigRecord& r, SourceWriter& out) {
    const std::string_view fragment = StringFragment(195);
    const std::size_t define = fragment.find("#define SYSCLK");
    const std::size_t digits = define == std::string_view::npos ? define : fragment.find_first_of("0123456789", define);
    if (digits == std::string_view::npos) {
        out.WriteFragment(195);
        return;
    }
    const std::size_t after = fragment.find_first_not_of("0123456789", digits);
    if (fragment.substr(digits, after - digits) == std::to_string(r.clock.sysclk_hz)) {
        out.WriteFragment(195);
        return;
    }
    out.WriteText(fragment.substr(0, define));
    out.WriteText(SysclkDefine(r));
    out.WriteText(fragment.substr(after == std::string_view::npos ? fragment.size() : after));
}

// Reads a count of seconds written as plain decimal digits, as the reproducible-builds
// convention defines it.
bool ParseEpoch(const char* text, std::time_t& out) {
    if (!text || !*text) return false;
    const std::string_view view(text);
    long long value = 0;
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (ec != std::errc() || end != view.data() + view.size() || value < 0 || view.front() == '+') return false;
    // Beyond year 9999 "%c" no longer has the width every reader expects.
    if (value > 253402300799LL) return false;
    out = static_cast<std::time_t>(value);
    return true;
}

}  // namespace

void TextSourceWriter::WriteFragment(int id) { text_.append(StringFragment(id)); }

void TextSourceWriter::WriteDataFile(int number) {
    const auto bytes = DataFile(number);
    text_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void EmitPortInit(const ConfigRecord& r, SourceWriter& out) {
    const bool vardex = FamilyOf(r) == Family::Vardex;
    out.WriteFragment(144);
    if (vardex) out.WriteFragment(146);
    if (Has(r, DeviceBit::Lanvik)) {
        if (Has(r, DeviceBit::Vardex) || Has(r, DeviceBit::Pelmar)) {
            out.WriteFragment(147);
            if (Has(r, DeviceBit::Vardex)) {
                out.WriteFragment(148);
                out.WriteFragment(198);
            } else {
                out.WriteFragment(149);
                out.WriteFragment(150);
            }
        }
        if (Has(r, DeviceBit::Zintor)) out.WriteFragment(151);
    } else if (Option(r, OptionBit::Modem) && Has(r, DeviceBit::Vardex)) {
        out.WriteFragment(152);
        out.WriteFragment(153);
    }
    if (vardex) out.WriteFragment(154);
    out.WriteFragment(155);
}

void EmitEmifInit(const ConfigRecord& r, SourceWriter& out) {
    const bool vardex = FamilyOf(r) == Family::Vardex;
    out.WriteFragment(156);
    if (vardex) out.WriteFragment(157);
    if (Has(r, DeviceBit::Lanvik)) {
        if (Has(r, DeviceBit::Vardex) || Has(r, DeviceBit::Pelmar)) {
            out.WriteFragment(159);
        } else if (Has(r, DeviceBit::Zintor)) {
            out.WriteFragment(160);
        }
    }
    out.WriteFragment(161);
    if (vardex) out.WriteFragment(162);
    out.WriteFragment(163);
}

void EmitDefaultSysclkInit(const ConfigRecord& r, SourceWriter& out) {
    out.WriteFragment(164);
    // Zintor is tested first here.
    if (Has(r, DeviceBit::Zintor)) {
        out.WriteFragment(165);
    } else if (Has(r, DeviceBit::Pelmar)) {
        out.WriteFragment(166);
    } else if (Has(r, DeviceBit::Vardex)) {
        out.WriteFragment(167);
        out.WriteFragment(168);
    }
    out.WriteFragment(169);
}

void EmitEtherReset(const ConfigRecord& r, SourceWriter& out) {
    // Vardex, then Zintor, then Pelmar.
    const auto by_family = [&](int vardex, int zintor, int pelmar) {
        if (Has(r, DeviceBit::Vardex)) {
            out.WriteFragment(vardex);
        } else if (Has(r, DeviceBit::Zintor)) {
            out.WriteFragment(zintor);
        } else if (Has(r, DeviceBit::Pelmar)) {
            out.WriteFragment(pelmar);
        }
    };
    out.WriteFragment(170);
    by_family(171, 173, 172);
    out.WriteFragment(174);
    out.WriteFragment(175);
    by_family(176, 177, 178);
    out.WriteFragment(179);
}

void ComposeMainSource(const ConfigRecord& r, std::string_view main_routine, std::string_view date,
                       SourceWriter& out) {
    const Family family = FamilyOf(r);
    const bool locatra = Locatra(r);

    out.WriteFragment(129);
    out.WriteText(date);
    out.WriteText("\n");
    WriteForFamily(r, out, 180, 181, 182);
    out.WriteFragment(130);
    WriteStackIncludes(r, out);
    WriteSfrInclude(r, out);

    // The LOCATRA service runs on timer 2, which needs SYSCLK as a constant.
    if (locatra) {
        if (family == Family::Vardex) {
            out.WriteFragment(194);
            out.WriteText(SysclkDefine(r));
            out.WriteFragment(197);
        } else if (family == Family::Pelmar) {
            WritePelmarSysclk(r, out);
        } else {
            out.WriteFragment(187);
            out.WriteText(SysclkDefine(r));
            out.WriteFragment(196);
        }
    }

    out.WriteFragment(107);
    if (Option(r, OptionBit::EthernetHardware)) out.WriteFragment(124);
    if (Has(r, DeviceBit::Lanvik)) out.WriteFragment(185);
    if (locatra) out.WriteFragment(188);

    out.WriteText(main_routine.substr(0, main_routine.find('\0')));

    if (locatra) out.WriteFragment(Has(r, DeviceBit::Vardex) || Has(r, DeviceBit::Pelmar) ? 191 : 190);

    out.WriteFragment(137);
    EmitPortInit(r, out);
    if (Option(r, OptionBit::EthernetHardware)) EmitEmifInit(r, out);

    if (r.clock_confirmed) {
        out.WriteFragment(139);
        std::string body;
        EmitSysclkInit(r, body);
        out.WriteText(body);
        out.WriteText("}\n\n");
    } else {
        EmitDefaultSysclkInit(r, out);
    }

    if (locatra) {
        if (family == Family::Vardex) {
            out.WriteFragment(192);
        } else if (family == Family::Pelmar) {
            out.WriteFragment(193);
        } else {
            out.WriteFragment(189);
        }
    }
    if (Has(r, DeviceBit::Lanvik)) EmitEtherReset(r, out);
}

void ComposeCallbackSource(const ConfigRecord& r, int callback_number, SourceWriter& out) {
    out.WriteDataFile(195);
    out.WriteText("\n");
    WriteStackIncludes(r, out);
    if (FamilyOf(r) != Family::None) {
        WriteSfrInclude(r, out);
        out.WriteText("\n\n");
    }
    out.WriteDataFile(callback_number);
    out.WriteText("\n");
    out.WriteDataFile(Locatra(r) ? 200 : 199);
    if (Option(r, OptionBit::TCP)) {
        out.WriteText("\n\n");
        out.WriteDataFile(194);
    }
}

std::string GenerationDateText(const char* source_date_epoch, std::time_t now) {
    std::tm parts{};
    std::time_t fixed = 0;
    if (ParseEpoch(source_date_epoch, fixed)) {
        gmtime_r(&fixed, &parts);
    } else {
        localtime_r(&now, &parts);
    }
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::put_time(&parts, "%c");
    return text.str();
}

bool DropLineAfterComment(std::string& text, std::string_view statement) {
    static constexpr std::string_view kComment = "// The DHCP server did not assign a valid IP address.";
    const std::size_t comment = text.find(kComment);
    if (comment == std::string::npos) return false;
    const std::size_t at = text.find(statement, comment);
    if (at == std::string::npos || at == 0) return false;
    text.erase(at, std::min(statement.size() + 1, text.size() - at));
    return true;
}

int MainRoutineTemplate(const ConfigRecord& r) { return Has(r, DeviceBit::Lanvik) ? 184 : 183; }

std::string MainSourceText(ConfigRecord& record, std::string_view date) {
    // Bit 22 opens the main routine's LOCATRA sections; it means nothing outside this step.
    if (Locatra(record)) {
        record.option_bits |= OptionBit::LocatraMain;
    } else {
        record.option_bits &= ~OptionBit::LocatraMain;
    }
    const std::vector<std::uint8_t> routine = ExpandStoredTemplate(record, MainRoutineTemplate(record));
    record.option_bits &= ~OptionBit::LocatraMain;

    TextSourceWriter out;
    ComposeMainSource(record, {reinterpret_cast<const char*>(routine.data()), routine.size()}, date, out);
    // A LOCATRA project gives itself a fixed address when DHCP fails, instead of waiting forever.
    if (Locatra(record)) DropLineAfterComment(out.Text(), "while(1);");
    return std::move(out.Text());
}

std::string CallbackSourceText(const ConfigRecord& record, int callback_number) {
    TextSourceWriter out;
    ComposeCallbackSource(record, callback_number, out);
    return std::move(out.Text());
}

namespace {

// Where the date of the first "Date: " line starts and ends.
std::optional<std::pair<std::size_t, std::size_t>> DateLineSpan(std::string_view text) {
    std::size_t at = 0;
    while (true) {
        at = text.find(kDateLinePrefix, at);
        if (at == std::string_view::npos) return std::nullopt;
        if (at == 0 || text[at - 1] == '\n') break;
        at += kDateLinePrefix.size();
    }
    const std::size_t begin = at + kDateLinePrefix.size();
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    return std::pair{begin, end};
}

}  // namespace

std::optional<std::string_view> DateLineText(std::string_view text) {
    const auto span = DateLineSpan(text);
    if (!span) return std::nullopt;
    return text.substr(span->first, span->second - span->first);
}

std::optional<std::string> WithDateLineText(std::string_view text, std::string_view date) {
    const auto span = DateLineSpan(text);
    if (!span) return std::nullopt;
    std::string out(text.substr(0, span->first));
    out.append(date).append(text.substr(span->second));
    return out;
}

}  // namespace quillon
