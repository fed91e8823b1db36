//-----------------------------------------------------------------------------
// locatra.c
//-----------------------------------------------------------------------------
//
// The LOCATRA device-discovery service (see locatra.h for the packets). This variant serves a device
// with a fixed IP address.
//

#include "zs_userconst.h"
#include "zs_stackconst.h"
#include "zs_errs.h"
#include "zs_defs.h"
#include "zs_funcs.h"
#include "locatra.h"

#if device_id == VARDEX
#include "vardex.h"
#elif device_id == PELMAR
#include "pelmar.h"
#else
#include "zintor.h"
#endif

//-----------------------------------------------------------------------------
// Global Variables
//-----------------------------------------------------------------------------
volatile dword locatra_event1;
volatile dword locatra_event2;
int locatra_socket = ZS_ERR_BAD_SOCKET;

static kpv_const char locatra_magic[4] = { 'L', 'C', 'T', 'R' };
static kpv_const char string_a[] = STRING_A;
static kpv_const char string_b[] = STRING_B;
static kpv_const char string_c[] = STRING_C;
static kpv_const char string_d[] = STRING_D;

// The longest answer: the fixed part and the four texts with their zero bytes.
#define LOCATRA_FIXED_LEN               (4 + 1 + 1 + 4 + 6 + 1 + 4 + 4 + 4)
#define LOCATRA_ANSWER_MAX              (LOCATRA_FIXED_LEN + sizeof(string_a) + sizeof(string_b) + \
                                         sizeof(string_c) + sizeof(string_d))

static byte answer[LOCATRA_ANSWER_MAX];
static word answer_len;
static byte broadcast_ip[4] = { 255, 255, 255, 255 };

//-----------------------------------------------------------------------------
// Building the answer
//-----------------------------------------------------------------------------
static void put_byte (byte value)
{
    answer[answer_len++] = value;
}

static void put_dword (dword value)
{
    put_byte ((byte) (value >> 24));
    put_byte ((byte) (value >> 16));
    put_byte ((byte) (value >> 8));
    put_byte ((byte) value);
}

static void put_bytes (byte kpv_xdata *bytes, byte count)
{
    byte i;

    for (i = 0; i < count; i++)
    {
        put_byte (bytes[i]);
    }
}

static void put_text (char kpv_const *text)
{
    do
    {
        put_byte ((byte) *text);
    } while (*text++ != 0);
}

// The event counters change in the Timer 2 interrupt; read them with it held off, so
// that no half-updated value goes out.
static dword read_event (volatile dword kpv_xdata *counter)
{
    dword value;
    byte timer2_enabled = ET2;

    ET2 = 0;
    value = *counter;
    ET2 = timer2_enabled;
    return value;
}

static int send_answer (byte type)
{
    byte i;

    answer_len = 0;
    for (i = 0; i < 4; i++)
    {
        put_byte ((byte) locatra_magic[i]);
    }
    put_byte (LOCATRA_VERSION);
    put_byte (type | LOCATRA_ANSWER);
    put_bytes (my_ip_addr, 4);
    put_bytes (my_hw_addr, 6);
    put_byte (LOCATRA_SOURCE_STATIC);
    put_dword (ZS_LEASE_INFINITE);
    put_dword (read_event (&locatra_event1));
    put_dword (read_event (&locatra_event2));
    put_text (string_a);
    put_text (string_b);
    put_text (string_c);
    put_text (string_d);
    return udp_send (locatra_socket, broadcast_ip, LOCATRA_PORT, answer, answer_len);
}

//-----------------------------------------------------------------------------
// locatra_start
//-----------------------------------------------------------------------------
int locatra_start (void)
{
    int socket = udp_open_socket (LOCATRA_PORT);

    if (socket < 0)
    {
        return socket;
    }
    locatra_socket = socket;
    return send_answer (LOCATRA_DISCOVER);
}

//-----------------------------------------------------------------------------
// locatra_process_packet
//-----------------------------------------------------------------------------
void locatra_process_packet (byte kpv_xdata *packet, word len)
{
    byte i;

    if (len < 6 || packet[4] != LOCATRA_VERSION)
    {
        return;
    }
    for (i = 0; i < 4; i++)
    {
        if (packet[i] != (byte) locatra_magic[i])
        {
            return;
        }
    }
    if (packet[5] == LOCATRA_DISCOVER)
    {
        send_answer (LOCATRA_DISCOVER);
    }
}
