/* This file was created by the PAGEBAKE utility. */

#ifndef ABC_H_INC
#define ABC_H_INC	1

#include "defs.h"

#define ABC_SIZE 4

extern kpv_const byte abc_txt[ABC_SIZE];

#endif		/* ABC_H_INC */
