//-----------------------------------------------------------------------------
// zs_eth_host.c
//-----------------------------------------------------------------------------
//
// The Ethernet device on a PC: frames go to and come from a TAP device whose descriptor the
// environment names (QUILLON_TAP_FD, opened by `quillon-cli simulate --host`), or, without
// one, two in-memory queues that tests fill and empty. It stands in for the custom device's
// driver (eth_device_*) or, in a Lanvik project, whose zs_callback.c maps eth_device_* onto
// the controller's driver, for ethdrv_*.
//
// QUILLON_LOSS and QUILLON_REORDER (percent) drop or swap that share of the frames in both
// directions, so that the stack's recovery can be watched on a clean link.
//

#define _DEFAULT_SOURCE

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "zs_stack.h"
#include "zs_hw_host.h"

#define HOST_FRAME_MAX      1600
#define HOST_QUEUE_LEN      64

typedef struct
{
    unsigned short len;
    unsigned char data[HOST_FRAME_MAX];
} host_frame;

typedef struct
{
    host_frame frames[HOST_QUEUE_LEN];
    unsigned head;
    unsigned count;
} host_queue;

static int tap_fd = -2;                 // -2: not looked up yet, -1: queues
static host_queue to_stack;
static host_queue from_stack;
static unsigned loss_percent;
static unsigned reorder_percent;
static unsigned long random_state = 0x2545F491UL;
static host_frame held_out;             // a sent frame waiting for the next one
static host_frame held_in;              // a received frame waiting for the next one
static int device_up;
static void (*frame_tap)(const unsigned char *frame, unsigned len);

unsigned long zs_host_frames_dropped;
unsigned long zs_host_frames_swapped;

static unsigned env_number(const char *name, unsigned fallback)
{
    const char *text = getenv(name);

    return text && *text ? (unsigned) strtoul(text, 0, 10) : fallback;
}

static unsigned chance(void)
{
    // xorshift: a fixed sequence for a given seed, so that a failing run can be repeated.
    random_state ^= random_state << 13;
    random_state ^= random_state >> 17;
    random_state ^= random_state << 5;
    random_state &= 0xFFFFFFFFUL;
    return (unsigned) (random_state % 100);
}

static void host_setup(void)
{
    if (tap_fd != -2)
    {
        return;
    }
    tap_fd = (int) env_number("QUILLON_TAP_FD", (unsigned) -1);
    loss_percent = env_number("QUILLON_LOSS", 0);
    reorder_percent = env_number("QUILLON_REORDER", 0);
    random_state = env_number("QUILLON_SEED", 1) * 2654435761UL + 1;
    if (tap_fd >= 0)
    {
        zs_host_wait_fd(tap_fd);
    }
}

static void queue_put(host_queue *q, const unsigned char *frame, unsigned len)
{
    host_frame *f;

    if (q->count == HOST_QUEUE_LEN || len > HOST_FRAME_MAX)
    {
        zs_host_frames_dropped++;       // as a full controller would
        return;
    }
    f = &q->frames[(q->head + q->count) % HOST_QUEUE_LEN];
    f->len = (unsigned short) len;
    if (len)
    {
        memcpy(f->data, frame, len);
    }
    q->count++;
}

static unsigned queue_take(host_queue *q, unsigned char *frame, unsigned max_len)
{
    host_frame *f;
    unsigned len;

    if (q->count == 0)
    {
        return 0;
    }
    f = &q->frames[q->head];
    q->head = (q->head + 1) % HOST_QUEUE_LEN;
    q->count--;
    len = f->len <= max_len ? f->len : 0;
    if (len)
    {
        memcpy(frame, f->data, len);
    }
    return len;
}

static void wire_out(const unsigned char *frame, unsigned len)
{
    ssize_t n;

    if (frame_tap)
    {
        frame_tap(frame, len);
        return;
    }
    if (tap_fd < 0)
    {
        queue_put(&from_stack, frame, len);
        return;
    }
    do
    {
        n = write(tap_fd, frame, len);
    } while (n < 0 && errno == EINTR);
}

// The next frame from the wire, 0 when none waits.
static unsigned wire_in(unsigned char *frame, unsigned max_len)
{
    ssize_t n;

    if (tap_fd < 0)
    {
        return queue_take(&to_stack, frame, max_len);
    }
    do
    {
        n = read(tap_fd, frame, max_len);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? (unsigned) n : 0;
}

static int host_device_init(byte *hw_addr)
{
    (void) hw_addr;                     // a TAP device takes any source address
    host_setup();
    held_out.len = held_in.len = 0;
    device_up = 1;
    return ZS_OK;
}

static int host_device_send(byte *frame, word len)
{
    unsigned char padded[HOST_FRAME_MAX];
    unsigned sent = len;

    if (!device_up)
    {
        return ZS_ERR_DEVICE;
    }
    if (len > ZS_ETH_MAX_FRAME)
    {
        return ZS_ERR_TOO_LONG;
    }
    memcpy(padded, frame, len);
    if (sent < ZS_ETH_MIN_FRAME)
    {
        memset(padded + len, 0, ZS_ETH_MIN_FRAME - len);
        sent = ZS_ETH_MIN_FRAME;
    }
    if (loss_percent && chance() < loss_percent)
    {
        zs_host_frames_dropped++;
        return ZS_OK;                   // lost on the wire: the sender cannot tell
    }
    if (reorder_percent && held_out.len == 0 && chance() < reorder_percent)
    {
        held_out.len = (unsigned short) sent;
        memcpy(held_out.data, padded, sent);
        zs_host_frames_swapped++;
        return ZS_OK;
    }
    wire_out(padded, sent);
    if (held_out.len)
    {
        wire_out(held_out.data, held_out.len);
        held_out.len = 0;
    }
    return ZS_OK;
}

static word host_device_receive(byte *frame, word max_len)
{
    unsigned char buffer[HOST_FRAME_MAX];
    unsigned len;

    if (!device_up)
    {
        return 0;
    }
    for (;;)
    {
        len = wire_in(buffer, sizeof buffer);
        if (len == 0)
        {
            // Nothing new: a frame held back for swapping goes now rather than never.
            if (held_in.len == 0 && held_out.len == 0)
            {
                return 0;
            }
            if (held_out.len)
            {
                wire_out(held_out.data, held_out.len);
                held_out.len = 0;
            }
            if (held_in.len == 0)
            {
                return 0;
            }
            len = held_in.len;
            memcpy(buffer, held_in.data, len);
            held_in.len = 0;
            break;
        }
        if (loss_percent && chance() < loss_percent)
        {
            zs_host_frames_dropped++;
            continue;
        }
        if (reorder_percent && held_in.len == 0 && chance() < reorder_percent)
        {
            held_in.len = (unsigned short) len;
            memcpy(held_in.data, buffer, len);
            zs_host_frames_swapped++;
            continue;
        }
        break;
    }
    if (len > max_len)
    {
        zs_error(ZS_ERR_TOO_LONG);      // as the generated driver does
        return 0;
    }
    memcpy(frame, buffer, len);
    return (word) len;
}

static void host_device_reset(void)
{
    device_up = 0;
}

void zs_host_eth_inject(const unsigned char *frame, unsigned len)
{
    host_setup();
    queue_put(&to_stack, frame, len);
}

unsigned zs_host_eth_collect(unsigned char *frame, unsigned max_len)
{
    return queue_take(&from_stack, frame, max_len);
}

void zs_host_eth_clear(void)
{
    host_setup();
    to_stack.count = from_stack.count = 0;
    held_out.len = held_in.len = 0;
}

void zs_host_eth_set_tap(void (*tap)(const unsigned char *frame, unsigned len))
{
    frame_tap = tap;
}

#ifdef ZS_CUSTOM_ETHERNET
int eth_device_init(byte kpv_xdata *hw_addr)
{
    return host_device_init(hw_addr);
}

int eth_device_send(byte kpv_xdata *frame, word len)
{
    return host_device_send(frame, len);
}

word eth_device_receive(byte kpv_xdata *frame, word max_len)
{
    return host_device_receive(frame, max_len);
}

void eth_device_reset(void)
{
    host_device_reset();
}
#else
int ethdrv_init(byte kpv_xdata *hw_addr)
{
    return host_device_init(hw_addr);
}

int ethdrv_send(byte kpv_xdata *frame, word len)
{
    return host_device_send(frame, len);
}

word ethdrv_receive(byte kpv_xdata *frame, word max_len)
{
    return host_device_receive(frame, max_len);
}

void ethdrv_reset(void)
{
    host_device_reset();
}
#endif
