/* This file was created by the PAGEBAKE utility. */

#define EMPTY_C_INC	1
#include "empty.h"

kpv_const byte empty_txt[]=
{
 0x00,
};