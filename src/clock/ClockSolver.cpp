#include "clock/ClockSolver.h"

#include <algorithm>
#include <cstdio>

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/DerivedValues.h"
#include "clock/ExternalOscillatorPage.h"
#include "clock/SheetModel.h"

namespace quillon {

namespace {

// The way from an oscillator to SYSCLK a candidate takes.
enum class Path : std::uint8_t {
    Internal,            // the internal oscillator (after its divider)
    External,            // the external oscillator
    PllInternal,         // Vardex: the PLL fed by the internal oscillator
    PllExternal,         // Vardex: the PLL fed by the external oscillator
    MultiplierInternal,  // Zintor: the clock multiplier, internal x 4
    MultiplierExternal,  // Zintor: the clock multiplier, external x 4 or x 2
};

// One candidate: the choices along its path; the others keep their current values.
struct Choice {
    Path path = Path::Internal;
    std::uint8_t divider = 3;     // internal oscillator divider (oscicn bits 1-0)
    std::uint8_t halve = 0;       // the external mode's "/ 2" variant
    std::uint8_t sysclk_div = 0;  // Vardex: clksel bits 5-4; Zintor: 1 for "multiplier / 2"
    std::uint8_t pll0div = 1;
    std::uint8_t pll0mul = 1;
    std::uint8_t mul_source = 0;  // Zintor: clkmul bits 1-0
};

bool UsesExternal(Path p) { return p == Path::External || p == Path::PllExternal || p == Path::MultiplierExternal; }
bool UsesInternal(Path p) { return p == Path::Internal || p == Path::PllInternal || p == Path::MultiplierInternal; }

void SetBits(std::uint8_t& reg, std::uint8_t mask, unsigned value) {
    reg = static_cast<std::uint8_t>((reg & ~mask) | (value & mask));
}

class Solver {
public:
    explicit Solver(const ClockSolveRequest& request) : r_(request), family_(request.family), base_(request.current) {
        const unsigned mode = (r_.current.oscxcn >> 4) & 0x07u;
        const bool cmos = mode == 2 || mode == 3;
        const bool crystal = mode == 6 || mode == 7;
        kind_ = r_.ext_kind.value_or(cmos ? ExternalKind::Cmos : ExternalKind::Crystal);
        // Without a frequency given, an external oscillator the settings run is the one fitted.
        if (r_.ext_osc_hz) {
            base_.ext_osc_hz = *r_.ext_osc_hz;
            fitted_ = true;
        } else {
            fitted_ = (cmos || crystal) && r_.current.ext_osc_hz > 0;
        }
        context_ = r_.context;
        // The limits are the family's whatever the context says.
        context_.device_bits &= ~(DeviceBit::Vardex | DeviceBit::Pelmar | DeviceBit::Zintor);
        context_.device_bits |= family_ == Family::Vardex   ? DeviceBit::Vardex
                                : family_ == Family::Pelmar ? DeviceBit::Pelmar
                                : family_ == Family::Zintor ? DeviceBit::Zintor
                                                            : 0;
    }

    std::vector<ClockSolution> Run() {
        Enumerate();
        std::vector<Ranked> ranked;
        ranked.reserve(choices_.size());
        for (std::uint32_t i = 0; i < choices_.size(); ++i) {
            const auto hz = RegisterSysclkHz(family_, WithPath(choices_[i])).value_or(0);
            const std::uint64_t error = hz > r_.target_hz ? hz - r_.target_hz : r_.target_hz - hz;
            ranked.push_back(Ranked{error, i});
        }
        SortedStream stream(std::move(ranked));

        std::vector<ClockSolution> out;
        std::vector<ClockViolation> violations;
        while (!stream.Empty()) {
            // One group of equal frequency error at a time: within it the baud error and the
            // number of changes decide, and a full group is never cut in the middle.
            const std::uint64_t error = stream.Peek().error;
            std::vector<ClockSolution> group;
            while (!stream.Empty() && stream.Peek().error == error) {
                const Ranked next = stream.Next();
                ClockSolution s;
                s.clock = Finish(choices_[next.index]);
                violations.clear();
                CollectClockViolations(context_, s.clock, violations);
                if (violations.empty()) {
                    s.error_hz = error;
                    if (r_.baud) s.baud_error = EvaluateBaudRate(s.clock.sysclk_hz, *r_.baud).error;
                    s.changes = Changes(s.clock);
                    s.description = Describe(choices_[next.index], s.clock);
                    group.push_back(std::move(s));
                }
            }
            std::stable_sort(group.begin(), group.end(), [](const ClockSolution& a, const ClockSolution& b) {
                if (a.baud_error != b.baud_error) return a.baud_error.value_or(0) < b.baud_error.value_or(0);
                return a.changes < b.changes;
            });
            for (ClockSolution& s : group) out.push_back(std::move(s));
            if (r_.limit != 0 && out.size() >= r_.limit) break;
        }
        if (r_.limit != 0 && out.size() > r_.limit) out.resize(r_.limit);
        return out;
    }

private:
    struct Ranked {
        std::uint64_t error;
        std::uint32_t index;
        friend bool operator<(const Ranked& a, const Ranked& b) {
            return a.error != b.error ? a.error < b.error : a.index < b.index;
        }
    };

    // The candidates in order, sorted a growing chunk at a time: most searches look at the
    // first few groups only, and the ones that walk far (a target beyond every limit) still
    // sort no more than they walk.
    class SortedStream {
    public:
        explicit SortedStream(std::vector<Ranked> items) : items_(std::move(items)) {}
        bool Empty() {
            Fill();
            return next_ == items_.size();
        }
        const Ranked& Peek() {
            Fill();
            return items_[next_];
        }
        Ranked Next() {
            Fill();
            return items_[next_++];
        }

    private:
        void Fill() {
            if (next_ < sorted_ || sorted_ == items_.size()) return;
            const std::size_t end = std::min(items_.size(), sorted_ + std::max<std::size_t>(1024, sorted_));
            const auto first = items_.begin() + static_cast<std::ptrdiff_t>(sorted_);
            const auto last = items_.begin() + static_cast<std::ptrdiff_t>(end);
            std::nth_element(first, last - 1, items_.end());
            std::sort(first, last);
            sorted_ = end;
        }

        std::vector<Ranked> items_;
        std::size_t next_ = 0;
        std::size_t sorted_ = 0;
    };

    void Enumerate() {
        const bool external = fitted_;
        choices_.reserve(family_ == Family::Vardex ? 6 * 32 * 256 * 4 + 32 : 64);
        switch (family_) {
        case Family::Vardex:
            for (std::uint8_t d = 0; d < 4; ++d) {
                for (std::uint8_t s = 0; s < 4; ++s) Add({Path::Internal, d, 0, s});
            }
            if (external) {
                for (std::uint8_t h = 0; h < 2; ++h) {
                    for (std::uint8_t s = 0; s < 4; ++s) Add({Path::External, 3, h, s});
                }
            }
            for (int source = 0; source < (external ? 6 : 4); ++source) {
                const bool from_external = source >= 4;
                for (unsigned div = 0; div < 32; ++div) {
                    for (unsigned mul = 0; mul < 256; ++mul) {
                        for (std::uint8_t s = 0; s < 4; ++s) {
                            Choice c{from_external ? Path::PllExternal : Path::PllInternal,
                                     static_cast<std::uint8_t>(from_external ? 3 : source),
                                     static_cast<std::uint8_t>(from_external ? source - 4 : 0), s,
                                     static_cast<std::uint8_t>(div), static_cast<std::uint8_t>(mul)};
                            Add(c);
                        }
                    }
                }
            }
            break;
        case Family::Pelmar:
            for (std::uint8_t d = 0; d < 4; ++d) Add({Path::Internal, d});
            if (external) {
                for (std::uint8_t h = 0; h < 2; ++h) Add({Path::External, 3, h});
            }
            break;
        case Family::Zintor:
            for (std::uint8_t d = 0; d < 4; ++d) {
                Add({Path::Internal, d});
                for (std::uint8_t half = 0; half < 2; ++half) Add({Path::MultiplierInternal, d, 0, half, 1, 1, 0});
            }
            if (external) {
                for (std::uint8_t h = 0; h < 2; ++h) {
                    Add({Path::External, 3, h});
                    for (std::uint8_t source = 1; source <= 2; ++source) {
                        for (std::uint8_t half = 0; half < 2; ++half) {
                            Add({Path::MultiplierExternal, 3, h, half, 1, 1, source});
                        }
                    }
                }
            }
            break;
        case Family::None: break;
        }
    }
    void Add(const Choice& c) { choices_.push_back(c); }

    std::uint8_t ExternalModeBits(std::uint8_t halve) const {
        if (kind_ == ExternalKind::Cmos) return halve ? 3 : 2;
        return halve ? 7 : 6;
    }

    // The current settings with the candidate's path chosen: enough for its SYSCLK.
    ClockBlock WithPath(const Choice& ch) const {
        ClockBlock c = base_;
        if (UsesInternal(ch.path)) SetBits(c.oscicn, 0x03, ch.divider);
        if (UsesExternal(ch.path)) SetBits(c.oscxcn, 0x70, static_cast<unsigned>(ExternalModeBits(ch.halve)) << 4);
        switch (family_) {
        case Family::Vardex:
            if (ch.path == Path::PllInternal || ch.path == Path::PllExternal) {
                SetBits(c.pll0cn, 0x04, ch.path == Path::PllExternal ? 0x04 : 0);
                c.pll0div = ch.pll0div;
                c.pll0mul = ch.pll0mul;
            }
            SetBits(c.clksel, 0x03, ch.path == Path::Internal ? 0 : ch.path == Path::External ? 1 : 2);
            SetBits(c.clksel, 0x30, static_cast<unsigned>(ch.sysclk_div) << 4);
            break;
        case Family::Pelmar: SetBits(c.oscicn, 0x08, ch.path == Path::External ? 0x08 : 0); break;
        case Family::Zintor:
            if (ch.path == Path::MultiplierInternal || ch.path == Path::MultiplierExternal) {
                SetBits(c.clkmul, 0x03, ch.mul_source);
                SetBits(c.clksel, 0x03, ch.sysclk_div ? 2 : 3);
            } else {
                SetBits(c.clksel, 0x03, ch.path == Path::Internal ? 0 : 1);
            }
            break;
        case Family::None: break;
        }
        return c;
    }

    // The whole block as the pages leave it once the candidate's choices are made: what the
    // path needs switched on, the external oscillator's frequency-control bits for its
    // frequency, and the codes and SYSCLK the pages derive.
    ClockBlock Finish(const Choice& ch) const {
        ClockBlock c = WithPath(ch);
        const bool external_used = UsesExternal(ch.path);
        if (UsesInternal(ch.path)) c.oscicn |= family_ == Family::Pelmar ? 0x04 : 0x80;
        if (family_ == Family::Vardex && (ch.path == Path::PllInternal || ch.path == Path::PllExternal)) c.pll0cn |= 0x02;
        if (family_ == Family::Zintor && (ch.path == Path::MultiplierInternal || ch.path == Path::MultiplierExternal)) {
            c.clkmul |= 0x80;
        }

        // Every mode click relabels the frequency-control buttons: without ranges their code is 0;
        // with ranges it must be the one that holds the frequency. An oscillator off the path
        // whose frequency no range holds is switched off rather than left to fail.
        if (const OscillatorMode* mode = ModeOf(family_, c.oscxcn)) {
            if (!LabelRanges(mode->labels)) {
                if (mode->labels == LabelSet::None) c.oscxcn &= 0xF8;
            } else if (!(*LabelRanges(mode->labels))[c.oscxcn & 0x07u].Holds(c.ext_osc_hz)) {
                const int code = CodeForFrequency(mode->labels, c.ext_osc_hz);
                if (code >= 0) {
                    SetBits(c.oscxcn, 0x07, static_cast<unsigned>(code));
                } else if (!external_used) {
                    c.oscxcn &= 0x88;
                }
            }
        }

        switch (family_) {
        case Family::Vardex: {
            // An enabled PLL off the path must still lock; one outside its range is disabled.
            if (ch.path != Path::PllInternal && ch.path != Path::PllExternal && (c.pll0cn & 0x02)) {
                std::vector<ClockViolation> pll;
                CollectClockViolations(context_, c, pll);
                for (const ClockViolation& v : pll) {
                    if (v.kind == ClockLimitKind::PllReference || v.kind == ClockLimitKind::PllOutput) c.pll0cn &= 0xFD;
                }
            }
            // What "PLL Setup" derives when it is shown, and the SYSCLK of "SYSCLK Select".
            SetBits(c.pll0flt, 0x0F, VardexPllFilterCode(VardexPllReferenceHz(c)));
            SetBits(c.pll0flt, 0x30, VardexPllRangeCode(VardexPllOutputHz(c)));
            const std::uint64_t undivided = VardexUndividedSysclkHz(c).value_or(c.sysclk_hz);
            SetBits(c.flscl, 0x30, VardexFlashCode(FitHz(undivided)));
            c.sysclk_hz = FitHz(VardexDividedSysclkHz(undivided, c.clksel));
            break;
        }
        case Family::Pelmar: c.sysclk_hz = PelmarSysclkHz(c); break;
        case Family::Zintor: c.sysclk_hz = FitHz(ZintorSysclkHz(c)); break;
        case Family::None: break;
        }
        return c;
    }

    // The choices of the pages that differ between `c` and the current settings.
    int Changes(const ClockBlock& c) const {
        const ClockBlock& now = r_.current;
        int n = 0;
        const auto differ = [&](std::uint8_t a, std::uint8_t b, std::uint8_t mask) { n += (a & mask) != (b & mask); };
        differ(c.oscxcn, now.oscxcn, 0x70);
        differ(c.oscxcn, now.oscxcn, 0x07);
        n += c.ext_osc_hz != now.ext_osc_hz;
        switch (family_) {
        case Family::Vardex:
            differ(c.oscicn, now.oscicn, 0x80);
            differ(c.oscicn, now.oscicn, 0x03);
            differ(c.pll0cn, now.pll0cn, 0x02);
            differ(c.pll0cn, now.pll0cn, 0x04);
            n += c.pll0div != now.pll0div;
            n += c.pll0mul != now.pll0mul;
            differ(c.clksel, now.clksel, 0x03);
            differ(c.clksel, now.clksel, 0x30);
            break;
        case Family::Pelmar:
            differ(c.oscicn, now.oscicn, 0x04);
            differ(c.oscicn, now.oscicn, 0x08);
            differ(c.oscicn, now.oscicn, 0x03);
            break;
        case Family::Zintor:
            differ(c.oscicn, now.oscicn, 0x80);
            differ(c.oscicn, now.oscicn, 0x03);
            differ(c.clkmul, now.clkmul, 0x80);
            differ(c.clkmul, now.clkmul, 0x03);
            differ(c.clksel, now.clksel, 0x03);
            break;
        case Family::None: break;
        }
        return n;
    }

    std::string ExternalText(const ClockBlock& c) const {
        const OscillatorMode* mode = ModeOf(family_, c.oscxcn);
        std::string text = mode ? mode->text : "external oscillator";
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text + " of " + FormatMHz(c.ext_osc_hz);
    }

    std::string Describe(const Choice& ch, const ClockBlock& c) const {
        static constexpr const char* kDivider[4] = {"/ 8", "/ 4", "/ 2", "/ 1"};
        const std::string internal = std::string("internal oscillator ") + kDivider[ch.divider];
        std::string text;
        switch (ch.path) {
        case Path::Internal: text = internal; break;
        case Path::External: text = ExternalText(c); break;
        case Path::PllInternal:
        case Path::PllExternal:
            text = "PLL from " + (ch.path == Path::PllInternal ? internal : ExternalText(c)) + ", / " +
                   std::to_string(VardexPreDivider(c.pll0div)) + " x " + std::to_string(VardexMultiplier(c.pll0mul));
            break;
        case Path::MultiplierInternal:
        case Path::MultiplierExternal:
            text = "clock multiplier from " + (ch.path == Path::MultiplierInternal ? internal + " x 4"
                                                : ExternalText(c) + (ch.mul_source == 1 ? " x 4" : " x 2"));
            if (ch.sysclk_div) text += ", / 2";
            break;
        }
        if (family_ == Family::Vardex) text += "; SYSCLK / " + std::to_string(VardexDivideFactor(c.clksel));
        return text;
    }

    const ClockSolveRequest& r_;
    Family family_;
    ClockBlock base_;
    ExternalKind kind_ = ExternalKind::Crystal;
    bool fitted_ = false;
    ClockContext context_;
    std::vector<Choice> choices_;
};

// --- Applying a solution through the pages -----------------------------------------------------

std::string Hex2(std::uint8_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return buf;
}

class PageDriver {
public:
    explicit PageDriver(SheetModel& sheet) : sheet_(sheet) {}

    bool ok = true;

    PropertyPage* Show(const char* caption) {
        const auto index = sheet_.FindPage(caption);
        if (!index || !sheet_.Activate(*index)) {
            ok = false;
            return nullptr;
        }
        return &sheet_.ActivePage();
    }
    void Click(PropertyPage* page, int id) {
        if (page && !page->Click(id)) ok = false;
    }
    void CheckInto(PropertyPage* page, int id, bool checked) {
        if (page && !page->ClickInto(id, checked)) ok = false;
    }
    void Type(PropertyPage* page, int id, const std::string& text) {
        if (page && !page->EditText(id, text)) ok = false;
    }
    const ClockBlock& Now() const { return sheet_.Working(); }

    // The internal oscillator page: its enable box (the bit `enable_bit` of OSCICN) and its
    // divider, the divider only when it differs.
    void Internal(const ClockBlock& want, std::uint8_t enable_bit) {
        PropertyPage* page = Show("Internal Oscillator");
        CheckInto(page, 3399, want.oscicn & enable_bit);
        if ((Now().oscicn & 0x03) != (want.oscicn & 0x03)) Click(page, 3395 + (want.oscicn & 0x03));
    }

    // The external oscillator page: mode, frequency and frequency-control bits, each only when
    // it differs.
    void External(Family family, const ClockBlock& want) {
        PropertyPage* page = Show("External Oscillator");
        if (!page) return;
        if ((Now().oscxcn & 0x70) != (want.oscxcn & 0x70)) {
            const OscillatorMode* mode = ModeOf(family, want.oscxcn);
            if (mode) {
                Click(page, mode->button);
            } else {
                ok = false;
            }
        }
        if (Now().ext_osc_hz != want.ext_osc_hz || page->Control(ExtOscId::FrequencyEdit).text != FormatHz(want.ext_osc_hz)) {
            Type(page, ExtOscId::FrequencyEdit, FormatHz(want.ext_osc_hz));
        }
        if ((Now().oscxcn & 0x07) != (want.oscxcn & 0x07)) Click(page, ExtOscId::FirstControl + (want.oscxcn & 0x07));
    }

private:
    SheetModel& sheet_;
};

void ApplyVardex(PageDriver& d, const ClockBlock& want) {
    d.Internal(want, 0x80);
    d.External(Family::Vardex, want);
    PropertyPage* page = d.Show("PLL Setup");
    d.CheckInto(page, 1014, want.pll0cn & 0x02);
    if ((d.Now().pll0cn & 0x04) != (want.pll0cn & 0x04)) d.Click(page, (want.pll0cn & 0x04) ? 3817 : 3816);
    if (d.Now().pll0div != want.pll0div) d.Type(page, 3818, Hex2(want.pll0div));
    if (d.Now().pll0mul != want.pll0mul) d.Type(page, 3819, Hex2(want.pll0mul));
    // Showing "SYSCLK Select" computes SYSCLK; its buttons compute it again.
    page = d.Show("SYSCLK Select");
    if ((d.Now().clksel & 0x03) != (want.clksel & 0x03)) d.Click(page, 3813 + (want.clksel & 0x03));
    if ((d.Now().clksel & 0x30) != (want.clksel & 0x30)) d.Click(page, 3833 + 2 * ((want.clksel >> 4) & 0x03));
}

void ApplyPelmar(PageDriver& d, const ClockBlock& want) {
    d.Internal(want, 0x04);
    d.External(Family::Pelmar, want);
    // The source's own box last: it makes its page compute SYSCLK, also when it is checked
    // already (a click on a checked box checks it again).
    PropertyPage* page = d.Show((want.oscicn & 0x08) ? "External Oscillator" : "Internal Oscillator");
    d.Click(page, 1230);
}

void ApplyZintor(PageDriver& d, const ClockBlock& want) {
    d.Internal(want, 0x80);
    d.External(Family::Zintor, want);
    PropertyPage* page = d.Show("Clock Multiplier");
    d.CheckInto(page, 6720, want.clkmul & 0x80);
    if ((d.Now().clkmul & 0x03) != (want.clkmul & 0x03)) d.Click(page, 6721 + (want.clkmul & 0x03));
    page = d.Show("SYSCLK Select");
    static constexpr int kSource[4] = {3813, 3814, 6796, 6797};
    if ((d.Now().clksel & 0x03) != (want.clksel & 0x03)) d.Click(page, kSource[want.clksel & 0x03]);
}

}  // namespace

std::vector<ClockSolution> SolveClock(const ClockSolveRequest& request) { return Solver(request).Run(); }

ClockSolveRequest SheetSolveRequest(const SheetModel& sheet, std::uint32_t target_hz, std::size_t limit) {
    ClockSolveRequest request;
    request.family = sheet.SheetFamily();
    request.target_hz = target_hz;
    request.current = sheet.Working();
    request.context = sheet.Context();
    request.limit = limit;
    return request;
}

std::vector<std::pair<const char*, std::uint8_t>> ClockRegisters(Family family, const ClockBlock& c) {
    switch (family) {
    case Family::Vardex:
        return {{"OSCICN", c.oscicn}, {"OSCXCN", c.oscxcn},   {"PLL0CN", c.pll0cn}, {"FLSCL", c.flscl},
                {"PLL0DIV", c.pll0div}, {"PLL0MUL", c.pll0mul}, {"PLL0FLT", c.pll0flt}, {"CLKSEL", c.clksel}};
    case Family::Pelmar: return {{"OSCXCN", c.oscxcn}, {"OSCICN", c.oscicn}};
    case Family::Zintor: return {{"OSCICN", c.oscicn}, {"OSCXCN", c.oscxcn}, {"CLKMUL", c.clkmul}, {"CLKSEL", c.clksel}};
    case Family::None: break;
    }
    return {};
}

bool ApplyClockSolution(SheetModel& sheet, const ClockBlock& solution) {
    if (!sheet.IsOpen()) return false;
    PageDriver driver(sheet);
    switch (sheet.SheetFamily()) {
    case Family::Vardex: ApplyVardex(driver, solution); break;
    case Family::Pelmar: ApplyPelmar(driver, solution); break;
    case Family::Zintor: ApplyZintor(driver, solution); break;
    case Family::None: return false;
    }
    return driver.ok;
}

std::vector<ClockSolution> BestPerFrequency(std::vector<ClockSolution> solutions, std::size_t limit) {
    std::vector<ClockSolution> out;
    for (ClockSolution& s : solutions) {
        if (out.size() == limit) break;
        const bool seen = std::any_of(out.begin(), out.end(),
                                      [&](const ClockSolution& o) { return o.clock.sysclk_hz == s.clock.sysclk_hz; });
        if (!seen) out.push_back(std::move(s));
    }
    return out;
}

}  // namespace quillon
