/* This file was created by the PAGEBAKE utility. */

#include "empty.h"

kpv_const byte empty_txt[]=
{

};
