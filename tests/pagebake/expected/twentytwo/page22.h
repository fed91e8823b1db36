/* This file was created by the PAGEBAKE utility. */

#ifndef PAGE22_H_INC
#define PAGE22_H_INC	1

#include "defs.h"

#define PAGE22_SIZE 22

extern kpv_const byte page22_htm[PAGE22_SIZE];

#endif		/* PAGE22_H_INC */
