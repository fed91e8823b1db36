//-----------------------------------------------------------------------------
// zs_stackconst.h
//-----------------------------------------------------------------------------
//
// Fixed constants of the TCP/IP stack: which parts the linked stack library contains,
// protocol numbers, well-known ports, header sizes and socket states. Nothing here is
// meant to be changed; the configurable values are in zs_userconst.h.
//

#ifndef ZS_STACKCONST_H
#define ZS_STACKCONST_H

#include "zs_defs.h"

//-----------------------------------------------------------------------------
// The parts of the stack this project links. Sources test them with #ifdef, for example
// to leave out application code for a protocol the library does not contain.
//-----------------------------------------------------------------------------
£00&#define ZS_ETHERNET                     1
££01&#define ZS_PPP                          1
££02&#define ZS_SLIP                         1
££03&#define ZS_IP                           1
££04&#define ZS_PING                         1
££05&#define ZS_ARP                          1
££06&#define ZS_TCP                          1
££07&#define ZS_UDP                          1
££08&#define ZS_BOOTP                        1
££09&#define ZS_DHCP                         1
££10&#define ZS_FTP                          1
££11&#define ZS_HTTP                         1
££10,11|#define ZS_SERVERS                      1       // FTP or HTTP: zs_run_servers()
££12&#define ZS_SMTP                         1
££13&#define ZS_TFTP                         1
££14&#define ZS_PAP                          1
££15&#define ZS_VIRTUAL_FILES                1
££16&#define ZS_CUSTOM_ETHERNET              1       // the adapter is custom_ethernet.c
££16,17&#define ZS_CUSTOM_ETHERNET_POLLED       1       // ... polled instead of interrupt driven
££19&#define ZS_MODEM                        1
££20&#define ZS_ETHERNET_HARDWARE            1       // an Ethernet controller on the memory bus
£¢01&#define ZS_LANVIK                       1       // the adapter is the Lanvik controller
¢¢20&#define ZS_DNS                          1
¢
//-----------------------------------------------------------------------------
// Time
//-----------------------------------------------------------------------------
#define ZS_TICKS_PER_SECOND             100     // the stack's tick is 10 ms
#define ZS_LEASE_INFINITE               0xFFFFFFFFUL

//-----------------------------------------------------------------------------
// IP protocol numbers
//-----------------------------------------------------------------------------
#define ZS_PROTO_ICMP                   1
#define ZS_PROTO_TCP                    6
#define ZS_PROTO_UDP                    17

//-----------------------------------------------------------------------------
// Well-known ports
//-----------------------------------------------------------------------------
#define ZS_PORT_FTP_DATA                20
#define ZS_PORT_FTP                     21
#define ZS_PORT_SMTP                    25
#define ZS_PORT_DNS                     53
#define ZS_PORT_BOOTP_SERVER            67
#define ZS_PORT_BOOTP_CLIENT            68
#define ZS_PORT_TFTP                    69
#define ZS_PORT_HTTP                    80

//-----------------------------------------------------------------------------
// Header sizes in bytes
//-----------------------------------------------------------------------------
#define ZS_ETH_HEADER_LEN               14
#define ZS_ETH_MAX_FRAME                1514
#define ZS_ETH_MIN_FRAME                60
#define ZS_IP_HEADER_LEN                20
#define ZS_UDP_HEADER_LEN               8
#define ZS_TCP_HEADER_LEN               20
#define ZS_ICMP_HEADER_LEN              8

//-----------------------------------------------------------------------------
// Ethernet frame types
//-----------------------------------------------------------------------------
#define ZS_ETHERTYPE_IP                 0x0800
#define ZS_ETHERTYPE_ARP                0x0806

//-----------------------------------------------------------------------------
// Socket states (zs_socket_entry.state)
//-----------------------------------------------------------------------------
#define ZS_SOCKET_FREE                  0
#define ZS_SOCKET_OPEN                  1       // UDP socket, or TCP socket not connected
#define ZS_SOCKET_LISTEN                2
#define ZS_SOCKET_SYN_SENT              3
#define ZS_SOCKET_SYN_RECEIVED          4
#define ZS_SOCKET_ESTABLISHED           5
#define ZS_SOCKET_FIN_WAIT              6
#define ZS_SOCKET_CLOSE_WAIT            7
#define ZS_SOCKET_CLOSING               8
#define ZS_SOCKET_TIME_WAIT             9

#endif  // ZS_STACKCONST_H
