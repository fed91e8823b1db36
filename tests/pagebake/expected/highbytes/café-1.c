/* This file was created by the PAGEBAKE utility. */

#include "caf1.h"

kpv_const byte caf1_bin[]=
{
 0xff,  0xe9, 
};
