/* The library store: 72 pairs of precompiled stack libraries, embedded as numbered data files,
 * handed out by library number. It keeps no state between calls; every call looks its data up
 * afresh in this module's own embedded data. */
#include <string.h>

#include "LibraryPairTable.h"
#include "stackvault.h"
#include "stackvault_libs.h"

#define STACKVAULT_EXPORT __attribute__((visibility("default")))

/* Declared through the binding's pointer types, so that a signature drifting away from what the
 * wizard calls fails to compile here. */
STACKVAULT_EXPORT __typeof__(*(GetStackLibFn)0) GetStackLib;
STACKVAULT_EXPORT __typeof__(*(GetLibrarySizeFn)0) GetLibrarySize;

/* Finds the pair of `number`; 0 for numbers without a pair. */
static const struct LibraryPair* FindPair(int32_t number) {
    if (number < 1 || number > LIBRARY_PAIR_COUNT) return NULL;
    return &LibraryPairTable[number - 1];
}

/* A data file that is not embedded reads as size 0. Sizes of our libraries stay far below
 * 4 GiB, so the 32-bit result of the interface never cuts one. */
static uint32_t DataFileSize(int number) {
    size_t size = 0;
    if (!stackvault_libs_lookup(number, &size)) return 0;
    return (uint32_t)size;
}

static void CopyDataFile(int number, uint8_t* out) {
    size_t size = 0;
    const unsigned char* data = stackvault_libs_lookup(number, &size);
    if (data && size != 0) memcpy(out, data, size);
}

STACKVAULT_EXPORT int32_t GetLibrarySize(int32_t library_number, uint32_t* common_size, uint32_t* bank_size) {
    const struct LibraryPair* pair = FindPair(library_number);
    if (common_size) *common_size = pair ? DataFileSize(pair->common_file) : 0;
    if (bank_size) *bank_size = pair ? DataFileSize(pair->bank_file) : 0;
    return 0;
}

STACKVAULT_EXPORT int32_t GetStackLib(uint8_t* common, uint8_t* bank, int32_t library_number) {
    const struct LibraryPair* pair = FindPair(library_number);
    if (!common || !bank || !pair) return 0;
    CopyDataFile(pair->common_file, common);
    CopyDataFile(pair->bank_file, bank);
    return 1;
}
