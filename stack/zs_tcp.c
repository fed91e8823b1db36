//-----------------------------------------------------------------------------
// zs_tcp.c
//-----------------------------------------------------------------------------
//
// TCP. Half-open connections keep no state: a listening port answers every SYN with a
// SYN-ACK whose sequence number is a keyed hash of the connection (a SYN cookie), and the
// client's final ACK, if it carries a valid cookie, turns a listening socket of that port
// into the connection. A SYN flood therefore cannot fill the socket table; when every
// listening socket is taken, the final ACK is dropped and the client sends it again.
//
// Received data stays where it arrived, in the receive buffer, until the next zs_poll;
// only what tcp_receive took is acknowledged, so data nobody took is sent again by the
// peer. There is no reassembly: a segment beyond the next expected byte is answered with
// an ACK and dropped. tcp_send keeps segments in flight within the peer's window and
// rebuilds them from the caller's buffer when it has to send them again.
//
// Forged segments (RFC 5961): a reset counts only at the exact next sequence number, a
// reset or SYN elsewhere in the window gets a challenge ACK, and a segment outside the
// window or acknowledging data never sent is dropped with an ACK.
//

#include <limits.h>

#include "zs_stack.h"

#ifdef ZS_TCP

#define TCP_FIN             0x01
#define TCP_SYN             0x02
#define TCP_RST             0x04
#define TCP_PSH             0x08
#define TCP_ACK             0x10

// The socket's own flags
#define F_FIN_SENT          0x01        // our FIN is in the sequence space
#define F_FIN_ACKED         0x02
#define F_APP_CLOSED        0x04        // tcp_close was called: no callback, free when done
#define F_RESET             0x08        // the peer reset the connection
#define F_TIMEOUT           0x10        // the peer stopped answering
#define F_SENDING           0x20        // tcp_send runs on the socket
#define F_SERVER            0x40        // a built-in server takes the data itself
#define F_FAST              0x80        // three duplicate ACKs: send again from the oldest byte

#define TCP_NONE            0xFF
#define TCP_DEFAULT_MSS     536         // what a peer without the MSS option takes (RFC 1122)
#define TCP_TIME_WAIT_TICKS (2 * ZS_TICKS_PER_SECOND)
// How long a connection the peer closed waits for the application to close it too.
#define TCP_CLOSE_WAIT_TICKS (10 * ZS_TICKS_PER_SECOND)
#define TCP_MAX_BACKOFF     3           // resends wait at most 8 times the configured ticks

// Sequence numbers are 32 bits; where dword is wider (a 64-bit host) every sum is cut.
#if ULONG_MAX > 0xFFFFFFFFUL
#define SEQ_CUT(v)          ((v) & 0xFFFFFFFFUL)
#else
#define SEQ_CUT(v)          (v)
#endif
#define SEQ_DIFF(a, b)      SEQ_CUT((dword) (a) - (dword) (b))
#define SEQ_ADD(a, n)       SEQ_CUT((dword) (a) + (dword) (n))
#define SEQ_LT(a, b)        ((SEQ_DIFF(a, b) & 0x80000000UL) != 0)

extern kpv_const word zs_tcp_window;
extern kpv_const word zs_tcp_resend_ticks;
extern kpv_const word zs_tcp_resend_trys;

// What a socket needs beyond zs_socket_entry: send_next there is the highest sequence
// number sent, una the oldest one not acknowledged.
typedef struct
{
    dword una;
    word  window;                       // the peer's
    word  mss;                          // the largest segment we send
    byte  flags;
    byte  dups;                         // duplicate ACKs in a row
} tcp_extra_t;

static tcp_extra_t kpv_xdata tcp_extra[ZS_AT_LEAST_ONE(num_sockets)];

// The in-order data held in the receive buffer until the next zs_poll.
static byte tcp_held_socket;
static byte tcp_held_fin;               // a FIN follows the held data
static byte tcp_held_taken;             // tcp_receive took some of it
static byte kpv_xdata *tcp_held_data;
static word tcp_held_len;

static word tcp_last_tick;
static word tcp_counter;
static dword tcp_noise;                 // stirred by the arrival times of packets
static dword tcp_secret;                // keys the ISNs and SYN cookies once set

// Stands for the connection when a segment is answered that no socket holds.
static zs_socket_entry kpv_xdata tcp_scratch;

static kpv_const word tcp_cookie_mss[4] = { 128, 536, 1024, 1460 };

static dword tcp_get32(byte kpv_xdata *p)
{
    return ((dword) ZS_GET16(p) << 16) | ZS_GET16(p + 2);
}

static void tcp_put32(byte kpv_xdata *p, dword v)
{
    ZS_PUT16(p, (word) (v >> 16));
    ZS_PUT16(p + 2, (word) v);
}

// One round of a multiply-xorshift mix; not a cryptographic hash, but without the key
// the outside sees only its output.
static dword tcp_mix(dword h, dword v)
{
    h = SEQ_CUT((h ^ v) * 0x85EBCA6BUL);
    h ^= h >> 16;
    h = SEQ_CUT(h * 0xC2B2AE35UL);
    return h ^ (h >> 16);
}

// The keyed hash of a connection (its remote address and both ports) and one more value.
static dword tcp_hash(zs_socket_entry kpv_xdata *s, dword v)
{
    dword h;

    if (!tcp_secret)
    {
        tcp_secret = tcp_mix(tcp_noise, 0x9E3779B9UL) | 1;
    }
    h = tcp_mix(tcp_secret, tcp_get32(s->remote_ip));
    h = tcp_mix(h, ((dword) s->local_port << 16) | s->remote_port);
    return tcp_mix(h, v ^ tcp_secret);
}

// An initial sequence number (RFC 6528): a clock plus a keyed hash of the connection.
static dword tcp_iss(zs_socket_entry kpv_xdata *s)
{
    word t = zs_get_ticks();

    tcp_counter++;
    return SEQ_ADD((dword) t << 12, tcp_hash(s, ((dword) t << 16) | tcp_counter));
}

// The SYN cookie for a client's ISN: 24 bits of hash, then 5 bits of a clock that
// advances every 20 seconds and 2 bits for the MSS the client announced (tag), which the
// hash covers too.
static dword tcp_cookie(zs_socket_entry kpv_xdata *s, dword client_isn, byte tag)
{
    return (tcp_hash(s, client_isn ^ ((dword) tag << 24)) & 0xFFFFFF00UL) | tag;
}

static byte tcp_stamp(void)
{
    return (byte) (zs_get_ticks() >> 11);
}

static word tcp_pseudo_sum(byte kpv_xdata *src, byte kpv_xdata *dest, word len)
{
    word sum = zs_sum(src, 4, 0);

    sum = zs_sum(dest, 4, sum);
    sum += ZS_PROTO_TCP;
    if (sum < ZS_PROTO_TCP)
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

// Our MSS: what fits the receive buffer after the link's and the two headers.
static word tcp_own_mss(void)
{
    word used = ZS_LINK_HEADER_LEN + ZS_IP_HEADER_LEN + ZS_TCP_HEADER_LEN;

    return zs_recv_buff_size > used ? zs_recv_buff_size - used : 0;
}

// Sends a segment of the connection s: seq, flags, len bytes of data (copied from data),
// acknowledging receive_next. A SYN carries the MSS option.
static void tcp_emit(zs_socket_entry kpv_xdata *s, byte flags, dword seq, byte kpv_xdata *data, word len)
{
    byte kpv_xdata *t = zs_ip_out + ZS_IP_HEADER_LEN;
    byte hl = (flags & TCP_SYN) ? ZS_TCP_HEADER_LEN + 4 : ZS_TCP_HEADER_LEN;
    word sum;

    if (len > ip_payload_room(hl))
    {
        return;
    }
    if (len)
    {
        zs_copy(t + hl, data, len);
    }
    ZS_PUT16(t, s->local_port);
    ZS_PUT16(t + 2, s->remote_port);
    tcp_put32(t + 4, seq);
    tcp_put32(t + 8, (flags & TCP_ACK) ? s->receive_next : 0);
    t[12] = (byte) (hl << 2);
    t[13] = flags;
    ZS_PUT16(t + 14, zs_tcp_window);
    t[16] = t[17] = t[18] = t[19] = 0;
    if (flags & TCP_SYN)
    {
        t[20] = 2;
        t[21] = 4;
        sum = tcp_own_mss();
        ZS_PUT16(t + 22, sum);
    }
    len += hl;
    sum = ~zs_sum(t, len, tcp_pseudo_sum(my_ip_addr, s->remote_ip, len));
    ZS_PUT16(t + 16, sum);
    ip_send_packet(s->remote_ip, ZS_PROTO_TCP, t, len);
}

static void tcp_ack(zs_socket_entry kpv_xdata *s)
{
    tcp_emit(s, TCP_ACK, s->send_next, 0, 0);
}

static byte tcp_index(zs_socket_entry kpv_xdata *s)
{
    return (byte) (s - zs_sockets);
}

// The connection is over: the socket is free, and an application that did not close it
// hears of it.
static void tcp_end(zs_socket_entry kpv_xdata *s, byte why)
{
    tcp_extra_t kpv_xdata *x = &tcp_extra[tcp_index(s)];
    byte flags = x->flags;

    s->state = ZS_SOCKET_FREE;
    x->flags = (byte) ((flags & (F_SERVER | F_APP_CLOSED)) | why);
    if (tcp_held_socket == tcp_index(s))
    {
        tcp_held_socket = TCP_NONE;
    }
    if (!(flags & F_APP_CLOSED))
    {
        zs_socket_closed(tcp_index(s));
    }
}

static void tcp_start_timer(zs_socket_entry kpv_xdata *s, word ticks)
{
    s->retry_ticks = ticks ? ticks : 1;
}

// Backs off: the configured ticks doubled for every resend so far, up to a limit.
static word tcp_backoff(zs_socket_entry kpv_xdata *s)
{
    return zs_tcp_resend_ticks << (s->retries < TCP_MAX_BACKOFF ? s->retries : TCP_MAX_BACKOFF);
}

static void tcp_send_fin(zs_socket_entry kpv_xdata *s)
{
    tcp_extra_t kpv_xdata *x = &tcp_extra[tcp_index(s)];

    if (!(x->flags & F_FIN_SENT))
    {
        x->flags |= F_FIN_SENT;
        s->send_next = SEQ_ADD(s->send_next, 1);
        s->retries = 0;
    }
    tcp_emit(s, TCP_FIN | TCP_ACK, SEQ_DIFF(s->send_next, 1), 0, 0);
    tcp_start_timer(s, tcp_backoff(s));
}

// The peer's FIN, in order: the state moves on, and the FIN is acknowledged.
static void tcp_take_fin(zs_socket_entry kpv_xdata *s)
{
    tcp_extra_t kpv_xdata *x = &tcp_extra[tcp_index(s)];

    s->receive_next = SEQ_ADD(s->receive_next, 1);
    if (s->state == ZS_SOCKET_ESTABLISHED)
    {
        s->state = ZS_SOCKET_CLOSE_WAIT;
        tcp_start_timer(s, TCP_CLOSE_WAIT_TICKS);
    }
    else if (s->state == ZS_SOCKET_FIN_WAIT)
    {
        if (x->flags & F_FIN_ACKED)
        {
            s->state = ZS_SOCKET_TIME_WAIT;
            tcp_start_timer(s, TCP_TIME_WAIT_TICKS);
        }
        else
        {
            s->state = ZS_SOCKET_CLOSING;
        }
    }
    tcp_ack(s);
}

void tcp_init(void)
{
    byte i;

    for (i = 0; i < zs_num_sockets; i++)
    {
        zs_sockets[i].state = ZS_SOCKET_FREE;
        tcp_extra[i].flags = 0;
    }
    tcp_held_socket = TCP_NONE;
    tcp_last_tick = zs_get_ticks();
}

// Called at the start of every zs_poll: the held data is given up (acknowledging what was
// taken), and the timers of the closing handshakes run.
void tcp_poll(void)
{
    zs_socket_entry kpv_xdata *s;
    tcp_extra_t kpv_xdata *x;
    word now = zs_get_ticks();
    word dt = now - tcp_last_tick;
    byte i;

    tcp_last_tick = now;
    tcp_noise = tcp_mix(tcp_noise, ++tcp_counter);
    if (tcp_held_socket != TCP_NONE)
    {
        s = &zs_sockets[tcp_held_socket];
        tcp_held_socket = TCP_NONE;
        if (!tcp_held_len && tcp_held_fin)
        {
            tcp_take_fin(s);
        }
        else if (tcp_held_taken)
        {
            tcp_ack(s);
        }
    }
    s = zs_sockets;
    x = tcp_extra;
    for (i = 0; i < zs_num_sockets; i++, s++, x++)
    {
        if (s->state == ZS_SOCKET_FREE || s->protocol != ZS_PROTO_TCP || !s->retry_ticks)
        {
            continue;
        }
        if (s->retry_ticks > dt)
        {
            s->retry_ticks -= dt;
            continue;
        }
        s->retry_ticks = 0;
        if (s->state == ZS_SOCKET_TIME_WAIT)
        {
            tcp_end(s, 0);
        }
        else if (s->state == ZS_SOCKET_SYN_SENT)
        {
            if (++s->retries > zs_tcp_resend_trys)
            {
                s->state = ZS_SOCKET_OPEN;
                x->flags |= F_TIMEOUT;
            }
            else
            {
                tcp_emit(s, TCP_SYN, x->una, 0, 0);
                tcp_start_timer(s, tcp_backoff(s));
            }
        }
        else if (x->flags & F_FIN_SENT)
        {
            // Our FIN, sent again until acknowledged; after that the peer's FIN is awaited
            // as long.
            if (++s->retries > zs_tcp_resend_trys)
            {
                tcp_end(s, F_TIMEOUT);
            }
            else if (x->flags & F_FIN_ACKED)
            {
                tcp_start_timer(s, tcp_backoff(s));
            }
            else
            {
                tcp_send_fin(s);
            }
        }
        else if (s->state == ZS_SOCKET_CLOSE_WAIT && !(x->flags & F_SENDING))
        {
            // The application never closed what the peer closed: close it for it.
            zs_socket_closed(i);
            x->flags |= F_APP_CLOSED;
            tcp_send_fin(s);
        }
    }
}

// The socket number's entry if it is a TCP socket in use, else 0.
static zs_socket_entry kpv_xdata *tcp_socket(int socket)
{
    zs_socket_entry kpv_xdata *s;

    if (socket < 0 || socket >= (int) zs_num_sockets)
    {
        return 0;
    }
    s = &zs_sockets[socket];
    return s->state != ZS_SOCKET_FREE && s->protocol == ZS_PROTO_TCP ? s : 0;
}

int tcp_open_socket(void)
{
    zs_socket_entry kpv_xdata *s = zs_sockets;
    zs_socket_entry kpv_xdata *found = 0;
    byte i;

    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state == ZS_SOCKET_FREE)
        {
            found = s;
            break;
        }
        // A connection in TIME-WAIT gives its socket up to a new one rather than make it wait.
        if (s->state == ZS_SOCKET_TIME_WAIT && s->protocol == ZS_PROTO_TCP &&
            (!found || s->retry_ticks < found->retry_ticks))
        {
            found = s;
        }
    }
    if (!found)
    {
        return ZS_ERR_NO_SOCKET;
    }
    if (tcp_held_socket == tcp_index(found))
    {
        tcp_held_socket = TCP_NONE;
    }
    found->state = ZS_SOCKET_OPEN;
    found->protocol = ZS_PROTO_TCP;
    found->local_port = 0;
    found->retry_ticks = 0;
    tcp_extra[tcp_index(found)].flags = 0;
    return (int) tcp_index(found);
}

int tcp_listen(int socket, word port)
{
    zs_socket_entry kpv_xdata *s = tcp_socket(socket);

    if (!s || (s->state != ZS_SOCKET_OPEN && s->state != ZS_SOCKET_LISTEN))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (!port)
    {
        return ZS_ERR_ARGUMENT;
    }
    s->local_port = port;
    s->state = ZS_SOCKET_LISTEN;
    return ZS_OK;
}

void tcp_claim(int socket)
{
    if (tcp_socket(socket))
    {
        tcp_extra[socket].flags |= F_SERVER;
    }
}

// The state of a connection once set up, on either side.
static void tcp_established(zs_socket_entry kpv_xdata *s, dword una, word mss)
{
    tcp_extra_t kpv_xdata *x = &tcp_extra[tcp_index(s)];
    word room = ip_payload_room(ZS_TCP_HEADER_LEN);

    s->state = ZS_SOCKET_ESTABLISHED;
    s->send_next = una;
    s->retries = 0;
    s->retry_ticks = 0;
    x->una = una;
    x->mss = mss < room ? mss : room;
    x->dups = 0;
}

int tcp_connect(int socket, byte kpv_xdata *dest_ip, word port)
{
    zs_socket_entry kpv_xdata *s = tcp_socket(socket);
    tcp_extra_t kpv_xdata *x;
    zs_socket_entry kpv_xdata *o;
    byte i;

    if (!s || s->state != ZS_SOCKET_OPEN)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (!port)
    {
        return ZS_ERR_ARGUMENT;
    }
    x = &tcp_extra[socket];
    zs_copy(s->remote_ip, dest_ip, 4);
    s->remote_port = port;
    // A local port from the dynamic range that no other socket uses.
    do
    {
        tcp_counter++;
        s->local_port = 0xC000 | (tcp_counter & 0x3FFF);
        o = zs_sockets;
        for (i = 0; i < zs_num_sockets; i++, o++)
        {
            if (o != s && o->state != ZS_SOCKET_FREE && o->local_port == s->local_port)
            {
                break;
            }
        }
    } while (i < zs_num_sockets);
    x->flags &= F_SERVER;
    x->una = tcp_iss(s);
    s->send_next = SEQ_ADD(x->una, 1);
    s->receive_next = 0;
    s->retries = 0;
    s->state = ZS_SOCKET_SYN_SENT;
    tcp_emit(s, TCP_SYN, x->una, 0, 0);
    tcp_start_timer(s, zs_tcp_resend_ticks);
    while (s->state == ZS_SOCKET_SYN_SENT)
    {
        if (zs_poll() != ZS_OK)
        {
            s->state = ZS_SOCKET_OPEN;
            return ZS_ERR_LINK;
        }
    }
    if (s->state == ZS_SOCKET_OPEN)
    {
        return (x->flags & F_RESET) ? ZS_ERR_REFUSED : ZS_ERR_TIMEOUT;
    }
    return ZS_OK;
}

// Why a socket cannot send: the error for its state.
static int tcp_no_send(zs_socket_entry kpv_xdata *s, tcp_extra_t kpv_xdata *x)
{
    if (x->flags & F_RESET)
    {
        return ZS_ERR_RESET;
    }
    if (x->flags & F_TIMEOUT)
    {
        return ZS_ERR_TIMEOUT;
    }
    return s->state > ZS_SOCKET_ESTABLISHED || s->state == ZS_SOCKET_FREE ? ZS_ERR_CLOSED : ZS_ERR_NOT_CONNECTED;
}

int tcp_send(int socket, byte kpv_xdata *buffer, word len)
{
    zs_socket_entry kpv_xdata *s;
    tcp_extra_t kpv_xdata *x;
    dword base;
    dword limit;
    word pos = 0;                       // the next byte of buffer to send
    word acked;
    word n;

    if (socket < 0 || socket >= (int) zs_num_sockets || zs_sockets[socket].protocol != ZS_PROTO_TCP)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    s = &zs_sockets[socket];
    x = &tcp_extra[socket];
    if (s->state != ZS_SOCKET_ESTABLISHED && s->state != ZS_SOCKET_CLOSE_WAIT)
    {
        return s->state == ZS_SOCKET_FREE && !(x->flags & (F_RESET | F_TIMEOUT)) ? ZS_ERR_BAD_SOCKET
                                                                                  : tcp_no_send(s, x);
    }
    base = x->una;
    x->flags = (byte) ((x->flags | F_SENDING) & ~F_FAST);
    s->retries = 0;
    tcp_start_timer(s, zs_tcp_resend_ticks);
    for (;;)
    {
        acked = (word) SEQ_DIFF(x->una, base);
        if (acked >= len)
        {
            break;
        }
        if (pos < acked)
        {
            pos = acked;
        }
        // Fill the peer's window; a closed window gets one byte after a time-out, to learn
        // when it opens.
        limit = SEQ_ADD(x->una, x->window ? x->window : (s->retries ? 1 : 0));
        while (pos < len && SEQ_LT(base + pos, limit))
        {
            n = len - pos;
            if (n > x->mss)
            {
                n = x->mss;
            }
            if ((dword) n > SEQ_DIFF(limit, base + pos))
            {
                n = (word) SEQ_DIFF(limit, base + pos);
            }
            tcp_emit(s, TCP_ACK | TCP_PSH, SEQ_ADD(base, pos), buffer + pos, n);
            pos += n;
            if (SEQ_LT(s->send_next, base + pos))
            {
                s->send_next = SEQ_ADD(base, pos);
            }
        }
        if (zs_poll() != ZS_OK)
        {
            x->flags &= ~F_SENDING;
            return ZS_ERR_LINK;
        }
        if (s->state != ZS_SOCKET_ESTABLISHED && s->state != ZS_SOCKET_CLOSE_WAIT)
        {
            x->flags &= ~F_SENDING;
            return tcp_no_send(s, x);
        }
        if (x->flags & F_FAST)
        {
            x->flags &= ~F_FAST;
            pos = acked;
        }
        else if (!s->retry_ticks)
        {
            if (++s->retries > zs_tcp_resend_trys)
            {
                tcp_emit(s, TCP_RST | TCP_ACK, s->send_next, 0, 0);
                tcp_end(s, F_TIMEOUT);
                return ZS_ERR_TIMEOUT;
            }
            pos = acked;                // everything after the oldest byte goes again
            tcp_start_timer(s, tcp_backoff(s));
        }
    }
    x->flags &= ~F_SENDING;
    s->retry_ticks = s->state == ZS_SOCKET_CLOSE_WAIT ? TCP_CLOSE_WAIT_TICKS : 0;
    return (int) len;
}

int tcp_receive(int socket, byte kpv_xdata *buffer, word max_len)
{
    zs_socket_entry kpv_xdata *s;
    tcp_extra_t kpv_xdata *x;
    word n;

    if (socket < 0 || socket >= (int) zs_num_sockets || zs_sockets[socket].protocol != ZS_PROTO_TCP)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    s = &zs_sockets[socket];
    x = &tcp_extra[socket];
    if (x->flags & F_APP_CLOSED)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (tcp_held_socket == (byte) socket && tcp_held_len)
    {
        n = tcp_held_len < max_len ? tcp_held_len : max_len;
        if (n > 0x7FFF)
        {
            n = 0x7FFF;                 // what an int return can count
        }
        zs_copy(buffer, tcp_held_data, n);
        tcp_held_data += n;
        tcp_held_len -= n;
        tcp_held_taken = 1;
        s->receive_next = SEQ_ADD(s->receive_next, n);
        return (int) n;
    }
    if (x->flags & F_RESET)
    {
        return ZS_ERR_RESET;
    }
    switch (s->state)
    {
    case ZS_SOCKET_FREE:
        return (x->flags & F_TIMEOUT) ? ZS_ERR_CLOSED : ZS_ERR_BAD_SOCKET;
    case ZS_SOCKET_CLOSE_WAIT:
    case ZS_SOCKET_CLOSING:
    case ZS_SOCKET_TIME_WAIT:
        return ZS_ERR_CLOSED;
    default:
        return 0;
    }
}

int tcp_close(int socket)
{
    zs_socket_entry kpv_xdata *s = tcp_socket(socket);
    tcp_extra_t kpv_xdata *x;

    if (!s)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    x = &tcp_extra[socket];
    if (tcp_held_socket == (byte) socket)
    {
        tcp_held_socket = TCP_NONE;
    }
    x->flags |= F_APP_CLOSED;
    if (s->state == ZS_SOCKET_ESTABLISHED || s->state == ZS_SOCKET_CLOSE_WAIT)
    {
        if (s->state == ZS_SOCKET_ESTABLISHED)
        {
            s->state = ZS_SOCKET_FIN_WAIT;
        }
        if (!(x->flags & F_FIN_SENT))
        {
            tcp_send_fin(s);
        }
    }
    else if (s->state < ZS_SOCKET_SYN_RECEIVED)
    {
        s->state = ZS_SOCKET_FREE;
    }
    return ZS_OK;
}

// Answers a segment that no connection takes with a reset (RFC 793), unless it is one.
static void tcp_refuse(byte flags, dword seq, dword ack, word seg_len)
{
    if (flags & TCP_RST)
    {
        return;
    }
    if (flags & TCP_ACK)
    {
        tcp_emit(&tcp_scratch, TCP_RST, ack, 0, 0);
    }
    else
    {
        tcp_scratch.receive_next = SEQ_ADD(seq, seg_len);
        tcp_emit(&tcp_scratch, TCP_RST | TCP_ACK, 0, 0, 0);
    }
}

// The listening socket of the port, or 0; tcp_served tells whether any socket serves the
// port, so that a SYN arriving while all are busy still gets its cookie.
static byte tcp_served;

static zs_socket_entry kpv_xdata *tcp_listener(word port)
{
    zs_socket_entry kpv_xdata *s = zs_sockets;
    byte i;

    tcp_served = 0;
    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state >= ZS_SOCKET_LISTEN && s->protocol == ZS_PROTO_TCP && s->local_port == port)
        {
            tcp_served = 1;
            if (s->state == ZS_SOCKET_LISTEN)
            {
                return s;
            }
        }
    }
    return 0;
}

// The MSS option of a SYN, or the default.
static word tcp_peer_mss(byte kpv_xdata *t, byte hl)
{
    byte i = ZS_TCP_HEADER_LEN;

    while (i < hl && t[i] != 0)
    {
        if (t[i] == 1)
        {
            i++;
            continue;
        }
        if (i + 1 >= hl || t[i + 1] < 2 || i + t[i + 1] > hl)
        {
            break;                      // a broken option ends the list
        }
        if (t[i] == 2 && t[i + 1] == 4)
        {
            return ZS_GET16(t + i + 2);
        }
        i += t[i + 1];
    }
    return TCP_DEFAULT_MSS;
}

void tcp_process_packet(byte kpv_xdata *packet, word len)
{
    byte ihl = (byte) ((packet[0] & 0x0F) << 2);
    byte kpv_xdata *t;
    byte hl;
    byte flags;
    dword seq;
    dword ack;
    dword offset;
    word wnd;
    word dlen;
    word seg_len;
    word mss;
    byte i;
    zs_socket_entry kpv_xdata *s;
    tcp_extra_t kpv_xdata *x;

    tcp_noise = tcp_mix(tcp_noise, ((dword) zs_get_ticks() << 16) ^ tcp_counter ^ len);
    if (len < (word) ihl + ZS_TCP_HEADER_LEN || ihl < ZS_IP_HEADER_LEN)
    {
        zs_stats.bad_length++;
        return;
    }
    t = packet + ihl;
    len -= ihl;
    hl = (byte) ((t[12] >> 4) << 2);
    if (hl < ZS_TCP_HEADER_LEN || hl > len)
    {
        zs_stats.bad_length++;
        return;
    }
    if (zs_sum(t, len, tcp_pseudo_sum(packet + 12, packet + 16, len)) != 0xFFFF)
    {
        zs_stats.bad_checksum++;
        return;
    }
    if (!zs_ip_equal(packet + 16, my_ip_addr))
    {
        zs_stats.not_ours++;            // a broadcast: no connection can take it
        return;
    }
    flags = t[13];
    seq = tcp_get32(t + 4);
    ack = tcp_get32(t + 8);
    wnd = ZS_GET16(t + 14);
    dlen = len - hl;
    seg_len = dlen + ((flags & TCP_SYN) ? 1 : 0) + ((flags & TCP_FIN) ? 1 : 0);

    s = zs_sockets;
    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state >= ZS_SOCKET_SYN_SENT && s->protocol == ZS_PROTO_TCP && s->local_port == ZS_GET16(t + 2) &&
            s->remote_port == ZS_GET16(t) && zs_ip_equal(s->remote_ip, packet + 12))
        {
            break;
        }
    }
    if (i < zs_num_sockets && s->state == ZS_SOCKET_TIME_WAIT && (flags & (TCP_SYN | TCP_ACK)) == TCP_SYN)
    {
        // The client connects again on the same ports: the old connection is over.
        tcp_end(s, 0);
        i = zs_num_sockets;
    }
    if (i == zs_num_sockets)
    {
        // No connection: a listening port answers with a cookie or takes a valid one back.
        zs_copy(tcp_scratch.remote_ip, packet + 12, 4);
        tcp_scratch.remote_port = ZS_GET16(t);
        tcp_scratch.local_port = ZS_GET16(t + 2);
        s = tcp_listener(tcp_scratch.local_port);
        if (tcp_served && (flags & (TCP_SYN | TCP_ACK | TCP_RST)) == TCP_SYN)
        {
            mss = tcp_peer_mss(t, hl);
            for (i = 3; i && tcp_cookie_mss[i] > mss; i--)
            {
            }
            tcp_scratch.receive_next = SEQ_ADD(seq, 1);
            tcp_emit(&tcp_scratch, TCP_SYN | TCP_ACK, tcp_cookie(&tcp_scratch, seq, (byte) ((tcp_stamp() << 2) | i)), 0, 0);
            return;
        }
        offset = SEQ_DIFF(ack, 1);
        i = (byte) offset & 0x7F;
        if ((flags & (TCP_SYN | TCP_ACK | TCP_RST)) != TCP_ACK || ((tcp_stamp() - (i >> 2)) & 0x1F) > 1 ||
            tcp_cookie(&tcp_scratch, SEQ_DIFF(seq, 1), i) != offset)
        {
            zs_stats.no_socket++;
            tcp_refuse(flags, seq, ack, seg_len);
            return;
        }
        if (!s)
        {
            zs_stats.no_socket++;       // every socket of the port is busy: the client sends again
            return;
        }
        // Becomes the connection, and the segment goes on to the checks below.
        zs_copy(s->remote_ip, tcp_scratch.remote_ip, 4);
        s->remote_port = tcp_scratch.remote_port;
        s->receive_next = seq;
        i = tcp_index(s);
        tcp_extra[i].flags &= F_SERVER;
        tcp_extra[i].window = wnd;
        tcp_established(s, ack, tcp_cookie_mss[offset & 3]);
    }
    x = &tcp_extra[i];

    if (s->state == ZS_SOCKET_SYN_SENT)
    {
        if ((flags & TCP_ACK) && SEQ_DIFF(ack, s->send_next) != 0)
        {
            zs_stats.tcp_rejected++;
            if (!(flags & TCP_RST))
            {
                tcp_emit(s, TCP_RST, ack, 0, 0);
            }
            return;
        }
        if (flags & TCP_RST)
        {
            if (flags & TCP_ACK)
            {
                s->state = ZS_SOCKET_OPEN;
                x->flags |= F_RESET;
            }
            return;
        }
        if ((flags & (TCP_SYN | TCP_ACK)) == (TCP_SYN | TCP_ACK))
        {
            s->receive_next = SEQ_ADD(seq, 1);
            x->window = wnd;
            tcp_established(s, ack, tcp_peer_mss(t, hl));
            tcp_ack(s);
        }
        return;                         // a simultaneous open is not supported
    }

    // Acceptable when some of it lies in the window (RFC 793); our window is what we
    // announce, since the held data is taken or given up before the next segment.
    offset = SEQ_DIFF(s->receive_next, seq);  // bytes of the segment already received
    if (SEQ_LT(seq, s->receive_next) ? offset >= seg_len : SEQ_DIFF(seq, s->receive_next) >= zs_tcp_window)
    {
        zs_stats.tcp_rejected++;
        if (!(flags & TCP_RST))
        {
            tcp_ack(s);
        }
        return;
    }
    if (flags & (TCP_RST | TCP_SYN))
    {
        if ((flags & TCP_RST) && seq == s->receive_next)
        {
            tcp_end(s, (s->state == ZS_SOCKET_ESTABLISHED || s->state == ZS_SOCKET_CLOSE_WAIT) ? F_RESET : 0);
            return;
        }
        // In the window but not exact: a real peer that lost its connection answers the
        // challenge with a reset we accept; a blind attacker sees nothing (RFC 5961).
        zs_stats.tcp_rejected++;
        tcp_ack(s);
        return;
    }
    if (!(flags & TCP_ACK))
    {
        return;
    }
    // The ACK must lie between what the peer could have seen and what we sent.
    if (SEQ_LT(s->send_next, ack) || (SEQ_LT(ack, x->una) && SEQ_DIFF(x->una, ack) > 0xFFFF))
    {
        zs_stats.tcp_rejected++;
        tcp_ack(s);
        return;
    }
    if (SEQ_LT(x->una, ack))
    {
        x->una = ack;
        x->dups = 0;
        s->retries = 0;
        if (x->flags & F_SENDING)
        {
            tcp_start_timer(s, zs_tcp_resend_ticks);
        }
    }
    else if (!dlen && !(flags & TCP_FIN) && wnd == x->window && ack != s->send_next && ++x->dups == 3)
    {
        x->flags |= F_FAST;
    }
    x->window = wnd;
    if ((x->flags & (F_FIN_SENT | F_FIN_ACKED)) == F_FIN_SENT && ack == s->send_next)
    {
        x->flags |= F_FIN_ACKED;
        s->retries = 0;
        if (s->state == ZS_SOCKET_CLOSING)
        {
            s->state = ZS_SOCKET_TIME_WAIT;
            tcp_start_timer(s, TCP_TIME_WAIT_TICKS);
        }
        else if (s->state == ZS_SOCKET_CLOSE_WAIT)
        {
            tcp_end(s, 0);              // our FIN answered theirs: nothing is left
            return;
        }
    }

    if (s->state != ZS_SOCKET_ESTABLISHED && s->state != ZS_SOCKET_FIN_WAIT)
    {
        return;                         // the peer's FIN came already: nothing more to take
    }
    if (!SEQ_LT(s->receive_next, seq) && (dword) dlen > offset)
    {
        dlen -= (word) offset;
        if (dlen > zs_tcp_window)
        {
            dlen = zs_tcp_window;
            flags &= ~TCP_FIN;
        }
        if (x->flags & F_APP_CLOSED)
        {
            // Nobody reads any more: taken and dropped, so that the peer's FIN can follow.
            s->receive_next = SEQ_ADD(s->receive_next, dlen);
            if (flags & TCP_FIN)
            {
                tcp_take_fin(s);
            }
            else
            {
                tcp_ack(s);
            }
            return;
        }
        tcp_held_socket = i;
        tcp_held_fin = (byte) (flags & TCP_FIN);
        tcp_held_taken = 0;
        tcp_held_data = t + hl + (word) offset;
        tcp_held_len = dlen;
        if (!(x->flags & F_SERVER))
        {
            zs_server_process_packet(i, tcp_held_data, tcp_held_len);
        }
    }
    else if ((flags & TCP_FIN) && SEQ_ADD(seq, dlen) == s->receive_next)
    {
        tcp_take_fin(s);
    }
    else if (dlen || (flags & TCP_FIN))
    {
        tcp_ack(s);                     // ahead of the next byte, or all seen before
    }
}

#endif  // ZS_TCP
