#include "generator/TextMerge.h"

#include <git2.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <dlfcn.h>

#include <algorithm>
#include <type_traits>

namespace quillon {

namespace {

// libgit2 is loaded when the first merge or diff wants it, not when the program starts: it
// brings a dozen libraries of its own (TLS, SSH, Kerberos) whose loading would more than double
// the start-up of every command, while most runs never merge anything. Its global state (its
// allocator, thread-local errors) is set up once and left up for the whole program. Nothing
// (with the reason) when the library cannot be loaded: a merge then keeps the user's file.
struct Git {
    decltype(&git_merge_file) merge_file = nullptr;
    decltype(&git_merge_file_result_free) merge_file_result_free = nullptr;
    decltype(&git_patch_from_buffers) patch_from_buffers = nullptr;
    decltype(&git_patch_to_buf) patch_to_buf = nullptr;
    decltype(&git_patch_free) patch_free = nullptr;
    decltype(&git_buf_dispose) buf_dispose = nullptr;
};

const Git* LoadGit() {
    static const std::optional<Git> git = []() -> std::optional<Git> {
        void* library = dlopen(QUILLON_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library) return std::nullopt;
        const auto find = [library](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            return function != nullptr;
        };
        Git g;
        decltype(&git_libgit2_init) init = nullptr;
        if (!find(init, "git_libgit2_init") || !find(g.merge_file, "git_merge_file") ||
            !find(g.merge_file_result_free, "git_merge_file_result_free") ||
            !find(g.patch_from_buffers, "git_patch_from_buffers") || !find(g.patch_to_buf, "git_patch_to_buf") ||
            !find(g.patch_free, "git_patch_free") || !find(g.buf_dispose, "git_buf_dispose")) {
            return std::nullopt;
        }
        if (init() < 0) return std::nullopt;
        return g;
    }();
    return git ? &*git : nullptr;
}

// The library reads through the pointer even for an empty text; give it a valid address.
const char* Pointer(ByteView bytes) {
    static const char kEmpty = 0;
    return bytes.empty() ? &kEmpty : reinterpret_cast<const char*>(bytes.data());
}

git_merge_file_input Input(ByteView bytes) {
    git_merge_file_input input = GIT_MERGE_FILE_INPUT_INIT;
    input.ptr = Pointer(bytes);
    input.size = bytes.size();
    return input;
}

}  // namespace

bool LooksBinary(ByteView bytes) { return std::find(bytes.begin(), bytes.end(), 0) != bytes.end(); }

std::optional<TextMergeResult> MergeTexts(ByteView base, ByteView ours, ByteView theirs, const MergeLabels& labels) {
    if (LooksBinary(base) || LooksBinary(ours) || LooksBinary(theirs)) return std::nullopt;
    const Git* git = LoadGit();
    if (!git) return std::nullopt;
    const git_merge_file_input in_base = Input(base);
    const git_merge_file_input in_ours = Input(ours);
    const git_merge_file_input in_theirs = Input(theirs);
    git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
    options.ancestor_label = labels.base.c_str();
    options.our_label = labels.ours.c_str();
    options.their_label = labels.theirs.c_str();
    options.flags = GIT_MERGE_FILE_STYLE_DIFF3;
    git_merge_file_result result{};
    if (git->merge_file(&result, &in_base, &in_ours, &in_theirs, &options) != 0) return std::nullopt;
    TextMergeResult merged;
    merged.clean = result.automergeable != 0;
    if (result.ptr) merged.text.assign(result.ptr, result.ptr + result.len);
    git->merge_file_result_free(&result);
    return merged;
}

std::string UnifiedDiff(const std::optional<ByteView>& before, const std::optional<ByteView>& after,
                        std::string_view path, std::string_view before_path) {
    if (before && after && std::equal(before->begin(), before->end(), after->begin(), after->end())) return {};
    if (!before && !after) return {};
    const std::string name(path);
    const std::string before_name(before_path.empty() ? path : before_path);
    const Git* git = LoadGit();
    if (!git) return {};
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    git_patch* patch = nullptr;
    const int status = git->patch_from_buffers(
        &patch, before ? Pointer(*before) : nullptr, before ? before->size() : 0, before ? before_name.c_str() : nullptr,
        after ? Pointer(*after) : nullptr, after ? after->size() : 0, after ? name.c_str() : nullptr, &options);
    if (status != 0 || !patch) return {};
    git_buf buffer = GIT_BUF_INIT;
    std::string text;
    if (git->patch_to_buf(&buffer, patch) == 0 && buffer.ptr) text.assign(buffer.ptr, buffer.size);
    git->buf_dispose(&buffer);
    git->patch_free(patch);
    return text;
}

std::string ContentId(ByteView bytes) {
    const XXH128_hash_t hash = XXH3_128bits(bytes.data(), bytes.size());
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char b : canonical.digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

}  // namespace quillon
