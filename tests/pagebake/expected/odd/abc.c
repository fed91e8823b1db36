/* This file was created by the PAGEBAKE utility. */

#include "abc.h"

kpv_const byte abc_txt[]=
{
 0x61,  0x62,  0x63,  0x00
};
