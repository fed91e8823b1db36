/* A library store that exports only one of its two entry points (ONLY_GetStackLib or
 * ONLY_GetLibrarySize): what an incomplete or foreign build of the store looks like. */
#include <stdint.h>
#include <string.h>

#if defined(ONLY_GetStackLib)
__attribute__((visibility("default"))) int32_t GetStackLib(uint8_t *common, uint8_t *bank, int32_t number) {
    /* Without the sizes, a caller cannot know how much this writes; it must never be called. */
    if (!common || !bank || number < 1 || number > 72) return 0;
    memset(common, 0xEE, 4096);
    memset(bank, 0xEE, 4096);
    return 1;
}
#elif defined(ONLY_GetLibrarySize)
__attribute__((visibility("default"))) int32_t GetLibrarySize(int32_t number, uint32_t *common_size,
                                                              uint32_t *bank_size) {
    (void)number;
    *common_size = 4096;
    *bank_size = 4096;
    return 0;
}
#else
#error "say which entry point the store keeps"
#endif
