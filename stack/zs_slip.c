//-----------------------------------------------------------------------------
// zs_slip.c
//-----------------------------------------------------------------------------
//
// SLIP framing (RFC 1055) over UART0. The decoder takes one byte at a time and assembles
// the frame straight in the caller's buffer, so a frame costs no memory beyond it. A frame
// that outgrows the buffer, or breaks the escape rules, is thrown away up to the next END.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_SLIP

#define SLIP_END            0xC0
#define SLIP_ESC            0xDB
#define SLIP_ESC_END        0xDC
#define SLIP_ESC_ESC        0xDD

#define SLIP_ESCAPED        0x01        // the last byte was ESC
#define SLIP_DISCARD        0x02        // the frame is lost: skip to the next END

word slip_rx_len;
static byte slip_rx_state;
static byte kpv_xdata *slip_rx_buffer;

void slip_restart(void)
{
    slip_rx_len = 0;
    slip_rx_state = 0;
}

int slip_init(void)
{
    slip_restart();
    slip_rx_buffer = 0;
    zs_uart_start();
    return ZS_OK;
}

word slip_decode(byte c, byte kpv_xdata *packet, word max_len)
{
    word len;

    if (packet != slip_rx_buffer)
    {
        // A frame begun in another buffer cannot be finished in this one.
        slip_rx_buffer = packet;
        slip_rx_len = 0;
        slip_rx_state = 0;
    }
    if (c == SLIP_END)
    {
        len = slip_rx_len;
        slip_rx_len = 0;
        if (slip_rx_state & SLIP_ESCAPED)
        {
            zs_stats.framing++;         // ESC END: the frame was cut short
            len = 0;
        }
        else if (slip_rx_state & SLIP_DISCARD)
        {
            len = 0;
        }
        slip_rx_state = 0;
        return len;                     // 0 also for the empty frames between ENDs
    }
    if (slip_rx_state & SLIP_DISCARD)
    {
        return 0;
    }
    if (slip_rx_state & SLIP_ESCAPED)
    {
        slip_rx_state = 0;
        if (c == SLIP_ESC_END)
        {
            c = SLIP_END;
        }
        else if (c == SLIP_ESC_ESC)
        {
            c = SLIP_ESC;
        }
        else
        {
            zs_stats.framing++;
            slip_rx_state = SLIP_DISCARD;
            return 0;
        }
    }
    else if (c == SLIP_ESC)
    {
        slip_rx_state = SLIP_ESCAPED;
        return 0;
    }
    if (slip_rx_len >= max_len)
    {
        zs_stats.oversized++;
        slip_rx_state = SLIP_DISCARD;
        zs_error(ZS_ERR_TOO_LONG);
        return 0;
    }
    packet[slip_rx_len++] = c;
    return 0;
}

word slip_receive_packet(byte kpv_xdata *packet, word max_len)
{
    int c;
    word len;

    while ((c = zs_uart_get()) >= 0)
    {
        len = slip_decode((byte) c, packet, max_len);
        if (len)
        {
            return len;
        }
    }
    return 0;
}

int slip_send_packet(byte kpv_xdata *packet, word len)
{
    byte c;

    // The END in front ends any line noise the far end has collected as a frame.
    zs_uart_put(SLIP_END);
    while (len--)
    {
        c = *packet++;
        if (c == SLIP_END)
        {
            zs_uart_put(SLIP_ESC);
            c = SLIP_ESC_END;
        }
        else if (c == SLIP_ESC)
        {
            zs_uart_put(SLIP_ESC);
            c = SLIP_ESC_ESC;
        }
        zs_uart_put(c);
    }
    zs_uart_put(SLIP_END);
    return ZS_OK;
}

#endif  // ZS_SLIP
