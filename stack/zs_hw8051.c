//-----------------------------------------------------------------------------
// zs_hw8051.c
//-----------------------------------------------------------------------------
//
// The tick and UART0 of the 8051 families: timer 0 in mode 1, reloaded by its interrupt
// every 10 ms, and UART0 in mode 1 timed by timer 1 in mode 2. The UART moves its bytes
// through two small rings in its interrupt, so the main loop never waits for a byte.
// On Vardex the timers and UART0 sit on LEGACY_PAGE: code outside the interrupts selects
// it and puts the caller's page back; the interrupts get their page from the hardware.
//

#include "zs_stack.h"
#include "zs_hw.h"

#if defined(SDCC) || defined(__SDCC) || defined(__C51__)

#if device_id == VARDEX
#include "vardex.h"
#elif device_id == PELMAR
#include "pelmar.h"
#elif device_id == ZINTOR
#include "zintor.h"
#else
#error "zs_hw8051.c: device_id names no family this stack knows"
#endif

#ifdef ZS_PAGED_SFR
#define PAGE_DECLARE        byte saved_page;
#define PAGE_SAVE()         saved_page = SFRPAGE; SFRPAGE = LEGACY_PAGE
#define PAGE_RESTORE()      SFRPAGE = saved_page
#else
#define PAGE_DECLARE
#define PAGE_SAVE()
#define PAGE_RESTORE()
#endif

void zs_hw_start_tick(void)
{
    PAGE_DECLARE

    PAGE_SAVE();
    TR0 = 0;
    TMOD = (TMOD & 0xF0) | 0x01;        // timer 0: 16-bit, reloaded by its interrupt
    TH0 = zs_th0_reload;
    TL0 = zs_tl0_reload;
    TF0 = 0;
    ET0 = 1;
    TR0 = 1;
    EA = 1;
    PAGE_RESTORE();
}

INTERRUPT(zs_timer0_isr, 1)
{
    TH0 = zs_th0_reload;
    TL0 = zs_tl0_reload;
    zs_timer_tick();
}

void zs_hw_idle(void)
{
}

#if defined(ZS_SLIP) || defined(ZS_PPP)

// Power-of-two rings: one index is written only by the interrupt, the other only by the
// main loop, and a byte-wide index changes in one instruction.
#define RX_SIZE             32
#define TX_SIZE             16

static byte uart_rx[RX_SIZE];
static byte uart_tx[TX_SIZE];
static volatile byte rx_head;           // written by the interrupt
static volatile byte rx_tail;
static volatile byte tx_head;
static volatile byte tx_tail;           // written by the interrupt
static volatile byte tx_busy;           // a byte is on its way out of SBUF0

void zs_uart_start(void)
{
    PAGE_DECLARE

    PAGE_SAVE();
    ES0 = 0;
    TR1 = 0;
    TMOD = (TMOD & 0x0F) | 0x20;        // timer 1: 8-bit auto-reload, the baud rate
    TH1 = zs_uart_reload;
    TL1 = zs_uart_reload;
    TR1 = 1;
    SCON0 = 0x50;                       // mode 1: 8 data bits, receiver on
    rx_head = rx_tail = 0;
    tx_head = tx_tail = 0;
    tx_busy = 0;
    ES0 = 1;
    EA = 1;
    PAGE_RESTORE();
}

INTERRUPT(zs_uart0_isr, 4)
{
    byte next;

    if (RI0)
    {
        RI0 = 0;
        next = (rx_head + 1) & (RX_SIZE - 1);
        if (next != rx_tail)
        {
            uart_rx[rx_head] = SBUF0;
            rx_head = next;
        }
        else
        {
            // The byte is lost; the frame it belonged to fails its checks and is dropped.
            zs_stats.overrun++;
        }
    }
    if (TI0)
    {
        TI0 = 0;
        if (tx_tail != tx_head)
        {
            SBUF0 = uart_tx[tx_tail];
            tx_tail = (tx_tail + 1) & (TX_SIZE - 1);
        }
        else
        {
            tx_busy = 0;
        }
    }
}

int zs_uart_get(void)
{
    byte c;

    if (rx_tail == rx_head)
    {
        return -1;
    }
    c = uart_rx[rx_tail];
    rx_tail = (rx_tail + 1) & (RX_SIZE - 1);
    return c;
}

void zs_uart_put(byte c)
{
    byte next = (tx_head + 1) & (TX_SIZE - 1);
    PAGE_DECLARE

    while (next == tx_tail)
    {
    }
    PAGE_SAVE();
    ES0 = 0;
    if (!tx_busy)
    {
        tx_busy = 1;
        SBUF0 = c;
    }
    else
    {
        uart_tx[tx_head] = c;
        tx_head = next;
    }
    ES0 = 1;
    PAGE_RESTORE();
}

void zs_uart_flush(void)
{
    while (tx_busy)
    {
    }
}

#endif  // ZS_SLIP || ZS_PPP
#endif  // an 8051 compiler
