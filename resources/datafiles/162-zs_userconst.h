//-----------------------------------------------------------------------------
// zs_userconst.h
//-----------------------------------------------------------------------------
//
// The configuration of the TCP/IP stack: addresses, buffer sizes, socket counts, retry
// counts and time-outs. Times are counted in ticks of 10 ms. The stack's other headers and
// zs_vars.c take every size from here; change a value here and rebuild to reconfigure.
//

#ifndef ZS_USERCONST_H
#define ZS_USERCONST_H                  1

//-----------------------------------------------------------------------------
// Addresses
//-----------------------------------------------------------------------------

// The IP address of this device.
#define IP_SRC_ADDR                     ¤48

// The IP address of the remote host the application talks to.
#define IP_DEST_ADDR                    ¤49
£12&
// The IP address of the SMTP mail server.
#define IP_SMTP_ADDR                    ¤50
££00&
// The Ethernet (MAC) address of this device.
#define ETH_SRC_HW_ADDR                 ¤36

// The Ethernet address frames go to before ARP has resolved one.
#define ETH_DEST_HW_ADDR                ¤37

// The IP address of the gateway to other networks.
#define GATEWAY_IP_ADDR                 ¤38

// The subnet mask of the local network.
#define SUBNET_MASK_ADDR                ¤39
££19&
//-----------------------------------------------------------------------------
// Modem
//-----------------------------------------------------------------------------

// The modem command that selects the country.
#define MODEM_COUNTRY_CODE              ¤41

// The modem command that selects the modulation protocol.
#define MODEM_PROTOCOL                  ¤42

// The modem set-up before dialling: speaker on until connect, no echo.
#define MODEM_INIT_DIAL                 "ATM1E0\r"

// The modem set-up for answering: factory profile, answer on the first ring.
#define MODEM_INIT_ANSWER               "AT&F0S0=1\r"

// The dial command with the number to call.
#define MODEM_DIAL                      ¤45
££19,18&
// The user name sent at the login prompt of the remote end.
#define LOGIN_NAME                      ¤43

// The password sent at the password prompt of the remote end.
#define PASSWORD                        ¤44

// The prompts this device waits for when it dials out (matched at their end).
#define DIAL_LOGIN_PROMPT               "ogin"
#define DIAL_PASSWORD_PROMPT            "assword"

// The prompts this device sends when a caller dials in.
#define ANS_LOGIN_PROMPT                "Login:"
#define ANS_PASSWORD_PROMPT             "Password:"
£
//-----------------------------------------------------------------------------
// Device
//-----------------------------------------------------------------------------

// The microcontroller family the project is built for.
¢08&#define device_id                       VARDEX
¢¢09&#define device_id                       PELMAR
¢¢10&#define device_id                       ZINTOR
¢
// 1: the stack uses the USB FIFO RAM of the Zintor as packet memory.
#define zintor_usb_fifo                 ¤56

//-----------------------------------------------------------------------------
// Sockets and buffers
//-----------------------------------------------------------------------------

// The number of sockets that can be open at the same time.
#define num_sockets                     ¤01

// The size of the transmit buffer in bytes.
#define xmit_buff_size                  ¤02

// The size of the receive buffer in bytes.
#define recv_buff_size                  ¤03

// The ticks a socket waits for the transmit buffer.
#define socket_wait_ticks               ¤04

//-----------------------------------------------------------------------------
// IP
//-----------------------------------------------------------------------------

// The time-to-live of sent IP packets (hops).
#define ip_time_to_live                 ¤21

// The time-to-live of sent multicast packets (hops).
#define multicast_ttl                   ¤24

// The reload of timer 0 for the stack's 10 ms tick, low and high byte.
#define tl0_flash                       ¤31
#define th0_flash                       ¤32
£00&
//-----------------------------------------------------------------------------
// Ethernet
//-----------------------------------------------------------------------------

// The ticks the Ethernet layer waits for the controller to take a frame.
#define ether_wait_ticks                5
££01&
//-----------------------------------------------------------------------------
// PPP
//-----------------------------------------------------------------------------

// The ticks between two resends of a PPP negotiation packet.
#define ppp_resend_ticks                300

// The number of resends before a PPP negotiation gives up.
#define ppp_resend_trys                 6

// The number of terminate requests sent when the connection is closed.
#define ppp_terminate_trys              2
££01,14&
// The number of PAP user entries.
#define pap_num_users                   ¤46
££01,02|
// The reload of the UART's baud-rate timer.
#define uart_reload                     ¤40
££05&
//-----------------------------------------------------------------------------
// ARP
//-----------------------------------------------------------------------------

// The ticks an ARP cache entry stays valid.
#define arp_keep_ticks                  ¤06

// The number of ARP requests before an address counts as unreachable.
#define arp_resend_trys                 ¤07

// The ticks to wait for an ARP reply.
#define arp_wait_ticks                  ¤08

// The number of entries of the ARP cache.
#define arp_cache_size                  ¤09

// 1: every received ARP packet updates the cache, not only the replies to our requests.
#define arp_auto_update                 ¤10
££09&
//-----------------------------------------------------------------------------
// DHCP
//-----------------------------------------------------------------------------

// The number of DHCP requests before giving up.
#define dhcp_resend_trys                ¤11

// The lease time asked for, in seconds.
#define dhcp_default_lease_time         ¤12
££08&
//-----------------------------------------------------------------------------
// BOOTP
//-----------------------------------------------------------------------------

// The number of BOOTP requests before giving up.
#define bootp_resend_trys               ¤13

// 1: ask the BOOTP server for an IP address.
#define bootp_request_ip                ¤14
£¢20&
//-----------------------------------------------------------------------------
// DNS
//-----------------------------------------------------------------------------

// The size of the DNS message buffer in bytes.
#define dns_buff_size                   ¤59

// The number of DNS queries before a name counts as unknown.
#define dns_send_trys                   ¤60

// The ticks to wait for a DNS answer.
#define dns_wait_ticks                  ¤61
¢£10&
//-----------------------------------------------------------------------------
// FTP
//-----------------------------------------------------------------------------

// The longest parameter of an FTP command (a file name), in bytes.
#define ftp_max_param                   ¤15

// The size of the FTP transfer buffer in bytes.
#define ftp_buffer_len                  ¤16

// The number of FTP user entries.
#define ftp_num_users                   ¤17

// The size of the memory pool for files that clients store, in bytes.
#define mem_pool_size                   ¤18
££11&
//-----------------------------------------------------------------------------
// HTTP
//-----------------------------------------------------------------------------

// The size of the HTTP request buffer in bytes.
#define http_buffer_len                 ¤19

// The longest request URI, in bytes.
#define uri_buffer_len                  ¤57

// The longest posted form body, in bytes.
#define body_buffer_len                 ¤58
££13&
//-----------------------------------------------------------------------------
// TFTP
//-----------------------------------------------------------------------------

// The number of resends of a TFTP block before the transfer is aborted.
#define tftp_resend_trys                ¤20
££04&
//-----------------------------------------------------------------------------
// PING
//-----------------------------------------------------------------------------

// The largest ping payload answered, in bytes.
#define ping_buff_size                  ¤22
££06&
//-----------------------------------------------------------------------------
// TCP
//-----------------------------------------------------------------------------

// The receive window offered to the remote end, in bytes.
#define tcp_window                      ¤23

// The ticks before an unacknowledged segment is sent again.
#define tcp_resend_ticks                ¤25

// The number of resends before a connection is dropped.
#define tcp_resend_trys                 ¤26
££12&
//-----------------------------------------------------------------------------
// SMTP
//-----------------------------------------------------------------------------

// The size of the SMTP buffer in bytes.
#define smtp_buffer_len                 ¤27
£
//-----------------------------------------------------------------------------
// Virtual files
//-----------------------------------------------------------------------------

// The number of entries of the virtual file system.
#define num_vf_pages                    ¤28
£15,11&
// The number of HTTP post functions.
#define num_post_funcs                  ¤30
£¢00&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0xC0
¢¢01,08&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x20
¢¢02,08&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x20
¢¢01,09&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x10
¢¢01,10&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x10
¢¢02,09&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x10
¢¢02,10&
// The page of the adapter's registers in external memory.
#define BASE_ADDRESS                    0x10
¢£00&
// The external memory timing: address set-up, write pulse width and address hold.
#define EMIF_TIMING                     ¤55
££01,18&|02
// 1: the login at the remote end needs the password as well as the user name.
#define use_password                    ¤47
£
#endif  // ZS_USERCONST_H
