/* This file was created by the PAGEBAKE utility. */

#ifndef MYPAGE_H_INC
#define MYPAGE_H_INC	1

#include "zs_defs.h"

#define MYPAGE_SIZE 2

#ifndef MYPAGE_C_INC
extern kpv_const byte mypage_html[MYPAGE_SIZE];
#endif

#endif		/* MYPAGE_H_INC */