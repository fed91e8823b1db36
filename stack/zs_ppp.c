//-----------------------------------------------------------------------------
// zs_ppp.c
//-----------------------------------------------------------------------------
//
// PPP over the modem's UART: HDLC-like framing with the 16-bit FCS (RFC 1662), LCP
// (RFC 1661) and IPCP (RFC 1332). A frame is assembled straight in the receive buffer with
// its address, control and protocol fields taken off as they arrive, so that an IP packet
// lies where ip_process_packet wants it. LCP and IPCP share one small engine: each side's
// Configure-Request, the answer to the peer's, resends and termination. Replies are built
// in the transmit buffer and sent at once.
//
// This end never asks for address, control or protocol field compression, so every frame
// it receives starts FF 03 and a two-byte protocol; it acknowledges the peer's wish to
// receive compressed fields, which permits compression but never demands it.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_PPP

#define PPP_FLAG            0x7E
#define PPP_ESC             0x7D
#define PPP_GOOD_FCS        0xF0B8      // the FCS run over a frame and its own FCS

#define PPP_IP              0x0021
#define PPP_IPCP            0x8021
#define PPP_LCP             0xC021
#define PPP_PAP             0xC023

// Packet codes of LCP (1 to 11) and IPCP (1 to 7).
#define CONF_REQ            1
#define CONF_ACK            2
#define CONF_NAK            3
#define CONF_REJ            4
#define TERM_REQ            5
#define TERM_ACK            6
#define CODE_REJ            7
#define PROTO_REJ           8
#define ECHO_REQ            9
#define ECHO_REP            10
#define DISCARD_REQ         11

// LCP options; IPCP's IP-Address.
#define LCP_MRU             1
#define LCP_ACCM            2
#define LCP_AUTH            3
#define LCP_MAGIC           5
#define LCP_PFC             7
#define LCP_ACFC            8
#define IPCP_ADDRESS        3

// The options our own Configure-Request still carries (a rejected one is left out).
#define WANT_MRU            0x01
#define WANT_ACCM           0x02
#define WANT_MAGIC          0x04
#define WANT_AUTH           0x08
#define WANT_ADDRESS        0x01

// The state of each control protocol (index CP_LCP or CP_IPCP).
#define CP_LCP              0
#define CP_IPCP             1
#define CP_ACK_SENT         0x01        // we acknowledged the peer's request
#define CP_ACK_RCVD         0x02        // the peer acknowledged ours
#define CP_OPENED           (CP_ACK_SENT | CP_ACK_RCVD)
#define CP_REQUESTING       0x04        // our requests run (and are resent)
#define CP_HEARD            0x08        // the peer has answered at all
#define CP_FAILED           0x10        // the resends ran out

// The receive decoder.
#define RX_ESCAPED          0x01
#define RX_DISCARD          0x02        // the frame is lost: skip to the next flag
#define RX_TEXT             0x04        // not a frame: the modem's text between frames

// The lowest MRU this end asks for and the default it need not ask for.
#define PPP_MIN_MRU         64
#define PPP_DEFAULT_MRU     1500

byte ppp_phase;
byte ppp_peer_wants_pap;
byte ppp_answered;
word ppp_ip_len;

static word ppp_rx_len;                 // bytes of the frame so far, its header included
static byte ppp_rx_state;
static word ppp_rx_fcs;
static word ppp_rx_proto;

static byte cp_flags[2];
static byte cp_id[2];
static byte cp_trys[2];
static word cp_sent_at[2];
static byte cp_want[2];
static word ppp_mru;                    // what we ask the peer to send at most
static word ppp_peer_mru;
static byte ppp_tx_accm[4];             // the control characters the peer wants escaped
static byte ppp_magic[4];
static byte ppp_reject_id;

// The FCS-16 of RFC 1662 a nibble at a time: a table of 16 words instead of 256.
static kpv_const word ppp_fcs_nibble[16] =
{
    0x0000, 0x1081, 0x2102, 0x3183, 0x4204, 0x5285, 0x6306, 0x7387,
    0x8408, 0x9489, 0xA50A, 0xB58B, 0xC60C, 0xD68D, 0xE70E, 0xF78F
};

static word ppp_fcs(word fcs, byte c)
{
    fcs = (fcs >> 4) ^ ppp_fcs_nibble[(fcs ^ c) & 0x0F];
    return (fcs >> 4) ^ ppp_fcs_nibble[(fcs ^ (c >> 4)) & 0x0F];
}

//-----------------------------------------------------------------------------
// Framing
//-----------------------------------------------------------------------------

static word ppp_tx_fcs;
static byte ppp_tx_all;                 // escape every control character (LCP)

static void ppp_put(byte c)
{
    ppp_tx_fcs = ppp_fcs(ppp_tx_fcs, c);
    if (c == PPP_FLAG || c == PPP_ESC ||
        (c < 0x20 && (ppp_tx_all || (ppp_tx_accm[3 - (c >> 3)] & (1 << (c & 7))))))
    {
        zs_uart_put(PPP_ESC);
        c ^= 0x20;
    }
    zs_uart_put(c);
}

void ppp_send_frame(word protocol, byte kpv_xdata *data, word len)
{
    word fcs;

    // LCP goes out with every control character escaped whatever was agreed, so that a
    // renegotiation always gets through.
    ppp_tx_all = protocol == PPP_LCP;
    ppp_tx_fcs = 0xFFFF;
    zs_uart_put(PPP_FLAG);
    ppp_put(0xFF);
    ppp_put(0x03);
    ppp_put((byte) (protocol >> 8));
    ppp_put((byte) protocol);
    while (len--)
    {
        ppp_put(*data++);
    }
    fcs = ~ppp_tx_fcs;
    ppp_put((byte) fcs);
    ppp_put((byte) (fcs >> 8));
    zs_uart_put(PPP_FLAG);
}

void ppp_restart(void)
{
    ppp_rx_len = 0;
    ppp_rx_state = 0;
}

// Takes one received byte. Returns the length of the information field (at packet) when c
// ends a good frame, else 0; the frame's protocol is in ppp_rx_proto. The FCS is checked as
// the bytes pass and is not stored, so the buffer needs room for the information only.
word ppp_decode(byte c, byte kpv_xdata *packet, word max_len)
{
    word n = ppp_rx_len;

    if (c == PPP_FLAG)
    {
        c = ppp_rx_state;
        ppp_restart();
        if (n == 0 || (c & (RX_TEXT | RX_DISCARD)))
        {
            return 0;                   // flags between frames, text, a frame already lost
        }
        if (c & RX_ESCAPED)
        {
            zs_stats.framing++;         // ESC then flag: the sender aborted the frame
            return 0;
        }
        if (n < 4 + 1 + 2)
        {
            zs_stats.bad_length++;      // no information, or not even a header and FCS
            return 0;
        }
        if (ppp_rx_fcs != PPP_GOOD_FCS)
        {
            zs_stats.bad_checksum++;
            return 0;
        }
        return n - 4 - 2;
    }
    if (ppp_rx_state & RX_DISCARD)
    {
        return 0;
    }
    if (ppp_rx_state & RX_TEXT)
    {
        if (n < max_len)
        {
            packet[n] = c;
            ppp_rx_len++;
        }
        return 0;
    }
    if (c == PPP_ESC)
    {
        ppp_rx_state = RX_ESCAPED;
        return 0;
    }
    if (ppp_rx_state & RX_ESCAPED)
    {
        ppp_rx_state = 0;
        c ^= 0x20;
    }
    if (n == 0)
    {
        if (c != 0xFF)
        {
            // Frames begin with the address; anything else is the modem talking.
            ppp_rx_state = RX_TEXT;
            packet[0] = c;
            ppp_rx_len = 1;
            return 0;
        }
        ppp_rx_fcs = 0xFFFF;
    }
    else if (n == 1)
    {
        if (c != 0x03)
        {
            zs_stats.framing++;
            ppp_rx_state = RX_DISCARD;
            return 0;
        }
    }
    else if (n == 2)
    {
        ppp_rx_proto = (word) c << 8;
    }
    else if (n == 3)
    {
        ppp_rx_proto |= c;
    }
    else if ((word) (n - 4) < max_len)
    {
        packet[n - 4] = c;
    }
    else if ((word) (n - 4) >= max_len + 2)
    {
        // Two bytes past the buffer may still be the FCS; a third cannot.
        zs_stats.oversized++;
        ppp_rx_state = RX_DISCARD;
        zs_error(ZS_ERR_TOO_LONG);
        return 0;
    }
    ppp_rx_fcs = ppp_fcs(ppp_rx_fcs, c);
    ppp_rx_len = n + 1;
    return 0;
}

#ifdef ZS_MODEM
static void ppp_down(void);

byte ppp_carrier_lost(void)
{
    if (!(ppp_rx_state & RX_TEXT) || !modem_carrier_lost(zs_recv_buff, ppp_rx_len))
    {
        return 0;
    }
    // No Terminate is possible any more: every protocol is simply down.
    ppp_restart();
    ppp_down();
    return 1;
}
#endif

//-----------------------------------------------------------------------------
// The control protocols
//-----------------------------------------------------------------------------

static word ppp_protocol_of(byte i)
{
    return i == CP_LCP ? PPP_LCP : PPP_IPCP;
}

// Sends the control packet whose code, identifier and len - 4 bytes of data are in the
// transmit buffer already.
static void cp_send(byte i, byte code, byte id, word len)
{
    zs_xmit_buff[0] = code;
    zs_xmit_buff[1] = id;
    ZS_PUT16(zs_xmit_buff + 2, len);
    ppp_send_frame(ppp_protocol_of(i), zs_xmit_buff, len);
}

static void ppp_new_magic(void)
{
    word t = zs_get_ticks();

    // The time a negotiation starts depends on the modem and the far end; mixed with the
    // last number it makes a fresh one. Zero is not a magic number.
    ppp_magic[0] ^= (byte) (t >> 8) ^ 0x5A;
    ppp_magic[1] += (byte) t;
    ppp_magic[2] = (byte) (ppp_magic[2] * 5 + 1 + (byte) t);
    ppp_magic[3] = (byte) (ppp_magic[3] + ppp_magic[0]) | 0x01;
}

static void cp_send_request(byte i)
{
    byte kpv_xdata *o = zs_xmit_buff + 4;
    byte want = cp_want[i];

    if (i == CP_LCP)
    {
        if (want & WANT_MRU)
        {
            o[0] = LCP_MRU;
            o[1] = 4;
            ZS_PUT16(o + 2, ppp_mru);
            o += 4;
        }
        if (want & WANT_ACCM)
        {
            o[0] = LCP_ACCM;
            o[1] = 6;
            o[2] = o[3] = o[4] = o[5] = 0;   // the line is 8-bit clean: nothing to escape
            o += 6;
        }
        if (want & WANT_MAGIC)
        {
            o[0] = LCP_MAGIC;
            o[1] = 6;
            zs_copy(o + 2, ppp_magic, 4);
            o += 6;
        }
        if (want & WANT_AUTH)
        {
            o[0] = LCP_AUTH;
            o[1] = 4;
            ZS_PUT16(o + 2, PPP_PAP);
            o += 4;
        }
    }
    else if (want & WANT_ADDRESS)
    {
        o[0] = IPCP_ADDRESS;
        o[1] = 6;
        zs_copy(o + 2, my_ip_addr, 4);
        o += 6;
    }
    cp_id[i]++;
    cp_sent_at[i] = zs_get_ticks();
    cp_send(i, CONF_REQ, cp_id[i], (word) (o - zs_xmit_buff));
}

static void cp_start(byte i)
{
    cp_flags[i] = CP_REQUESTING;
    cp_trys[i] = zs_ppp_resend_trys;
    cp_send_request(i);
}

// The link ends: every protocol closes, and so does the application's view of the line.
static void ppp_down(void)
{
    ppp_phase = PPP_DEAD;
    cp_flags[CP_LCP] = 0;
    cp_flags[CP_IPCP] = 0;
    zs_link_set(0);
}

// What the peer asked of us before it asks anything: RFC 1661's defaults.
static void ppp_peer_defaults(void)
{
    ppp_peer_wants_pap = 0;
    ppp_peer_mru = PPP_DEFAULT_MRU;
    ppp_tx_accm[0] = ppp_tx_accm[1] = ppp_tx_accm[2] = ppp_tx_accm[3] = 0xFF;
}

// Judges one option of the peer's Configure-Request (its length checked to lie within the
// packet): CONF_ACK, CONF_NAK or CONF_REJ, or 0 when its length is wrong for its type.
// With act 1 a Nak's option (a copy in the reply) gets the value we would accept; with act
// 2 an acknowledged option takes effect.
static byte cp_judge(byte i, byte kpv_xdata *o, byte act)
{
    byte len = o[1];

    if (i == CP_IPCP)
    {
        if (o[0] != IPCP_ADDRESS)
        {
            return CONF_REJ;
        }
        if (len != 6)
        {
            return 0;
        }
        if (o[2] | o[3] | o[4] | o[5])
        {
            return CONF_ACK;
        }
        // The peer asks us for its address: the configured far end, if there is one.
        if (!(dest_ip_addr[0] | dest_ip_addr[1] | dest_ip_addr[2] | dest_ip_addr[3]))
        {
            return CONF_REJ;
        }
        if (act == 1)
        {
            zs_copy(o + 2, dest_ip_addr, 4);
        }
        return CONF_NAK;
    }
    switch (o[0])
    {
    case LCP_MRU:
        if (len != 4)
        {
            return 0;
        }
        if (ZS_GET16(o + 2) < PPP_MIN_MRU)
        {
            // Not even an IP header would fit: ask for the least that carries packets.
            if (act == 1)
            {
                ZS_PUT16(o + 2, PPP_MIN_MRU);
            }
            return CONF_NAK;
        }
        if (act == 2)
        {
            ppp_peer_mru = ZS_GET16(o + 2);
        }
        return CONF_ACK;
    case LCP_ACCM:
        if (len != 6)
        {
            return 0;
        }
        if (act == 2)
        {
            zs_copy(ppp_tx_accm, o + 2, 4);
        }
        return CONF_ACK;
    case LCP_AUTH:
        if (len < 4)
        {
            return 0;
        }
#ifdef ZS_PAP
        if (len == 4 && ZS_GET16(o + 2) == PPP_PAP)
        {
            if (act == 2)
            {
                ppp_peer_wants_pap = 1;
            }
            return CONF_ACK;
        }
        if (act == 1)
        {
            // PAP is what this end speaks: offer it instead (the reply's option shrinks).
            o[1] = 4;
            ZS_PUT16(o + 2, PPP_PAP);
        }
        return CONF_NAK;
#else
        return CONF_REJ;
#endif
    case LCP_MAGIC:
        if (len != 6)
        {
            return 0;
        }
        if ((o[2] | o[3] | o[4] | o[5]) && !(o[2] == ppp_magic[0] && o[3] == ppp_magic[1] &&
                                              o[4] == ppp_magic[2] && o[5] == ppp_magic[3]))
        {
            return CONF_ACK;
        }
        // Zero is not allowed; our own number may be a line looped back to us, or a
        // coincidence: both sides pick again.
        if (act == 1)
        {
            ppp_new_magic();
            o[2] = (byte) ~ppp_magic[0];
            o[3] = ppp_magic[2];
            o[4] = (byte) ~ppp_magic[1];
            o[5] = ppp_magic[3];
        }
        return CONF_NAK;
    case LCP_PFC:
    case LCP_ACFC:
        return len == 2 ? CONF_ACK : 0;
    default:
        return CONF_REJ;
    }
}

// The kind of answer the peer's Configure-Request p (plen bytes, checked) gets: an Ack only
// if every option is acceptable, a Reject before a Nak; 0 when an option's length is wrong,
// and the whole request is dropped.
static byte cp_verdict(byte i, byte kpv_xdata *p, word plen)
{
    byte kpv_xdata *o;
    byte worst = CONF_ACK;
    byte verdict;
    word at;

    if (plen > zs_xmit_buff_size)
    {
        zs_stats.oversized++;           // the answer could not be built
        return 0;
    }
    for (at = 4; at < plen; at += o[1])
    {
        o = p + at;
        verdict = plen - at < 2 || o[1] < 2 || o[1] > plen - at ? 0 : cp_judge(i, o, 0);
        if (verdict == 0)
        {
            zs_stats.bad_length++;
            return 0;
        }
        if (verdict > worst)
        {
            worst = verdict;
        }
    }
    return worst;
}

// Answers the request with the options its verdict concerns. Returns 1 for an Ack.
static byte cp_answer_request(byte i, byte kpv_xdata *p, word plen, byte verdict)
{
    byte kpv_xdata *r = zs_xmit_buff + 4;
    byte kpv_xdata *o;
    word at;

    if (verdict == CONF_ACK && i == CP_LCP)
    {
        // An acknowledged request replaces the last one whole: what it leaves out is back
        // at its default.
        ppp_peer_defaults();
    }
    for (at = 4; at < plen; at += o[1])
    {
        o = p + at;
        if (cp_judge(i, o, 0) == verdict)
        {
            zs_copy(r, o, o[1]);
            cp_judge(i, r, verdict == CONF_ACK ? 2 : 1);
            r += r[1];
        }
    }
    cp_send(i, verdict, p[1], (word) (r - zs_xmit_buff));
    return verdict == CONF_ACK;
}

// The peer's Nak or Reject of our request p (plen bytes, checked): what it names changes
// in the next request. Returns 0 when the request cannot be agreed.
static byte cp_take_refusal(byte i, byte kpv_xdata *p, word plen)
{
    byte kpv_xdata *o;
    word at;
    word mru;

    for (at = 4; at + 2 <= plen && p[at + 1] >= 2 && p[at + 1] <= plen - at; at += o[1])
    {
        o = p + at;
        if (p[0] == CONF_REJ)
        {
            if (i == CP_LCP)
            {
                if (o[0] == LCP_AUTH && (cp_want[i] & WANT_AUTH))
                {
                    return 0;           // a caller that will not authenticate stays out
                }
                cp_want[i] &= (byte) ~(o[0] == LCP_MRU ? WANT_MRU : o[0] == LCP_ACCM ? WANT_ACCM :
                                       o[0] == LCP_MAGIC ? WANT_MAGIC : 0);
            }
            else if (o[0] == IPCP_ADDRESS)
            {
                cp_want[i] &= (byte) ~WANT_ADDRESS;
                if (!(my_ip_addr[0] | my_ip_addr[1] | my_ip_addr[2] | my_ip_addr[3]))
                {
                    return 0;           // nobody would give us an address
                }
            }
            continue;
        }
        if (i == CP_IPCP)
        {
            if (o[0] == IPCP_ADDRESS && o[1] == 6 && (o[2] | o[3] | o[4] | o[5]))
            {
                zs_copy(my_ip_addr, o + 2, 4);  // the address the peer gives us
            }
            continue;
        }
        switch (o[0])
        {
        case LCP_MRU:
            if (o[1] == 4)
            {
                mru = ZS_GET16(o + 2);
                if (mru >= PPP_MIN_MRU && mru < ppp_mru)
                {
                    ppp_mru = mru;      // smaller is fine; larger would not fit our buffer
                }
            }
            break;
        case LCP_ACCM:
            cp_want[i] &= (byte) ~WANT_ACCM;    // the default escapes everything: always safe
            break;
        case LCP_MAGIC:
            ppp_new_magic();
            break;
        case LCP_AUTH:
            if (cp_want[i] & WANT_AUTH)
            {
                return 0;
            }
            break;
        }
    }
    return 1;
}

// Sends a reject of the packet p of len bytes: code is CODE_REJ or PROTO_REJ (then the
// protocol goes first). The rejected packet is cut to what the peer and our buffer take.
static void cp_reject(byte i, byte code, byte kpv_xdata *p, word len)
{
    word room = zs_xmit_buff_size < ppp_peer_mru ? zs_xmit_buff_size : ppp_peer_mru;
    byte kpv_xdata *at = zs_xmit_buff + 4;

    room = room > 6 ? room - 6 : 0;

    if (code == PROTO_REJ)
    {
        ZS_PUT16(at, ppp_rx_proto);
        at += 2;
    }
    if (len > room)
    {
        len = room;
    }
    zs_copy(at, p, len);
    // Rejects count on their own, so that the answer to our last request still matches.
    ppp_reject_id++;
    cp_send(i, code, ppp_reject_id, (word) (at - zs_xmit_buff) + len);
}

// LCP has opened: the link goes on to authentication, or straight to its network phase.
// At once, so that what the peer sends right behind its Ack is taken.
static void ppp_lcp_opened(void)
{
    if (ppp_phase != PPP_ESTABLISH || (cp_flags[CP_LCP] & CP_OPENED) != CP_OPENED)
    {
        return;
    }
#ifdef ZS_PAP
    if (ppp_peer_wants_pap || ppp_answered)
    {
        ppp_phase = PPP_AUTHENTICATE;
        pap_begin();
        return;
    }
#endif
    ppp_phase = PPP_NETWORK;
}

static void cp_input(byte i, byte kpv_xdata *p, word len)
{
    word plen;
    byte was;
    byte verdict;

    if (len < 4 || (plen = ZS_GET16(p + 2)) < 4 || plen > len)
    {
        zs_stats.bad_length++;          // bytes past the length are padding and ignored
        return;
    }
    was = cp_flags[i];
    switch (p[0])
    {
    case CONF_REQ:
        verdict = cp_verdict(i, p, plen);
        if (ppp_phase == PPP_TERMINATE || verdict == 0)
        {
            return;
        }
        if (i == CP_LCP && ppp_phase == PPP_NETWORK)
        {
            // The peer starts over: this firmware negotiates once a call, so the call ends.
            cp_send(CP_LCP, TERM_REQ, ++cp_id[CP_LCP], 4);
            ppp_down();
            return;
        }
        if ((was & CP_OPENED) == CP_OPENED || !(was & CP_REQUESTING))
        {
            // A renegotiation, or the peer restarting what it terminated: our side asks
            // again too.
            cp_start(i);
        }
        cp_flags[i] |= CP_HEARD;
        if (cp_answer_request(i, p, plen, verdict))
        {
            cp_flags[i] |= CP_ACK_SENT;
        }
        else
        {
            cp_flags[i] &= (byte) ~CP_ACK_SENT;
        }
        break;
    case CONF_ACK:
        if (p[1] == cp_id[i] && (was & CP_REQUESTING))
        {
            cp_flags[i] |= CP_ACK_RCVD | CP_HEARD;
        }
        break;
    case CONF_NAK:
    case CONF_REJ:
        if (p[1] != cp_id[i] || !(was & CP_REQUESTING) || (was & CP_ACK_RCVD))
        {
            break;                      // late: an answer to an older request
        }
        cp_flags[i] |= CP_HEARD;
        if (!cp_take_refusal(i, p, plen))
        {
            cp_flags[i] |= CP_FAILED;
            break;
        }
        if (cp_trys[i] == 0)
        {
            cp_flags[i] |= CP_FAILED;   // no agreement within the resends
            break;
        }
        cp_trys[i]--;
        cp_send_request(i);
        break;
    case TERM_REQ:
        cp_send(i, TERM_ACK, p[1], 4);
        if (i == CP_LCP)
        {
            ppp_down();
        }
        else
        {
            cp_flags[i] = 0;            // IP stops; LCP stays for the peer to end
        }
        break;
    case TERM_ACK:
        if (i == CP_LCP && ppp_phase == PPP_TERMINATE)
        {
            ppp_phase = PPP_DEAD;
        }
        break;
    case CODE_REJ:
    case ECHO_REP:
    case DISCARD_REQ:
        break;
    case PROTO_REJ:
    case ECHO_REQ:
        if (i != CP_LCP)
        {
            cp_reject(i, CODE_REJ, p, plen);    // IPCP has neither
        }
        else if (p[0] == ECHO_REQ && (was & CP_OPENED) == CP_OPENED && plen >= 8 &&
                 plen <= zs_xmit_buff_size)
        {
            zs_copy(zs_xmit_buff + 4, p + 4, plen - 4);
            zs_copy(zs_xmit_buff + 4, ppp_magic, 4);
            if (!(cp_want[CP_LCP] & WANT_MAGIC))
            {
                zs_xmit_buff[4] = zs_xmit_buff[5] = zs_xmit_buff[6] = zs_xmit_buff[7] = 0;
            }
            cp_send(i, ECHO_REP, p[1], plen);
        }
        break;
    default:
        cp_reject(i, CODE_REJ, p, plen);
        break;
    }
    if (i == CP_LCP)
    {
        ppp_lcp_opened();
    }
}

// Resends the requests the peer has not acknowledged.
static void cp_timers(void)
{
    byte i;

    for (i = 0; i < 2; i++)
    {
        if ((cp_flags[i] & (CP_REQUESTING | CP_FAILED)) != CP_REQUESTING ||
            (cp_flags[i] & CP_OPENED) == CP_OPENED ||
            (word) (zs_get_ticks() - cp_sent_at[i]) < zs_ppp_resend_ticks)
        {
            continue;
        }
        if (cp_trys[i] == 0)
        {
            cp_flags[i] |= CP_FAILED;
            continue;
        }
        cp_trys[i]--;
        cp_flags[i] &= (byte) ~CP_ACK_RCVD;
        cp_send_request(i);
    }
}

// Takes a frame of len information bytes in zs_recv_buff. Returns 1 when it is an IP
// packet for the core to process.
static byte ppp_input(word len)
{
    byte kpv_xdata *p = zs_recv_buff;

    switch (ppp_rx_proto)
    {
    case PPP_IP:
        if (ppp_phase == PPP_NETWORK && (cp_flags[CP_IPCP] & CP_OPENED) == CP_OPENED)
        {
            ppp_ip_len = len;
            return 1;
        }
        zs_stats.bad_protocol++;        // IP before IPCP agreed
        return 0;
    case PPP_LCP:
        if (ppp_phase != PPP_DEAD)
        {
            cp_input(CP_LCP, p, len);
        }
        return 0;
    case PPP_IPCP:
        // Until authentication is done IPCP waits; the peer resends.
        if (ppp_phase == PPP_NETWORK)
        {
            cp_input(CP_IPCP, p, len);
        }
        return 0;
#ifdef ZS_PAP
    case PPP_PAP:
        if (ppp_phase == PPP_AUTHENTICATE)
        {
            pap_process_packet(p, len);
        }
        return 0;
#endif
    default:
        zs_stats.bad_protocol++;
        if ((cp_flags[CP_LCP] & CP_OPENED) == CP_OPENED && ppp_phase != PPP_TERMINATE)
        {
            cp_reject(CP_LCP, PROTO_REJ, p, len);
        }
        return 0;
    }
}

void ppp_process(void)
{
    int c;
    word len;

    ppp_ip_len = 0;
    while ((c = zs_uart_get()) >= 0)
    {
        len = ppp_decode((byte) c, zs_recv_buff, zs_recv_buff_size);
        if (len && ppp_input(len))
        {
            return;                     // the IP packet is processed before the next frame
        }
    }
    cp_timers();
}

int ppp_send_ip(byte kpv_xdata *packet, word len)
{
    if (ppp_phase != PPP_NETWORK || (cp_flags[CP_IPCP] & CP_OPENED) != CP_OPENED)
    {
        return ZS_ERR_LINK;
    }
    if (len > ppp_peer_mru)
    {
        return ZS_ERR_TOO_LONG;
    }
    ppp_send_frame(PPP_IP, packet, len);
    return ZS_OK;
}

//-----------------------------------------------------------------------------
// Opening and closing
//-----------------------------------------------------------------------------

void ppp_init(void)
{
    ppp_restart();
    ppp_phase = PPP_DEAD;
    ppp_answered = 0;
    cp_flags[CP_LCP] = 0;
    cp_flags[CP_IPCP] = 0;
    ppp_ip_len = 0;
    zs_uart_start();
}

// Polls until protocol i is open; ZS_OK or why not.
static int ppp_wait_open(byte i)
{
    while ((cp_flags[i] & CP_OPENED) != CP_OPENED)
    {
        byte up = zs_poll() == ZS_OK;

        if (ppp_phase == PPP_DEAD)
        {
            return ZS_ERR_NEGOTIATION;  // the peer ended the link
        }
        if (!up)
        {
            return ZS_ERR_LINK;         // the carrier is gone
        }
        if (cp_flags[i] & CP_FAILED)
        {
            return cp_flags[i] & CP_HEARD ? ZS_ERR_NEGOTIATION : ZS_ERR_TIMEOUT;
        }
    }
    return ZS_OK;
}

int ppp_open_connection(void)
{
    int result;

    if (!zs_link_is_up)
    {
        return ZS_ERR_LINK;
    }
    ppp_phase = PPP_ESTABLISH;
    ppp_peer_defaults();
    ppp_mru = zs_recv_buff_size < PPP_DEFAULT_MRU ? zs_recv_buff_size : PPP_DEFAULT_MRU;
    ppp_new_magic();
    cp_want[CP_LCP] = WANT_ACCM | WANT_MAGIC | (ppp_mru < PPP_DEFAULT_MRU ? WANT_MRU : 0);
#ifdef ZS_PAP
    if (ppp_answered)
    {
        cp_want[CP_LCP] |= WANT_AUTH;   // who calls in proves who it is
    }
#endif
    cp_want[CP_IPCP] = WANT_ADDRESS;
    cp_flags[CP_IPCP] = 0;
    cp_start(CP_LCP);
    result = ppp_wait_open(CP_LCP);
#ifdef ZS_PAP
    if (result == ZS_OK && ppp_phase == PPP_AUTHENTICATE)
    {
        result = pap_authenticate();
    }
#endif
    if (result == ZS_OK)
    {
        if (!(cp_flags[CP_IPCP] & CP_REQUESTING))
        {
            cp_start(CP_IPCP);          // unless the peer's request has started it
        }
        result = ppp_wait_open(CP_IPCP);
    }
    if (result != ZS_OK)
    {
        // The generated main routine only stops on a failure: leave the line on hook.
        ppp_close_connection();
#ifdef ZS_MODEM
        modem_hangup();
#endif
    }
    return result;
}

void ppp_close_connection(void)
{
    byte trys;
    word start;

    if (ppp_phase == PPP_DEAD || !zs_link_is_up)
    {
        ppp_phase = PPP_DEAD;
        return;
    }
    ppp_phase = PPP_TERMINATE;
    cp_flags[CP_IPCP] = 0;
    for (trys = zs_ppp_terminate_trys; trys && ppp_phase == PPP_TERMINATE; trys--)
    {
        cp_send(CP_LCP, TERM_REQ, ++cp_id[CP_LCP], 4);
        start = zs_get_ticks();
        while (ppp_phase == PPP_TERMINATE && (word) (zs_get_ticks() - start) < zs_ppp_resend_ticks)
        {
            if (zs_poll() != ZS_OK)
            {
                break;
            }
        }
    }
    ppp_phase = PPP_DEAD;
    cp_flags[CP_LCP] = 0;
}

#endif  // ZS_PPP
