/* This file was created by the PAGEBAKE utility. */

#ifndef README_H_INC
#define README_H_INC	1

#include "defs.h"

#define README_SIZE 2

extern kpv_const byte readme_[README_SIZE];

#endif		/* README_H_INC */
