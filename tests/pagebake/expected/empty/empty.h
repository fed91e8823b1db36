/* This file was created by the PAGEBAKE utility. */

#ifndef EMPTY_H_INC
#define EMPTY_H_INC	1

#include "defs.h"

#define EMPTY_SIZE 0

extern kpv_const byte empty_txt[EMPTY_SIZE];

#endif		/* EMPTY_H_INC */
