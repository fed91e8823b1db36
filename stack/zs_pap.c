//-----------------------------------------------------------------------------
// zs_pap.c
//-----------------------------------------------------------------------------
//
// PAP (RFC 1334) on the negotiated PPP link. The users the application enters serve both
// ways: the first one is what this end offers when the peer asks it to authenticate, and
// all of them are what a caller must match when this end answered the call. Names and
// passwords are compared byte for byte, lengths included.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_PAP

#define PPP_PAP             0xC023

#define PAP_REQUEST         1
#define PAP_ACK             2
#define PAP_NAK             3

#define PAP_ACCEPTED        0x01        // the peer took our name and password
#define PAP_REFUSED         0x02        // ... or refused them, or the caller gave wrong ones
#define PAP_CALLER_OK       0x04        // the caller gave a user of the table

static byte pap_state;
static byte pap_id;

// Copies a text into an entry of the table, cut to fit with its zero.
static void pap_copy_text(char kpv_xdata *to, char kpv_const *from)
{
    byte n;

    for (n = 0; n < ZS_USER_TEXT_LEN - 1 && from[n]; n++)
    {
        to[n] = from[n];
    }
    to[n] = 0;
}

// 1 when the entry's text is the len bytes at text.
static byte pap_same(char kpv_xdata *entry, byte kpv_xdata *text, byte len)
{
    byte n;

    for (n = 0; n < len; n++)
    {
        if (entry[n] == 0 || (byte) entry[n] != text[n])
        {
            return 0;
        }
    }
    return entry[n] == 0;
}

int pap_add_user(char kpv_const *name, char kpv_const *password)
{
    zs_user kpv_xdata *u = pap_user_table;
    zs_user kpv_xdata *free_entry = 0;
    word i;
    byte n;

    if (name[0] == 0)
    {
        return ZS_OK;
    }
    for (i = 0; i < zs_pap_num_users; i++, u++)
    {
        if (u->name[0] == 0)
        {
            if (!free_entry)
            {
                free_entry = u;
            }
            continue;
        }
        for (n = 0; n < ZS_USER_TEXT_LEN - 1 && name[n] && u->name[n] == name[n]; n++)
        {
        }
        if (u->name[n] == (n < ZS_USER_TEXT_LEN - 1 ? name[n] : 0))
        {
            free_entry = u;             // the same user again: the new password counts
            break;
        }
    }
    if (!free_entry)
    {
        return ZS_ERR_NO_MEMORY;
    }
    pap_copy_text(free_entry->name, name);
    pap_copy_text(free_entry->password, password);
    return ZS_OK;
}

static byte pap_text_len(char kpv_xdata *text)
{
    byte n = 0;

    while (n < ZS_USER_TEXT_LEN - 1 && text[n])
    {
        n++;
    }
    return n;
}

// Sends our Authenticate-Request with the user u.
static void pap_send_request(zs_user kpv_xdata *u)
{
    byte kpv_xdata *p = zs_xmit_buff + 4;
    byte n = pap_text_len(u->name);
    byte w = pap_text_len(u->password);

    *p++ = n;
    zs_copy(p, (byte kpv_xdata *) u->name, n);
    p += n;
    *p++ = w;
    zs_copy(p, (byte kpv_xdata *) u->password, w);
    p += w;
    zs_xmit_buff[0] = PAP_REQUEST;
    zs_xmit_buff[1] = ++pap_id;
    ZS_PUT16(zs_xmit_buff + 2, (word) (p - zs_xmit_buff));
    ppp_send_frame(PPP_PAP, zs_xmit_buff, (word) (p - zs_xmit_buff));
}

// The caller's Authenticate-Request p (plen bytes): its name and password against the
// table, answered with an Ack or a Nak without a message.
static void pap_check_caller(byte kpv_xdata *p, word plen)
{
    zs_user kpv_xdata *u = pap_user_table;
    byte n;
    byte w;
    word i;
    byte ok = 0;

    if (plen < 6 || (word) p[4] + 6 > plen || (word) p[4] + 6 + p[5 + p[4]] > plen)
    {
        zs_stats.bad_length++;
        return;
    }
    n = p[4];
    w = p[5 + n];
    for (i = 0; i < zs_pap_num_users && !ok; i++, u++)
    {
        ok = u->name[0] != 0 && pap_same(u->name, p + 5, n) && pap_same(u->password, p + 6 + n, w);
    }
    zs_xmit_buff[0] = ok ? PAP_ACK : PAP_NAK;
    zs_xmit_buff[1] = p[1];
    ZS_PUT16(zs_xmit_buff + 2, 5);
    zs_xmit_buff[4] = 0;
    ppp_send_frame(PPP_PAP, zs_xmit_buff, 5);
    pap_state |= ok ? PAP_CALLER_OK : PAP_REFUSED;
}

void pap_begin(void)
{
    pap_state = 0;
}

// Each side has what it asked for.
static byte pap_done(void)
{
    return (!ppp_peer_wants_pap || (pap_state & PAP_ACCEPTED)) && (!ppp_answered || (pap_state & PAP_CALLER_OK));
}

void pap_process_packet(byte kpv_xdata *packet, word len)
{
    word plen;

    if (len < 4 || (plen = ZS_GET16(packet + 2)) < 4 || plen > len)
    {
        zs_stats.bad_length++;
        return;
    }
    switch (packet[0])
    {
    case PAP_REQUEST:
        if (ppp_answered && !(pap_state & PAP_CALLER_OK))
        {
            pap_check_caller(packet, plen);
        }
        break;
    case PAP_ACK:
    case PAP_NAK:
        if (ppp_peer_wants_pap && packet[1] == pap_id)
        {
            pap_state |= packet[0] == PAP_ACK ? PAP_ACCEPTED : PAP_REFUSED;
        }
        break;
    default:
        zs_stats.bad_protocol++;
        break;
    }
    if (pap_done() && !(pap_state & PAP_REFUSED))
    {
        // At once, so that an IPCP request right behind the Ack is taken.
        ppp_phase = PPP_NETWORK;
    }
}

int pap_authenticate(void)
{
    zs_user kpv_xdata *u = pap_user_table;
    word i;
    word started = zs_get_ticks();
    word sent = started;
    byte trys = zs_ppp_resend_trys;
    byte up;

    if (ppp_peer_wants_pap)
    {
        for (i = 0; i < zs_pap_num_users && u->name[0] == 0; i++, u++)
        {
        }
        if (i == zs_pap_num_users)
        {
            return ZS_ERR_AUTHENTICATION;   // nobody to authenticate as
        }
        pap_send_request(u);
    }
    for (;;)
    {
        up = zs_poll() == ZS_OK;
        if ((pap_state & PAP_REFUSED) || ppp_phase == PPP_DEAD)
        {
            return ZS_ERR_AUTHENTICATION;   // refused, or the peer hung up on us
        }
        if (!up)
        {
            return ZS_ERR_LINK;
        }
        if (pap_done())
        {
            return ZS_OK;
        }
        if (ppp_peer_wants_pap && !(pap_state & PAP_ACCEPTED) &&
            (word) (zs_get_ticks() - sent) >= zs_ppp_resend_ticks)
        {
            if (trys == 0)
            {
                return ZS_ERR_TIMEOUT;
            }
            trys--;
            sent = zs_get_ticks();
            pap_send_request(u);
        }
        // A caller gets as long to authenticate as our own requests would take.
        if (ppp_answered && !(pap_state & PAP_CALLER_OK) &&
            (word) (zs_get_ticks() - started) / (zs_ppp_resend_trys + 1) >= zs_ppp_resend_ticks)
        {
            return ZS_ERR_TIMEOUT;
        }
    }
}

#endif  // ZS_PAP
