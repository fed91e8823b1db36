//-----------------------------------------------------------------------------
// zs_dhcp.c
//-----------------------------------------------------------------------------
//
// The DHCP client: discover, offer, request, acknowledgement, then the lease kept alive by
// the clock. dhcp_request waits for the first lease; after it, dhcp_poll (called by every
// zs_poll) counts the lease down, renews it with the server at T1, asks any server at T2
// and, should the lease run out, starts over without an address. Every message is sent
// from the transmit buffer where IP builds it; answers are read where they arrived.
//

#include "zs_stack.h"

#ifdef ZS_DHCP

// Offsets into a BOOTP/DHCP message.
#define M_OP                0
#define M_HTYPE             1
#define M_HLEN              2
#define M_XID               4
#define M_FLAGS             10
#define M_CIADDR            12
#define M_YIADDR            16
#define M_CHADDR            28
#define M_COOKIE            236
#define M_OPTIONS           240
#define M_MIN_LEN           300         // what BOOTP relays and old servers expect

#define DHCP_DISCOVER       1
#define DHCP_OFFER          2
#define DHCP_REQUEST        3
#define DHCP_ACK            5
#define DHCP_NAK            6
#define DHCP_RELEASE        7

#define OPT_PAD             0
#define OPT_SUBNET_MASK     1
#define OPT_ROUTER          3
#define OPT_DNS_SERVER      6
#define OPT_REQUESTED_IP    50
#define OPT_LEASE_TIME      51
#define OPT_MESSAGE_TYPE    53
#define OPT_SERVER_ID       54
#define OPT_PARAMETERS      55
#define OPT_MAX_SIZE        57
#define OPT_T1              58
#define OPT_T2              59
#define OPT_END             255

// States of the client (RFC 2131, 4.4).
#define S_IDLE              0           // no lease and not asking
#define S_SELECTING         1           // discover sent, waiting for an offer
#define S_REQUESTING        2           // offer taken, request sent
#define S_BOUND             3
#define S_RENEWING          4           // T1 passed: asking the server that leased
#define S_REBINDING         5           // T2 passed: asking any server

// Resends wait 4 s, then twice as long each time, up to 64 s.
#define DHCP_FIRST_WAIT     (4 * ZS_TICKS_PER_SECOND)
#define DHCP_LONGEST_WAIT   (64 * ZS_TICKS_PER_SECOND)

static byte dhcp_state;
static byte dhcp_background;            // asking again after a lost lease: no give-up
static int dhcp_result;                 // what dhcp_request returns once the exchange ends
static dword dhcp_xid;
static word dhcp_sends;                 // messages sent in the current phase
static word dhcp_sent_at;               // tick of the last send
static word dhcp_wait;                  // ticks before the next resend
static word dhcp_second_mark;           // tick at which the lease's last second was counted
static dword dhcp_t1_left;              // renew when dhcp_lease_time falls to this
static dword dhcp_t2_left;              // rebind when it falls to this
static dword dhcp_asked_lease;          // the lease zs_vars.c starts with: asked for, and
static byte dhcp_asked_taken;           // taken when an acknowledgement names none
static byte dhcp_server[4];             // the server that offered or leased
static byte dhcp_offered[4];
static byte dhcp_dest[4];               // where the message being sent goes

static kpv_const byte dhcp_cookie[4] = { 99, 130, 83, 99 };
static kpv_const byte dhcp_parameters[6] = { OPT_SUBNET_MASK, OPT_ROUTER, OPT_DNS_SERVER,
                                             OPT_LEASE_TIME, OPT_T1, OPT_T2 };

static byte dhcp_is_zero(byte kpv_xdata *ip)
{
    return (ip[0] | ip[1] | ip[2] | ip[3]) == 0;
}

static void dhcp_put32(byte kpv_xdata *p, dword v)
{
    p[0] = (byte) (v >> 24);
    p[1] = (byte) (v >> 16);
    p[2] = (byte) (v >> 8);
    p[3] = (byte) v;
}

static dword dhcp_get32(byte kpv_xdata *p)
{
    return ((dword) p[0] << 24) | ((dword) p[1] << 16) | ((dword) p[2] << 8) | p[3];
}

void dhcp_init(void)
{
    dhcp_state = S_IDLE;
    dhcp_background = 0;
    if (!dhcp_asked_taken)
    {
        // Taken once: later dhcp_lease_time holds what is left of a lease, or the
        // application's "infinite" after no server answered.
        dhcp_asked_lease = dhcp_lease_time;
        dhcp_asked_taken = 1;
    }
}

// Builds and sends the message of the current state. The message is written in place in the
// transmit buffer, after the room IP and UDP need, so that nothing is copied.
static int dhcp_send(byte type)
{
    byte kpv_xdata *m = zs_ip_out + ZS_IP_HEADER_LEN + ZS_UDP_HEADER_LEN;
    byte kpv_xdata *o;
    word i;

    if (ip_payload_room(ZS_UDP_HEADER_LEN) < M_MIN_LEN)
    {
        return ZS_ERR_TOO_LONG;
    }
    for (i = 0; i < M_MIN_LEN; i++)
    {
        m[i] = 0;
    }
    m[M_OP] = 1;                        // a request
    m[M_HTYPE] = 1;                     // Ethernet
    m[M_HLEN] = 6;
    dhcp_put32(m + M_XID, dhcp_xid);
    zs_copy(m + M_CHADDR, my_hw_addr, 6);
    for (i = 0; i < 4; i++)
    {
        m[M_COOKIE + i] = dhcp_cookie[i];
    }
    o = m + M_OPTIONS;
    *o++ = OPT_MESSAGE_TYPE;
    *o++ = 1;
    *o++ = type;
    if (type == DHCP_DISCOVER || dhcp_state == S_REQUESTING)
    {
        // Without an address we cannot take a unicast answer before ARP knows us: ask for
        // a broadcast one.
        m[M_FLAGS] = 0x80;
    }
    else
    {
        zs_copy(m + M_CIADDR, my_ip_addr, 4);
    }
    if (dhcp_state == S_REQUESTING || type == DHCP_RELEASE)
    {
        *o++ = OPT_SERVER_ID;
        *o++ = 4;
        zs_copy(o, dhcp_server, 4);
        o += 4;
    }
    if (type != DHCP_RELEASE)
    {
        if (dhcp_state == S_REQUESTING)
        {
            *o++ = OPT_REQUESTED_IP;
            *o++ = 4;
            zs_copy(o, dhcp_offered, 4);
            o += 4;
        }
        if (dhcp_asked_lease != 0 && dhcp_asked_lease != ZS_LEASE_INFINITE)
        {
            *o++ = OPT_LEASE_TIME;
            *o++ = 4;
            dhcp_put32(o, dhcp_asked_lease);
            o += 4;
        }
        *o++ = OPT_MAX_SIZE;
        *o++ = 2;
        i = zs_recv_buff_size < 576 ? 576 : zs_recv_buff_size;
        ZS_PUT16(o, i);
        o += 2;
        *o++ = OPT_PARAMETERS;
        *o++ = sizeof(dhcp_parameters);
        for (i = 0; i < sizeof(dhcp_parameters); i++)
        {
            *o++ = dhcp_parameters[i];
        }
    }
    *o = OPT_END;
    // Renewals and releases go to the server that leased; the rest is broadcast.
    if (dhcp_state == S_RENEWING || type == DHCP_RELEASE)
    {
        zs_copy(dhcp_dest, dhcp_server, 4);
    }
    else
    {
        dhcp_dest[0] = dhcp_dest[1] = dhcp_dest[2] = dhcp_dest[3] = 0xFF;
    }
    dhcp_sends++;
    dhcp_sent_at = zs_get_ticks();
    return udp_send_port(ZS_PORT_BOOTP_CLIENT, dhcp_dest, ZS_PORT_BOOTP_SERVER, m, M_MIN_LEN);
}

// A new transaction: a fresh identifier and the first wait.
static void dhcp_begin(byte state)
{
    dhcp_state = state;
    // Cut to the 32 bits that go on the wire: dword is wider on some hosts.
    dhcp_xid = (((dword) zs_get_ticks() << 16) ^ ((dword) my_hw_addr[4] << 8) ^ my_hw_addr[5] ^
                (dhcp_xid << 3) ^ 0x5A0D) & 0xFFFFFFFFUL;
    dhcp_sends = 0;
    dhcp_wait = DHCP_FIRST_WAIT;
}

static void dhcp_resend(void)
{
    if (dhcp_wait < DHCP_LONGEST_WAIT / 2)
    {
        dhcp_wait <<= 1;
    }
    else
    {
        dhcp_wait = DHCP_LONGEST_WAIT;
    }
    dhcp_send(dhcp_state == S_SELECTING ? DHCP_DISCOVER : DHCP_REQUEST);
}

// The address is gone (lease out, refused renewal): ask from scratch, for as long as it takes.
static void dhcp_lose_lease(void)
{
    my_ip_addr[0] = my_ip_addr[1] = my_ip_addr[2] = my_ip_addr[3] = 0;
    dhcp_lease_time = 0;
    zs_error(ZS_ERR_LEASE_EXPIRED);
    dhcp_background = 1;
    dhcp_begin(S_SELECTING);
    dhcp_send(DHCP_DISCOVER);
}

void dhcp_poll(void)
{
    word now = zs_get_ticks();

    if (dhcp_state >= S_BOUND && dhcp_lease_time != ZS_LEASE_INFINITE)
    {
        while ((word) (now - dhcp_second_mark) >= ZS_TICKS_PER_SECOND)
        {
            dhcp_second_mark += ZS_TICKS_PER_SECOND;
            if (dhcp_lease_time > 0)
            {
                dhcp_lease_time--;
            }
        }
    }
    switch (dhcp_state)
    {
    case S_SELECTING:
    case S_REQUESTING:
        if ((word) (now - dhcp_sent_at) < dhcp_wait)
        {
            break;
        }
        if (dhcp_background)
        {
            if (dhcp_state == S_REQUESTING && dhcp_sends >= zs_dhcp_resend_trys)
            {
                dhcp_begin(S_SELECTING);  // the offering server went quiet: ask all again
            }
            dhcp_resend();
        }
        else if (dhcp_sends < zs_dhcp_resend_trys)
        {
            dhcp_resend();
        }
        else
        {
            dhcp_state = S_IDLE;
            dhcp_result = ZS_ERR_NO_SERVER;
        }
        break;
    case S_BOUND:
        if (dhcp_lease_time != ZS_LEASE_INFINITE && dhcp_lease_time <= dhcp_t1_left)
        {
            dhcp_begin(S_RENEWING);
            dhcp_send(DHCP_REQUEST);
        }
        break;
    case S_RENEWING:
    case S_REBINDING:
        if (dhcp_lease_time == 0)
        {
            dhcp_lose_lease();
        }
        else if (dhcp_state == S_RENEWING && dhcp_lease_time <= dhcp_t2_left)
        {
            dhcp_begin(S_REBINDING);
            dhcp_send(DHCP_REQUEST);
        }
        else if ((word) (now - dhcp_sent_at) >= dhcp_wait)
        {
            dhcp_resend();
        }
        break;
    default:
        break;
    }
}

// Takes the lease of an acknowledgement: the address, what the options say, the timers.
static void dhcp_bind(byte kpv_xdata *m, byte kpv_xdata *mask, byte kpv_xdata *router,
                      byte kpv_xdata *dns, byte kpv_xdata *lease, byte kpv_xdata *t1, byte kpv_xdata *t2)
{
    dword total = lease ? dhcp_get32(lease) : dhcp_asked_lease;
    dword renew = t1 ? dhcp_get32(t1) : total / 2;
    dword rebind = t2 ? dhcp_get32(t2) : total - total / 8;

    zs_copy(my_ip_addr, m + M_YIADDR, 4);
    if (mask)
    {
        zs_copy(subnet_mask, mask, 4);
    }
    if (router)
    {
        zs_copy(gateway_ip_addr, router, 4);
    }
#ifdef ZS_DNS
    if (dns)
    {
        zs_copy(zs_dns_server, dns, 4);
    }
#else
    (void) dns;
#endif
    // Servers may send timers that make no sense together; keep T1 <= T2 <= the lease.
    if (rebind > total)
    {
        rebind = total - total / 8;
    }
    if (renew > rebind)
    {
        renew = rebind / 2 + rebind / 4;
    }
    dhcp_lease_time = total;
    dhcp_t1_left = total - renew;
    dhcp_t2_left = total - rebind;
    dhcp_second_mark = zs_get_ticks();
    dhcp_state = S_BOUND;
    dhcp_background = 0;
    dhcp_result = ZS_OK;
}

void dhcp_process_reply(byte kpv_xdata *from, byte kpv_xdata *m, word len)
{
    byte kpv_xdata *mask = 0;
    byte kpv_xdata *router = 0;
    byte kpv_xdata *dns = 0;
    byte kpv_xdata *lease = 0;
    byte kpv_xdata *t1 = 0;
    byte kpv_xdata *t2 = 0;
    byte kpv_xdata *server = 0;
    byte type = 0;
    word i;
    byte code;
    byte olen;

    if (dhcp_state == S_IDLE || dhcp_state == S_BOUND)
    {
        return;                         // nothing asked: a stray or repeated answer
    }
    if (len < M_OPTIONS || m[M_OP] != 2 || m[M_HTYPE] != 1 || m[M_HLEN] != 6 ||
        dhcp_get32(m + M_XID) != dhcp_xid)
    {
        zs_stats.bad_header++;
        return;
    }
    for (i = 0; i < 6; i++)
    {
        if (m[M_CHADDR + i] != my_hw_addr[i])
        {
            zs_stats.not_ours++;
            return;
        }
    }
    for (i = 0; i < 4; i++)
    {
        if (m[M_COOKIE + i] != dhcp_cookie[i])
        {
            zs_stats.bad_header++;
            return;
        }
    }
    // The options: every length is checked against what arrived before a byte is read.
    i = M_OPTIONS;
    while (i < len)
    {
        code = m[i];
        if (code == OPT_PAD)
        {
            i++;
            continue;
        }
        if (code == OPT_END)
        {
            break;
        }
        if (i + 2 > len || (word) (i + 2 + m[i + 1]) > len)
        {
            zs_stats.bad_length++;
            return;
        }
        olen = m[i + 1];
        i += 2;
        if (code == OPT_MESSAGE_TYPE && olen >= 1)
        {
            type = m[i];
        }
        else if (olen >= 4)
        {
            switch (code)
            {
            case OPT_SUBNET_MASK:
                mask = m + i;
                break;
            case OPT_ROUTER:
                router = m + i;
                break;
            case OPT_DNS_SERVER:
                dns = m + i;
                break;
            case OPT_LEASE_TIME:
                lease = m + i;
                break;
            case OPT_SERVER_ID:
                server = m + i;
                break;
            case OPT_T1:
                t1 = m + i;
                break;
            case OPT_T2:
                t2 = m + i;
                break;
            default:
                break;
            }
        }
        i += olen;
    }
    if (!server)
    {
        server = from;                  // old servers leave the identifier out
    }
    switch (type)
    {
    case DHCP_OFFER:
        if (dhcp_state != S_SELECTING || dhcp_is_zero(m + M_YIADDR))
        {
            return;
        }
        zs_copy(dhcp_server, server, 4);
        zs_copy(dhcp_offered, m + M_YIADDR, 4);
        dhcp_state = S_REQUESTING;
        dhcp_sends = 0;
        dhcp_wait = DHCP_FIRST_WAIT;
        dhcp_send(DHCP_REQUEST);
        break;
    case DHCP_ACK:
        if (dhcp_state == S_SELECTING || dhcp_is_zero(m + M_YIADDR) ||
            (dhcp_state != S_REBINDING && !zs_ip_equal(server, dhcp_server)))
        {
            return;
        }
        zs_copy(dhcp_server, server, 4);
        dhcp_bind(m, mask, router, dns, lease, t1, t2);
        break;
    case DHCP_NAK:
        if (dhcp_state == S_SELECTING || (dhcp_state != S_REBINDING && !zs_ip_equal(server, dhcp_server)))
        {
            return;
        }
        if (dhcp_state == S_REQUESTING && !dhcp_background)
        {
            dhcp_state = S_IDLE;
            dhcp_result = ZS_ERR_DECLINED;
        }
        else
        {
            dhcp_lose_lease();
        }
        break;
    default:
        break;
    }
}

int dhcp_request(void)
{
    int error;

    if (zs_polling)
    {
        return ZS_ERR_NO_SERVER;        // a callback cannot wait for the answer
    }
    my_ip_addr[0] = my_ip_addr[1] = my_ip_addr[2] = my_ip_addr[3] = 0;
    dhcp_background = 0;
    dhcp_result = ZS_ERR_NO_SERVER;
    dhcp_begin(S_SELECTING);
    error = dhcp_send(DHCP_DISCOVER);
    if (error == ZS_ERR_TOO_LONG)
    {
        dhcp_state = S_IDLE;
        return error;
    }
    while (dhcp_state == S_SELECTING || dhcp_state == S_REQUESTING)
    {
        if (zs_poll() != ZS_OK)
        {
            dhcp_state = S_IDLE;
            return ZS_ERR_LINK;
        }
    }
    return dhcp_result;
}

int dhcp_renew(void)
{
    word first;

    if (dhcp_state < S_BOUND)
    {
        return ZS_ERR_LEASE_EXPIRED;
    }
    if (dhcp_lease_time == ZS_LEASE_INFINITE)
    {
        return ZS_OK;                   // a lease without end needs no renewal
    }
    if (dhcp_state == S_BOUND)
    {
        dhcp_begin(S_RENEWING);
        dhcp_send(DHCP_REQUEST);
    }
    if (zs_polling)
    {
        // Called from a callback: the renewal goes on in the polls that follow.
        return ZS_OK;
    }
    first = dhcp_sends;
    while (dhcp_state == S_RENEWING || dhcp_state == S_REBINDING)
    {
        if (zs_poll() != ZS_OK)
        {
            return ZS_ERR_LINK;
        }
        if ((word) (dhcp_sends - first) >= zs_dhcp_resend_trys)
        {
            return ZS_ERR_NO_SERVER;    // the lease still runs; the clock keeps asking
        }
    }
    return dhcp_state == S_BOUND ? ZS_OK : ZS_ERR_LEASE_EXPIRED;
}

void dhcp_release(void)
{
    if (dhcp_state >= S_BOUND)
    {
        dhcp_state = S_IDLE;            // the release carries ciaddr and the server id
        dhcp_send(DHCP_RELEASE);
        my_ip_addr[0] = my_ip_addr[1] = my_ip_addr[2] = my_ip_addr[3] = 0;
        dhcp_lease_time = 0;
    }
    dhcp_state = S_IDLE;
    dhcp_background = 0;
}

#endif  // ZS_DHCP
