//-----------------------------------------------------------------------------
// zs_eth.c
//-----------------------------------------------------------------------------
//
// Ethernet II framing over the adapter's driver (eth_device_* of custom_ethernet.c, or of
// zs_callback.c for the Lanvik controller): starting the device, handing received frames to
// IP and ARP, and sending IP packets to the next hop that ARP resolves.
//

#include "zs_stack.h"

#ifdef ZS_ETHERNET

#define ETH_TYPE_OFFSET     12

int eth_init(void)
{
    int result = eth_device_init(my_hw_addr);

    if (result != ZS_OK)
    {
        zs_error(result);
        return result;
    }
    zs_link_set(1);
#ifdef ZS_ARP
    arp_init();
    arp_announce();
#endif
    return ZS_OK;
}

int eth_send_frame(byte kpv_xdata *dest_hw, word type, byte kpv_xdata *payload, word len)
{
    byte kpv_xdata *frame = zs_xmit_buff;

    if (zs_xmit_buff_size < ZS_ETH_HEADER_LEN || len > zs_xmit_buff_size - ZS_ETH_HEADER_LEN)
    {
        return ZS_ERR_TOO_LONG;
    }
    // The destination may lie in the header's own bytes (an address inside the transmit
    // buffer): it is written first, before anything else moves.
    zs_copy(frame, dest_hw, 6);
    zs_copy(frame + ZS_ETH_HEADER_LEN, payload, len);
    zs_copy(frame + 6, my_hw_addr, 6);
    ZS_PUT16(frame + ETH_TYPE_OFFSET, type);
    zs_stats.frames_out++;
    return eth_device_send(frame, len + ZS_ETH_HEADER_LEN);
}

word eth_receive_frame(byte kpv_xdata *frame, word max_len)
{
    if (!zs_link_is_up)
    {
        return 0;
    }
    return eth_device_receive(frame, max_len);
}

// A frame for this device: its own address or the broadcast one. Multicast groups are never
// joined, so their frames are someone else's.
static byte eth_for_us(byte kpv_xdata *dest)
{
    byte i;

    if ((dest[0] & dest[1] & dest[2] & dest[3] & dest[4] & dest[5]) == 0xFF)
    {
        return 1;
    }
    for (i = 0; i < 6; i++)
    {
        if (dest[i] != my_hw_addr[i])
        {
            return 0;
        }
    }
    return 1;
}

void eth_process_frame(byte kpv_xdata *frame, word len)
{
    word type;

    if (len < ZS_ETH_HEADER_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    if (!eth_for_us(frame))
    {
        zs_stats.not_ours++;
        return;
    }
    type = ZS_GET16(frame + ETH_TYPE_OFFSET);
    frame += ZS_ETH_HEADER_LEN;
    len -= ZS_ETH_HEADER_LEN;
    if (type == ZS_ETHERTYPE_IP)
    {
#ifdef ZS_ARP
        arp_learn_from_ip(frame, len, frame - 8);
#endif
        ip_process_packet(frame, len);
    }
#ifdef ZS_ARP
    else if (type == ZS_ETHERTYPE_ARP)
    {
        arp_process_packet(frame, len);
    }
#endif
    else
    {
        zs_stats.bad_protocol++;
    }
}

void eth_poll(void)
{
    word len = eth_receive_frame(zs_recv_buff, zs_recv_buff_size);

    if (len)
    {
        zs_stats.frames_in++;
        eth_process_frame(zs_recv_buff, len);
    }
}

// The address an IP packet to dest is handed to: dest itself on the subnet, the gateway
// beyond it, nothing (all ones) for a broadcast.
static byte eth_next_hop(byte kpv_xdata *dest, byte kpv_xdata *hop)
{
    byte i;
    byte local = 1;
    byte broadcast = 1;

    for (i = 0; i < 4; i++)
    {
        if ((dest[i] & subnet_mask[i]) != (my_ip_addr[i] & subnet_mask[i]))
        {
            local = 0;
        }
        if ((dest[i] | subnet_mask[i]) != 0xFF)
        {
            broadcast = 0;
        }
    }
    if (dest[0] == 0xFF && dest[1] == 0xFF && dest[2] == 0xFF && dest[3] == 0xFF)
    {
        return 0;
    }
    if (local && broadcast)
    {
        return 0;                       // the subnet's own broadcast address
    }
    zs_copy(hop, local ? dest : gateway_ip_addr, 4);
    return 1;
}

int eth_send_ip(byte kpv_xdata *packet, word len)
{
    byte hop[4];
    byte hw[6];
    int result;

    if (eth_next_hop(packet + 16, hop))
    {
#ifdef ZS_ARP
        result = arp_resolve(hop, hw);
        if (result != ZS_OK)
        {
            return result;
        }
#else
        zs_copy(hw, dest_hw_addr, 6);   // no ARP: every packet to the configured address
#endif
    }
    else
    {
        hw[0] = hw[1] = hw[2] = hw[3] = hw[4] = hw[5] = 0xFF;
    }
    return eth_send_frame(hw, ZS_ETHERTYPE_IP, packet, len);
}

#endif  // ZS_ETHERNET
