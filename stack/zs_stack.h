//-----------------------------------------------------------------------------
// zs_stack.h
//-----------------------------------------------------------------------------
//
// What the stack's modules share with each other: the variables of zs_vars.c they read,
// the drop counters, the link's send function and the few internal entry points between
// modules. Applications may read zs_stats.
//

#ifndef ZS_STACK_H
#define ZS_STACK_H

#include "zs_userconst.h"
#include "zs_stackconst.h"
#include "zs_errs.h"
#include "zs_defs.h"
#include "zs_funcs.h"

//-----------------------------------------------------------------------------
// Drop counters: every packet the stack refuses is counted once, under the first reason
// found. They wrap at 65536.
//-----------------------------------------------------------------------------
typedef struct
{
    word frames_in;                     // frames the link handed to IP
    word frames_out;                    // packets sent
    word bad_length;                    // too short, or lengths that disagree
    word bad_header;                    // not IPv4, or a bad header length
    word bad_checksum;                  // IP, ICMP or UDP checksum wrong
    word fragments;                     // IP fragments (not reassembled)
    word not_ours;                      // addressed to another host
    word bad_protocol;                  // an IP protocol this project does not handle
    word no_socket;                     // UDP datagram for a port nobody opened
    word oversized;                     // frames longer than the receive buffer, echo
                                        // requests longer than the ping buffer
    word framing;                       // SLIP escapes that break the rules
    word overrun;                       // received bytes lost to a full UART ring
    word tcp_rejected;                  // TCP segments outside the window, resets and SYNs
                                        // not at the exact sequence number, ACKs of data
                                        // never sent
} zs_stats_t;

extern zs_stats_t zs_stats;

//-----------------------------------------------------------------------------
// Variables of zs_vars.c the stack reads (every size comes from here, never a macro)
//-----------------------------------------------------------------------------
extern kpv_const byte zs_num_sockets;
extern kpv_const word zs_xmit_buff_size;
extern kpv_const word zs_recv_buff_size;
extern kpv_const word zs_ip_time_to_live;
extern kpv_const byte zs_tl0_reload;
extern kpv_const byte zs_th0_reload;
extern zs_socket_entry kpv_xdata zs_sockets[];
extern byte kpv_xdata zs_xmit_buff[];
extern byte kpv_xdata zs_recv_buff[];
#if defined(ZS_SLIP) || defined(ZS_PPP)
extern kpv_const byte zs_uart_reload;
extern kpv_const byte zs_use_password;
#endif
#ifdef ZS_PING
extern kpv_const word zs_ping_buff_size;
extern byte kpv_xdata ping_buffer[];
#endif
#ifdef ZS_ETHERNET
extern byte dest_hw_addr[6];
#endif
#ifdef ZS_ARP
extern kpv_const word zs_arp_keep_ticks;
extern kpv_const word zs_arp_resend_trys;
extern kpv_const word zs_arp_wait_ticks;
extern kpv_const byte zs_arp_cache_size;
extern kpv_const byte zs_arp_auto_update;
extern zs_arp_entry kpv_xdata arp_cache[];
#endif
#ifdef ZS_MODEM
extern kpv_const char zs_modem_country[];
extern kpv_const char zs_modem_protocol[];
extern kpv_const char zs_modem_init_dial[];
extern kpv_const char zs_modem_init_answer[];
extern kpv_const char zs_modem_dial[];
#ifdef DIAL_LOGIN_PROMPT
extern kpv_const char zs_login_name[];
extern kpv_const char zs_password[];
extern kpv_const char zs_dial_login_prompt[];
extern kpv_const char zs_dial_password_prompt[];
#endif
#endif

//-----------------------------------------------------------------------------
// Between modules
//-----------------------------------------------------------------------------

// Set while zs_poll processes a packet: whatever runs then must not wait for the network.
extern byte zs_polling;

// The link: up or down (zs_link_status is told of every change) and its send function.
extern byte zs_link_is_up;
void zs_link_set(byte up);
int  zs_link_send(byte kpv_xdata *packet, word len);

// The one's complement sum of len bytes added to start, folded to 16 bits, not inverted:
// the building block of ip_checksum and of the pseudo-header sums. A piece of odd length
// is padded with a zero byte, so only the last piece of a continued sum may be odd.
word zs_sum(byte kpv_xdata *buffer, word len, word start);

// Copies len bytes; the areas may overlap.
void zs_copy(byte kpv_xdata *to, byte kpv_xdata *from, word len);

// Reads a big-endian word from the wire, and writes one.
#define ZS_GET16(p)         ((word) (((word) (p)[0] << 8) | (p)[1]))
#define ZS_PUT16(p, v)      do { (p)[0] = (byte) ((v) >> 8); (p)[1] = (byte) (v); } while (0)

// Every outgoing IP packet is built at zs_ip_out, which leaves room in front of it for the
// link's header (Ethernet's 14 bytes), so that no layer copies a packet to prepend one.
#ifdef ZS_ETHERNET
#define ZS_LINK_HEADER_LEN  ZS_ETH_HEADER_LEN
#else
#define ZS_LINK_HEADER_LEN  0
#endif
#define zs_ip_out           (zs_xmit_buff + ZS_LINK_HEADER_LEN)

// The most payload bytes an outgoing IP packet can carry after a transport header of
// header_len bytes; 0 when the transmit buffer cannot hold even the headers.
word ip_payload_room(word header_len);

// Four bytes equal (addresses).
byte zs_ip_equal(byte kpv_xdata *a, byte kpv_xdata *b);

#ifdef ZS_SLIP
// Feeds one received byte to the SLIP decoder, which assembles the frame in packet
// (max_len bytes). Returns the frame's length when c ends a good frame, else 0.
word slip_decode(byte c, byte kpv_xdata *packet, word max_len);
// Bytes of the frame being assembled.
extern word slip_rx_len;
// Forgets the frame being assembled; the UART and what it has received stay.
void slip_restart(void);
#endif

#ifdef ZS_ETHERNET
// Checks a received frame's address and hands its packet to IP or ARP.
void eth_process_frame(byte kpv_xdata *frame, word len);
// Sends the IP packet at zs_ip_out to its next hop: the destination on the subnet, the
// gateway beyond it, everyone for a broadcast.
int  eth_send_ip(byte kpv_xdata *packet, word len);
#endif

#ifdef ZS_ARP
// Tells the network this device's address (a gratuitous request), when it has one.
void arp_announce(void);
// Refreshes the cache from a received IP packet's source on the subnet (every such source
// when arp_auto_update is set, only the known ones otherwise).
void arp_learn_from_ip(byte kpv_xdata *packet, word len, byte kpv_xdata *src_hw);
#endif

#ifdef ZS_PPP
extern kpv_const word zs_ppp_resend_ticks;
extern kpv_const byte zs_ppp_resend_trys;
extern kpv_const byte zs_ppp_terminate_trys;
// Where the link stands: no link, LCP negotiating, authentication, IPCP and IP, closing.
#define PPP_DEAD            0
#define PPP_ESTABLISH       1
#define PPP_AUTHENTICATE    2
#define PPP_NETWORK         3
#define PPP_TERMINATE       4
extern byte ppp_phase;
// The peer asked us to authenticate with PAP; this end answered the call (and so checks
// the caller against the PAP users).
extern byte ppp_peer_wants_pap;
extern byte ppp_answered;
// The length of the IP packet ppp_process left in zs_recv_buff, 0 when none.
extern word ppp_ip_len;
// Forgets the frame being assembled.
void ppp_restart(void);
// Sends one frame of protocol with len bytes of information.
void ppp_send_frame(word protocol, byte kpv_xdata *data, word len);
// Sends an IP packet once IPCP has opened; ZS_OK, ZS_ERR_LINK or ZS_ERR_TOO_LONG.
int  ppp_send_ip(byte kpv_xdata *packet, word len);
// 1 when the text between frames is the modem's "NO CARRIER": the call has ended.
byte ppp_carrier_lost(void);
#endif

#ifdef ZS_PAP
extern kpv_const word zs_pap_num_users;
extern zs_user kpv_xdata pap_user_table[];
// The link enters authentication: what an earlier exchange gave is forgotten.
void pap_begin(void);
// Takes a PAP packet of len bytes received while the link authenticates; moves the link on
// to its network phase once both sides are satisfied.
void pap_process_packet(byte kpv_xdata *packet, word len);
#endif

#ifdef ZS_UDP
void udp_init(void);
// Forgets the datagram held for udp_receive: its bytes are about to be overwritten.
void udp_release(void);
#endif

#ifdef ZS_PING
void icmp_init(void);
#endif

#ifdef ZS_TCP
void tcp_init(void);
// Gives up the data held for tcp_receive (acknowledging what was taken) and runs the
// closing handshakes' timers; zs_poll calls it first.
void tcp_poll(void);
// A built-in server takes the socket's data with tcp_receive itself: it is not offered to
// zs_server_process_packet.
void tcp_claim(int socket);
#endif

#ifdef ZS_MODEM
// 1 when the frame being assembled is the modem's "NO CARRIER": the call has ended.
byte modem_carrier_lost(byte kpv_xdata *frame, word len);
#endif

#ifdef ZS_SERVERS
// Which server a TCP socket belongs to, so that the servers (and the SMTP client) share the
// sockets: HTTP listens on every socket nobody else uses, and the others take one of its idle
// listeners back when they need a socket.
#define ZS_SRV_NONE         0
#define ZS_SRV_HTTP         1
#define ZS_SRV_FTP          2
#define ZS_SRV_FTP_DATA     3
#define ZS_SRV_CLIENT       4
extern byte zs_srv_owner[];
// Frees a socket when none is free (for a TCP socket or a UDP one) by closing an idle HTTP
// listener.
void srv_make_room(byte for_tcp);
// A TCP socket for owner (srv_make_room first), or ZS_ERR_NO_SOCKET.
int  srv_take_socket(byte owner);
// 1 while socket is owner's and still in use.
byte srv_owns(int socket, byte owner);
// Closes the socket (an orderly close) and forgets its owner.
void srv_release(int socket);
#endif

// How long ping_send_request waits for the reply.
#define ZS_PING_WAIT_TICKS  (3 * ZS_TICKS_PER_SECOND)

#endif  // ZS_STACK_H
