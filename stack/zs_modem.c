//-----------------------------------------------------------------------------
// zs_modem.c
//-----------------------------------------------------------------------------
//
// The modem's AT dialogue over UART0, with the texts of zs_vars.c. The modem's replies
// are read a line at a time without keeping the line: every known reply is compared at the
// same column as the bytes arrive, so a few bytes of state do (a bit per reply still
// matching, a bit per reply matched in full). Echoed commands and blank lines match no reply.
//

#include "zs_stack.h"
#include "zs_hw.h"

#ifdef ZS_MODEM

// The replies the dialogue waits for; a line matches when it starts with one followed by
// anything but a letter ("CONNECT 9600" is a CONNECT, "CONNECTING" is not). The bit of each is 1 << its index.
#define R_OK                0x01
#define R_CONNECT           0x02
#define R_RING              0x04
#define R_NO_CARRIER        0x08
#define R_ERROR             0x10
#define R_NO_DIALTONE       0x20
#define R_BUSY              0x40
#define R_NO_ANSWER         0x80
#define MODEM_REPLIES       8

static kpv_const char *kpv_const modem_replies[MODEM_REPLIES] =
{
    "OK", "CONNECT", "RING", "NO CARRIER", "ERROR", "NO DIALTONE", "BUSY", "NO ANSWER"
};

// Ticks to wait for each answer.
#define WAIT_OK             (3 * ZS_TICKS_PER_SECOND)
#define WAIT_CONNECT        (60 * ZS_TICKS_PER_SECOND)
#define WAIT_PROMPT         (30 * ZS_TICKS_PER_SECOND)
#define GUARD_TIME          (ZS_TICKS_PER_SECOND + ZS_TICKS_PER_SECOND / 5)
#define WAIT_FOREVER        0

static byte modem_column;
static byte modem_alive;                // replies that still match the line so far
static byte modem_whole;                // replies the line has matched in full
static byte modem_fresh;                // ... with the byte before this one

static void modem_new_line(void)
{
    modem_column = 0;
    modem_alive = 0xFF;
    modem_whole = 0;
    modem_fresh = 0;
}

// Takes one byte of the modem's output; at the end of a line returns the bit of the
// first reply it matched among wanted, otherwise 0.
static byte modem_take(byte c, byte wanted)
{
    byte i;
    byte bit;
    char t;

    if (c == '\r' || c == '\n')
    {
        bit = modem_whole & wanted;
        modem_new_line();
        return bit & (byte) -bit;       // the lowest bit set
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
    {
        modem_whole &= (byte) ~modem_fresh; // the line goes on with a longer word
    }
    modem_fresh = 0;
    for (i = 0, bit = 1; i < MODEM_REPLIES; i++, bit <<= 1)
    {
        if ((modem_alive & bit) && !(modem_whole & bit))
        {
            t = modem_replies[i][modem_column];
            if (t != (char) c)
            {
                modem_alive &= (byte) ~bit;
            }
            else if (modem_replies[i][modem_column + 1] == 0)
            {
                modem_whole |= bit;
                modem_fresh |= bit;
            }
        }
    }
    if (modem_column < 0xFF)
    {
        modem_column++;
    }
    return 0;
}

// Waits up to ticks (WAIT_FOREVER: no limit) for a reply among wanted; 0 on time-out.
static byte modem_wait(byte wanted, word ticks)
{
    word start = zs_get_ticks();
    int c;
    byte got;

    modem_new_line();
    for (;;)
    {
        c = zs_uart_get();
        if (c >= 0)
        {
            got = modem_take((byte) c, wanted);
            if (got)
            {
                return got;
            }
        }
        else if (ticks != WAIT_FOREVER && (word) (zs_get_ticks() - start) >= ticks)
        {
            return 0;
        }
        else
        {
            zs_hw_idle();
        }
    }
}

// Sends a configured text, ending it with a carriage return unless it has one.
static void modem_send(kpv_const char *text)
{
    char last = 0;

    while (*text)
    {
        last = *text++;
        zs_uart_put((byte) last);
    }
    if (last != '\r')
    {
        zs_uart_put('\r');
    }
}

// Sends a command and waits for its OK; empty commands are left out.
static byte modem_command(kpv_const char *text)
{
    if (text[0] == 0)
    {
        return 1;
    }
    modem_send(text);
    return modem_wait(R_OK | R_ERROR, WAIT_OK) == R_OK;
}

static void modem_pause(word ticks)
{
    word start = zs_get_ticks();

    while ((word) (zs_get_ticks() - start) < ticks)
    {
        zs_hw_idle();
    }
}

int modem_init(void)
{
    zs_uart_start();
    if (!modem_command(zs_modem_country) || !modem_command(zs_modem_protocol) ||
        !modem_command(zs_modem_init_dial))
    {
        return ZS_ERR_DEVICE;
    }
    return ZS_OK;
}

int modem_dial(void)
{
    modem_send(zs_modem_dial);
    switch (modem_wait(R_CONNECT | R_BUSY | R_NO_DIALTONE | R_NO_CARRIER | R_NO_ANSWER | R_ERROR,
                       WAIT_CONNECT))
    {
    case R_CONNECT:
#ifdef ZS_SLIP
        slip_restart();                 // nothing from before the call is a frame
#endif
#ifdef ZS_PPP
        ppp_restart();
        ppp_answered = 0;
#endif
        zs_link_set(1);
        return ZS_OK;
    case R_BUSY:
        return ZS_ERR_BUSY;
    case R_NO_DIALTONE:
        return ZS_ERR_NO_DIALTONE;
    case R_NO_CARRIER:
    case R_NO_ANSWER:
        return ZS_ERR_NO_CARRIER;
    case R_ERROR:
        return ZS_ERR_MODEM;
    default:
        return ZS_ERR_TIMEOUT;
    }
}

int modem_answer(void)
{
    byte got;
    word ticks = WAIT_FOREVER;          // until the first ring

    if (!modem_command(zs_modem_init_answer))
    {
        return ZS_ERR_DEVICE;
    }
    for (;;)
    {
        got = modem_wait(R_RING | R_CONNECT | R_NO_CARRIER | R_ERROR, ticks);
        if (got == R_CONNECT)
        {
#ifdef ZS_SLIP
            slip_restart();
#endif
#ifdef ZS_PPP
            ppp_restart();
            ppp_answered = 1;           // the caller authenticates to us
#endif
            zs_link_set(1);
            return ZS_OK;
        }
        if (got != R_RING)
        {
            return ZS_ERR_NO_CARRIER;
        }
        ticks = WAIT_CONNECT;           // it rings: the modem answers by itself
    }
}

void modem_hangup(void)
{
    // The escape to command mode only counts between two guard times of silence.
    zs_uart_flush();
    modem_pause(GUARD_TIME);
    zs_uart_put('+');
    zs_uart_put('+');
    zs_uart_put('+');
    zs_uart_flush();
    modem_pause(GUARD_TIME);
    modem_send("ATH0\r");
    modem_wait(R_OK | R_ERROR, WAIT_OK);
    zs_link_set(0);
}

byte modem_carrier_lost(byte kpv_xdata *frame, word len)
{
    byte i = 0;
    kpv_const char *t = modem_replies[3];

    while (i < len && i < 4 && (frame[i] == '\r' || frame[i] == '\n'))
    {
        i++;
    }
    for (; *t; t++, i++)
    {
        if (i >= len || frame[i] != (byte) *t)
        {
            return 0;
        }
    }
    return 1;
}

#ifdef DIAL_LOGIN_PROMPT

// Waits up to WAIT_PROMPT for the prompt to appear anywhere in what the remote end sends.
// On a mismatch the longest start of the prompt that still ends the received text is kept
// (found in the prompt itself), so overlapping prompts are found too.
static byte modem_wait_prompt(kpv_const char *prompt)
{
    word start = zs_get_ticks();
    int c;
    byte n = 0;                         // prompt bytes matched so far
    byte k;
    byte j;

    if (prompt[0] == 0)
    {
        return 1;
    }
    for (;;)
    {
        c = zs_uart_get();
        if (c < 0)
        {
            if ((word) (zs_get_ticks() - start) >= WAIT_PROMPT)
            {
                return 0;
            }
            zs_hw_idle();
            continue;
        }
        if (prompt[n] == (char) c)
        {
            n++;
        }
        else
        {
            // The received tail is prompt[0..n) then c: find the longest k with
            // prompt[0..k) equal to its last k bytes.
            for (k = n; k > 0; k--)
            {
                if (prompt[k - 1] != (char) c)
                {
                    continue;
                }
                for (j = 0; j + 1 < k && prompt[j] == prompt[n - k + 1 + j]; j++)
                {
                }
                if (j + 1 == k)
                {
                    break;
                }
            }
            n = k;
        }
        if (prompt[n] == 0)
        {
            return 1;
        }
    }
}

int modem_login(void)
{
    if (!modem_wait_prompt(zs_dial_login_prompt))
    {
        return ZS_ERR_LOGIN;
    }
    modem_send(zs_login_name);
#if defined(ZS_SLIP) || defined(ZS_PPP)
    if (zs_use_password)
#endif
    {
        if (!modem_wait_prompt(zs_dial_password_prompt))
        {
            return ZS_ERR_LOGIN;
        }
        modem_send(zs_password);
    }
    return ZS_OK;
}

#else

int modem_login(void)
{
    // This project has no login texts: the remote end asks for nothing.
    return ZS_OK;
}

#endif
#endif  // ZS_MODEM
