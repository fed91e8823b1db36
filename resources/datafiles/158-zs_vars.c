//-----------------------------------------------------------------------------
// zs_vars.c
//-----------------------------------------------------------------------------
//
// The variables and buffers of the TCP/IP stack. The stack comes precompiled, so it
// cannot see the constants of zs_userconst.h: everything it sizes or sets from the
// configuration is defined here, and the stack reads it at run time. A buffer size of 0
// cannot be compiled; the #error checks below name the constant to fix instead.
//

#include "zs_userconst.h"
#include "zs_stackconst.h"
#include "zs_errs.h"
#include "zs_defs.h"
#include "zs_funcs.h"

//-----------------------------------------------------------------------------
// Limits the stack reads
//-----------------------------------------------------------------------------
kpv_const byte  zs_num_sockets          = num_sockets;
kpv_const word  zs_xmit_buff_size       = xmit_buff_size;
kpv_const word  zs_recv_buff_size       = recv_buff_size;
kpv_const word  zs_socket_wait_ticks    = socket_wait_ticks;
kpv_const word  zs_ip_time_to_live      = ip_time_to_live;
kpv_const word  zs_multicast_ttl        = multicast_ttl;
kpv_const byte  zs_tl0_reload           = tl0_flash;
kpv_const byte  zs_th0_reload           = th0_flash;
kpv_const byte  zs_usb_fifo             = zintor_usb_fifo;

//-----------------------------------------------------------------------------
// Sockets and packet buffers
//-----------------------------------------------------------------------------
zs_socket_entry zs_sockets[ZS_AT_LEAST_ONE(num_sockets)];
byte zs_xmit_buff[xmit_buff_size];
byte zs_recv_buff[recv_buff_size];

//-----------------------------------------------------------------------------
// Addresses
//-----------------------------------------------------------------------------
byte my_ip_addr[4]                      = IP_SRC_ADDR;
byte dest_ip_addr[4]                    = IP_DEST_ADDR;
£12&byte smtp_ip_addr[4]                    = IP_SMTP_ADDR;
££00&byte my_hw_addr[6]                      = ETH_SRC_HW_ADDR;
byte dest_hw_addr[6]                    = ETH_DEST_HW_ADDR;
byte gateway_ip_addr[4]                 = GATEWAY_IP_ADDR;
byte subnet_mask[4]                     = SUBNET_MASK_ADDR;

//-----------------------------------------------------------------------------
// Ethernet
//-----------------------------------------------------------------------------
kpv_const word  zs_ether_wait_ticks     = ether_wait_ticks;
££19&
//-----------------------------------------------------------------------------
// Modem
//-----------------------------------------------------------------------------
kpv_const char  zs_modem_country[]      = MODEM_COUNTRY_CODE;
kpv_const char  zs_modem_protocol[]     = MODEM_PROTOCOL;
kpv_const char  zs_modem_init_dial[]    = MODEM_INIT_DIAL;
kpv_const char  zs_modem_init_answer[]  = MODEM_INIT_ANSWER;
kpv_const char  zs_modem_dial[]         = MODEM_DIAL;
££19,18&kpv_const char  zs_login_name[]         = LOGIN_NAME;
kpv_const char  zs_password[]           = PASSWORD;
kpv_const char  zs_dial_login_prompt[]  = DIAL_LOGIN_PROMPT;
kpv_const char  zs_dial_password_prompt[] = DIAL_PASSWORD_PROMPT;
kpv_const char  zs_ans_login_prompt[]   = ANS_LOGIN_PROMPT;
kpv_const char  zs_ans_password_prompt[] = ANS_PASSWORD_PROMPT;
££01,18&|02kpv_const byte  zs_use_password         = use_password;
££01,02|kpv_const byte  zs_uart_reload          = uart_reload;
££01&
//-----------------------------------------------------------------------------
// PPP
//-----------------------------------------------------------------------------
kpv_const word  zs_ppp_resend_ticks     = ppp_resend_ticks;
kpv_const byte  zs_ppp_resend_trys      = ppp_resend_trys;
kpv_const byte  zs_ppp_terminate_trys   = ppp_terminate_trys;
££01,14&kpv_const word  zs_pap_num_users        = pap_num_users;
zs_user pap_user_table[ZS_AT_LEAST_ONE(pap_num_users)];
££05&
//-----------------------------------------------------------------------------
// ARP
//-----------------------------------------------------------------------------
kpv_const word  zs_arp_keep_ticks       = arp_keep_ticks;
kpv_const word  zs_arp_resend_trys      = arp_resend_trys;
kpv_const word  zs_arp_wait_ticks       = arp_wait_ticks;
kpv_const byte  zs_arp_cache_size       = arp_cache_size;
kpv_const byte  zs_arp_auto_update      = arp_auto_update;
zs_arp_entry arp_cache[ZS_AT_LEAST_ONE(arp_cache_size)];
££09&
//-----------------------------------------------------------------------------
// DHCP
//-----------------------------------------------------------------------------
kpv_const word  zs_dhcp_resend_trys     = dhcp_resend_trys;
dword dhcp_lease_time                   = dhcp_default_lease_time;
££08&
//-----------------------------------------------------------------------------
// BOOTP
//-----------------------------------------------------------------------------
kpv_const signed char zs_bootp_resend_trys = bootp_resend_trys;
kpv_const word  zs_bootp_request_ip     = bootp_request_ip;
£¢20&
//-----------------------------------------------------------------------------
// DNS
//-----------------------------------------------------------------------------
kpv_const word  zs_dns_buff_size        = dns_buff_size;
kpv_const word  zs_dns_send_trys        = dns_send_trys;
kpv_const word  zs_dns_wait_ticks       = dns_wait_ticks;
#if dns_buff_size < 1
#error "dns_buff_size in zs_userconst.h must be at least 1"
#endif
byte dns_buffer[dns_buff_size];
¢£10&
//-----------------------------------------------------------------------------
// FTP server
//-----------------------------------------------------------------------------
kpv_const byte  zs_ftp_max_param        = ftp_max_param;
kpv_const word  zs_ftp_buffer_len       = ftp_buffer_len;
kpv_const word  zs_ftp_num_users        = ftp_num_users;
kpv_const word  zs_mem_pool_size        = mem_pool_size;
#if ftp_buffer_len < 1
#error "ftp_buffer_len in zs_userconst.h must be at least 1"
#endif
#if mem_pool_size < 1
#error "mem_pool_size in zs_userconst.h must be at least 1"
#endif
byte ftp_param[ftp_max_param];
byte ftp_buffer[ftp_buffer_len];
zs_user ftp_user_table[ZS_AT_LEAST_ONE(ftp_num_users)];

// The memory pool holds the files that clients store on the device.
byte mem_pool[mem_pool_size];
££10,11&byte mem_pool[mem_pool_size];
££11&
//-----------------------------------------------------------------------------
// HTTP server
//-----------------------------------------------------------------------------
kpv_const word  zs_http_buffer_len      = http_buffer_len;
kpv_const word  zs_uri_buffer_len       = uri_buffer_len;
kpv_const word  zs_body_buffer_len      = body_buffer_len;
#if http_buffer_len < 1
#error "http_buffer_len in zs_userconst.h must be at least 1"
#endif
#if uri_buffer_len < 1
#error "uri_buffer_len in zs_userconst.h must be at least 1"
#endif
#if body_buffer_len < 1
#error "body_buffer_len in zs_userconst.h must be at least 1"
#endif
byte http_buffer[http_buffer_len];
byte uri_buffer[uri_buffer_len];
byte body_buffer[body_buffer_len];
££15,11&kpv_const byte  zs_num_post_funcs       = num_post_funcs;
zs_post_entry http_post_table[ZS_AT_LEAST_ONE(num_post_funcs)];
££13&
//-----------------------------------------------------------------------------
// TFTP client
//-----------------------------------------------------------------------------
kpv_const word  zs_tftp_resend_trys     = tftp_resend_trys;
££04&
//-----------------------------------------------------------------------------
// PING
//-----------------------------------------------------------------------------
kpv_const word  zs_ping_buff_size       = ping_buff_size;
#if ping_buff_size < 1
#error "ping_buff_size in zs_userconst.h must be at least 1"
#endif
byte ping_buffer[ping_buff_size];
££06&
//-----------------------------------------------------------------------------
// TCP
//-----------------------------------------------------------------------------
kpv_const word  zs_tcp_window           = tcp_window;
kpv_const word  zs_tcp_resend_ticks     = tcp_resend_ticks;
kpv_const word  zs_tcp_resend_trys      = tcp_resend_trys;
££12&
//-----------------------------------------------------------------------------
// SMTP client
//-----------------------------------------------------------------------------
kpv_const word  zs_smtp_buffer_len      = smtp_buffer_len;
byte smtp_buffer[smtp_buffer_len];
££15&
//-----------------------------------------------------------------------------
// Virtual files
//-----------------------------------------------------------------------------
kpv_const byte  zs_num_vf_pages         = num_vf_pages;
zs_vfile vf_table[ZS_AT_LEAST_ONE(num_vf_pages)];
£
