/* This file was created by the PAGEBAKE utility. */

#include "readme.h"

kpv_const byte readme_[]=
{
 0x41,  0x42, 
};
