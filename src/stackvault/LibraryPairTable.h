/* The library store's pair table: library number to the numbers of the two stored data files
 * that hold its common and its bank library.
 *
 * The bank files follow the library number (178 + number); the common files run in blocks whose
 * order does not follow the library numbers (11 and 12 even swap places), so every row is
 * written out. The build reads this table too, to number the embedded libraries, so it is the
 * one place the numbering lives: keep one row per line, in library order. */
#ifndef QUILLON_LIBRARY_PAIR_TABLE_H
#define QUILLON_LIBRARY_PAIR_TABLE_H

#include <stdint.h>

#define LIBRARY_PAIR_COUNT 72

struct LibraryPair {
    int16_t common_file;
    int16_t bank_file;
};

/* Row i is library i + 1. */
static const struct LibraryPair LibraryPairTable[LIBRARY_PAIR_COUNT] = {
    {119, 179}, /* 1 */
    {120, 180}, /* 2 */
    {121, 181}, /* 3 */
    {122, 182}, /* 4 */
    {123, 183}, /* 5 */
    {124, 184}, /* 6 */
    {125, 185}, /* 7 */
    {138, 186}, /* 8 */
    {139, 187}, /* 9 */
    {140, 188}, /* 10 */
    {153, 189}, /* 11 */
    {152, 190}, /* 12 */
    {101, 191}, /* 13 */
    {102, 192}, /* 14 */
    {103, 193}, /* 15 */
    {104, 194}, /* 16 */
    {105, 195}, /* 17 */
    {106, 196}, /* 18 */
    {107, 197}, /* 19 */
    {108, 198}, /* 20 */
    {109, 199}, /* 21 */
    {110, 200}, /* 22 */
    {111, 201}, /* 23 */
    {112, 202}, /* 24 */
    {113, 203}, /* 25 */
    {114, 204}, /* 26 */
    {115, 205}, /* 27 */
    {116, 206}, /* 28 */
    {117, 207}, /* 29 */
    {118, 208}, /* 30 */
    {142, 209}, /* 31 */
    {143, 210}, /* 32 */
    {144, 211}, /* 33 */
    {145, 212}, /* 34 */
    {146, 213}, /* 35 */
    {147, 214}, /* 36 */
    {126, 215}, /* 37 */
    {127, 216}, /* 38 */
    {128, 217}, /* 39 */
    {129, 218}, /* 40 */
    {130, 219}, /* 41 */
    {131, 220}, /* 42 */
    {132, 221}, /* 43 */
    {133, 222}, /* 44 */
    {134, 223}, /* 45 */
    {135, 224}, /* 46 */
    {136, 225}, /* 47 */
    {154, 226}, /* 48 */
    {155, 227}, /* 49 */
    {156, 228}, /* 50 */
    {157, 229}, /* 51 */
    {158, 230}, /* 52 */
    {159, 231}, /* 53 */
    {160, 232}, /* 54 */
    {161, 233}, /* 55 */
    {162, 234}, /* 56 */
    {163, 235}, /* 57 */
    {164, 236}, /* 58 */
    {165, 237}, /* 59 */
    {166, 238}, /* 60 */
    {167, 239}, /* 61 */
    {168, 240}, /* 62 */
    {169, 241}, /* 63 */
    {170, 242}, /* 64 */
    {171, 243}, /* 65 */
    {172, 244}, /* 66 */
    {173, 245}, /* 67 */
    {174, 246}, /* 68 */
    {175, 247}, /* 69 */
    {176, 248}, /* 70 */
    {177, 249}, /* 71 */
    {178, 250}, /* 72 */
};

#endif
