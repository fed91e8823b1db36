//-----------------------------------------------------------------------------
// zs_defs.h
//-----------------------------------------------------------------------------
//
// Types of the TCP/IP stack and the compiler differences it hides. The same sources build
// with the 8051 toolchain of the IDE workspace and with SDCC (sdcc -mmcs51 --model-large);
// everything that the two spell differently goes through the macros below:
//
//   kpv_const                   a constant in code space (flash)
//   kpv_xdata, kpv_idata, ...   the other memory spaces
//   SFR(name, address)          an 8-bit special function register
//   SFR16(name, address)        a 16-bit register pair; address is that of the low byte
//   SBIT(name, address, bit)    one bit of a bit-addressable register
//   INTERRUPT(name, vector)     heads the definition of an interrupt service routine
//   INTERRUPT_PROTO(name, vector)
//                               declares it where the vector table is built
//
// The stack is compiled for the large memory model: variables without a memory space
// qualifier live in external data memory (xdata).
//

#ifndef ZS_DEFS_H
#define ZS_DEFS_H

#if defined(SDCC) || defined(__SDCC)

#define kpv_const                       __code
#define kpv_xdata                       __xdata
#define kpv_idata                       __idata
#define kpv_data                        __data
#define kpv_bit                         __bit
#define kpv_reentrant                   __reentrant
#define SFR(name, address)              __sfr __at(address) name
#define SFR16(name, address)            __sfr16 __at((((address) + 1) << 8) | (address)) name
#define SBIT(name, address, bit)        __sbit __at((address) + (bit)) name
#define INTERRUPT(name, vector)         void name(void) __interrupt(vector)
// SDCC places an interrupt vector only when the routine is declared in the file that
// holds main(), so the stack headers declare every routine of the project.
#define INTERRUPT_PROTO(name, vector)   void name(void) __interrupt(vector)

#elif defined(__C51__)

#define kpv_const                       code
#define kpv_xdata                       xdata
#define kpv_idata                       idata
#define kpv_data                        data
#define kpv_bit                         bit
#define kpv_reentrant                   reentrant
#define SFR(name, address)              sfr name = address
#define SFR16(name, address)            sfr16 name = address
#define SBIT(name, address, bit)        sbit name = address ^ bit
#define INTERRUPT(name, vector)         void name(void) interrupt vector
// This toolchain builds the vector from the definition alone; a harmless type name keeps
// the declaration a complete statement.
#define INTERRUPT_PROTO(name, vector)   typedef void name##_interrupt_routine(void)

#else

// Any other compiler (a host-side check of the sources): registers become plain variables.
#define kpv_const                       const
#define kpv_xdata
#define kpv_idata
#define kpv_data
#define kpv_bit                         unsigned char
#define kpv_reentrant
#define SFR(name, address)              extern volatile unsigned char name
#define SFR16(name, address)            extern volatile unsigned short name
#define SBIT(name, address, bit)        extern volatile unsigned char name
#define INTERRUPT(name, vector)         void name(void)
#define INTERRUPT_PROTO(name, vector)   void name(void)

#endif

//-----------------------------------------------------------------------------
// Device identifiers: zs_userconst.h sets device_id to one of them, so that sources can
// test the family with #if device_id == VARDEX.
//-----------------------------------------------------------------------------
#define VARDEX                          1
#define PELMAR                          2
#define ZINTOR                          3
¢08&#define ZS_PAGED_SFR                    1       // Vardex: SFRs are spread over pages
¢
//-----------------------------------------------------------------------------
// Basic types
//-----------------------------------------------------------------------------
typedef unsigned char                   byte;   // 8 bits
typedef unsigned short                  word;   // 16 bits
typedef unsigned long                   dword;  // 32 bits

#ifndef TRUE
#define TRUE                            1
#define FALSE                           0
#endif

// A count that sizes an array: never below one element, so that a count of 0 in the
// configuration still gives a valid declaration.
#define ZS_AT_LEAST_ONE(count)          ((count) > 0 ? (count) : 1)

// Length of a user name or password, terminating zero included.
#define ZS_USER_TEXT_LEN                16

//-----------------------------------------------------------------------------
// Stack records shared by the precompiled stack and the project's sources
//-----------------------------------------------------------------------------

// One socket of the socket table (zs_vars.c). Sockets are handed out as their index into
// the table; negative values are error codes of zs_errs.h.
typedef struct
{
    byte  state;                        // ZS_SOCKET_... of zs_stackconst.h
    byte  protocol;                     // ZS_PROTO_TCP or ZS_PROTO_UDP
    word  local_port;
    word  remote_port;
    byte  remote_ip[4];
    dword send_next;                    // TCP sequence numbers
    dword receive_next;
    word  retry_ticks;                  // ticks left before the next resend
    byte  retries;
} zs_socket_entry;

// One ARP cache entry.
typedef struct
{
    byte ip[4];
    byte hw[6];
    word age_ticks;
} zs_arp_entry;

// A user that a server accepts (FTP) or that the link accepts (PAP).
typedef struct
{
    char name[ZS_USER_TEXT_LEN];
    char password[ZS_USER_TEXT_LEN];
} zs_user;

// One virtual file: a name and bytes in code space.
typedef struct
{
    char kpv_const *name;
    byte kpv_const *content;
    word size;
} zs_vfile;

// A function the HTTP server runs for a form posted to its name. It receives the posted
// body and writes the answer page into reply; it returns the length of the answer.
typedef word (*zs_post_function)(byte kpv_xdata *body, word body_len, byte kpv_xdata *reply, word reply_max);

typedef struct
{
    char kpv_const *name;
    zs_post_function function;
} zs_post_entry;

// What a BOOTP server answers.
typedef struct
{
    byte client_ip[4];                  // our address
    byte server_ip[4];                  // the BOOTP server
    byte gateway_ip[4];                 // the relay agent, if any
    char boot_file[32];                 // the boot file name the server offers
} zs_bootp_info;

#endif  // ZS_DEFS_H
