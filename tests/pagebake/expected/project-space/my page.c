/* This file was created by the PAGEBAKE utility. */

#define MYPAGE_C_INC	1
#include "my page.h"

kpv_const byte mypage_html[]=
{
 0x41, 0x42,
};