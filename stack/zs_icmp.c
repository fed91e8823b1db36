//-----------------------------------------------------------------------------
// zs_icmp.c
//-----------------------------------------------------------------------------
//
// ICMP echo: requests are answered with the same bytes, and ping_send_request asks
// another host. icmp_process_packet takes the whole IP packet (the header carries the
// address to answer); ip_process_packet has checked that header already.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_PING

#define ICMP_ECHO_REPLY     0
#define ICMP_ECHO_REQUEST   8
#define PING_ID             0x5A51      // the identifier of our own echo requests

static word ping_sequence;
static byte ping_answered;
static word ping_request_len;        // payload bytes of our outstanding request

void icmp_init(void)
{
    ping_answered = 0;
}

// The reply to our request ping_sequence, with the payload we sent.
static void ping_take_reply(byte kpv_xdata *icmp, word len)
{
    word i;

    if (ZS_GET16(icmp + 4) != PING_ID || ZS_GET16(icmp + 6) != ping_sequence)
    {
        return;
    }
    for (i = ZS_ICMP_HEADER_LEN; i < len; i++)
    {
        if (icmp[i] != ping_buffer[i - ZS_ICMP_HEADER_LEN])
        {
            return;
        }
    }
    ping_answered = 1;
}

void icmp_process_packet(byte kpv_xdata *packet, word len)
{
    byte kpv_xdata *icmp;
    byte ihl = (byte) ((packet[0] & 0x0F) << 2);
    word sum;

    if (len < (word) ihl + ZS_ICMP_HEADER_LEN || ihl < ZS_IP_HEADER_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    icmp = packet + ihl;
    len -= ihl;
    if (ip_checksum(icmp, len, 0) != 0)
    {
        zs_stats.bad_checksum++;
        return;
    }
    if (icmp[0] == ICMP_ECHO_REPLY)
    {
        if (len - ZS_ICMP_HEADER_LEN == ping_request_len)
        {
            ping_take_reply(icmp, len);
        }
        return;
    }
    if (icmp[0] != ICMP_ECHO_REQUEST || icmp[1] != 0)
    {
        return;                         // other messages need no answer
    }
    if (len - ZS_ICMP_HEADER_LEN > zs_ping_buff_size)
    {
        zs_stats.oversized++;
        return;
    }
    // Broadcast requests stay unanswered, so that one packet cannot make every host reply.
    if (!zs_ip_equal(packet + 16, my_ip_addr))
    {
        return;
    }
    icmp[0] = ICMP_ECHO_REPLY;
    icmp[2] = 0;
    icmp[3] = 0;
    sum = ip_checksum(icmp, len, 0);
    ZS_PUT16(icmp + 2, sum);
    ip_send_packet(packet + 12, ZS_PROTO_ICMP, icmp, len);
}

int ping_send_request(byte kpv_xdata *dest_ip, word len)
{
    byte kpv_xdata *icmp = zs_ip_out + ZS_IP_HEADER_LEN;
    word start;
    int result;

    if (len > zs_ping_buff_size || len > ip_payload_room(ZS_ICMP_HEADER_LEN))
    {
        return ZS_ERR_TOO_LONG;
    }
    ping_sequence++;
    icmp[0] = ICMP_ECHO_REQUEST;
    icmp[1] = 0;
    icmp[2] = 0;
    icmp[3] = 0;
    ZS_PUT16(icmp + 4, PING_ID);
    ZS_PUT16(icmp + 6, ping_sequence);
    zs_copy(icmp + ZS_ICMP_HEADER_LEN, ping_buffer, len);
    start = ip_checksum(icmp, len + ZS_ICMP_HEADER_LEN, 0);
    ZS_PUT16(icmp + 2, start);
    ping_answered = 0;
    ping_request_len = len;
    result = ip_send_packet(dest_ip, ZS_PROTO_ICMP, icmp, len + ZS_ICMP_HEADER_LEN);
    if (result != ZS_OK)
    {
        return result;
    }
    start = zs_get_ticks();
    while (!ping_answered)
    {
        if (zs_poll() != ZS_OK)
        {
            return ZS_ERR_LINK;
        }
        if ((word) (zs_get_ticks() - start) >= ZS_PING_WAIT_TICKS)
        {
            return ZS_ERR_TIMEOUT;
        }
    }
    return ZS_OK;
}

#endif  // ZS_PING
