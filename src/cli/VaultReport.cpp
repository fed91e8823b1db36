#include "cli/VaultReport.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/LibrarySelection.h"
#include "stacklib/Omf51.h"

namespace quillon {

namespace {

constexpr const char* kNoStore =
    "error: the library store is not installed (looked for Vaultkeep/stackvault.so beside the program "
    "and in <prefix>/lib/quillon/Vaultkeep/)\n";

// Reports a missing store or entry point; true when everything `need_copy` asks for is bound.
bool StoreUsable(const StoreBinding& store, bool need_copy, std::ostream& err) {
    if (!store.Loaded()) {
        err << kNoStore;
        return false;
    }
    const char* missing = !store.GetLibrarySize()            ? STACKVAULT_GET_LIBRARY_SIZE
                          : need_copy && !store.GetStackLib() ? STACKVAULT_GET_STACK_LIB
                                                              : nullptr;
    if (missing) {
        err << "error: the library store " << store.LoadedPath() << " does not export " << missing << "\n";
        return false;
    }
    return true;
}

}  // namespace

std::optional<int> ParseLibraryNumber(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kLibraryCount) return std::nullopt;
    return value;
}

namespace {

// Prints one half; returns whether it is a well-formed library.
bool PrintHalf(const char* half, const std::string& file_name, const std::vector<std::uint8_t>& bytes, std::ostream& out) {
    out << half << ": " << file_name << ", " << bytes.size() << " bytes";
    if (bytes.empty()) {
        out << ", missing from the store\n";
        return false;
    }
    const Omf51LibraryInfo info = ReadOmf51Library(bytes);
    out << ", " << info.modules.size() << (info.modules.size() == 1 ? " module\n" : " modules\n");
    for (const Omf51ModuleInfo& module : info.modules) {
        out << "  " << module.name << " (" << module.content_bytes << " bytes of code):";
        for (const Omf51Public& symbol : module.publics) out << " " << symbol.name;
        out << "\n";
    }
    for (const std::string& problem : info.problems) out << "  problem " << problem << "\n";
    return info.WellFormed();
}

}  // namespace

int PrintVaultList(const StoreBinding& store, std::ostream& out, std::ostream& err) {
    if (!StoreUsable(store, false, err)) return 1;
    out << "library  common bytes  bank bytes\n";
    for (const LibraryRow& row : LibraryTable()) {
        std::uint32_t common = 0;
        std::uint32_t bank = 0;
        store.GetLibrarySize()(row.number, &common, &bank);
        char line[80];
        std::snprintf(line, sizeof line, "%2d %s  %12u  %10u\n", row.number, LibraryNameText(row.number).c_str(),
                      static_cast<unsigned>(common), static_cast<unsigned>(bank));
        out << line;
    }
    return 0;
}

int PrintVaultShow(const StoreBinding& store, std::string_view number_text, std::ostream& out, std::ostream& err) {
    const std::optional<int> number = ParseLibraryNumber(number_text);
    if (!number) {
        err << "error: bad library number \"" << number_text << "\": give a number from 1 to " << kLibraryCount << "\n";
        return 1;
    }
    if (!StoreUsable(store, true, err)) return 1;

    std::uint32_t common_size = 0;
    std::uint32_t bank_size = 0;
    store.GetLibrarySize()(*number, &common_size, &bank_size);
    std::vector<std::uint8_t> common(common_size);
    std::vector<std::uint8_t> bank(bank_size);
    // A store that copies nothing leaves zeros, which the reader reports as no library.
    store.GetStackLib()(common.data(), bank.data(), *number);

    const LibraryRow& row = LibraryByNumber(*number);
    const std::string name = LibraryNameText(*number);
    char title[80];
    std::snprintf(title, sizeof title, "library %s: option set 0x%X, %d KB of code\n", name.c_str(),
                  static_cast<unsigned>(row.option_set), row.size_kb);
    out << title;
    const bool common_ok = PrintHalf("common", "zs_stack_common_" + name + ".lib", common, out);
    const bool bank_ok = PrintHalf("bank", "zs_stack_bank_" + name + ".lib", bank, out);
    if (!common_ok || !bank_ok) {
        err << "error: library pair " << name << " in " << store.LoadedPath() << " is damaged or missing\n";
        return 1;
    }
    return 0;
}

}  // namespace quillon
