//-----------------------------------------------------------------------------
// zs_ftp.c
//-----------------------------------------------------------------------------
//
// The FTP server (RFC 959, the part clients need to list and fetch files): log-in against
// ftp_user_table, one directory ("/") holding the virtual files, passive data connections
// only, LIST, NLST, RETR and SIZE. The files live in code space, so every command that
// would change them is refused with 550.
//
// One session at a time: while a client is logged on, the server does not listen on port
// 21, and the next client is refused by TCP until the session ends (QUIT, the connection
// closing, or FTP_IDLE_TICKS without a command).
//
// The command line is read a byte at a time, so that whatever the client sent after it
// stays unacknowledged with TCP, untouched, until the command has been answered: the one
// buffer serves for the command, the replies and the data in turn.
//

#include "zs_stack.h"

#ifdef ZS_FTP

extern kpv_const byte zs_ftp_max_param;
extern kpv_const word zs_ftp_buffer_len;
extern kpv_const word zs_ftp_num_users;
extern byte kpv_xdata ftp_param[];
extern byte kpv_xdata ftp_buffer[];
extern zs_user kpv_xdata ftp_user_table[];
#ifdef ZS_VIRTUAL_FILES
extern kpv_const byte zs_num_vf_pages;
extern zs_vfile kpv_xdata vf_table[];
#endif

#define FTP_IDLE_TICKS      (120 * ZS_TICKS_PER_SECOND)
#define FTP_DATA_TICKS      (10 * ZS_TICKS_PER_SECOND)
// The longest command line taken, and the least buffer that holds every reply.
#define FTP_LINE_MAX        80
#define FTP_MIN_BUFFER      80
#define FTP_NO_USER         0xFF

// The session's state.
#define FTP_IDLE            0           // listening, no client
#define FTP_USER            1           // greeted, waiting for USER
#define FTP_PASS            2           // USER given, waiting for PASS
#define FTP_READY           3           // logged in

static byte ftp_running;
static byte ftp_state;
static int  ftp_ctl;                    // the control socket, or -1
static int  ftp_data;                   // the passive data socket, or -1
static byte ftp_user;
static word ftp_fill;                   // bytes of the command line in ftp_buffer
static byte ftp_overlong;               // the line grew past FTP_LINE_MAX
static word ftp_since;                  // the last command
static word ftp_next_port;
static byte ftp_verb[4];                // the command, in upper case
static byte ftp_param_bad;              // the parameter did not fit ftp_param

//-----------------------------------------------------------------------------
// Replies
//-----------------------------------------------------------------------------

static word ftp_put(word at, char kpv_const *text)
{
    while (*text && at < zs_ftp_buffer_len)
    {
        ftp_buffer[at++] = (byte) *text++;
    }
    return at;
}

static word ftp_put_number(word at, word n)
{
    byte digits[5];
    byte count = 0;

    do
    {
        digits[count++] = (byte) ('0' + n % 10);
        n /= 10;
    } while (n);
    while (count && at < zs_ftp_buffer_len)
    {
        ftp_buffer[at++] = digits[--count];
    }
    return at;
}

// Ends the reply in ftp_buffer (at bytes) and sends it on the control connection.
static void ftp_send_reply(word at)
{
    at = ftp_put(at, "\r\n");
    tcp_send(ftp_ctl, ftp_buffer, at);
}

static void ftp_reply(char kpv_const *text)
{
    ftp_send_reply(ftp_put(0, text));
}

//-----------------------------------------------------------------------------
// The session
//-----------------------------------------------------------------------------

static void ftp_close_data(void)
{
    if (ftp_data >= 0 && srv_owns(ftp_data, ZS_SRV_FTP_DATA))
    {
        srv_release(ftp_data);
    }
    ftp_data = -1;
}

static void ftp_end_session(void)
{
    ftp_close_data();
    if (ftp_ctl >= 0 && srv_owns(ftp_ctl, ZS_SRV_FTP))
    {
        srv_release(ftp_ctl);
    }
    ftp_ctl = -1;
    ftp_state = FTP_IDLE;
}

static void ftp_listen(void)
{
    ftp_ctl = srv_take_socket(ZS_SRV_FTP);
    if (ftp_ctl >= 0 && tcp_listen(ftp_ctl, ZS_PORT_FTP) != ZS_OK)
    {
        srv_release(ftp_ctl);
        ftp_ctl = -1;
    }
    ftp_state = FTP_IDLE;
}

// 1 when the command is the four letters given (three-letter ones end in a blank).
static byte ftp_is(char kpv_const *verb)
{
    return ftp_verb[0] == (byte) verb[0] && ftp_verb[1] == (byte) verb[1] &&
           ftp_verb[2] == (byte) verb[2] && ftp_verb[3] == (byte) (verb[3] ? verb[3] : ' ');
}

// 1 when two texts of the user table and the parameter agree.
static byte ftp_same(char kpv_xdata *a, char kpv_xdata *b)
{
    while (*a && *a == *b)
    {
        a++;
        b++;
    }
    return *a == *b;
}

#ifdef ZS_VIRTUAL_FILES
// The virtual file named by the parameter ("/name" or "name"), or a negative code.
static int ftp_file(void)
{
    char kpv_xdata *name = (char kpv_xdata *) ftp_param;

    if (ftp_param_bad)
    {
        return ZS_ERR_NOT_FOUND;
    }
    if (*name == '/')
    {
        name++;
    }
    return vf_find_file(name);
}
#endif

// Opens a data socket listening on a port of its own and tells the client where.
static void ftp_passive(byte extended)
{
    word port;
    word at;
    byte i;

    ftp_close_data();
    ftp_data = srv_take_socket(ZS_SRV_FTP_DATA);
    if (ftp_data < 0)
    {
        ftp_reply("425 No connection free for data");
        return;
    }
    if (ftp_next_port < 0xC000)
    {
        ftp_next_port = 0xC000 | (zs_get_ticks() & 0x0FFF);
    }
    port = ftp_next_port++;
    if (tcp_listen(ftp_data, port) != ZS_OK)
    {
        ftp_close_data();
        ftp_reply("425 Cannot listen for data");
        return;
    }
    if (extended)
    {
        at = ftp_put(0, "229 Entering Extended Passive Mode (|||");
        at = ftp_put_number(at, port);
        at = ftp_put(at, "|)");
    }
    else
    {
        at = ftp_put(0, "227 Entering Passive Mode (");
        for (i = 0; i < 4; i++)
        {
            at = ftp_put_number(at, my_ip_addr[i]);
            at = ftp_put(at, ",");
        }
        at = ftp_put_number(at, port >> 8);
        at = ftp_put(at, ",");
        at = ftp_put_number(at, port & 0xFF);
        at = ftp_put(at, ")");
    }
    ftp_send_reply(at);
}

// Waits for the client to open the passive data connection; 1 once it is there.
static byte ftp_data_ready(void)
{
    word start = zs_get_ticks();
    byte state;

    if (ftp_data < 0 || !srv_owns(ftp_data, ZS_SRV_FTP_DATA))
    {
        ftp_data = -1;
        ftp_reply("425 Use PASV first");
        return 0;
    }
    for (;;)
    {
        state = zs_sockets[ftp_data].state;
        if (state == ZS_SOCKET_ESTABLISHED || state == ZS_SOCKET_CLOSE_WAIT)
        {
            return 1;
        }
        if ((state != ZS_SOCKET_LISTEN && state != ZS_SOCKET_SYN_RECEIVED) ||
            (word) (zs_get_ticks() - start) >= FTP_DATA_TICKS || zs_poll() != ZS_OK ||
            !srv_owns(ftp_data, ZS_SRV_FTP_DATA))
        {
            ftp_close_data();
            ftp_reply("425 No data connection");
            return 0;
        }
    }
}

// Sends what ftp_buffer holds (at bytes) on the data connection; 0 when it failed.
static byte ftp_send_data(word at)
{
    return at == 0 || tcp_send(ftp_data, ftp_buffer, at) == (int) at;
}

// LIST (long) or NLST (names) of the one directory, or RETR of a file.
static void ftp_transfer(byte list, byte names, int file)
{
    word at = 0;
    byte ok = 1;
#ifdef ZS_VIRTUAL_FILES
    byte i;
    word offset = 0;
    word n;
#endif

    if (!ftp_data_ready())
    {
        return;
    }
    ftp_reply("150 Opening data connection");
#ifdef ZS_VIRTUAL_FILES
    if (list)
    {
        for (i = 0; i < zs_num_vf_pages && ok; i++)
        {
            if (!vf_table[i].name)
            {
                continue;
            }
            // Flush first when the line might not fit behind what is waiting.
            if (at + FTP_LINE_MAX > zs_ftp_buffer_len)
            {
                ok = ftp_send_data(at);
                at = 0;
            }
            if (!names)
            {
                at = ftp_put(at, "-r--r--r-- 1 owner group ");
                at = ftp_put_number(at, vf_table[i].size);
                at = ftp_put(at, " Jan  1  2000 ");
            }
            at = ftp_put(at, vf_table[i].name);
            at = ftp_put(at, "\r\n");
        }
        ok = ok && ftp_send_data(at);
    }
    else
    {
        do
        {
            n = vf_get_data(file, offset, ftp_buffer, zs_ftp_buffer_len);
            offset += n;
            ok = ftp_send_data(n);
        } while (ok && n);
    }
#else
    (void) list;
    (void) names;
    (void) file;
    (void) at;
#endif
    if (ok)
    {
        srv_release(ftp_data);
        ftp_data = -1;
        ftp_reply("226 Transfer complete");
    }
    else
    {
        ftp_close_data();
        ftp_reply("426 Connection closed; transfer aborted");
    }
}

// Splits the line in ftp_buffer into the command and its parameter.
static void ftp_split(void)
{
    word at = 0;
    word out = 0;
    byte i;
    byte c;

    for (i = 0; i < 4; i++)
    {
        c = (at < ftp_fill) ? ftp_buffer[at] : ' ';
        if (c == ' ')
        {
            ftp_verb[i] = ' ';
            continue;
        }
        ftp_verb[i] = (c >= 'a' && c <= 'z') ? (byte) (c - 32) : c;
        at++;
    }
    if (at < ftp_fill && ftp_buffer[at] != ' ')
    {
        ftp_verb[0] = '?';              // longer than four letters: no command of ours
    }
    while (at < ftp_fill && ftp_buffer[at] == ' ')
    {
        at++;
    }
    ftp_param_bad = 0;
    for (; at < ftp_fill; at++)
    {
        if (out + 1 >= zs_ftp_max_param)
        {
            ftp_param_bad = 1;
            break;
        }
        ftp_param[out++] = ftp_buffer[at];
    }
    if (zs_ftp_max_param)
    {
        ftp_param[out] = 0;
    }
}

static void ftp_command(void)
{
    byte i;
    int file = ZS_ERR_NOT_FOUND;
    word at;

    ftp_split();
    if (ftp_is("QUIT"))
    {
        ftp_reply("221 Goodbye");
        ftp_end_session();
        return;
    }
    if (ftp_is("USER"))
    {
        ftp_user = FTP_NO_USER;
        for (i = 0; i < zs_ftp_num_users && !ftp_param_bad; i++)
        {
            if (ftp_user_table[i].name[0] &&
                ftp_same(ftp_user_table[i].name, (char kpv_xdata *) ftp_param))
            {
                ftp_user = i;
                break;
            }
        }
        // Unknown names are asked for a password too, so as not to tell which names exist.
        ftp_state = FTP_PASS;
        ftp_reply("331 Password required");
        return;
    }
    if (ftp_is("PASS"))
    {
        if (ftp_state != FTP_PASS)
        {
            ftp_reply(ftp_state == FTP_READY ? "230 Already logged in" : "503 Send USER first");
            return;
        }
        if (ftp_user != FTP_NO_USER && !ftp_param_bad &&
            ftp_same(ftp_user_table[ftp_user].password, (char kpv_xdata *) ftp_param))
        {
            ftp_state = FTP_READY;
            ftp_reply("230 Logged in");
        }
        else
        {
            ftp_state = FTP_USER;
            ftp_reply("530 Login incorrect");
        }
        return;
    }
    if (ftp_is("SYST"))
    {
        ftp_reply("215 UNIX Type: L8");
        return;
    }
    if (ftp_is("NOOP"))
    {
        ftp_reply("200 OK");
        return;
    }
    if (ftp_state != FTP_READY)
    {
        ftp_reply("530 Log in with USER and PASS first");
        return;
    }
    if (ftp_is("PWD") || ftp_is("XPWD"))
    {
        ftp_reply("257 \"/\" is the current directory");
    }
    else if (ftp_is("CWD") || ftp_is("XCWD"))
    {
        if (!ftp_param_bad && (ftp_param[0] == 0 || (ftp_param[0] == '/' && ftp_param[1] == 0) ||
                               (ftp_param[0] == '.' && ftp_param[1] == 0)))
        {
            ftp_reply("250 Directory is /");
        }
        else
        {
            ftp_reply("550 No such directory");
        }
    }
    else if (ftp_is("CDUP") || ftp_is("XCUP"))
    {
        ftp_reply("250 Directory is /");
    }
    else if (ftp_is("TYPE"))
    {
        i = (byte) (ftp_param[0] & 0xDF);
        ftp_reply(i == 'A' || i == 'I' || i == 'L' ? "200 Type set" : "504 Only types A and I are offered");
    }
    else if (ftp_is("MODE"))
    {
        ftp_reply((ftp_param[0] & 0xDF) == 'S' ? "200 Mode set" : "504 Only stream mode is offered");
    }
    else if (ftp_is("STRU"))
    {
        ftp_reply((ftp_param[0] & 0xDF) == 'F' ? "200 Structure set" : "504 Only file structure is offered");
    }
    else if (ftp_is("PASV") || ftp_is("EPSV"))
    {
        ftp_passive(ftp_verb[0] == 'E');
    }
    else if (ftp_is("PORT") || ftp_is("EPRT"))
    {
        ftp_reply("502 Active mode is not offered: use PASV");
    }
    else if (ftp_is("LIST") || ftp_is("NLST"))
    {
        ftp_transfer(1, ftp_verb[0] == 'N', 0);
    }
#ifdef ZS_VIRTUAL_FILES
    else if (ftp_is("RETR") || ftp_is("SIZE"))
    {
        file = ftp_file();
        if (file < 0)
        {
            ftp_reply("550 No such file");
        }
        else if (ftp_verb[0] == 'R')
        {
            ftp_transfer(0, 0, file);
        }
        else
        {
            at = ftp_put(0, "213 ");
            ftp_send_reply(ftp_put_number(at, vf_table[file].size));
        }
    }
#endif
    else if (ftp_is("STOR") || ftp_is("STOU") || ftp_is("APPE") || ftp_is("DELE") || ftp_is("RNFR") ||
             ftp_is("RNTO") || ftp_is("MKD") || ftp_is("XMKD") || ftp_is("RMD") || ftp_is("XRMD"))
    {
        // A client that opened the data connection for the upload must not wait on it.
        ftp_close_data();
        ftp_reply("550 The files are read-only");
    }
    else
    {
        at = ftp_put(0, "502 Command not implemented: ");
        ftp_verb[3] = ftp_verb[3] == ' ' ? 0 : ftp_verb[3];
        for (i = 0; i < 4 && ftp_verb[i]; i++)
        {
            ftp_buffer[at++] = ftp_verb[i] >= ' ' && ftp_verb[i] < 0x7F ? ftp_verb[i] : '?';
        }
        ftp_send_reply(at);
    }
    (void) file;
}

//-----------------------------------------------------------------------------
// The server
//-----------------------------------------------------------------------------

int ftp_server_init(void)
{
    ftp_running = 0;
    ftp_ctl = -1;
    ftp_data = -1;
    ftp_state = FTP_IDLE;
    if (zs_ftp_buffer_len < FTP_MIN_BUFFER)
    {
        return ZS_ERR_NO_MEMORY;        // too small for the replies
    }
    ftp_running = 1;
    ftp_listen();
    return ftp_ctl >= 0 ? ZS_OK : ZS_ERR_NO_SOCKET;
}

void ftp_server_process(void)
{
    int n;
    byte c;

    if (!ftp_running)
    {
        return;
    }
    if (ftp_ctl < 0 || !srv_owns(ftp_ctl, ZS_SRV_FTP))
    {
        ftp_end_session();
        ftp_listen();
        return;
    }
    c = zs_sockets[ftp_ctl].state;
    if (c == ZS_SOCKET_LISTEN || c == ZS_SOCKET_SYN_RECEIVED)
    {
        return;
    }
    if (ftp_state == FTP_IDLE)
    {
        ftp_state = FTP_USER;
        ftp_user = FTP_NO_USER;
        ftp_fill = 0;
        ftp_overlong = 0;
        ftp_since = zs_get_ticks();
        ftp_reply("220 Service ready");
        return;
    }
    for (;;)
    {
        n = tcp_receive(ftp_ctl, ftp_buffer + ftp_fill, 1);
        if (n < 0)
        {
            ftp_end_session();          // the client closed or reset the connection
            return;
        }
        if (n == 0)
        {
            break;
        }
        ftp_since = zs_get_ticks();
        c = ftp_buffer[ftp_fill];
        if (c == '\n')
        {
            if (ftp_fill && ftp_buffer[ftp_fill - 1] == '\r')
            {
                ftp_fill--;
            }
            if (ftp_overlong)
            {
                ftp_reply("500 Line too long");
            }
            else
            {
                ftp_command();
            }
            ftp_fill = 0;
            ftp_overlong = 0;
            return;                     // one command a turn: the other servers run too
        }
        if (ftp_fill + 1 < FTP_LINE_MAX)
        {
            ftp_fill++;
        }
        else
        {
            ftp_overlong = 1;
        }
    }
    if ((word) (zs_get_ticks() - ftp_since) >= FTP_IDLE_TICKS)
    {
        ftp_reply("421 Timeout: closing the session");
        ftp_end_session();
    }
}

int ftp_add_user(char kpv_const *name, char kpv_const *password)
{
    word i;
    word free_entry = 0xFFFF;
    byte k;

    if (!name || !password || !name[0])
    {
        return ZS_ERR_ARGUMENT;
    }
    for (k = 0; name[k]; k++)
    {
    }
    if (k >= ZS_USER_TEXT_LEN)
    {
        return ZS_ERR_ARGUMENT;         // cut short, it would be another name
    }
    for (k = 0; password[k]; k++)
    {
    }
    if (k >= ZS_USER_TEXT_LEN)
    {
        return ZS_ERR_ARGUMENT;
    }
    for (i = 0; i < zs_ftp_num_users; i++)
    {
        if (!ftp_user_table[i].name[0])
        {
            if (free_entry == 0xFFFF)
            {
                free_entry = i;
            }
            continue;
        }
        for (k = 0; name[k] && name[k] == ftp_user_table[i].name[k]; k++)
        {
        }
        if (name[k] == ftp_user_table[i].name[k])
        {
            free_entry = i;             // the same user again: the new password holds
            break;
        }
    }
    if (free_entry == 0xFFFF)
    {
        return ZS_ERR_NO_MEMORY;
    }
    for (k = 0; k < ZS_USER_TEXT_LEN; k++)
    {
        ftp_user_table[free_entry].name[k] = name[k];
        if (!name[k])
        {
            break;
        }
    }
    for (k = 0; k < ZS_USER_TEXT_LEN; k++)
    {
        ftp_user_table[free_entry].password[k] = password[k];
        if (!password[k])
        {
            break;
        }
    }
    return ZS_OK;
}

#endif  // ZS_FTP
