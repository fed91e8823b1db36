/* This file was created by the PAGEBAKE utility. */

#ifndef PAGE12_H_INC
#define PAGE12_H_INC	1

#include "zs_defs.h"

#define PAGE12_SIZE 12

#ifndef PAGE12_C_INC
extern kpv_const byte page12_htm[PAGE12_SIZE];
#endif

#endif		/* PAGE12_H_INC */