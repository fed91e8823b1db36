//-----------------------------------------------------------------------------
// zs_ip.c
//-----------------------------------------------------------------------------
//
// IPv4: the checks every received packet passes before its protocol sees it, sending with
// a fresh header, and the Internet checksum. Fragments are refused: reassembly would need
// a second receive buffer that the 8051's memory does not have.
//

#include "zs_stack.h"

#ifdef ZS_IP

static word ip_next_id;

word zs_sum(byte kpv_xdata *buffer, word len, word start)
{
    word sum = start;
    word w;

    while (len > 1)
    {
        w = ZS_GET16(buffer);
        sum += w;
        if (sum < w)
        {
            sum++;                      // the end-around carry
        }
        buffer += 2;
        len -= 2;
    }
    if (len)
    {
        w = (word) buffer[0] << 8;
        sum += w;
        if (sum < w)
        {
            sum++;
        }
    }
    return sum;
}

word ip_checksum(byte kpv_xdata *buffer, word len, word start)
{
    return (word) ~zs_sum(buffer, len, start);
}

word ip_payload_room(word header_len)
{
    word used = ZS_LINK_HEADER_LEN + ZS_IP_HEADER_LEN + header_len;

    return zs_xmit_buff_size > used ? zs_xmit_buff_size - used : 0;
}

int ip_send_packet(byte kpv_xdata *dest_ip, byte protocol, byte kpv_xdata *payload, word len)
{
    byte kpv_xdata *h = zs_ip_out;
    word total = len + ZS_IP_HEADER_LEN;

    if (len > ip_payload_room(0))
    {
        return ZS_ERR_TOO_LONG;
    }
    // The header goes first so that a destination inside the payload's old place is read
    // before the payload moves over it.
    h[16] = dest_ip[0];
    h[17] = dest_ip[1];
    h[18] = dest_ip[2];
    h[19] = dest_ip[3];
    zs_copy(h + ZS_IP_HEADER_LEN, payload, len);
    h[0] = 0x45;                        // version 4, five words of header
    h[1] = 0;
    ZS_PUT16(h + 2, total);
    ZS_PUT16(h + 4, ip_next_id);
    ip_next_id++;
    h[6] = 0;                           // no flags, no fragment offset
    h[7] = 0;
    h[8] = (byte) zs_ip_time_to_live;
    h[9] = protocol;
    h[10] = 0;
    h[11] = 0;
    h[12] = my_ip_addr[0];
    h[13] = my_ip_addr[1];
    h[14] = my_ip_addr[2];
    h[15] = my_ip_addr[3];
    total = ip_checksum(h, ZS_IP_HEADER_LEN, 0);
    ZS_PUT16(h + 10, total);
    return zs_link_send(h, len + ZS_IP_HEADER_LEN);
}

void ip_process_packet(byte kpv_xdata *packet, word len)
{
    byte ihl;
    word total;

    if (len < ZS_IP_HEADER_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    ihl = (byte) ((packet[0] & 0x0F) << 2);
    if ((packet[0] & 0xF0) != 0x40 || ihl < ZS_IP_HEADER_LEN)
    {
        zs_stats.bad_header++;
        return;
    }
    total = ZS_GET16(packet + 2);
    // Bytes past the total length (line padding) are ignored; a packet shorter than it says
    // was cut off and cannot be trusted.
    if (ihl > len || total < ihl || total > len)
    {
        zs_stats.bad_length++;
        return;
    }
    if (ip_checksum(packet, ihl, 0) != 0)
    {
        zs_stats.bad_checksum++;
        return;
    }
    if ((packet[6] & 0x3F) != 0 || packet[7] != 0)
    {
        zs_stats.fragments++;           // more fragments follow, or this is not the first
        return;
    }
    // Without an address yet (0.0.0.0 while DHCP or BOOTP asks for one) a server may send its
    // answer to the address it offers, so every destination is taken.
    if (!zs_ip_equal(packet + 16, my_ip_addr) &&
        !(packet[16] == 0xFF && packet[17] == 0xFF && packet[18] == 0xFF && packet[19] == 0xFF) &&
        (my_ip_addr[0] | my_ip_addr[1] | my_ip_addr[2] | my_ip_addr[3]) != 0)
    {
        zs_stats.not_ours++;
        return;
    }
    switch (packet[9])
    {
#ifdef ZS_PING
    case ZS_PROTO_ICMP:
        icmp_process_packet(packet, total);
        break;
#endif
#ifdef ZS_UDP
    case ZS_PROTO_UDP:
        udp_process_packet(packet, total);
        break;
#endif
#ifdef ZS_TCP
    case ZS_PROTO_TCP:
        tcp_process_packet(packet, total);
        break;
#endif
    default:
        zs_stats.bad_protocol++;
        break;
    }
}

#endif  // ZS_IP
