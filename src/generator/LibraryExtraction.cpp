#include "generator/LibraryExtraction.h"

#include <new>

#include "config/LibrarySelection.h"

namespace quillon {

LibraryExtraction ExtractLibraries(ConfigRecord& record, const LibrarySource& source) {
    const LibraryChoice choice = SelectLibrary(record, false);
    LibraryExtraction result;
    result.common_name = "zs_stack_common_" + choice.name + ".lib";
    result.bank_name = "zs_stack_bank_" + choice.name + ".lib";

    std::uint32_t common_size = 0;
    std::uint32_t bank_size = 0;
    const bool sized = source.LibrarySizes(choice.number, common_size, bank_size);
    try {
        result.common.assign(common_size, 0);
        result.bank.assign(bank_size, 0);
    } catch (const std::bad_alloc&) {
        result.common.clear();
        result.bank.clear();
        result.problem = "not enough memory for the library";
        return result;
    }
    result.from_store = sized && source.FetchLibraries(choice.number, result.common.data(), result.bank.data());
    // Without the pair both files are written empty, as the generation then says: zeros of
    // the announced size would pass for a library until the linker met them.
    if (!result.from_store) {
        result.common.clear();
        result.bank.clear();
    }
    return result;
}

}  // namespace quillon
