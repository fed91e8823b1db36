//-----------------------------------------------------------------------------
// locatra.h
//-----------------------------------------------------------------------------
//
// LOCATRA, the device-discovery service. A discovery tool on the network broadcasts a
// request to UDP port LOCATRA_PORT; the device answers with a broadcast that holds its
// addresses, its name and description, and the definitions and values of its two event
// counters. The device also announces itself once when the service starts.
//
// Request:  "LCTR", version, type (LOCATRA_DISCOVER, LOCATRA_RENEW)
// Answer:   "LCTR", version, type | 0x80, IP address (4), Ethernet address (6), address
//           source (LOCATRA_SOURCE_...), lease seconds (4), event 1 and event 2
//           (4 each, most significant byte first), then STRING_A to STRING_D, each
//           ending with a zero byte.
//

#ifndef LOCATRA_H
#define LOCATRA_H

// The device's name and text description, and the definitions of its two events.
#define STRING_A                        ¤62
#define STRING_B                        ¤63
#define STRING_C                        ¤64
#define STRING_D                        ¤65

#define LOCATRA_PORT                    3040    // UDP port of requests and answers
#define LOCATRA_VERSION                 1

// Request types; the answer carries the type with bit 7 set.
#define LOCATRA_DISCOVER                0x01    // who is there?
#define LOCATRA_RENEW                   0x02    // renew the DHCP lease, then answer
#define LOCATRA_ANSWER                  0x80

// Where the device's IP address comes from.
#define LOCATRA_SOURCE_STATIC           0       // IP_SRC_ADDR of zs_userconst.h
#define LOCATRA_SOURCE_DHCP             1       // leased from a DHCP server
#define LOCATRA_SOURCE_FALLBACK         2       // no DHCP server answered: 0.0.0.1

// Event 1 (seconds since power-on) and event 2 (seconds on the network); the Timer 2
// interrupt of main.c advances both once a second.
extern volatile dword locatra_event1;
extern volatile dword locatra_event2;

// The UDP socket of the service, negative while it is not started.
extern int locatra_socket;

// Opens the service's socket and announces the device; ZS_OK or a UDP error.
int  locatra_start(void);

// Answers a request that arrived on locatra_socket (zs_callback.c hands it over).
void locatra_process_packet(byte kpv_xdata *packet, word len);

#endif  // LOCATRA_H
