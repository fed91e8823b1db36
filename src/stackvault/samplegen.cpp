// quillon-samplegen: writes the sample stack libraries that the store embeds when the build is
// not given the real precompiled stack.
//
//   quillon-samplegen COMPONENTS.txt OUTDIR
//
// For every library number 1 to 72 it writes zs_stack_common_NNN.lib and zs_stack_bank_NNN.lib:
// OMF-51 libraries with one module per stack component of the library's option set, each
// exporting exactly the component's functions as public code symbols. The code is filler (runs
// of MOV A,#n closed by RET, after a mark that says what they are) sized so that the files fall in the size ranges of the real
// libraries and grow with the library's code size. The output is the same bytes on every run,
// and files whose bytes did not change are left untouched so that the store is not relinked.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "config/LibrarySelection.h"
#include "stackvault.h"
#include "stacklib/Omf51.h"
#include "stacklib/StackComponents.h"
#include "io/FileIo.h"

namespace quillon {
namespace {

// The size ranges of the real libraries, reached at the smallest and the largest code size of
// the library table.
struct SizeRange {
    std::size_t smallest;
    std::size_t largest;
};
constexpr SizeRange kCommonRange{180276, 229417};
constexpr SizeRange kBankRange{23550, 188673};
constexpr int kSmallestKb = 12;
constexpr int kLargestKb = 46;

// Data bytes per Content record: keeps every record near 1 KiB at most.
constexpr std::size_t kContentChunk = 1000;
// Type, length, segment id, offset and checksum around each Content record's data.
constexpr std::size_t kContentOverhead = 7;

std::size_t TargetSize(int size_kb, LibraryHalf half) {
    const SizeRange range = half == LibraryHalf::Common ? kCommonRange : kBankRange;
    return range.smallest +
           (range.largest - range.smallest) * static_cast<std::size_t>(size_kb - kSmallestKb) / (kLargestKb - kSmallestKb);
}

std::string ModuleSegmentName(const std::string& module) { return "?PR?" + module; }

Omf51Module Skeleton(const StackComponent& component) {
    Omf51Module module;
    module.name = component.module;
    Omf51Segment segment;
    segment.name = ModuleSegmentName(component.module);
    module.segments.push_back(segment);
    for (const std::string& function : component.functions) {
        Omf51Public symbol;
        symbol.name = function;
        module.publics.push_back(symbol);
    }
    return module;
}

// Gives `module` code whose Content records take exactly `budget` bytes of the file: `mark`
// first (bytes no public symbol points at), then the rest of the segment cut into one block per
// function, each a run of MOV A,#library ended by RET.
void FillCode(Omf51Module& module, std::size_t budget, int library_number, std::string_view mark) {
    const std::size_t records = (budget + kContentChunk + kContentOverhead - 1) / (kContentChunk + kContentOverhead);
    const std::size_t code = budget - records * kContentOverhead;
    const std::size_t functions = module.publics.size();
    if (budget < records * kContentOverhead || code < records || code < mark.size() + functions || code > 0xFFFF)
        throw Omf51Error("module " + module.name + " cannot hold " + std::to_string(budget) + " bytes of code");

    std::vector<std::uint8_t> bytes(code);
    std::copy(mark.begin(), mark.end(), bytes.begin());
    const std::size_t body_bytes = code - mark.size();
    for (std::size_t f = 0; f < functions; ++f) {
        const std::size_t begin = mark.size() + body_bytes * f / functions;
        const std::size_t end = mark.size() + body_bytes * (f + 1) / functions;
        module.publics[f].offset = static_cast<std::uint16_t>(begin);
        // The library number in the operands makes every library's code its own, so a store
        // that hands out the wrong file of two equally built libraries is caught. An odd byte
        // left before the RET stays 0, a NOP, rather than half an instruction.
        const std::size_t body = end - begin - 1;
        for (std::size_t r = 0; r + 1 < body; r += 2) {
            bytes[begin + r] = 0x74;  // MOV A,#n
            bytes[begin + r + 1] = static_cast<std::uint8_t>(library_number);
        }
        bytes[end - 1] = 0x22;  // RET
    }
    module.segments[0].size = static_cast<std::uint16_t>(code);

    for (std::size_t r = 0; r < records; ++r) {
        const std::size_t begin = code * r / records;
        const std::size_t end = code * (r + 1) / records;
        Omf51Content content;
        content.offset = static_cast<std::uint16_t>(begin);
        content.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(begin), bytes.begin() + static_cast<std::ptrdiff_t>(end));
        module.contents.push_back(std::move(content));
    }
}

// Splits `budget` bytes among the modules in proportion to their weights (their number of
// functions), no share above `cap`: a segment holds at most 64 KiB, so what a capped module
// cannot take goes to the others. The shares add up to `budget` exactly.
std::vector<std::size_t> Shares(std::size_t budget, const std::vector<std::size_t>& weights, std::size_t cap) {
    const std::size_t n = weights.size();
    std::vector<std::size_t> shares(n, 0);
    std::vector<bool> capped(n, false);
    std::size_t remaining = budget;
    for (bool clamped = true; clamped;) {
        clamped = false;
        std::size_t total = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (!capped[i]) total += weights[i];
        if (total == 0) break;
        for (std::size_t i = 0; i < n; ++i) {
            if (!capped[i] && remaining * weights[i] / total > cap) {
                shares[i] = cap;
                capped[i] = true;
                remaining -= cap;
                clamped = true;
            }
        }
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (!capped[i]) total += weights[i];
    if (total == 0) {
        if (remaining != 0) throw Omf51Error("the modules cannot hold " + std::to_string(budget) + " bytes of code");
        return shares;
    }
    std::size_t given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (capped[i]) continue;
        shares[i] = remaining * weights[i] / total;
        given += shares[i];
    }
    // The bytes that rounding left over go one each to the first modules.
    for (std::size_t i = 0; given < remaining; i = (i + 1) % n) {
        if (capped[i] || weights[i] == 0) continue;
        ++shares[i];
        ++given;
    }
    return shares;
}

std::vector<std::uint8_t> BuildLibrary(const LibraryRow& row, LibraryHalf half, const std::vector<StackComponent>& table) {
    std::vector<Omf51Module> modules;
    for (const StackComponent* component : ComponentsOf(table, half, row.option_set)) modules.push_back(Skeleton(*component));
    if (modules.empty()) throw Omf51Error("library " + LibraryNameText(row.number) + " has no modules");

    // Everything but the code has a fixed size, so the code budget follows from the skeleton.
    const std::size_t frame = WriteOmf51Library(modules).size();
    const std::size_t target = TargetSize(row.size_kb, half);
    if (frame >= target) throw Omf51Error("library " + LibraryNameText(row.number) + " outgrows its size");
    std::vector<std::size_t> weights;
    for (const Omf51Module& module : modules) weights.push_back(module.publics.size());
    const std::vector<std::size_t> shares = Shares(target - frame, weights, 0xFFFF);
    // The first module carries the sample mark, so that the wizard can tell this store from
    // the real stack.
    for (std::size_t i = 0; i < modules.size(); ++i)
        FillCode(modules[i], shares[i], row.number, i == 0 ? std::string_view(STACKVAULT_SAMPLE_MARK) : std::string_view());
    std::vector<std::uint8_t> bytes = WriteOmf51Library(modules);

    const Omf51LibraryInfo check = ReadOmf51Library(bytes);
    if (bytes.size() != target || !check.WellFormed())
        throw Omf51Error("library " + LibraryNameText(row.number) + " did not come out as planned" +
                         (check.WellFormed() ? std::string() : ": " + check.problems.front()));
    return bytes;
}

bool WriteIfChanged(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> old;
    if (!ReadFileBytes(path, old) && old == bytes) return true;
    if (auto error = WriteFileBytes(path, bytes)) {
        std::fprintf(stderr, "quillon-samplegen: cannot write %s: %s\n", error->path.c_str(), error->reason.c_str());
        return false;
    }
    return true;
}

int Run(const std::string& components_path, const std::string& out_dir) {
    std::vector<std::uint8_t> text;
    if (auto error = ReadFileBytes(components_path, text, 1 << 20)) {
        std::fprintf(stderr, "quillon-samplegen: cannot read %s: %s\n", components_path.c_str(), error->reason.c_str());
        return 1;
    }
    const StackComponentTable table =
        ParseStackComponents(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!table.errors.empty()) {
        for (const std::string& e : table.errors) std::fprintf(stderr, "%s: %s\n", components_path.c_str(), e.c_str());
        return 1;
    }
    if (::mkdir(out_dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "quillon-samplegen: cannot create %s: %s\n", out_dir.c_str(), std::strerror(errno));
        return 1;
    }
    try {
        for (const LibraryRow& row : LibraryTable()) {
            const std::string name = LibraryNameText(row.number);
            if (!WriteIfChanged(out_dir + "/zs_stack_common_" + name + ".lib",
                                BuildLibrary(row, LibraryHalf::Common, table.components)) ||
                !WriteIfChanged(out_dir + "/zs_stack_bank_" + name + ".lib",
                                BuildLibrary(row, LibraryHalf::Bank, table.components)))
                return 1;
        }
    } catch (const Omf51Error& e) {
        std::fprintf(stderr, "quillon-samplegen: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon-samplegen COMPONENTS.txt OUTDIR\n");
        return 2;
    }
    return quillon::Run(argv[1], argv[2]);
}
