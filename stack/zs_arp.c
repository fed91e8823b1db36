//-----------------------------------------------------------------------------
// zs_arp.c
//-----------------------------------------------------------------------------
//
// ARP for IPv4 over Ethernet: the cache of arp_cache_size entries that expire after
// arp_keep_ticks, requests resent arp_resend_trys times within arp_wait_ticks, replies to
// requests for this device's address, and the gratuitous announcement when the link comes up.
// ARP frames are built in a frame of their own, so that answering a request never disturbs
// the IP packet waiting in the transmit buffer for its own resolution.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_ARP

#define ARP_LEN             28
#define ARP_REQUEST         1
#define ARP_REPLY           2
#define ARP_NONE            0xFF
// zs_vars.c gives a cache of no entries one all the same.
#define ARP_SLOTS           (zs_arp_cache_size ? zs_arp_cache_size : 1)

static byte arp_frame[ZS_ETH_HEADER_LEN + ARP_LEN];

// The last request sent from inside the stack's own processing, so that a burst of packets to
// an unresolved address asks once, not once a packet.
static byte arp_asked_ip[4];
static word arp_asked_at;

void arp_init(void)
{
    byte i;

    for (i = 0; i < ARP_SLOTS; i++)
    {
        arp_cache[i].ip[0] = arp_cache[i].ip[1] = arp_cache[i].ip[2] = arp_cache[i].ip[3] = 0;
    }
    arp_asked_ip[0] = arp_asked_ip[1] = arp_asked_ip[2] = arp_asked_ip[3] = 0;
}

static byte arp_is_zero(byte kpv_xdata *ip)
{
    return (ip[0] | ip[1] | ip[2] | ip[3]) == 0;
}

// The entry of ip, or ARP_NONE; an entry older than arp_keep_ticks is forgotten on the way.
static byte arp_find(byte kpv_xdata *ip)
{
    byte i;
    zs_arp_entry kpv_xdata *e = arp_cache;

    for (i = 0; i < zs_arp_cache_size; i++, e++)
    {
        if (!arp_is_zero(e->ip) && zs_ip_equal(e->ip, ip))
        {
            if ((word) (zs_get_ticks() - e->age_ticks) >= zs_arp_keep_ticks)
            {
                e->ip[0] = e->ip[1] = e->ip[2] = e->ip[3] = 0;
                return ARP_NONE;
            }
            return i;
        }
    }
    return ARP_NONE;
}

void arp_update_cache(byte kpv_xdata *ip, byte kpv_xdata *hw)
{
    byte i = arp_find(ip);
    byte j;
    word oldest = 0;
    zs_arp_entry kpv_xdata *e;

    if (arp_is_zero(ip) || (hw[0] & 0x01))
    {
        return;                         // no address, or a group address: never a host's
    }
    if (i == ARP_NONE)
    {
        // A free entry, or else the one that has waited longest since it was refreshed.
        for (j = 0; j < ARP_SLOTS; j++)
        {
            e = &arp_cache[j];
            if (arp_is_zero(e->ip))
            {
                i = j;
                break;
            }
            if ((word) (zs_get_ticks() - e->age_ticks) >= oldest)
            {
                oldest = (word) (zs_get_ticks() - e->age_ticks);
                i = j;
            }
        }
    }
    e = &arp_cache[i];
    zs_copy(e->ip, ip, 4);
    zs_copy(e->hw, hw, 6);
    e->age_ticks = zs_get_ticks();
}

// Sends an ARP message: to target_hw, or to everyone when it is 0.
static void arp_send(byte op, byte kpv_xdata *target_hw, byte kpv_xdata *target_ip)
{
    byte kpv_xdata *a = arp_frame + ZS_ETH_HEADER_LEN;
    byte i;

    for (i = 0; i < 6; i++)
    {
        arp_frame[i] = target_hw ? target_hw[i] : 0xFF;
        a[18 + i] = target_hw ? target_hw[i] : 0;
    }
    zs_copy(arp_frame + 6, my_hw_addr, 6);
    ZS_PUT16(arp_frame + 12, ZS_ETHERTYPE_ARP);
    a[0] = 0;                           // hardware: Ethernet
    a[1] = 1;
    ZS_PUT16(a + 2, ZS_ETHERTYPE_IP);
    a[4] = 6;
    a[5] = 4;
    a[6] = 0;
    a[7] = op;
    zs_copy(a + 8, my_hw_addr, 6);
    zs_copy(a + 14, my_ip_addr, 4);
    zs_copy(a + 24, target_ip, 4);
    zs_stats.frames_out++;
    eth_device_send(arp_frame, sizeof arp_frame);
}

void arp_announce(void)
{
    if (!arp_is_zero(my_ip_addr))
    {
        arp_send(ARP_REQUEST, 0, my_ip_addr);
    }
}

void arp_process_packet(byte kpv_xdata *packet, word len)
{
    byte for_us;

    if (len < ARP_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    if (ZS_GET16(packet) != 1 || ZS_GET16(packet + 2) != ZS_ETHERTYPE_IP || packet[4] != 6 ||
        packet[5] != 4 || packet[6] != 0 || (packet[7] != ARP_REQUEST && packet[7] != ARP_REPLY))
    {
        zs_stats.bad_header++;
        return;
    }
    for_us = !arp_is_zero(my_ip_addr) && zs_ip_equal(packet + 24, my_ip_addr);
    // A sender already known is refreshed whatever it asks; one that asks for this device
    // is about to be answered and will soon be sent to, so it is learnt too.
    if (for_us || arp_find(packet + 14) != ARP_NONE)
    {
        arp_update_cache(packet + 14, packet + 8);
    }
    if (for_us && packet[7] == ARP_REQUEST && !(packet[8] & 0x01))
    {
        arp_send(ARP_REPLY, packet + 8, packet + 14);
    }
}

void arp_learn_from_ip(byte kpv_xdata *packet, word len, byte kpv_xdata *src_hw)
{
    byte i;

    if (len < ZS_IP_HEADER_LEN)
    {
        return;
    }
    for (i = 0; i < 4; i++)
    {
        if ((packet[12 + i] & subnet_mask[i]) != (my_ip_addr[i] & subnet_mask[i]))
        {
            return;                     // came through a router: src_hw is the router's
        }
    }
    if (zs_arp_auto_update || arp_find(packet + 12) != ARP_NONE)
    {
        arp_update_cache(packet + 12, src_hw);
    }
}

// Waits for ARP frames only: every other frame is dropped (its sender will send again), so
// that nothing else is answered through the transmit buffer while it holds a packet.
static void arp_wait(word ticks)
{
    word start = zs_get_ticks();
    word len;

    while ((word) (zs_get_ticks() - start) < ticks)
    {
        len = eth_receive_frame(zs_recv_buff, zs_recv_buff_size);
        if (len)
        {
            zs_stats.frames_in++;
            if (len >= ZS_ETH_HEADER_LEN && ZS_GET16(zs_recv_buff + 12) == ZS_ETHERTYPE_ARP)
            {
                eth_process_frame(zs_recv_buff, len);
            }
            return;
        }
        zs_hw_idle();
    }
}

int arp_resolve(byte kpv_xdata *ip, byte kpv_xdata *hw)
{
    byte i = arp_find(ip);
    byte tries;
    word interval;
    word start;

    if (i != ARP_NONE)
    {
        zs_copy(hw, arp_cache[i].hw, 6);
        return ZS_OK;
    }
    tries = zs_arp_resend_trys ? (byte) zs_arp_resend_trys : 1;
    interval = zs_arp_wait_ticks / tries;
    if (interval == 0)
    {
        interval = 1;
    }
    if (zs_polling)
    {
        // Inside the stack's own processing nothing may wait: ask, and let the packet go
        // (the protocols that need it delivered send it again).
        if (!zs_ip_equal(arp_asked_ip, ip) || (word) (zs_get_ticks() - arp_asked_at) >= interval)
        {
            zs_copy(arp_asked_ip, ip, 4);
            arp_asked_at = zs_get_ticks();
            arp_send(ARP_REQUEST, 0, ip);
        }
        return ZS_ERR_ARP_UNRESOLVED;
    }
#ifdef ZS_UDP
    udp_release();                      // the receive buffer is about to be reused
#endif
    while (tries--)
    {
        arp_send(ARP_REQUEST, 0, ip);
        start = zs_get_ticks();
        while ((word) (zs_get_ticks() - start) < interval)
        {
            arp_wait((word) (interval - (word) (zs_get_ticks() - start)));
            i = arp_find(ip);
            if (i != ARP_NONE)
            {
                zs_copy(hw, arp_cache[i].hw, 6);
                return ZS_OK;
            }
        }
    }
    return ZS_ERR_ARP_UNRESOLVED;
}

#endif  // ZS_ARP
