//-----------------------------------------------------------------------------
// zs_bootp.c
//-----------------------------------------------------------------------------
//
// The BOOTP client: one request, broadcast and resent bootp_resend_trys times with a
// growing wait, and the server's answer taken into the caller's zs_bootp_info. With
// bootp_request_ip 0 the device keeps the address it has and asks only for the rest (the
// server, the relay, the boot file); with 1 it takes the address the server gives.
//

#include "zs_stack.h"

#ifdef ZS_BOOTP

#define M_OP                0
#define M_HTYPE             1
#define M_HLEN              2
#define M_XID               4
#define M_FLAGS             10
#define M_CIADDR            12
#define M_YIADDR            16
#define M_SIADDR            20
#define M_GIADDR            24
#define M_CHADDR            28
#define M_FILE              108
#define M_VEND              236
#define M_LEN               300         // a BOOTP message is never shorter (RFC 951)

#define OPT_PAD             0
#define OPT_SUBNET_MASK     1
#define OPT_ROUTER          3
#define OPT_DNS_SERVER      6
#define OPT_END             255

#define BOOTP_FIRST_WAIT    (4 * ZS_TICKS_PER_SECOND)
#define BOOTP_LONGEST_WAIT  (64 * ZS_TICKS_PER_SECOND)

static zs_bootp_info kpv_xdata *bootp_info;  // where the answer goes; 0 while none is awaited
static byte bootp_answered;
static dword bootp_xid;
static byte bootp_dest[4];

static kpv_const byte bootp_cookie[4] = { 99, 130, 83, 99 };

static dword bootp_get32(byte kpv_xdata *p)
{
    return ((dword) p[0] << 24) | ((dword) p[1] << 16) | ((dword) p[2] << 8) | p[3];
}

static int bootp_send(void)
{
    byte kpv_xdata *m = zs_ip_out + ZS_IP_HEADER_LEN + ZS_UDP_HEADER_LEN;
    word i;

    if (ip_payload_room(ZS_UDP_HEADER_LEN) < M_LEN)
    {
        return ZS_ERR_TOO_LONG;
    }
    for (i = 0; i < M_LEN; i++)
    {
        m[i] = 0;
    }
    m[M_OP] = 1;
    m[M_HTYPE] = 1;
    m[M_HLEN] = 6;
    m[M_XID] = (byte) (bootp_xid >> 24);
    m[M_XID + 1] = (byte) (bootp_xid >> 16);
    m[M_XID + 2] = (byte) (bootp_xid >> 8);
    m[M_XID + 3] = (byte) bootp_xid;
    if (zs_bootp_request_ip)
    {
        m[M_FLAGS] = 0x80;              // no address yet: the answer must be broadcast
    }
    else
    {
        zs_copy(m + M_CIADDR, my_ip_addr, 4);
    }
    zs_copy(m + M_CHADDR, my_hw_addr, 6);
    // The vendor area in the RFC 1497 form, so that servers fill in mask, router and
    // name server.
    for (i = 0; i < 4; i++)
    {
        m[M_VEND + i] = bootp_cookie[i];
    }
    m[M_VEND + 4] = OPT_END;
    bootp_dest[0] = bootp_dest[1] = bootp_dest[2] = bootp_dest[3] = 0xFF;
    return udp_send_port(ZS_PORT_BOOTP_CLIENT, bootp_dest, ZS_PORT_BOOTP_SERVER, m, M_LEN);
}

void bootp_process_reply(byte kpv_xdata *from, byte kpv_xdata *m, word len)
{
    zs_bootp_info kpv_xdata *info = bootp_info;
    word i;
    byte code;
    byte olen;

    if (!info || bootp_answered)
    {
        return;
    }
    if (len < M_VEND || m[M_OP] != 2 || m[M_HTYPE] != 1 || m[M_HLEN] != 6 ||
        bootp_get32(m + M_XID) != bootp_xid)
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
    if (zs_bootp_request_ip)
    {
        if ((m[M_YIADDR] | m[M_YIADDR + 1] | m[M_YIADDR + 2] | m[M_YIADDR + 3]) == 0)
        {
            return;                     // no address for us: another server may have one
        }
        zs_copy(my_ip_addr, m + M_YIADDR, 4);
    }
    zs_copy(info->client_ip, my_ip_addr, 4);
    if ((m[M_SIADDR] | m[M_SIADDR + 1] | m[M_SIADDR + 2] | m[M_SIADDR + 3]) != 0)
    {
        zs_copy(info->server_ip, m + M_SIADDR, 4);
    }
    else
    {
        zs_copy(info->server_ip, from, 4);
    }
    zs_copy(info->gateway_ip, m + M_GIADDR, 4);
    for (i = 0; i < sizeof(info->boot_file) - 1 && m[M_FILE + i] != 0; i++)
    {
        info->boot_file[i] = (char) m[M_FILE + i];
    }
    info->boot_file[i] = 0;
    bootp_answered = 1;

    // The vendor area, when it has the RFC 1497 form; a broken one is left unread.
    if (len < M_VEND + 4 || bootp_get32(m + M_VEND) != 0x63825363UL)
    {
        return;
    }
    i = M_VEND + 4;
    while (i < len)
    {
        code = m[i];
        if (code == OPT_PAD)
        {
            i++;
            continue;
        }
        if (code == OPT_END || i + 2 > len || (word) (i + 2 + m[i + 1]) > len)
        {
            break;
        }
        olen = m[i + 1];
        i += 2;
        if (olen >= 4)
        {
            if (code == OPT_SUBNET_MASK)
            {
                zs_copy(subnet_mask, m + i, 4);
            }
            else if (code == OPT_ROUTER)
            {
                zs_copy(gateway_ip_addr, m + i, 4);
            }
#ifdef ZS_DNS
            else if (code == OPT_DNS_SERVER)
            {
                zs_copy(zs_dns_server, m + i, 4);
            }
#endif
        }
        i += olen;
    }
}

int bootp_request(zs_bootp_info kpv_xdata *info)
{
    byte kept[4];
    word sent_at;
    word wait = BOOTP_FIRST_WAIT;
    signed char tries = zs_bootp_resend_trys;
    int error;

    if (zs_polling)
    {
        return ZS_ERR_NO_SERVER;        // a callback cannot wait for the answer
    }
    zs_copy(kept, my_ip_addr, 4);
    if (zs_bootp_request_ip)
    {
        my_ip_addr[0] = my_ip_addr[1] = my_ip_addr[2] = my_ip_addr[3] = 0;
    }
    bootp_xid = (((dword) zs_get_ticks() << 16) ^ ((dword) my_hw_addr[4] << 8) ^ my_hw_addr[5] ^
                 (bootp_xid << 3) ^ 0xB0A7) & 0xFFFFFFFFUL;
    bootp_answered = 0;
    bootp_info = info;
    error = bootp_send();
    sent_at = zs_get_ticks();
    while (error != ZS_ERR_TOO_LONG && !bootp_answered)
    {
        if (zs_poll() != ZS_OK)
        {
            error = ZS_ERR_LINK;
            break;
        }
        if ((word) (zs_get_ticks() - sent_at) >= wait)
        {
            if (--tries <= 0)
            {
                error = ZS_ERR_NO_SERVER;
                break;
            }
            wait = wait < BOOTP_LONGEST_WAIT / 2 ? wait << 1 : BOOTP_LONGEST_WAIT;
            bootp_send();
            sent_at = zs_get_ticks();
        }
    }
    bootp_info = 0;
    if (bootp_answered)
    {
        return ZS_OK;
    }
    zs_copy(my_ip_addr, kept, 4);       // no answer: the device keeps the address it had
    return error == ZS_OK ? ZS_ERR_NO_SERVER : error;
}

#endif  // ZS_BOOTP
