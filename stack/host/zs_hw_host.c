//-----------------------------------------------------------------------------
// zs_hw_host.c
//-----------------------------------------------------------------------------
//
// zs_hw.h on a PC: UART0 is a pair of file descriptors (a pty, FIFOs or a socket that a
// harness hands over) and the tick follows CLOCK_MONOTONIC. Nothing interrupts the host
// build, so the clock advances whenever the stack polls or waits: zs_hw_idle calls
// zs_timer_tick once for every 10 ms that have passed.
//

#define _POSIX_C_SOURCE 200809L

#include <errno.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include "zs_stack.h"
#include "zs_hw.h"
#include "zs_hw_host.h"

#define HOST_RX_SIZE        4096

static int uart_in = -1;
static int uart_out = -1;
static unsigned char rx_buffer[HOST_RX_SIZE];
static size_t rx_pos;
static size_t rx_len;
static unsigned clock_scale = 1;
static long long ticks_done;            // ticks handed to zs_timer_tick since the start
static long long clock_origin_ns;
static void (*tx_tap)(unsigned char c);
static int idle_fd = -1;
static int virtual_clock;               // ticks come only from zs_hw_idle, one per call

volatile int zs_host_started;

unsigned long zs_host_rx_bytes;
unsigned long zs_host_tx_bytes;

static long long now_ns(void)
{
    struct timespec ts;

    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long) ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static void advance_clock(void)
{
    long long due;

    if (virtual_clock)
    {
        return;
    }
    due = (now_ns() - clock_origin_ns) * (long long) clock_scale / 10000000LL;

    while (ticks_done < due)
    {
        zs_timer_tick();
        ticks_done++;
    }
}

void zs_host_uart_attach(int in_fd, int out_fd)
{
    uart_in = in_fd;
    uart_out = out_fd;
    rx_pos = rx_len = 0;
    zs_host_rx_bytes = zs_host_tx_bytes = 0;
}

void zs_host_set_clock_scale(unsigned scale)
{
    // Keep the ticks already given: only the rate from now on changes.
    advance_clock();
    clock_scale = scale ? scale : 1;
    clock_origin_ns = now_ns() - ticks_done * 10000000LL / clock_scale;
}

void zs_host_set_virtual_clock(int on)
{
    if (!on && virtual_clock)
    {
        // Real time goes on from the ticks the virtual clock gave.
        clock_origin_ns = now_ns() - ticks_done * 10000000LL / clock_scale;
    }
    virtual_clock = on;
}

void zs_host_set_tap(void (*tap)(unsigned char c))
{
    tx_tap = tap;
}

void zs_host_wait_fd(int fd)
{
    idle_fd = fd;
}

void zs_hw_start_tick(void)
{
    zs_host_started = 1;
    ticks_done = 0;
    clock_origin_ns = now_ns();
}

void zs_uart_start(void)
{
    rx_pos = rx_len = 0;
}

// Takes whatever the descriptor has without waiting.
static void fill_rx(int wait_ms)
{
    struct pollfd p;
    ssize_t n;

    if (uart_in < 0)
    {
        return;
    }
    p.fd = uart_in;
    p.events = POLLIN;
    if (poll(&p, 1, wait_ms) <= 0 || !(p.revents & (POLLIN | POLLHUP)))
    {
        return;
    }
    n = read(uart_in, rx_buffer, sizeof rx_buffer);
    if (n > 0)
    {
        rx_pos = 0;
        rx_len = (size_t) n;
        zs_host_rx_bytes += (unsigned long) n;
    }
}

int zs_uart_get(void)
{
    advance_clock();
    if (rx_pos == rx_len)
    {
        rx_pos = rx_len = 0;
        fill_rx(0);
        if (rx_len == 0)
        {
            return -1;
        }
    }
    return rx_buffer[rx_pos++];
}

unsigned zs_host_uart_unread(void)
{
    return (unsigned) (rx_len - rx_pos);
}

void zs_uart_put(byte c)
{
    ssize_t n;

    zs_host_tx_bytes++;
    if (tx_tap)
    {
        tx_tap(c);
        return;
    }
    if (uart_out < 0)
    {
        return;
    }
    do
    {
        n = write(uart_out, &c, 1);
    } while (n < 0 && errno == EINTR);
}

void zs_uart_flush(void)
{
    // write() has handed every byte to the descriptor already.
}

void zs_hw_idle(void)
{
    if (virtual_clock)
    {
        // No sleeping: every wait is one tick, so a time-out costs its ticks in calls.
        if (rx_pos == rx_len)
        {
            rx_pos = rx_len = 0;
            fill_rx(0);
        }
        zs_timer_tick();
        ticks_done++;
        return;
    }
    // Sleep until input or for a millisecond, so that waiting loops do not spin a core.
    if (rx_pos == rx_len)
    {
        rx_pos = rx_len = 0;
        if (uart_in >= 0)
        {
            fill_rx(1);
        }
        else if (idle_fd >= 0)
        {
            struct pollfd p;

            p.fd = idle_fd;
            p.events = POLLIN;
            poll(&p, 1, 1);
        }
        else
        {
            struct timespec ms = {0, 1000000L};
            nanosleep(&ms, 0);
        }
    }
    advance_clock();
}
