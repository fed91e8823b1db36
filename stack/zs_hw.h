//-----------------------------------------------------------------------------
// zs_hw.h
//-----------------------------------------------------------------------------
//
// What the stack needs from the hardware: the 10 ms tick and a byte stream over UART0.
// zs_hw8051.c implements it on the microcontroller, host/zs_hw_host.c on a PC, where the
// same modules run under test.
//

#ifndef ZS_HW_H
#define ZS_HW_H

#include "zs_defs.h"

// Starts the tick: zs_timer_tick() runs every 10 ms from now on.
void zs_hw_start_tick(void);

// Starts UART0 at the configured rate and empties both rings.
void zs_uart_start(void);

// The next received byte, or -1 when none is waiting.
int  zs_uart_get(void);

// Queues one byte for sending; waits while the transmit ring is full.
void zs_uart_put(byte c);

// Waits until every queued byte has left the UART.
void zs_uart_flush(void);

// Called by every loop that waits for time or input. The microcontroller has nothing to do
// here (its interrupts move the bytes and the clock); the host advances its clock and sleeps
// briefly until input arrives.
void zs_hw_idle(void);

#endif  // ZS_HW_H
