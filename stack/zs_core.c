//-----------------------------------------------------------------------------
// zs_core.c
//-----------------------------------------------------------------------------
//
// The stack's clock, its start, the main-loop processing and the link it runs over.
// The links (SLIP, Ethernet) slot into zs_poll and zs_link_send.
//

#include "zs_stack.h"
#include "zs_hw.h"

zs_stats_t zs_stats;
byte zs_link_is_up;

// Written by the tick interrupt; zs_get_ticks reads it until two reads agree, because the
// 8051 reads the two bytes one after the other.
static volatile word zs_ticks;

// Set while zs_poll runs, so that a callback that polls again (a ping from the UDP
// callback) cannot run the packet code inside itself.
byte zs_polling;

void zs_timer_tick(void)
{
    zs_ticks++;
}

word zs_get_ticks(void)
{
    word t;
    do
    {
        t = zs_ticks;
    } while (t != zs_ticks);
    return t;
}

void zs_set_ip_address(byte kpv_xdata *ip)
{
    zs_copy(my_ip_addr, ip, 4);
}

void zs_get_ip_address(byte kpv_xdata *ip)
{
    zs_copy(ip, my_ip_addr, 4);
}

void zs_link_set(byte up)
{
    if (up != zs_link_is_up)
    {
        zs_link_is_up = up;
        zs_link_status(up);
    }
}

int zs_init_stack(void)
{
    byte kpv_xdata *p = (byte kpv_xdata *) &zs_stats;
    byte i;

    for (i = 0; i < sizeof(zs_stats); i++)
    {
        p[i] = 0;
    }
    zs_ticks = 0;
    zs_polling = 0;
    zs_link_is_up = 0;
#ifdef ZS_UDP
    udp_init();
#endif
#ifdef ZS_PING
    icmp_init();
#endif
#ifdef ZS_TCP
    tcp_init();
#endif
#ifdef ZS_DHCP
    dhcp_init();
#endif
#ifdef ZS_DNS
    dns_init();
#endif
#ifdef ZS_SLIP
    slip_init();
#endif
#ifdef ZS_PPP
    ppp_init();
#endif
#if !defined(ZS_MODEM) && !defined(ZS_ETHERNET)
    // A serial line without a modem is up as soon as the UART runs; Ethernet is up once
    // eth_init has started the device.
    zs_link_set(1);
#endif
    zs_hw_start_tick();
    return ZS_OK;
}

// The next frame the link has completed in zs_recv_buff: its length, 0 when none.
static word zs_link_receive(void)
{
#if defined(ZS_ETHERNET)
    return eth_receive_frame(zs_recv_buff, zs_recv_buff_size);
#elif defined(ZS_SLIP)
    return slip_receive_packet(zs_recv_buff, zs_recv_buff_size);
#elif defined(ZS_PPP)
    ppp_process();
    return ppp_ip_len;
#else
    return 0;
#endif
}

int zs_poll(void)
{
    word len;

    if (!zs_link_is_up)
    {
        return ZS_ERR_LINK;
    }
    if (zs_polling)
    {
        return ZS_OK;
    }
    zs_polling = 1;
#ifdef ZS_UDP
    udp_release();
#endif
#ifdef ZS_TCP
    tcp_poll();
#endif
    // The clients' clocks run before a frame is taken: what they send then needs no
    // received bytes, and the transmit buffer is free.
#ifdef ZS_DHCP
    dhcp_poll();
#endif
#ifdef ZS_DNS
    dns_poll();
#endif
    len = zs_link_receive();
    if (len)
    {
        zs_stats.frames_in++;
#ifdef ZS_ETHERNET
        eth_process_frame(zs_recv_buff, len);
#else
        ip_process_packet(zs_recv_buff, len);
#endif
    }
    else
    {
#if defined(ZS_MODEM) && defined(ZS_SLIP)
        if (modem_carrier_lost(zs_recv_buff, slip_rx_len))
        {
            slip_restart();
            zs_link_set(0);
        }
#endif
#if defined(ZS_MODEM) && defined(ZS_PPP)
        if (ppp_carrier_lost())
        {
            zs_link_set(0);
        }
#endif
        zs_hw_idle();
    }
    zs_polling = 0;
    return zs_link_is_up ? ZS_OK : ZS_ERR_LINK;
}

int zs_link_send(byte kpv_xdata *packet, word len)
{
    if (!zs_link_is_up)
    {
        return ZS_ERR_LINK;
    }
#if defined(ZS_ETHERNET)
    return eth_send_ip(packet, len);    // counted as it goes out, after ARP
#elif defined(ZS_SLIP)
    zs_stats.frames_out++;
    return slip_send_packet(packet, len);
#elif defined(ZS_PPP)
    return ppp_send_ip(packet, len);
#else
    (void) packet;
    (void) len;
    return ZS_ERR_LINK;
#endif
}

void zs_copy(byte kpv_xdata *to, byte kpv_xdata *from, word len)
{
    if (len == 0)
    {
        return;                         // callers may pass no buffer with nothing in it
    }
    if (to < from)
    {
        while (len--)
        {
            *to++ = *from++;
        }
    }
    else if (to > from)
    {
        to += len;
        from += len;
        while (len--)
        {
            *--to = *--from;
        }
    }
}

byte zs_ip_equal(byte kpv_xdata *a, byte kpv_xdata *b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}
