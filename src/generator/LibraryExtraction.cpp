#include "generator/LibraryExtraction.h"

#include <new>

#include "config/LibrarySelection.h"

namespace quillon {

LibraryExtraction ExtractLibraries(ConfigRecord& record, const std::string& project_folder,
                                   const LibrarySource& source, std::vector<FileError>& failures) {
    const LibraryChoice choice = SelectLibrary(record, false);
    LibraryExtraction result;
    result.common_name = "zs_stack_common_" + choice.name + ".lib";
    result.bank_name = "zs_stack_bank_" + choice.name + ".lib";

    std::uint32_t common_size = 0;
    std::uint32_t bank_size = 0;
    const bool sized = source.LibrarySizes(choice.number, common_size, bank_size);

    std::vector<std::uint8_t> common;
    std::vector<std::uint8_t> bank;
    try {
        common.assign(common_size, 0);
        bank.assign(bank_size, 0);
    } catch (const std::bad_alloc&) {
        failures.push_back({project_folder + result.common_name, "not enough memory for the library"});
        return result;
    }
    result.from_store = sized && source.FetchLibraries(choice.number, common.data(), bank.data());
    // Without the pair both files are written empty, as the generation then says: zeros of
    // the announced size would pass for a library until the linker met them.
    if (!result.from_store) {
        common.clear();
        bank.clear();
    }

    if (auto error = WriteFileBytes(project_folder + result.common_name, common)) failures.push_back(*error);
    if (auto error = WriteFileBytes(project_folder + result.bank_name, bank)) failures.push_back(*error);
    return result;
}

}  // namespace quillon
