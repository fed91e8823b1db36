/* This file was created by the PAGEBAKE utility. */

#ifndef INDEX_H_INC
#define INDEX_H_INC	1

#include "zs_defs.h"

#define INDEX_SIZE 265

#ifndef INDEX_C_INC
extern kpv_const byte index_html[INDEX_SIZE];
#endif

#endif		/* INDEX_H_INC */