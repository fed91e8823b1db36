/* The library store's two entry points, shared by the store and the wizard that binds them.
 *
 * The store holds 72 library pairs (a common and a bank OMF-51 library each) and hands a pair
 * out by library number 1 to 72. Ask for the sizes first, allocate two buffers of exactly those
 * sizes, then copy. For numbers outside 1 to 72 both sizes are 0 and nothing is copied. */
#ifndef QUILLON_STACKVAULT_H
#define QUILLON_STACKVAULT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Copies the common library into `common` and the bank library into `bank`; returns 1, or 0
 * (copying nothing) when either buffer is null or the number has no pair. */
typedef int32_t (*GetStackLibFn)(uint8_t* common, uint8_t* bank, int32_t library_number);

/* Writes the byte sizes of the pair's common and bank library; returns 0. */
typedef int32_t (*GetLibrarySizeFn)(int32_t library_number, uint32_t* common_size, uint32_t* bank_size);

#define STACKVAULT_GET_STACK_LIB "GetStackLib"
#define STACKVAULT_GET_LIBRARY_SIZE "GetLibrarySize"

/* The bytes the sample-library generator puts at the start of the first module's code in every
 * library it writes. The real stack never holds them, so a store whose libraries carry them is
 * a sample store: the wizard says so, and firmware linked against it does not run the stack. */
#define STACKVAULT_SAMPLE_MARK "QUILLON SAMPLE STACK LIBRARY: filler code, not the stack"

#ifdef __cplusplus
}
#endif

#endif
