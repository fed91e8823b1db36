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
// The connection being worked on is copied into tcp_c and tcp_e and written back when done:
// fields at fixed addresses cost the 8051 a fraction of the code that pointers do.
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

// The connection being worked on, its number (TCP_NONE: a scratch copy that answers a
// segment no socket holds, never written back).
static zs_socket_entry kpv_xdata tcp_c;
static tcp_extra_t kpv_xdata tcp_e;
static byte tcp_i;

// The segment being processed.
static byte tcp_flags;
static dword tcp_seq;
static dword tcp_ackno;
static word tcp_wnd;
static word tcp_dlen;
static word tcp_peer_mss;               // its MSS option, or the default

static dword tcp_oseq;                  // the sequence number tcp_emit sends

// The in-order data held in the receive buffer until the next zs_poll.
static byte tcp_held_socket;
static byte tcp_held_fin;               // a FIN follows the held data
static byte tcp_held_taken;             // tcp_receive took some of it
static byte kpv_xdata *tcp_held_data;
static word tcp_held_len;

static word tcp_last_tick;
static word tcp_counter;
static dword tcp_secret;                // keys the ISNs and SYN cookies once set

static kpv_const word tcp_cookie_mss[4] = { 128, 536, 1024, 1460 };

static void tcp_load(byte i)
{
    tcp_i = i;
    zs_copy((byte kpv_xdata *) &tcp_c, (byte kpv_xdata *) &zs_sockets[i], sizeof(tcp_c));
    zs_copy((byte kpv_xdata *) &tcp_e, (byte kpv_xdata *) &tcp_extra[i], sizeof(tcp_e));
}

static void tcp_store(void)
{
    if (tcp_i != TCP_NONE)
    {
        zs_copy((byte kpv_xdata *) &zs_sockets[tcp_i], (byte kpv_xdata *) &tcp_c, sizeof(tcp_c));
        zs_copy((byte kpv_xdata *) &tcp_extra[tcp_i], (byte kpv_xdata *) &tcp_e, sizeof(tcp_e));
    }
}

// Writes the connection back before a callback, which may use any socket; the caller
// touches it no more.
static byte tcp_let_go(void)
{
    byte i = tcp_i;

    tcp_store();
    tcp_i = TCP_NONE;
    return i;
}

static dword tcp_get32(byte kpv_xdata *p)
{
    return ((dword) ZS_GET16(p) << 16) | ZS_GET16(p + 2);
}


// 1 when sequence number *a comes before *b. Pointers, because every parameter of the
// 8051's large model takes its own XDATA.
static byte tcp_lt(dword kpv_xdata *a, dword kpv_xdata *b)
{
    return (SEQ_DIFF(*a, *b) & 0x80000000UL) != 0;
}

// Moves a sequence number on by n.
static void tcp_advance(dword kpv_xdata *seq, word n)
{
    *seq = SEQ_ADD(*seq, n);
}

// One round of a multiply-xorshift mix of tcp_v into tcp_h; not a cryptographic hash, but
// without the key the outside sees only its output. Until the key is made, tcp_h gathers
// the arrival times of packets for it.
static dword tcp_h;
static dword tcp_v;

static void tcp_mix(void)
{
    tcp_h = SEQ_CUT((tcp_h ^ tcp_v) * 0x85EBCA6BUL);
    tcp_h ^= tcp_h >> 16;
    tcp_h = SEQ_CUT(tcp_h * 0xC2B2AE35UL);
    tcp_h ^= tcp_h >> 16;
}

// The keyed hash of tcp_v and the connection in tcp_c (remote address, both ports).
static dword tcp_hash(void)
{
    if (!tcp_secret)
    {
        tcp_secret = tcp_v;             // the caller's value, kept
        tcp_v = 0x9E3779B9UL ^ tcp_counter;
        tcp_mix();
        tcp_v = tcp_secret;
        tcp_secret = tcp_h | 1;
    }
    tcp_h = tcp_secret;
    tcp_v ^= tcp_secret;
    tcp_mix();
    tcp_v = tcp_get32(tcp_c.remote_ip);
    tcp_mix();
    tcp_v = ((dword) tcp_c.local_port << 16) | tcp_c.remote_port;
    tcp_mix();
    return tcp_h;
}

// The SYN cookie for the client's ISN, tcp_seq - back: 24 bits of hash, then 5 bits of a
// clock that advances every 20 seconds and 2 bits for the MSS the client announced (tag),
// which the hash covers too.
static dword tcp_cookie(byte tag, byte back)
{
    tcp_v = SEQ_DIFF(tcp_seq, back) ^ ((dword) tag << 24);
    return (tcp_hash() & 0xFFFFFF00UL) | tag;
}

static byte tcp_stamp(void)
{
    return (byte) (zs_get_ticks() >> 11);
}

static word tcp_pseudo_sum(byte kpv_xdata *src, byte kpv_xdata *dest, word len)
{
    // The protocol and the length go in as one word (they cannot carry), then the addresses.
    return zs_sum(dest, 4, zs_sum(src, 4, len + ZS_PROTO_TCP));
}

// Our MSS: what fits the receive buffer after the link's and the two headers.
static word tcp_own_mss(void)
{
    word used = ZS_LINK_HEADER_LEN + ZS_IP_HEADER_LEN + ZS_TCP_HEADER_LEN;

    return zs_recv_buff_size > used ? zs_recv_buff_size - used : 0;
}

// Sends a segment of tcp_c: tcp_oseq, flags, len bytes of data, acknowledging
// receive_next. A SYN carries the MSS option.
static void tcp_emit(byte flags, byte kpv_xdata *data, word len)
{
    byte kpv_xdata *t = zs_ip_out + ZS_IP_HEADER_LEN;
    byte hl = (flags & TCP_SYN) ? ZS_TCP_HEADER_LEN + 4 : ZS_TCP_HEADER_LEN;
    word sum;

    if (len > ip_payload_room(hl))
    {
        return;
    }
    zs_copy(t + hl, data, len);
    ZS_PUT16(t, tcp_c.local_port);
    ZS_PUT16(t + 2, tcp_c.remote_port);
    ZS_PUT16(t + 4, (word) (tcp_oseq >> 16));
    ZS_PUT16(t + 6, (word) tcp_oseq);
    if (!(flags & TCP_ACK))
    {
        // Only a SYN before the peer's ISN is known, or a reset from the scratch copy.
        tcp_c.receive_next = 0;
    }
    ZS_PUT16(t + 8, (word) (tcp_c.receive_next >> 16));
    ZS_PUT16(t + 10, (word) tcp_c.receive_next);
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
    sum = ~zs_sum(t, len, tcp_pseudo_sum(my_ip_addr, tcp_c.remote_ip, len));
    ZS_PUT16(t + 16, sum);
    ip_send_packet(tcp_c.remote_ip, ZS_PROTO_TCP, t, len);
}

// Sends a segment without data at sequence number seq.
#define tcp_emit_at(flags, seq) do { tcp_oseq = (seq); tcp_emit((flags), 0, 0); } while (0)

static void tcp_ack(void)
{
    tcp_emit_at(TCP_ACK, tcp_c.send_next);
}

static void tcp_timer(word ticks)
{
    tcp_c.retry_ticks = ticks ? ticks : 1;
}

// The configured ticks doubled for every resend so far, up to a limit.
static word tcp_backoff(void)
{
    return zs_tcp_resend_ticks << (tcp_c.retries < TCP_MAX_BACKOFF ? tcp_c.retries : TCP_MAX_BACKOFF);
}

// The connection is over: the socket is free, and an application that did not close it
// hears of it.
static void tcp_end(byte why)
{
    byte flags = tcp_e.flags;

    tcp_c.state = ZS_SOCKET_FREE;
    tcp_e.flags = (byte) ((flags & (F_SERVER | F_APP_CLOSED)) | why);
    if (tcp_held_socket == tcp_i)
    {
        tcp_held_socket = TCP_NONE;
    }
    why = tcp_let_go();
    if (!(flags & F_APP_CLOSED))
    {
        zs_socket_closed(why);
    }
}

static void tcp_send_fin(void)
{
    if (!(tcp_e.flags & F_FIN_SENT))
    {
        tcp_e.flags |= F_FIN_SENT;
        tcp_advance(&tcp_c.send_next, 1);
        tcp_c.retries = 0;
    }
    tcp_emit_at(TCP_FIN | TCP_ACK, SEQ_DIFF(tcp_c.send_next, 1));
    tcp_timer(tcp_backoff());
}

// The peer's FIN, in order: the state moves on, and the FIN is acknowledged.
static void tcp_take_fin(void)
{
    tcp_advance(&tcp_c.receive_next, 1);
    if (tcp_c.state == ZS_SOCKET_ESTABLISHED)
    {
        tcp_c.state = ZS_SOCKET_CLOSE_WAIT;
        tcp_timer(TCP_CLOSE_WAIT_TICKS);
    }
    else if (tcp_c.state == ZS_SOCKET_FIN_WAIT)
    {
        if (tcp_e.flags & F_FIN_ACKED)
        {
            tcp_c.state = ZS_SOCKET_TIME_WAIT;
            tcp_timer(TCP_TIME_WAIT_TICKS);
        }
        else
        {
            tcp_c.state = ZS_SOCKET_CLOSING;
        }
    }
    tcp_ack();
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

// One socket's timer ran out.
static void tcp_expired(void)
{
    if (tcp_c.state == ZS_SOCKET_TIME_WAIT)
    {
        tcp_end(0);
    }
    else if (tcp_c.state == ZS_SOCKET_SYN_SENT)
    {
        if (++tcp_c.retries > zs_tcp_resend_trys)
        {
            tcp_c.state = ZS_SOCKET_OPEN;
            tcp_e.flags |= F_TIMEOUT;
        }
        else
        {
            tcp_emit_at(TCP_SYN, tcp_e.una);
            tcp_timer(tcp_backoff());
        }
    }
    else if (tcp_e.flags & F_FIN_SENT)
    {
        // Our FIN, sent again until acknowledged; after that the peer's FIN is awaited
        // as long.
        if (++tcp_c.retries > zs_tcp_resend_trys)
        {
            tcp_end(F_TIMEOUT);
        }
        else if (tcp_e.flags & F_FIN_ACKED)
        {
            tcp_timer(tcp_backoff());
        }
        else
        {
            tcp_send_fin();
        }
    }
    else if (tcp_c.state == ZS_SOCKET_CLOSE_WAIT && !(tcp_e.flags & F_SENDING))
    {
        // The application never closed what the peer closed: close it for it.
        tcp_e.flags |= F_APP_CLOSED;
        tcp_send_fin();
        zs_socket_closed(tcp_let_go());
    }
}

// Called at the start of every zs_poll: the held data is given up (acknowledging what was
// taken), and the timers of the closing handshakes run.
void tcp_poll(void)
{
    word dt = zs_get_ticks() - tcp_last_tick;
    byte i;

    tcp_last_tick += dt;
    tcp_counter++;
    if (tcp_held_socket != TCP_NONE)
    {
        tcp_load(tcp_held_socket);
        tcp_held_socket = TCP_NONE;
        if (!tcp_held_len && tcp_held_fin)
        {
            tcp_take_fin();
        }
        else if (tcp_held_taken)
        {
            tcp_ack();
        }
        tcp_store();
    }
    for (i = 0; i < zs_num_sockets; i++)
    {
        tcp_load(i);
        if (tcp_c.state == ZS_SOCKET_FREE || tcp_c.protocol != ZS_PROTO_TCP || !tcp_c.retry_ticks)
        {
            continue;
        }
        if (tcp_c.retry_ticks > dt)
        {
            tcp_c.retry_ticks -= dt;
        }
        else
        {
            tcp_c.retry_ticks = 0;
            tcp_expired();
        }
        tcp_store();
    }
}

// Loads the socket if the number is a TCP socket's, in use or (any_state) not; else 0.
static byte tcp_take(int socket, byte any_state)
{
    if (socket < 0 || socket >= (int) zs_num_sockets)
    {
        return 0;
    }
    tcp_load((byte) socket);
    return tcp_c.protocol == ZS_PROTO_TCP && (any_state || tcp_c.state != ZS_SOCKET_FREE);
}

int tcp_open_socket(void)
{
    byte i;
    byte found = TCP_NONE;
    word left = 0xFFFF;

    for (i = 0; i < zs_num_sockets; i++)
    {
        tcp_load(i);
        if (tcp_c.state == ZS_SOCKET_FREE)
        {
            found = i;
            break;
        }
        // A connection in TIME-WAIT gives its socket up to a new one rather than make it wait.
        if (tcp_c.state == ZS_SOCKET_TIME_WAIT && tcp_c.protocol == ZS_PROTO_TCP && tcp_c.retry_ticks <= left)
        {
            found = i;
            left = tcp_c.retry_ticks;
        }
    }
    if (found == TCP_NONE)
    {
        return ZS_ERR_NO_SOCKET;
    }
    tcp_load(found);
    if (tcp_held_socket == found)
    {
        tcp_held_socket = TCP_NONE;
    }
    tcp_c.state = ZS_SOCKET_OPEN;
    tcp_c.protocol = ZS_PROTO_TCP;
    tcp_c.local_port = 0;
    tcp_c.retry_ticks = 0;
    tcp_e.flags = 0;
    tcp_store();
    return (int) found;
}

int tcp_listen(int socket, word port)
{
    if (!tcp_take(socket, 0) || tcp_c.state > ZS_SOCKET_LISTEN)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (!port)
    {
        return ZS_ERR_ARGUMENT;
    }
    tcp_c.local_port = port;
    tcp_c.state = ZS_SOCKET_LISTEN;
    tcp_store();
    return ZS_OK;
}

void tcp_claim(int socket)
{
    if (tcp_take(socket, 0))
    {
        tcp_e.flags |= F_SERVER;
        tcp_store();
    }
}

// The state of a connection once set up, on either side: una is the peer's ACK.
static void tcp_established(word mss)
{
    tcp_e.mss = ip_payload_room(ZS_TCP_HEADER_LEN);
    if (mss < tcp_e.mss)
    {
        tcp_e.mss = mss;
    }

    tcp_c.state = ZS_SOCKET_ESTABLISHED;
    tcp_c.send_next = tcp_ackno;
    tcp_c.retries = 0;
    tcp_c.retry_ticks = 0;
    tcp_e.una = tcp_ackno;
    tcp_e.window = tcp_wnd;
    tcp_e.dups = 0;
}

int tcp_connect(int socket, byte kpv_xdata *dest_ip, word port)
{
    zs_socket_entry kpv_xdata *o;
    byte i;

    if (!tcp_take(socket, 0) || tcp_c.state != ZS_SOCKET_OPEN)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (!port)
    {
        return ZS_ERR_ARGUMENT;
    }
    zs_copy(tcp_c.remote_ip, dest_ip, 4);
    tcp_c.remote_port = port;
    // A local port from the dynamic range that no other socket uses.
    do
    {
        tcp_counter++;
        tcp_c.local_port = 0xC000 | (tcp_counter & 0x3FFF);
        o = zs_sockets;
        for (i = 0; i < zs_num_sockets; i++, o++)
        {
            if (i != (byte) socket && o->state != ZS_SOCKET_FREE && o->local_port == tcp_c.local_port)
            {
                break;
            }
        }
    } while (i < zs_num_sockets);
    tcp_e.flags &= F_SERVER;
    // The initial sequence number (RFC 6528): a clock plus a keyed hash of the connection
    // and a counter.
    i = (byte) zs_get_ticks();
    tcp_v = ((dword) tcp_counter << 8) | i;
    tcp_e.una = SEQ_ADD((dword) zs_get_ticks() << 12, tcp_hash());
    tcp_c.send_next = tcp_e.una;
    tcp_advance(&tcp_c.send_next, 1);
    tcp_c.receive_next = 0;
    tcp_c.retries = 0;
    tcp_c.state = ZS_SOCKET_SYN_SENT;
    tcp_emit_at(TCP_SYN, tcp_e.una);
    tcp_timer(zs_tcp_resend_ticks);
    tcp_store();
    do
    {
        if (zs_poll() != ZS_OK)
        {
            tcp_load((byte) socket);
            tcp_c.state = ZS_SOCKET_OPEN;
            tcp_store();
            return ZS_ERR_LINK;
        }
        tcp_load((byte) socket);
    } while (tcp_c.state == ZS_SOCKET_SYN_SENT);
    if (tcp_c.state == ZS_SOCKET_OPEN)
    {
        return (tcp_e.flags & F_RESET) ? ZS_ERR_REFUSED : ZS_ERR_TIMEOUT;
    }
    return ZS_OK;
}

// Why the loaded socket cannot send: the error for its state.
static int tcp_no_send(void)
{
    if (tcp_e.flags & F_RESET)
    {
        return ZS_ERR_RESET;
    }
    if (tcp_e.flags & F_TIMEOUT)
    {
        return ZS_ERR_TIMEOUT;
    }
    if (tcp_c.state == ZS_SOCKET_FREE)
    {
        return ZS_ERR_BAD_SOCKET;
    }
    return tcp_c.state > ZS_SOCKET_ESTABLISHED ? ZS_ERR_CLOSED : ZS_ERR_NOT_CONNECTED;
}

static byte tcp_can_send(void)
{
    return tcp_c.state == ZS_SOCKET_ESTABLISHED || tcp_c.state == ZS_SOCKET_CLOSE_WAIT;
}

int tcp_send(int socket, byte kpv_xdata *buffer, word len)
{
    dword base;
    word pos = 0;                       // the next byte of buffer to send
    word top = 0;                       // the bytes sent so far
    word acked;
    word window;
    word n;

    if (!tcp_take(socket, 1))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (!tcp_can_send())
    {
        return tcp_no_send();
    }
    base = tcp_e.una;
    tcp_e.flags = (byte) ((tcp_e.flags | F_SENDING) & ~F_FAST);
    tcp_c.retries = 0;
    tcp_timer(zs_tcp_resend_ticks);
    for (;;)
    {
        acked = (word) SEQ_DIFF(tcp_e.una, base);
        if (acked >= len)
        {
            break;
        }
        if (pos < acked || (tcp_e.flags & F_FAST))
        {
            pos = acked;                // everything after the oldest byte goes again
            tcp_e.flags &= ~F_FAST;
        }
        if (!tcp_c.retry_ticks)
        {
            if (++tcp_c.retries > zs_tcp_resend_trys)
            {
                tcp_emit_at(TCP_RST | TCP_ACK, tcp_c.send_next);
                tcp_end(F_TIMEOUT);
                return ZS_ERR_TIMEOUT;
            }
            pos = acked;
            tcp_timer(tcp_backoff());
        }
        // Fill the peer's window; a closed window gets one byte after a time-out, to learn
        // when it opens.
        window = tcp_e.window ? tcp_e.window : (tcp_c.retries ? 1 : 0);
        while (pos < len && pos - acked < window)
        {
            n = len - pos;
            if (n > tcp_e.mss)
            {
                n = tcp_e.mss;
            }
            if (n > window - (pos - acked))
            {
                n = window - (pos - acked);
            }
            tcp_oseq = base;
            tcp_advance(&tcp_oseq, pos);
            tcp_emit(TCP_ACK | TCP_PSH, buffer + pos, n);
            pos += n;
            if (top < pos)
            {
                top = pos;
            }
        }
        tcp_c.send_next = base;
        tcp_advance(&tcp_c.send_next, top);
        tcp_store();
        n = (word) zs_poll();
        tcp_load((byte) socket);
        if (n != ZS_OK)
        {
            len = (word) ZS_ERR_LINK;
            break;
        }
        if (!tcp_can_send())
        {
            return tcp_no_send();
        }
    }
    tcp_e.flags &= ~F_SENDING;
    tcp_c.retry_ticks = tcp_c.state == ZS_SOCKET_CLOSE_WAIT ? TCP_CLOSE_WAIT_TICKS : 0;
    tcp_store();
    return (int) len;
}

int tcp_receive(int socket, byte kpv_xdata *buffer, word max_len)
{
    if (!tcp_take(socket, 1) || (tcp_e.flags & F_APP_CLOSED))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (tcp_held_socket == (byte) socket && tcp_held_len)
    {
        if (max_len > tcp_held_len)
        {
            max_len = tcp_held_len;
        }
        if (max_len > 0x7FFF)
        {
            max_len = 0x7FFF;           // what an int return can count
        }
        zs_copy(buffer, tcp_held_data, max_len);
        tcp_held_data += max_len;
        tcp_held_len -= max_len;
        tcp_held_taken = 1;
        tcp_advance(&tcp_c.receive_next, max_len);
        tcp_store();
        return (int) max_len;
    }
    if (tcp_e.flags & F_RESET)
    {
        return ZS_ERR_RESET;
    }
    if (tcp_c.state == ZS_SOCKET_FREE)
    {
        return (tcp_e.flags & F_TIMEOUT) ? ZS_ERR_CLOSED : ZS_ERR_BAD_SOCKET;
    }
    return tcp_c.state >= ZS_SOCKET_CLOSE_WAIT ? ZS_ERR_CLOSED : 0;
}

int tcp_close(int socket)
{
    if (!tcp_take(socket, 0))
    {
        return ZS_ERR_BAD_SOCKET;
    }
    if (tcp_held_socket == (byte) socket)
    {
        tcp_held_socket = TCP_NONE;
    }
    tcp_e.flags |= F_APP_CLOSED;
    if (tcp_can_send())
    {
        if (tcp_c.state == ZS_SOCKET_ESTABLISHED)
        {
            tcp_c.state = ZS_SOCKET_FIN_WAIT;
        }
        if (!(tcp_e.flags & F_FIN_SENT))
        {
            tcp_send_fin();
        }
    }
    else if (tcp_c.state < ZS_SOCKET_SYN_RECEIVED)
    {
        tcp_c.state = ZS_SOCKET_FREE;
    }
    tcp_store();
    return ZS_OK;
}

#define TCP_BUSY            0xFE

// The listening socket of tcp_c's local port; TCP_BUSY when sockets serve the port but
// none listens, so that a SYN arriving while all are busy still gets its cookie; else
// TCP_NONE.
static byte tcp_listener(void)
{
    zs_socket_entry kpv_xdata *s = zs_sockets;
    byte i;
    byte found = TCP_NONE;

    for (i = 0; i < zs_num_sockets; i++, s++)
    {
        if (s->state >= ZS_SOCKET_LISTEN && s->protocol == ZS_PROTO_TCP && s->local_port == tcp_c.local_port)
        {
            if (s->state == ZS_SOCKET_LISTEN)
            {
                return i;
            }
            found = TCP_BUSY;
        }
    }
    return found;
}

// A segment for no connection (tcp_c holds its addresses, as a scratch copy): a listening
// port answers a SYN with a cookie and takes a valid one back; the rest is reset (RFC 793),
// except a reset. Returns 1 when a listening socket became the connection.
static byte tcp_no_connection(void)
{
    byte listener = tcp_listener();
    byte tag;
    byte kind = tcp_flags & (TCP_SYN | TCP_ACK | TCP_RST);

    if (kind == TCP_SYN && listener != TCP_NONE)
    {
        for (tag = 3; tag && tcp_cookie_mss[tag] > tcp_peer_mss; tag--)
        {
        }
        tcp_c.receive_next = tcp_seq;
        tcp_advance(&tcp_c.receive_next, 1);
        tcp_emit_at(TCP_SYN | TCP_ACK, tcp_cookie((byte) ((tcp_stamp() << 2) | tag), 0));
        return 0;
    }
    tcp_oseq = SEQ_DIFF(tcp_ackno, 1);  // the cookie, if this is the handshake's last ACK
    tag = (byte) tcp_oseq & 0x7F;
    if (kind == TCP_ACK && ((tcp_stamp() - (tag >> 2)) & 0x1F) <= 1 && tcp_cookie(tag, 1) == tcp_oseq)
    {
        // When every socket of the port is busy, the client sends its ACK again later.
        if (listener < TCP_BUSY)
        {
            zs_copy(zs_sockets[listener].remote_ip, tcp_c.remote_ip, 4);
            zs_sockets[listener].remote_port = tcp_c.remote_port;
            tcp_load(listener);
            tcp_c.receive_next = tcp_seq;
            tcp_e.flags &= F_SERVER;
            tcp_established(tcp_cookie_mss[tag & 3]);
            return 1;
        }
    }
    else if (!(kind & TCP_RST))
    {
        if (kind & TCP_ACK)
        {
            tcp_emit_at(TCP_RST, tcp_ackno);
        }
        else
        {
            tcp_c.receive_next = tcp_seq;
            tcp_advance(&tcp_c.receive_next, tcp_dlen + ((kind & TCP_SYN) ? 1 : 0) + (tcp_flags & TCP_FIN));
            tcp_emit_at(TCP_RST | TCP_ACK, 0);
        }
    }
    zs_stats.no_socket++;
    return 0;
}

// A segment of the loaded connection, in the order of RFC 793's "segment arrives".
static void tcp_segment(byte kpv_xdata *data)
{
    dword offset;
    word seg_len = tcp_dlen + ((tcp_flags & TCP_SYN) ? 1 : 0) + (tcp_flags & TCP_FIN);

    if (tcp_c.state == ZS_SOCKET_SYN_SENT)
    {
        if ((tcp_flags & TCP_ACK) && tcp_ackno != tcp_c.send_next)
        {
            zs_stats.tcp_rejected++;
            if (!(tcp_flags & TCP_RST))
            {
                tcp_emit_at(TCP_RST, tcp_ackno);
            }
        }
        else if ((tcp_flags & (TCP_RST | TCP_ACK)) == (TCP_RST | TCP_ACK))
        {
            tcp_c.state = ZS_SOCKET_OPEN;
            tcp_e.flags |= F_RESET;
        }
        else if ((tcp_flags & (TCP_SYN | TCP_ACK | TCP_RST)) == (TCP_SYN | TCP_ACK))
        {
            tcp_c.receive_next = tcp_seq;
            tcp_advance(&tcp_c.receive_next, 1);
            tcp_established(tcp_peer_mss);
            tcp_ack();
        }
        return;                         // a simultaneous open is not supported
    }

    // Acceptable when some of it lies in the window (RFC 793); our window is what we
    // announce, since the held data is taken or given up before the next segment.
    offset = SEQ_DIFF(tcp_c.receive_next, tcp_seq);  // bytes of the segment already received
    if (tcp_lt(&tcp_seq, &tcp_c.receive_next) ? offset >= seg_len
                                            : SEQ_DIFF(tcp_seq, tcp_c.receive_next) >= zs_tcp_window)
    {
        zs_stats.tcp_rejected++;
        if (!(tcp_flags & TCP_RST))
        {
            tcp_ack();
        }
        return;
    }
    if (tcp_flags & (TCP_RST | TCP_SYN))
    {
        if ((tcp_flags & TCP_RST) && !offset)
        {
            tcp_end(tcp_can_send() ? F_RESET : 0);
            return;
        }
        // In the window but not exact: a real peer that lost its connection answers the
        // challenge with a reset we accept; a blind attacker sees nothing (RFC 5961).
        zs_stats.tcp_rejected++;
        tcp_ack();
        return;
    }
    if (!(tcp_flags & TCP_ACK))
    {
        return;
    }
    // The ACK must lie between what the peer could have seen and what we sent.
    if (tcp_lt(&tcp_c.send_next, &tcp_ackno) || (tcp_lt(&tcp_ackno, &tcp_e.una) && SEQ_DIFF(tcp_e.una, tcp_ackno) > 0xFFFF))
    {
        zs_stats.tcp_rejected++;
        tcp_ack();
        return;
    }
    if (tcp_lt(&tcp_e.una, &tcp_ackno))
    {
        tcp_e.una = tcp_ackno;
        tcp_e.dups = 0;
        tcp_c.retries = 0;
        if (tcp_e.flags & F_SENDING)
        {
            tcp_timer(zs_tcp_resend_ticks);
        }
    }
    else if (!seg_len && tcp_wnd == tcp_e.window && tcp_ackno != tcp_c.send_next && ++tcp_e.dups == 3)
    {
        tcp_e.flags |= F_FAST;
    }
    tcp_e.window = tcp_wnd;
    if ((tcp_e.flags & (F_FIN_SENT | F_FIN_ACKED)) == F_FIN_SENT && tcp_ackno == tcp_c.send_next)
    {
        tcp_e.flags |= F_FIN_ACKED;
        tcp_c.retries = 0;
        if (tcp_c.state == ZS_SOCKET_CLOSING)
        {
            tcp_c.state = ZS_SOCKET_TIME_WAIT;
            tcp_timer(TCP_TIME_WAIT_TICKS);
        }
        else if (tcp_c.state == ZS_SOCKET_CLOSE_WAIT)
        {
            tcp_end(0);                 // our FIN answered theirs: nothing is left
            return;
        }
    }

    if (tcp_c.state != ZS_SOCKET_ESTABLISHED && tcp_c.state != ZS_SOCKET_FIN_WAIT)
    {
        return;                         // the peer's FIN came already: nothing more to take
    }
    if (!tcp_lt(&tcp_c.receive_next, &tcp_seq) && tcp_dlen > offset)
    {
        tcp_dlen -= (word) offset;
        tcp_seq = tcp_c.receive_next;
        if (tcp_dlen > zs_tcp_window)
        {
            tcp_dlen = zs_tcp_window;
            tcp_flags &= ~TCP_FIN;
        }
        if (tcp_e.flags & F_APP_CLOSED)
        {
            // Nobody reads any more: taken and dropped, so that the peer's FIN can follow.
            tcp_advance(&tcp_c.receive_next, tcp_dlen);
        }
        else
        {
            tcp_held_socket = tcp_i;
            tcp_held_fin = (byte) (tcp_flags & TCP_FIN);
            tcp_held_taken = 0;
            tcp_held_data = data + (word) offset;
            tcp_held_len = tcp_dlen;
            if (!(tcp_e.flags & F_SERVER))
            {
                zs_server_process_packet(tcp_let_go(), tcp_held_data, tcp_held_len);
            }
            return;
        }
    }
    tcp_advance(&tcp_seq, tcp_dlen);
    if ((tcp_flags & TCP_FIN) && tcp_seq == tcp_c.receive_next)
    {
        tcp_take_fin();
    }
    else if (seg_len)
    {
        tcp_ack();                      // ahead of the next byte, or all seen before
    }
}

void tcp_process_packet(byte kpv_xdata *packet, word len)
{
    byte ihl = (byte) ((packet[0] & 0x0F) << 2);
    byte kpv_xdata *t;
    byte hl;
    byte i;
    word opt;                           // a word: a long option must not wrap it back

    if (!tcp_secret)
    {
        tcp_h = SEQ_CUT(tcp_h << 5) + zs_get_ticks() + tcp_counter;
    }
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
    tcp_flags = t[13];
    tcp_seq = tcp_get32(t + 4);
    tcp_ackno = tcp_get32(t + 8);
    tcp_wnd = ZS_GET16(t + 14);
    tcp_dlen = len - hl;
    // The MSS option, or the default; an option that runs past the header ends the list.
    tcp_peer_mss = TCP_DEFAULT_MSS;
    for (opt = ZS_TCP_HEADER_LEN; opt + 3 < hl && t[opt]; opt += t[opt] == 1 ? 1 : t[opt + 1])
    {
        if (t[opt] == 2 && t[opt + 1] == 4)
        {
            tcp_peer_mss = ZS_GET16(t + opt + 2);
            break;
        }
        if (t[opt] != 1 && t[opt + 1] < 2)
        {
            break;
        }
    }

    for (i = 0; i < zs_num_sockets; i++)
    {
        tcp_load(i);
        if (tcp_c.state >= ZS_SOCKET_SYN_SENT && tcp_c.protocol == ZS_PROTO_TCP &&
            tcp_c.local_port == ZS_GET16(t + 2) && tcp_c.remote_port == ZS_GET16(t) &&
            zs_ip_equal(tcp_c.remote_ip, packet + 12))
        {
            if (tcp_c.state != ZS_SOCKET_TIME_WAIT || (tcp_flags & (TCP_SYN | TCP_ACK)) != TCP_SYN)
            {
                break;
            }
            // The client connects again on the same ports: the old connection is over.
            tcp_end(0);
        }
    }
    if (i == zs_num_sockets)
    {
        tcp_i = TCP_NONE;
        zs_copy(tcp_c.remote_ip, packet + 12, 4);
        tcp_c.remote_port = ZS_GET16(t);
        tcp_c.local_port = ZS_GET16(t + 2);
        if (!tcp_no_connection())
        {
            return;
        }
    }
    tcp_segment(t + hl);
    tcp_store();
}

#endif  // ZS_TCP
