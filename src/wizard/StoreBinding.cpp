#include "wizard/StoreBinding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>

namespace quillon {

StoreBinding::~StoreBinding() { Unload(); }

void StoreBinding::Load(const std::vector<std::string>& candidates) {
    Unload();
    for (const std::string& candidate : candidates) {
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            if (load_error_.empty() && ::access(candidate.c_str(), F_OK) == 0) load_error_ = why ? why : candidate;
            continue;
        }
        load_error_.clear();
        handle_ = handle;
        path_ = candidate;
        // Each entry point may be missing on its own; the generation skips the calls it lacks.
        get_stack_lib_ = reinterpret_cast<GetStackLibFn>(::dlsym(handle, STACKVAULT_GET_STACK_LIB));
        get_library_size_ = reinterpret_cast<GetLibrarySizeFn>(::dlsym(handle, STACKVAULT_GET_LIBRARY_SIZE));
        return;
    }
}

void StoreBinding::Unload() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
    path_.clear();
    load_error_.clear();
    get_stack_lib_ = nullptr;
    get_library_size_ = nullptr;
    samples_.reset();
}

namespace {

bool HoldsSampleMark(const std::uint8_t* common, std::uint32_t size) {
    const std::string_view mark = STACKVAULT_SAMPLE_MARK;
    const std::boyer_moore_horspool_searcher searcher(mark.begin(), mark.end());
    const char* text = reinterpret_cast<const char*>(common);
    return std::search(text, text + size, searcher) != text + size;
}

}  // namespace

bool StoreBinding::HoldsSampleLibraries() const {
    if (samples_) return *samples_;
    std::uint32_t common_size = 0;
    std::uint32_t bank_size = 0;
    if (!LibrarySizes(1, common_size, bank_size) || common_size == 0 || bank_size == 0) return false;
    // Written whole by the store: no need to clear them first.
    const auto common = std::make_unique_for_overwrite<std::uint8_t[]>(common_size);
    const auto bank = std::make_unique_for_overwrite<std::uint8_t[]>(bank_size);
    // Fetching learns the answer.
    if (!FetchLibraries(1, common.get(), bank.get())) return false;
    return samples_.value_or(false);
}

std::vector<std::string> StoreNotices(const StoreBinding& store) {
    if (store.HoldsSampleLibraries()) return {kSampleLibrariesNotice};
    return {};
}

bool StoreBinding::LibrarySizes(int number, std::uint32_t& common_size, std::uint32_t& bank_size) const {
    if (!get_library_size_) return false;
    get_library_size_(number, &common_size, &bank_size);
    return true;
}

bool StoreBinding::FetchLibraries(int number, std::uint8_t* common, std::uint8_t* bank) const {
    if (!get_library_size_ || !get_stack_lib_ || get_stack_lib_(common, bank, number) != 1) return false;
    // Every library of a sample store carries the mark: the first one fetched (the generation's
    // own pair, as a rule) tells, so that asking afterwards costs nothing.
    if (!samples_) {
        std::uint32_t common_size = 0;
        std::uint32_t bank_size = 0;
        get_library_size_(number, &common_size, &bank_size);
        samples_ = HoldsSampleMark(common, common_size);
    }
    return true;
}

std::string StoreBinding::FetchProblem(const std::string& common_name, const std::string& bank_name) const {
    if (!Loaded()) return load_error_;
    if (!get_library_size_) return path_ + " does not export " STACKVAULT_GET_LIBRARY_SIZE;
    if (!get_stack_lib_) return path_ + " does not export " STACKVAULT_GET_STACK_LIB;
    return path_ + " has no " + common_name + " and " + bank_name;
}

std::vector<std::string> StoreBinding::DefaultCandidates(const std::string& program_dir,
                                                         const std::string& install_prefix) {
    std::vector<std::string> out;
    if (!program_dir.empty()) out.push_back(program_dir + "/Vaultkeep/stackvault.so");
    if (!install_prefix.empty()) out.push_back(install_prefix + "/lib/quillon/Vaultkeep/stackvault.so");
    return out;
}

}  // namespace quillon
