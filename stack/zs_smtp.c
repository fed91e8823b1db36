//-----------------------------------------------------------------------------
// zs_smtp.c
//-----------------------------------------------------------------------------
//
// The SMTP client (RFC 5321): hands one mail at a time to the configured server, which
// delivers it. The dialogue is the plain one every server takes (HELO, MAIL, RCPT, DATA,
// QUIT); the body goes out with its lines ended by CR LF and dot-stuffed, so that no
// line of it can end the mail early. Any refusal of the server ends the mail with
// ZS_ERR_MAIL_REJECTED.
//
// smtp_buffer gathers what is sent, so that each command and the body go out in as few
// segments as they fit; replies are read a byte at a time into its front.
//

#include "zs_stack.h"

#ifdef ZS_SMTP

extern kpv_const word zs_smtp_buffer_len;
extern byte kpv_xdata smtp_buffer[];

#define SMTP_WAIT_TICKS     (30 * ZS_TICKS_PER_SECOND)
#define SMTP_MIN_BUFFER     8
#define SMTP_REPLY          4           // smtp_buffer[0..3]: the start of a reply line
#define SMTP_OUT            8           // what is sent is gathered from here on

static int  smtp_socket;
static word smtp_fill;                  // bytes gathered at SMTP_OUT
static int  smtp_error;                 // the first error of sending, or ZS_OK

void smtp_set_server(byte kpv_xdata *ip)
{
    zs_copy(smtp_ip_addr, ip, 4);
}

static void smtp_flush(void)
{
    int r;

    if (smtp_fill && smtp_error == ZS_OK)
    {
        r = tcp_send(smtp_socket, smtp_buffer + SMTP_OUT, smtp_fill);
        if (r < 0)
        {
            smtp_error = r;
        }
    }
    smtp_fill = 0;
}

static void smtp_byte(byte c)
{
    if (SMTP_OUT + smtp_fill >= zs_smtp_buffer_len)
    {
        smtp_flush();
    }
    smtp_buffer[SMTP_OUT + smtp_fill++] = c;
}

static void smtp_text(char kpv_const *text)
{
    while (*text)
    {
        smtp_byte((byte) *text++);
    }
}

// Sends what has been gathered and waits for the server's reply. Returns its code (the
// last line's, for a reply of several lines), or a negative error.
static int smtp_reply(void)
{
    word start;
    byte count = 0;                     // bytes of the current line so far
    int n;
    byte c;

    smtp_flush();
    if (smtp_error != ZS_OK)
    {
        return smtp_error;
    }
    start = zs_get_ticks();
    for (;;)
    {
        n = tcp_receive(smtp_socket, smtp_buffer + SMTP_REPLY, 1);
        if (n < 0)
        {
            return n;
        }
        if (n == 0)
        {
            if ((word) (zs_get_ticks() - start) >= SMTP_WAIT_TICKS)
            {
                return ZS_ERR_TIMEOUT;
            }
            if (zs_poll() != ZS_OK)
            {
                return ZS_ERR_LINK;
            }
            continue;
        }
        c = smtp_buffer[SMTP_REPLY];
        if (count < SMTP_REPLY)
        {
            smtp_buffer[count] = c;
        }
        if (count < 255)
        {
            count++;
        }
        if (c != '\n')
        {
            continue;
        }
        if (count > SMTP_REPLY && smtp_buffer[3] == '-')
        {
            count = 0;                  // "250-...": more lines follow
            continue;
        }
        break;
    }
    if (count < SMTP_REPLY || smtp_buffer[0] < '1' || smtp_buffer[0] > '5' || smtp_buffer[1] < '0' ||
        smtp_buffer[1] > '9' || smtp_buffer[2] < '0' || smtp_buffer[2] > '9')
    {
        return ZS_ERR_MAIL_REJECTED;    // not a reply of an SMTP server
    }
    return (smtp_buffer[0] - '0') * 100 + (smtp_buffer[1] - '0') * 10 + (smtp_buffer[2] - '0');
}

// Sends what is gathered and checks the reply's class against the one wanted. Returns ZS_OK, ZS_ERR_MAIL_REJECTED or a TCP error.
static int smtp_expect(int wanted)
{
    int code = smtp_reply();

    if (code < 0)
    {
        return code;
    }
    return code / 100 == wanted / 100 ? ZS_OK : ZS_ERR_MAIL_REJECTED;
}

// 1 when the text is fit for a header or a command: no line break, and for an address
// no angle bracket.
static byte smtp_fit(char kpv_const *text, byte address)
{
    for (; *text; text++)
    {
        if (*text == '\r' || *text == '\n' || (address && (*text == '<' || *text == '>')))
        {
            return 0;
        }
    }
    return 1;
}

static void smtp_number(byte n)
{
    if (n >= 100)
    {
        smtp_byte((byte) ('0' + n / 100));
    }
    if (n >= 10)
    {
        smtp_byte((byte) ('0' + n / 10 % 10));
    }
    smtp_byte((byte) ('0' + n % 10));
}

// The body: every line ended by CR LF, a leading dot doubled, then the closing dot.
static void smtp_body(byte kpv_xdata *body, word len)
{
    byte line_start = 1;
    byte prev = 0;
    byte c;

    for (; len; len--)
    {
        c = *body++;
        if (prev == '\r' && c != '\n')
        {
            smtp_byte('\n');            // a lone CR ends its line too
            line_start = 1;
        }
        if (c == '\n' && prev != '\r')
        {
            smtp_byte('\r');
        }
        if (line_start && c == '.')
        {
            smtp_byte('.');
        }
        smtp_byte(c);
        line_start = c == '\n';
        prev = c;
    }
    if (prev == '\r')
    {
        smtp_byte('\n');
        line_start = 1;
    }
    if (!line_start)
    {
        smtp_text("\r\n");
    }
    smtp_text(".\r\n");
}

int smtp_send_mail(char kpv_const *from, char kpv_const *to, char kpv_const *subject,
                   byte kpv_xdata *body, word len)
{
    int result;
    byte i;

    if (!from || !to || !subject || (!body && len) || !smtp_fit(from, 1) || !smtp_fit(to, 1) ||
        !to[0] || !smtp_fit(subject, 0))
    {
        return ZS_ERR_ARGUMENT;
    }
    if (zs_smtp_buffer_len < SMTP_OUT + SMTP_MIN_BUFFER)
    {
        return ZS_ERR_NO_MEMORY;
    }
#ifdef ZS_SERVERS
    smtp_socket = srv_take_socket(ZS_SRV_CLIENT);
#else
    smtp_socket = tcp_open_socket();
#endif
    if (smtp_socket < 0)
    {
        return smtp_socket;
    }
    tcp_claim(smtp_socket);             // its replies are read here, not by the application
    smtp_fill = 0;
    smtp_error = ZS_OK;
    result = tcp_connect(smtp_socket, smtp_ip_addr, ZS_PORT_SMTP);
    if (result == ZS_OK)
    {
        result = smtp_expect(220);
    }
    if (result == ZS_OK)
    {
        // We have no name: the address literal stands for us.
        smtp_text("HELO [");
        for (i = 0; i < 4; i++)
        {
            smtp_number(my_ip_addr[i]);
            smtp_byte(i < 3 ? '.' : ']');
        }
        smtp_text("\r\n");
        result = smtp_expect(250);
    }
    if (result == ZS_OK)
    {
        smtp_text("MAIL FROM:<");
        smtp_text(from);
        smtp_text(">\r\n");
        result = smtp_expect(250);
    }
    if (result == ZS_OK)
    {
        smtp_text("RCPT TO:<");
        smtp_text(to);
        smtp_text(">\r\n");
        result = smtp_expect(250);
    }
    if (result == ZS_OK)
    {
        smtp_text("DATA\r\n");
        result = smtp_expect(354);
    }
    if (result == ZS_OK)
    {
        smtp_text("From: <");
        smtp_text(from);
        smtp_text(">\r\nTo: <");
        smtp_text(to);
        smtp_text(">\r\nSubject: ");
        smtp_text(subject);
        smtp_text("\r\n\r\n");
        smtp_body(body, len);
        result = smtp_expect(250);
    }
    if (result == ZS_OK || result == ZS_ERR_MAIL_REJECTED)
    {
        // The mail is delivered or refused either way; QUIT only ends the dialogue politely.
        smtp_fill = 0;
        smtp_error = ZS_OK;
        smtp_text("QUIT\r\n");
        smtp_expect(221);
    }
#ifdef ZS_SERVERS
    srv_release(smtp_socket);
#else
    if (zs_sockets[smtp_socket].state != ZS_SOCKET_FREE)
    {
        tcp_close(smtp_socket);
    }
#endif
    return result;
}

#endif  // ZS_SMTP
