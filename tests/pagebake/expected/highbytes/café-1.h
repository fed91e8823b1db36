/* This file was created by the PAGEBAKE utility. */

#ifndef CAF1_H_INC
#define CAF1_H_INC	1

#include "defs.h"

#define CAF1_SIZE 2

extern kpv_const byte caf1_bin[CAF1_SIZE];

#endif		/* CAF1_H_INC */
