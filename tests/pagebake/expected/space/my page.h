/* This file was created by the PAGEBAKE utility. */

#ifndef MYPAGE_H_INC
#define MYPAGE_H_INC	1

#include "defs.h"

#define MYPAGE_SIZE 10

extern kpv_const byte mypage_html[MYPAGE_SIZE];

#endif		/* MYPAGE_H_INC */
