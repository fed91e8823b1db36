/* This file was created by the PAGEBAKE utility. */

#ifndef EMPTY_H_INC
#define EMPTY_H_INC	1

#include "zs_defs.h"

#define EMPTY_SIZE 0

#ifndef EMPTY_C_INC
extern kpv_const byte empty_txt[EMPTY_SIZE];
#endif

#endif		/* EMPTY_H_INC */