//-----------------------------------------------------------------------------
// zs_udp.c
//-----------------------------------------------------------------------------
//
// UDP sockets. A datagram stays where it arrived, in the receive buffer: the application
// sees it in zs_server_process_packet and can copy it with udp_receive until the next
// zs_poll reuses the buffer. Its sender is kept in the socket's remote_ip and remote_port.
//

#include "zs_stack.h"

#ifdef ZS_UDP

#define UDP_NONE            0xFF

static byte udp_held_socket;            // the socket of the datagram held, or UDP_NONE
static byte udp_last_socket;            // the socket of the last datagram delivered
static byte kpv_xdata *udp_held_data;
static word udp_held_len;

void udp_init(void)
{
    byte i;

    for (i = 0; i < zs_num_sockets; i++)
    {
        zs_sockets[i].state = ZS_SOCKET_FREE;
    }
    udp_held_socket = UDP_NONE;
    udp_last_socket = UDP_NONE;
}

void udp_release(void)
{
    udp_held_socket = UDP_NONE;
}

static byte udp_valid(int socket)
{
    return socket >= 0 && socket < (int) zs_num_sockets &&
           zs_sockets[socket].state == ZS_SOCKET_OPEN && zs_sockets[socket].protocol == ZS_PROTO_UDP;
}

int udp_open_socket(word local_port)
{
    zs_socket_entry kpv_xdata *s = zs_sockets;
    zs_socket_entry kpv_xdata *free_entry = 0;
    byte i;

    if (local_port == 0)
    {
        return ZS_ERR_ARGUMENT;
    }
    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state == ZS_SOCKET_FREE)
        {
            if (!free_entry)
            {
                free_entry = s;
            }
        }
        else if (s->protocol == ZS_PROTO_UDP && s->local_port == local_port)
        {
            return ZS_ERR_ARGUMENT;     // a second socket on the port would never hear a thing
        }
    }
    if (!free_entry)
    {
        return ZS_ERR_NO_SOCKET;
    }
    free_entry->state = ZS_SOCKET_OPEN;
    free_entry->protocol = ZS_PROTO_UDP;
    free_entry->local_port = local_port;
    free_entry->remote_port = 0;
    return (int) (free_entry - zs_sockets);
}

int udp_close(int socket)
{
    if (!udp_valid(socket))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    zs_sockets[socket].state = ZS_SOCKET_FREE;
    if (udp_held_socket == (byte) socket)
    {
        udp_held_socket = UDP_NONE;
    }
    if (udp_last_socket == (byte) socket)
    {
        udp_last_socket = UDP_NONE;
    }
    return ZS_OK;
}

// The sum of the pseudo-header: the two addresses, the protocol and the UDP length.
static word udp_pseudo_sum(byte kpv_xdata *src, byte kpv_xdata *dest, word len)
{
    word sum = zs_sum(src, 4, 0);

    sum = zs_sum(dest, 4, sum);
    sum += ZS_PROTO_UDP;
    if (sum < ZS_PROTO_UDP)
    {
        sum++;
    }
    sum += len;
    if (sum < len)
    {
        sum++;
    }
    return sum;
}

int udp_send_port(word local_port, byte kpv_xdata *dest_ip, word dest_port, byte kpv_xdata *buffer, word len)
{
    byte kpv_xdata *u = zs_ip_out + ZS_IP_HEADER_LEN;
    word sum;

    if (len > ip_payload_room(ZS_UDP_HEADER_LEN))
    {
        return ZS_ERR_TOO_LONG;
    }
    zs_copy(u + ZS_UDP_HEADER_LEN, buffer, len);
    len += ZS_UDP_HEADER_LEN;
    ZS_PUT16(u, local_port);
    ZS_PUT16(u + 2, dest_port);
    ZS_PUT16(u + 4, len);
    u[6] = 0;
    u[7] = 0;
    sum = ~zs_sum(u, len, udp_pseudo_sum(my_ip_addr, dest_ip, len));
    if (sum == 0)
    {
        sum = 0xFFFF;                   // 0 would mean "no checksum"
    }
    ZS_PUT16(u + 6, sum);
    return ip_send_packet(dest_ip, ZS_PROTO_UDP, u, len);
}

int udp_send(int socket, byte kpv_xdata *dest_ip, word dest_port, byte kpv_xdata *buffer, word len)
{
    if (!udp_valid(socket))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    return udp_send_port(zs_sockets[socket].local_port, dest_ip, dest_port, buffer, len);
}

void udp_process_packet(byte kpv_xdata *packet, word len)
{
    byte kpv_xdata *u;
    byte ihl = (byte) ((packet[0] & 0x0F) << 2);
    word ulen;
    word port;
    zs_socket_entry kpv_xdata *s;
    byte i;

    if (len < (word) ihl + ZS_UDP_HEADER_LEN || ihl < ZS_IP_HEADER_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    u = packet + ihl;
    ulen = ZS_GET16(u + 4);
    if (ulen < ZS_UDP_HEADER_LEN || ulen > len - ihl)
    {
        zs_stats.bad_length++;
        return;
    }
    if ((u[6] | u[7]) != 0 && zs_sum(u, ulen, udp_pseudo_sum(packet + 12, packet + 16, ulen)) != 0xFFFF)
    {
        zs_stats.bad_checksum++;
        return;
    }
    port = ZS_GET16(u + 2);
    // The stack's own clients take their answers before any socket of the application.
#if defined(ZS_DHCP) || defined(ZS_BOOTP)
    if (port == ZS_PORT_BOOTP_CLIENT)
    {
#ifdef ZS_DHCP
        dhcp_process_reply(packet + 12, u + ZS_UDP_HEADER_LEN, ulen - ZS_UDP_HEADER_LEN);
#endif
#ifdef ZS_BOOTP
        bootp_process_reply(packet + 12, u + ZS_UDP_HEADER_LEN, ulen - ZS_UDP_HEADER_LEN);
#endif
        return;
    }
#endif
#ifdef ZS_DNS
    if (port == ZS_DNS_CLIENT_PORT)
    {
        dns_process_reply(packet + 12, ZS_GET16(u), u + ZS_UDP_HEADER_LEN, ulen - ZS_UDP_HEADER_LEN);
        return;
    }
#endif
    s = zs_sockets;
    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state == ZS_SOCKET_OPEN && s->protocol == ZS_PROTO_UDP && s->local_port == port)
        {
            break;
        }
    }
    if (i == zs_num_sockets)
    {
        zs_stats.no_socket++;
        return;
    }
    zs_copy(s->remote_ip, packet + 12, 4);
    s->remote_port = ZS_GET16(u);
    udp_held_socket = i;
    udp_last_socket = i;
    udp_held_data = u + ZS_UDP_HEADER_LEN;
    udp_held_len = ulen - ZS_UDP_HEADER_LEN;
    zs_server_process_packet(i, udp_held_data, udp_held_len);
}

int udp_receive(int socket, byte kpv_xdata *buffer, word max_len)
{
    if (!udp_valid(socket))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (udp_held_socket != (byte) socket)
    {
        return 0;
    }
    if (udp_held_len > max_len)
    {
        return ZS_ERR_TOO_LONG;         // kept: a larger buffer can still take it
    }
    zs_copy(buffer, udp_held_data, udp_held_len);
    udp_held_socket = UDP_NONE;
    udp_last_socket = (byte) socket;
    return (int) udp_held_len;
}

void udp_get_sender(byte kpv_xdata *ip, word kpv_xdata *port)
{
    if (udp_last_socket == UDP_NONE)
    {
        ip[0] = ip[1] = ip[2] = ip[3] = 0;
        *port = 0;
        return;
    }
    zs_copy(ip, zs_sockets[udp_last_socket].remote_ip, 4);
    *port = zs_sockets[udp_last_socket].remote_port;
}

#endif  // ZS_UDP
