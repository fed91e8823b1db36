#include "wizard/StoreBinding.h"

#include <dlfcn.h>

namespace quillon {

StoreBinding::~StoreBinding() { Unload(); }

void StoreBinding::Load(const std::vector<std::string>& candidates) {
    Unload();
    for (const std::string& candidate : candidates) {
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
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
    get_stack_lib_ = nullptr;
    get_library_size_ = nullptr;
}

std::vector<std::string> StoreBinding::DefaultCandidates(const std::string& program_dir,
                                                         const std::string& install_prefix) {
    std::vector<std::string> out;
    if (!program_dir.empty()) out.push_back(program_dir + "/Vaultkeep/stackvault.so");
    if (!install_prefix.empty()) out.push_back(install_prefix + "/lib/quillon/Vaultkeep/stackvault.so");
    return out;
}

}  // namespace quillon
