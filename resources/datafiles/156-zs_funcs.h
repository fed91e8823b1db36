//-----------------------------------------------------------------------------
// zs_funcs.h
//-----------------------------------------------------------------------------
//
// The functions of the TCP/IP stack, cut to the parts the linked library contains, and
// the functions the stack calls back into the project.
//
// Conventions: sockets are small integers (0 to num_sockets - 1) handed out by the open
// functions; buffers are in external data memory (byte kpv_xdata *); lengths are words.
// Functions that can fail return ZS_OK or a negative code of zs_errs.h; functions that
// hand out a socket or a file return its number, or a negative code.
//

#ifndef ZS_FUNCS_H
#define ZS_FUNCS_H

#include "zs_defs.h"
#include "zs_errs.h"

//-----------------------------------------------------------------------------
// Core
//-----------------------------------------------------------------------------

// Initialises every part of the stack from the values of zs_vars.c and starts its tick
// (timer 0). Call it first, and again to start over after a lost link.
int  zs_init_stack(void);

// Handles the packets that have arrived, runs the time-outs and resends. Call it often;
// returns ZS_OK while the link is up and ZS_ERR_LINK once it is lost.
int  zs_poll(void);

// Advances the stack's clock by one tick of 10 ms. The stack's timer 0 interrupt calls it;
// call it yourself only from a routine that takes over that interrupt.
void zs_timer_tick(void);

// The ticks since zs_init_stack, wrapping at 65536.
word zs_get_ticks(void);

// Sets and reads this device's IP address (4 bytes, most significant first).
void zs_set_ip_address(byte kpv_xdata *ip);
void zs_get_ip_address(byte kpv_xdata *ip);

// The stack's tick: timer 0 overflows every 10 ms. SDCC places an interrupt vector only where
// the routine is declared in the file that holds main(), so it is declared here.
INTERRUPT_PROTO(zs_timer0_isr, 1);
£03&
//-----------------------------------------------------------------------------
// IP
//-----------------------------------------------------------------------------

// Sends len bytes as the payload of an IP packet of the given protocol (ZS_PROTO_...).
int  ip_send_packet(byte kpv_xdata *dest_ip, byte protocol, byte kpv_xdata *payload, word len);

// Takes a received IP packet and hands it to its protocol.
void ip_process_packet(byte kpv_xdata *packet, word len);

// The Internet checksum of len bytes, continuing from the sum start (0 for a new sum).
word ip_checksum(byte kpv_xdata *buffer, word len, word start);
££15&
//-----------------------------------------------------------------------------
// Virtual files: byte arrays in code space that the servers offer as files
//-----------------------------------------------------------------------------

// Enters a file; returns its number, or ZS_ERR_NO_MEMORY when all num_vf_pages entries
// are taken. Entering a name again replaces the earlier entry.
int  vf_add_file(char kpv_const *name, byte kpv_const *content, word size);

// The number of the file with that name, or ZS_ERR_NOT_FOUND.
int  vf_find_file(char kpv_xdata *name);

// Copies up to len bytes of the file from offset on into buffer; returns the count copied
// (0 at the end of the file or for an unknown file number).
word vf_get_data(int file, word offset, byte kpv_xdata *buffer, word len);
££00&
//-----------------------------------------------------------------------------
// Ethernet
//-----------------------------------------------------------------------------

// Starts the adapter with the address my_hw_addr (through eth_device_init) and waits for
// the link; ZS_OK, ZS_ERR_DEVICE or ZS_ERR_LINK.
int  eth_init(void);

// Sends a frame of the given type (ZS_ETHERTYPE_...) with len bytes of payload.
int  eth_send_frame(byte kpv_xdata *dest_hw, word type, byte kpv_xdata *payload, word len);

// Copies the next received frame into frame; returns its length, 0 when none is waiting.
word eth_receive_frame(byte kpv_xdata *frame, word max_len);

// Receives the waiting frames and hands them to IP and ARP; zs_poll calls it.
void eth_poll(void);
££05&
//-----------------------------------------------------------------------------
// ARP
//-----------------------------------------------------------------------------

// Empties the ARP cache.
void arp_init(void);

// Finds the hardware address of ip, asking the network when the cache does not know it;
// ZS_OK or ZS_ERR_ARP_UNRESOLVED.
int  arp_resolve(byte kpv_xdata *ip, byte kpv_xdata *hw);

// Takes a received ARP packet: answers requests for our address, learns replies.
void arp_process_packet(byte kpv_xdata *packet, word len);

// Enters or refreshes a pair of the cache.
void arp_update_cache(byte kpv_xdata *ip, byte kpv_xdata *hw);
££20&
//-----------------------------------------------------------------------------
// Lanvik Ethernet controller driver
//-----------------------------------------------------------------------------

// Resets the controller (ether_reset_low, ether_reset_high), sets its hardware address and
// starts reception; ZS_OK or ZS_ERR_DEVICE.
int  ethdrv_init(byte kpv_xdata *hw_addr);

// Hands a complete frame to the controller; ZS_OK, ZS_ERR_TIMEOUT or ZS_ERR_TOO_LONG.
int  ethdrv_send(byte kpv_xdata *frame, word len);

// Copies the next received frame out of the controller; returns its length, 0 when none.
word ethdrv_receive(byte kpv_xdata *frame, word max_len);

// Stops the controller and holds it in reset.
void ethdrv_reset(void);
££19&
//-----------------------------------------------------------------------------
// Modara modem
//-----------------------------------------------------------------------------

// Sets up the UART and the modem (country, protocol); ZS_OK or ZS_ERR_DEVICE.
int  modem_init(void);

// Dials MODEM_DIAL and waits for the connection; ZS_OK, ZS_ERR_NO_DIALTONE, ZS_ERR_BUSY
// or ZS_ERR_NO_CARRIER.
int  modem_dial(void);

// Waits for a call and answers it; ZS_OK or ZS_ERR_NO_CARRIER.
int  modem_answer(void);

// Ends the call; harmless when the modem is on hook already.
void modem_hangup(void);

// Answers the remote end's login and, with use_password, password prompts with
// LOGIN_NAME and PASSWORD; ZS_OK or ZS_ERR_LOGIN.
int  modem_login(void);

// UART0 carries the modem's bytes both ways, interrupt driven.
INTERRUPT_PROTO(zs_uart0_isr, 4);
££01&
//-----------------------------------------------------------------------------
// PPP
//-----------------------------------------------------------------------------

// Resets the PPP state machines.
void ppp_init(void);

// Negotiates the link (LCP, authentication, IPCP) over the connected modem; ZS_OK,
// ZS_ERR_NEGOTIATION, ZS_ERR_AUTHENTICATION or ZS_ERR_TIMEOUT.
int  ppp_open_connection(void);

// Terminates the link (ppp_terminate_trys requests).
void ppp_close_connection(void);

// Handles the bytes the UART has received; zs_poll calls it.
void ppp_process(void);
££14&
//-----------------------------------------------------------------------------
// PAP
//-----------------------------------------------------------------------------

// Enters a user that the PAP exchange accepts or offers; ZS_OK, or ZS_ERR_NO_MEMORY when
// all pap_num_users entries are taken. An empty name is skipped.
int  pap_add_user(char kpv_const *name, char kpv_const *password);

// Runs the PAP exchange on the negotiated link; ppp_open_connection calls it.
int  pap_authenticate(void);
££02&
//-----------------------------------------------------------------------------
// SLIP
//-----------------------------------------------------------------------------

// Sets up the UART for SLIP framing.
int  slip_init(void);

// Sends one IP packet framed for SLIP.
int  slip_send_packet(byte kpv_xdata *packet, word len);

// Copies the next complete received packet into packet; returns its length, 0 when none.
word slip_receive_packet(byte kpv_xdata *packet, word max_len);
££04&
//-----------------------------------------------------------------------------
// ICMP and PING
//-----------------------------------------------------------------------------

// Takes a received ICMP packet and answers echo requests.
void icmp_process_packet(byte kpv_xdata *packet, word len);

// Sends an echo request with len bytes of payload and waits for the reply; ZS_OK or
// ZS_ERR_TIMEOUT.
int  ping_send_request(byte kpv_xdata *dest_ip, word len);
££06&
//-----------------------------------------------------------------------------
// TCP
//-----------------------------------------------------------------------------

// Opens a TCP socket; returns its number or ZS_ERR_NO_SOCKET.
int  tcp_open_socket(void);

// Waits on the socket for connections to port.
int  tcp_listen(int socket, word port);

// Connects the socket to port of dest_ip; ZS_OK, ZS_ERR_REFUSED or ZS_ERR_TIMEOUT.
int  tcp_connect(int socket, byte kpv_xdata *dest_ip, word port);

// Sends len bytes on the connection; ZS_OK or an error.
int  tcp_send(int socket, byte kpv_xdata *buffer, word len);

// Copies up to max_len received bytes into buffer; returns the count (0 when nothing is
// waiting) or an error.
int  tcp_receive(int socket, byte kpv_xdata *buffer, word max_len);

// Closes the connection and frees the socket.
int  tcp_close(int socket);

// Takes a received TCP segment.
void tcp_process_packet(byte kpv_xdata *packet, word len);
££07&
//-----------------------------------------------------------------------------
// UDP
//-----------------------------------------------------------------------------

// Opens a UDP socket on local_port; returns its number or ZS_ERR_NO_SOCKET.
int  udp_open_socket(word local_port);

// Sends len bytes to dest_port of dest_ip.
int  udp_send(int socket, byte kpv_xdata *dest_ip, word dest_port, byte kpv_xdata *buffer, word len);

// Copies the next received datagram into buffer; returns its length, 0 when none, or an
// error.
int  udp_receive(int socket, byte kpv_xdata *buffer, word max_len);

// Frees the socket.
int  udp_close(int socket);

// Takes a received UDP datagram.
void udp_process_packet(byte kpv_xdata *packet, word len);

// The address and port of the sender of the datagram last handed to zs_server_process_packet
// or copied by udp_receive: the receive callback reads it to answer the sender.
void udp_get_sender(byte kpv_xdata *ip, word kpv_xdata *port);
££10,11|
//-----------------------------------------------------------------------------
// Servers
//-----------------------------------------------------------------------------

// Starts the FTP and HTTP servers of the library and runs the stack with them until the
// link is lost; returns the error that ended it.
int  zs_run_servers(void);
££08&
//-----------------------------------------------------------------------------
// BOOTP
//-----------------------------------------------------------------------------

// Asks a BOOTP server for this device's address (bootp_resend_trys requests); sets the
// address and fills info. ZS_OK or ZS_ERR_NO_SERVER.
int  bootp_request(zs_bootp_info kpv_xdata *info);
££09&
//-----------------------------------------------------------------------------
// DHCP
//-----------------------------------------------------------------------------

// Asks a DHCP server for an address (dhcp_resend_trys requests) and sets it, with the
// gateway and the subnet mask; ZS_OK, ZS_ERR_NO_SERVER or ZS_ERR_DECLINED.
int  dhcp_request(void);

// Gives the leased address back to the server.
void dhcp_release(void);

// Renews the lease before it runs out; ZS_OK or ZS_ERR_LEASE_EXPIRED.
int  dhcp_renew(void);
££10&
//-----------------------------------------------------------------------------
// FTP server
//-----------------------------------------------------------------------------

// Opens the FTP port; zs_run_servers calls it.
int  ftp_server_init(void);

// Serves the waiting FTP commands; zs_run_servers calls it.
void ftp_server_process(void);

// Enters a user the FTP server accepts; ZS_OK, or ZS_ERR_NO_MEMORY when all
// ftp_num_users entries are taken.
int  ftp_add_user(char kpv_const *name, char kpv_const *password);
££11&
//-----------------------------------------------------------------------------
// HTTP server
//-----------------------------------------------------------------------------

// Opens the HTTP port; zs_run_servers calls it.
int  http_server_init(void);

// Serves the waiting HTTP requests; zs_run_servers calls it.
void http_server_process(void);

// Enters a function for forms posted to name; ZS_OK, or ZS_ERR_NO_MEMORY when all
// num_post_funcs entries are taken.
int  http_add_post_function(char kpv_const *name, zs_post_function function);
££12&
//-----------------------------------------------------------------------------
// SMTP client
//-----------------------------------------------------------------------------

// Sets the mail server that smtp_send_mail talks to (IP_SMTP_ADDR at start).
void smtp_set_server(byte kpv_xdata *ip);

// Sends a mail; the body is len bytes of text. ZS_OK, ZS_ERR_MAIL_REJECTED or a TCP error.
int  smtp_send_mail(char kpv_const *from, char kpv_const *to, char kpv_const *subject,
                    byte kpv_xdata *body, word len);
££13&
//-----------------------------------------------------------------------------
// TFTP client
//-----------------------------------------------------------------------------

// Fetches the file name from server_ip into buffer; the length received goes to
// *received. ZS_OK, ZS_ERR_TOO_LONG, ZS_ERR_TRANSFER or ZS_ERR_TIMEOUT.
int  tftp_get_file(byte kpv_xdata *server_ip, char kpv_const *name, byte kpv_xdata *buffer,
                   word max_len, word kpv_xdata *received);

// Stores len bytes of buffer on server_ip as the file name.
int  tftp_put_file(byte kpv_xdata *server_ip, char kpv_const *name, byte kpv_xdata *buffer,
                   word len);
£¢20&
//-----------------------------------------------------------------------------
// DNS resolver (built into the project's source, in no library)
//-----------------------------------------------------------------------------

// Finds the IP address of a host name ("ntp.example.net") and writes its 4 bytes to ip.
// Asks the name server that DHCP or BOOTP named, else the gateway (Ethernet) or IP_DEST_ADDR
// (a serial link): dns_send_trys queries, dns_wait_ticks each. Answers are kept for their
// time to live, so asking again soon sends nothing. ZS_OK, ZS_ERR_NOT_FOUND (no such name,
// or no server address to ask), ZS_ERR_TIMEOUT, ZS_ERR_ARGUMENT (not a host name) or
// ZS_ERR_TOO_LONG (the query does not fit dns_buff_size). name may be in code or data
// memory. It waits for the answer: call it from the main loop, not from a callback.
int  dns_resolve(char *name, byte kpv_xdata *ip);
¢
//-----------------------------------------------------------------------------
// Callbacks: functions of the project that the stack calls (zs_callback.c)
//-----------------------------------------------------------------------------

// The link came up (1) or went down (0).
void zs_link_status(byte link_up);

// The stack met an error it could not hand back to a caller, for example a full receive
// buffer; error is a code of zs_errs.h.
void zs_error(int error);

// A packet arrived on a socket that the application opened itself.
void zs_server_process_packet(int socket, byte kpv_xdata *packet, word len);
£06&
// The remote end closed a TCP connection, or it timed out; the socket is free again.
void zs_socket_closed(int socket);
££00&
//-----------------------------------------------------------------------------
// Ethernet device: the stack's Ethernet layer reaches the adapter only through these
// four functions. zs_callback.c routes them to the Lanvik driver; a project with its own
// device implements them in custom_ethernet.c.
//-----------------------------------------------------------------------------

// Resets the device, gives it the hardware address hw_addr and starts reception; ZS_OK
// or ZS_ERR_DEVICE.
int  eth_device_init(byte kpv_xdata *hw_addr);

// Sends a complete frame; ZS_OK, ZS_ERR_TIMEOUT or ZS_ERR_TOO_LONG.
int  eth_device_send(byte kpv_xdata *frame, word len);

// Copies the next received frame into frame; returns its length, 0 when none is waiting.
word eth_device_receive(byte kpv_xdata *frame, word max_len);

// Stops the device.
void eth_device_reset(void);
££16,21&
// The custom device's interrupt (external interrupt 0), in custom_ethernet.c.
INTERRUPT_PROTO(custom_ethernet_isr, 0);
£¢01&
// The Lanvik controller's reset line (main.c); the driver holds it low, then releases it.
void ether_reset_low(void);
void ether_reset_high(void);
¢
//-----------------------------------------------------------------------------
// Variables of zs_vars.c that applications use
//-----------------------------------------------------------------------------
extern byte my_ip_addr[4];              // this device's IP address
extern byte dest_ip_addr[4];            // IP_DEST_ADDR
£00&extern byte my_hw_addr[6];              // this device's Ethernet address
extern byte gateway_ip_addr[4];
extern byte subnet_mask[4];
££09&extern dword dhcp_lease_time;          // seconds left of the DHCP lease
££12&extern byte smtp_ip_addr[4];            // IP_SMTP_ADDR
£
#endif  // ZS_FUNCS_H
