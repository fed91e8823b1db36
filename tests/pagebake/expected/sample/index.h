/* This file was created by the PAGEBAKE utility. */

#ifndef INDEX_H_INC
#define INDEX_H_INC	1

#include "defs.h"

#define INDEX_SIZE 266

extern kpv_const byte index_html[INDEX_SIZE];

#endif		/* INDEX_H_INC */
