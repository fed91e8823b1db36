//-----------------------------------------------------------------------------
// zs_http.c
//-----------------------------------------------------------------------------
//
// The HTTP server (HTTP/1.1, RFC 9110 and 9112, the part a device needs): GET and HEAD of
// the virtual files, POST to the functions entered with http_add_post_function, one
// request a connection (every answer says Connection: close).
//
// The server listens on port 80 on every socket no one else uses, so that several clients
// can connect at once. Their requests share the one request buffer: a request that arrives
// in one piece is answered at once; one that arrives in pieces keeps the buffer until it is
// whole, and the other clients' requests meanwhile stay unacknowledged with TCP, whose peers
// send them again. A connection that brings no whole request within HTTP_IDLE_TICKS is
// answered 408 and closed, so that no client can hold the buffer or a socket for ever.
//
// Answers wait for a turn that brings no request: tcp_send polls until the client has
// acknowledged, and a request arriving meanwhile for another socket is given up unacknowledged.
// Clients that connected together send again together, so answering each request at once
// would drop all but one of every burst again and again. A request is therefore reduced to
// what its answer needs (the method and the file, or the status) as soon as it arrives, and the
// answers go out one a turn once the burst has been taken.
//
// Pages are sent from code space a buffer at a time, the header in front of the first.
//

#include "zs_stack.h"

#ifdef ZS_HTTP

extern kpv_const word zs_http_buffer_len;
extern kpv_const word zs_uri_buffer_len;
extern kpv_const word zs_body_buffer_len;
extern byte kpv_xdata http_buffer[];
extern byte kpv_xdata uri_buffer[];
extern byte kpv_xdata body_buffer[];
#ifdef ZS_VIRTUAL_FILES
extern zs_vfile kpv_xdata vf_table[];
#endif

// SDCC calls a function through a pointer only with its arguments in registers, which four
// arguments do not fit, and the post function's type is fixed without a reentrant
// qualifier: there, POST is answered 501 and no post function can be entered.
#if defined(ZS_VIRTUAL_FILES) && !defined(SDCC) && !defined(__SDCC)
#define HTTP_POSTS          1
#endif

#ifdef HTTP_POSTS
extern kpv_const byte zs_num_post_funcs;
extern zs_post_entry kpv_xdata http_post_table[];
#endif

#define HTTP_NONE           0xFF
#define HTTP_IDLE_TICKS     (10 * ZS_TICKS_PER_SECOND)
// Room for the longest header the server writes in front of an answer (86 bytes), and the
// least buffer that leaves room for a page after it.
#define HTTP_HEAD_ROOM      96
#define HTTP_MIN_BUFFER     128

#define HTTP_GET            1
#define HTTP_HEAD           2
#define HTTP_POST           3
// An answer due (http_job): the method in the low bits, and whether http_arg is a status
// rather than a file.
#define HTTP_DUE            0x80
#define HTTP_FAILED         0x10

static byte http_running;
static byte http_holder;                // the socket whose request is in http_buffer
static word http_fill;                  // bytes of that request
static byte http_seen[ZS_AT_LEAST_ONE(num_sockets)];
static word http_since[ZS_AT_LEAST_ONE(num_sockets)];
static byte http_job[ZS_AT_LEAST_ONE(num_sockets)];
static word http_arg[ZS_AT_LEAST_ONE(num_sockets)];
static byte http_next;                  // where the next round of answers starts

// What the request-line and headers said.
static byte http_method;
static word http_head_len;              // up to and with the empty line
static word http_body_len;              // Content-Length
static word http_status;                // an error found while parsing, or 0

//-----------------------------------------------------------------------------
// Writing text into http_buffer
//-----------------------------------------------------------------------------

static word http_put(word at, char kpv_const *text)
{
    while (*text && at < zs_http_buffer_len)
    {
        http_buffer[at++] = (byte) *text++;
    }
    return at;
}

static word http_put_number(word at, word n)
{
    byte digits[5];
    byte count = 0;

    do
    {
        digits[count++] = (byte) ('0' + n % 10);
        n /= 10;
    } while (n);
    while (count && at < zs_http_buffer_len)
    {
        http_buffer[at++] = digits[--count];
    }
    return at;
}

static char kpv_const *http_reason(word status)
{
    switch (status)
    {
    case 200: return "200 OK";
    case 400: return "400 Bad Request";
    case 404: return "404 Not Found";
    case 408: return "408 Request Timeout";
    case 413: return "413 Content Too Large";
    case 414: return "414 URI Too Long";
    case 431: return "431 Request Header Fields Too Large";
    case 505: return "505 HTTP Version Not Supported";
    default:  return "501 Not Implemented";
    }
}

// Lower case of an ASCII letter.
static byte http_lower(byte c)
{
    return (c >= 'A' && c <= 'Z') ? (byte) (c + 32) : c;
}

// The media type of a file, from its name's extension.
static char kpv_const *http_type(char kpv_const *name)
{
    char kpv_const *dot = 0;
    byte e[5];
    byte i;

    for (; *name; name++)
    {
        if (*name == '.')
        {
            dot = name;
        }
    }
    if (!dot)
    {
        return "application/octet-stream";
    }
    for (i = 0; i < 4 && dot[i + 1]; i++)
    {
        e[i] = http_lower((byte) dot[i + 1]);
    }
    e[i] = 0;
    if (dot[i + 1])
    {
        return "application/octet-stream";
    }
    if ((e[0] == 'h' && e[1] == 't' && e[2] == 'm' && (e[3] == 0 || (e[3] == 'l' && e[4] == 0))))
    {
        return "text/html";
    }
    if (e[0] == 't' && e[1] == 'x' && e[2] == 't' && e[3] == 0)
    {
        return "text/plain";
    }
    if (e[0] == 'c' && e[1] == 's' && e[2] == 's' && e[3] == 0)
    {
        return "text/css";
    }
    if (e[0] == 'j' && e[1] == 's' && e[2] == 0)
    {
        return "text/javascript";
    }
    if (e[0] == 'g' && e[1] == 'i' && e[2] == 'f' && e[3] == 0)
    {
        return "image/gif";
    }
    if (e[0] == 'p' && e[1] == 'n' && e[2] == 'g' && e[3] == 0)
    {
        return "image/png";
    }
    if ((e[0] == 'j' && e[1] == 'p' && e[2] == 'g' && e[3] == 0) ||
        (e[0] == 'j' && e[1] == 'p' && e[2] == 'e' && e[3] == 'g'))
    {
        return "image/jpeg";
    }
    return "application/octet-stream";
}

// Writes the status line and the headers at the front of http_buffer; returns their length.
static word http_header(word status, char kpv_const *type, word length)
{
    word at = http_put(0, "HTTP/1.1 ");
    at = http_put(at, http_reason(status));
    at = http_put(at, "\r\nContent-Type: ");
    at = http_put(at, type);
    at = http_put(at, "\r\nContent-Length: ");
    at = http_put_number(at, length);
    return http_put(at, "\r\nConnection: close\r\n\r\n");
}

// An answer without a page of its own: the reason is the body.
static void http_answer_status(byte s, word status)
{
    word body = 0;
    char kpv_const *reason = http_reason(status);
    word at;

    while (reason[body])
    {
        body++;
    }
    at = http_header(status, "text/plain", body + 2);
    if (http_method != HTTP_HEAD)
    {
        at = http_put(at, reason);
        at = http_put(at, "\r\n");
    }
    tcp_send(s, http_buffer, at);
}

//-----------------------------------------------------------------------------
// Reading the request
//-----------------------------------------------------------------------------

// Compares the request's bytes at "at" with text, ignoring the case of letters.
static byte http_is(word at, char kpv_const *text)
{
    while (*text)
    {
        if (at >= http_fill || http_lower(http_buffer[at]) != (byte) *text)
        {
            return 0;
        }
        at++;
        text++;
    }
    return 1;
}

// The same, but case matters (methods and the protocol name).
static byte http_exact(word at, char kpv_const *text)
{
    while (*text)
    {
        if (at >= http_fill || http_buffer[at] != (byte) *text)
        {
            return 0;
        }
        at++;
        text++;
    }
    return 1;
}

// Finds the end of the header (an empty line) and reads the headers the server needs.
// Returns 1 when the request is whole (its body included), 0 while more is to come.
static byte http_parse_head(void)
{
    word at;
    word line = 0;                      // where the current line starts
    byte chunked = 0;
    dword length;

    http_head_len = 0;
    http_body_len = 0;
    http_status = 0;
    for (at = 0; at < http_fill; at++)
    {
        if (http_buffer[at] != '\n')
        {
            continue;
        }
        if (at == line || (at == line + 1 && http_buffer[line] == '\r'))
        {
            if (line == 0)
            {
                line = at + 1;          // empty lines before the request line are allowed
                continue;
            }
            http_head_len = at + 1;
            break;
        }
        if (http_is(line, "content-length:"))
        {
            length = 0;
            for (line += 15; line < at && (http_buffer[line] == ' ' || http_buffer[line] == '\t'); line++)
            {
            }
            if (line == at || http_buffer[line] < '0' || http_buffer[line] > '9')
            {
                http_status = 400;
            }
            for (; line < at && http_buffer[line] >= '0' && http_buffer[line] <= '9'; line++)
            {
                length = length * 10 + (http_buffer[line] - '0');
                if (length > 0xFFFF)
                {
                    length = 0x10000;   // surely too large; stop before it overflows
                }
            }
            if (length > zs_body_buffer_len)
            {
                http_status = 413;
            }
            else
            {
                http_body_len = (word) length;
            }
        }
        else if (http_is(line, "transfer-encoding:"))
        {
            chunked = 1;
        }
        line = at + 1;
    }
    if (!http_head_len)
    {
        return 0;
    }
    if (chunked && !http_status)
    {
        http_status = 501;              // bodies of unknown length are not taken
    }
    return http_status || http_fill >= http_head_len + http_body_len;
}

// Reads the request line: the method, and the target (decoded, without the leading '/',
// the query or the fragment) into uri_buffer. Sets http_status on anything wrong.
static void http_parse_line(void)
{
    word at = 0;
    word out = 0;
    byte c;
    byte hex;
    byte i;
    char kpv_const *index;

    while (http_buffer[at] == '\r' || http_buffer[at] == '\n')
    {
        at++;
    }
    if (http_exact(at, "GET "))
    {
        http_method = HTTP_GET;
        at += 4;
    }
    else if (http_exact(at, "HEAD "))
    {
        http_method = HTTP_HEAD;
        at += 5;
    }
    else if (http_exact(at, "POST "))
    {
        http_method = HTTP_POST;
        at += 5;
    }
    else
    {
        // A method this server does not offer, or no method at all.
        http_status = 501;
        for (; at < http_head_len && http_buffer[at] != ' '; at++)
        {
            c = http_buffer[at];
            if (c < 'A' || c > 'Z')
            {
                http_status = 400;      // not a method at all
                break;
            }
        }
        return;
    }
    // The absolute form names the host first; the server is the only host it answers for.
    if (http_is(at, "http://"))
    {
        for (at += 7; at < http_head_len && http_buffer[at] != '/' && http_buffer[at] != ' '; at++)
        {
        }
    }
    else if (http_buffer[at] != '/')
    {
        http_status = 400;
        return;
    }
    if (http_buffer[at] == '/')
    {
        at++;
    }
    for (; at < http_head_len; at++)
    {
        c = http_buffer[at];
        if (c == ' ' || c == '?' || c == '#' || c < ' ')
        {
            break;
        }
        if (c == '%')
        {
            hex = 0;
            for (i = 1; i <= 2; i++)
            {
                c = http_buffer[at + i];
                hex <<= 4;
                if (c >= '0' && c <= '9')
                {
                    hex |= (byte) (c - '0');
                }
                else if (http_lower(c) >= 'a' && http_lower(c) <= 'f')
                {
                    hex |= (byte) (http_lower(c) - 'a' + 10);
                }
                else
                {
                    http_status = 400;
                    return;
                }
            }
            if (hex == 0)
            {
                http_status = 400;      // a NUL would cut the name short
                return;
            }
            c = hex;
            at += 2;
        }
        if (out + 1 >= zs_uri_buffer_len)
        {
            http_status = 414;
            return;
        }
        uri_buffer[out++] = c;
    }
    uri_buffer[out] = 0;
    for (; at < http_head_len && http_buffer[at] != ' ' && http_buffer[at] >= ' '; at++)
    {
    }
    if (http_buffer[at] != ' ')
    {
        http_status = 400;
        return;
    }
    at++;
    if (!http_exact(at, "HTTP/"))
    {
        http_status = 400;
    }
    else if (http_buffer[at + 5] != '1' || http_buffer[at + 6] != '.')
    {
        http_status = 505;
    }
    if (!out && !http_status)
    {
        index = "index.html";          // the root is the index page
        while ((uri_buffer[out++] = (byte) *index++) != 0)
        {
        }
    }
}

//-----------------------------------------------------------------------------
// Answering
//-----------------------------------------------------------------------------

// Sends a virtual file.
static void http_answer_file(byte s, word file)
{
#ifdef ZS_VIRTUAL_FILES
    word size;
    word offset = 0;
    word at;
    word n;

    size = vf_table[file].size;
    at = http_header(200, http_type(vf_table[file].name), size);
    if (http_method == HTTP_HEAD)
    {
        tcp_send(s, http_buffer, at);
        return;
    }
    do
    {
        n = vf_get_data((int) file, offset, http_buffer + at, zs_http_buffer_len - at);
        offset += n;
        if (tcp_send(s, http_buffer, at + n) < 0)
        {
            return;                     // the client has gone: the socket is released anyway
        }
        at = 0;
    } while (offset < size);
#else
    (void) file;
    http_answer_status(s, 404);
#endif
}

// Runs the function entered for the target with the posted body, and sends its page.
static void http_answer_post(byte s)
{
#ifdef HTTP_POSTS
    byte i;
    char kpv_const *a;
    char kpv_xdata *b;
    word length;
    word head;
    word room = zs_http_buffer_len - HTTP_HEAD_ROOM;

    for (i = 0; i < zs_num_post_funcs; i++)
    {
        a = http_post_table[i].name;
        if (!a || !http_post_table[i].function)
        {
            continue;
        }
        for (b = (char kpv_xdata *) uri_buffer; *a && *a == *b; a++, b++)
        {
        }
        if (*a == *b)
        {
            break;
        }
    }
    if (i == zs_num_post_funcs)
    {
        http_answer_status(s, 404);
        return;
    }
    zs_copy(body_buffer, http_buffer + http_head_len, http_body_len);
    length = http_post_table[i].function(body_buffer, http_body_len, http_buffer + HTTP_HEAD_ROOM, room);
    if (length > room)
    {
        length = room;                  // a function that says more than it was given room for
    }
    head = http_header(200, "text/html", length);
    zs_copy(http_buffer + head, http_buffer + HTTP_HEAD_ROOM, length);
    tcp_send(s, http_buffer, head + length);
#else
    http_answer_status(s, 501);
#endif
}

// Gives up the connection and, if it held the request buffer, the buffer.
static void http_done(byte s)
{
    if (http_holder == s)
    {
        http_holder = HTTP_NONE;
    }
    http_seen[s] = 0;
    http_job[s] = 0;
    srv_release(s);
}

// Reduces the whole request in http_buffer to the answer it is due. A form is answered at
// once: its body is in the buffer the next request needs.
static void http_take(byte s)
{
    int file = 0;

    http_method = 0;
    if (!http_status)
    {
        http_parse_line();
    }
    if (!http_status && http_method == HTTP_POST)
    {
        http_answer_post(s);
        http_done(s);
        return;
    }
#ifdef ZS_VIRTUAL_FILES
    if (!http_status)
    {
        file = vf_find_file((char kpv_xdata *) uri_buffer);
    }
#endif
    if (!http_status && file < 0)
    {
        http_status = 404;
    }
#ifndef ZS_VIRTUAL_FILES
    if (!http_status)
    {
        http_status = 404;
    }
#endif
    http_job[s] = (byte) (HTTP_DUE | http_method | (http_status ? HTTP_FAILED : 0));
    http_arg[s] = http_status ? http_status : (word) file;
}

// Sends the answer due on the socket and closes the connection.
static void http_reply(byte s)
{
    http_method = (byte) (http_job[s] & 3);
    if (http_job[s] & HTTP_FAILED)
    {
        http_answer_status(s, http_arg[s]);
    }
    else
    {
        http_answer_file(s, http_arg[s]);
    }
    http_done(s);
}

// Reads what the connection brought; 1 when it brought something.
static byte http_serve(byte s)
{
    word start = 0;
    int n;

    if (http_job[s])
    {
        return 0;                       // its answer is due: nothing more is read
    }
    if (!http_seen[s])
    {
        http_seen[s] = 1;
        http_since[s] = zs_get_ticks();
    }
    if (http_holder != HTTP_NONE && http_holder != s)
    {
        // The buffer is taken: this request waits with TCP, and its time runs from when
        // the buffer is free again.
        http_since[s] = zs_get_ticks();
        return 0;
    }
    if (http_holder == s)
    {
        start = http_fill;
    }
    n = tcp_receive(s, http_buffer + start, zs_http_buffer_len - start);
    if (n < 0)
    {
        http_done(s);                   // closed before a whole request, or reset
        return 0;
    }
    if (n == 0)
    {
        if ((word) (zs_get_ticks() - http_since[s]) >= HTTP_IDLE_TICKS)
        {
            http_method = 0;
            http_answer_status(s, 408);
            http_done(s);
        }
        return 0;
    }
    http_holder = s;
    http_fill = start + (word) n;
    if (!http_parse_head())
    {
        if (http_fill < zs_http_buffer_len)
        {
            return 1;                   // the rest is still to come
        }
        http_method = 0;
        http_status = http_head_len ? 413 : 431;
    }
    http_holder = HTTP_NONE;
    http_take(s);
    return 1;
}

//-----------------------------------------------------------------------------
// The server
//-----------------------------------------------------------------------------

int http_server_init(void)
{
    byte i;

    http_running = 0;
    if (zs_http_buffer_len < HTTP_MIN_BUFFER || zs_uri_buffer_len < 11)
    {
        return ZS_ERR_NO_MEMORY;        // too small for a header and a page, or "index.html"
    }
    http_holder = HTTP_NONE;
    http_next = 0;
    for (i = 0; i < zs_num_sockets; i++)
    {
        http_seen[i] = 0;
        http_job[i] = 0;
    }
    http_running = 1;
    http_server_process();
    return ZS_OK;
}

void http_server_process(void)
{
    byte s;
    byte took = 0;
    int socket;

    if (!http_running)
    {
        return;
    }
    for (s = 0; s < zs_num_sockets; s++)
    {
        if (!srv_owns(s, ZS_SRV_HTTP))
        {
            if (http_holder == s)
            {
                http_holder = HTTP_NONE;
            }
            http_seen[s] = 0;
            http_job[s] = 0;
            continue;
        }
        if (zs_sockets[s].state == ZS_SOCKET_LISTEN || zs_sockets[s].state == ZS_SOCKET_SYN_RECEIVED)
        {
            continue;
        }
        took |= http_serve(s);
    }
    // A turn that brought no request: one answer goes out, the sockets taking turns.
    for (s = 0; !took && s < zs_num_sockets; s++)
    {
        if (http_next >= zs_num_sockets)
        {
            http_next = 0;
        }
        if (http_job[http_next] && srv_owns(http_next, ZS_SRV_HTTP))
        {
            http_reply(http_next++);
            break;
        }
        http_next++;
    }
    // Every socket that nobody uses listens for the next client.
    for (;;)
    {
        socket = tcp_open_socket();
        if (socket < 0)
        {
            break;
        }
        zs_srv_owner[socket] = ZS_SRV_HTTP;
        tcp_claim(socket);
        http_seen[socket] = 0;
        if (tcp_listen(socket, ZS_PORT_HTTP) != ZS_OK)
        {
            srv_release(socket);
            break;
        }
    }
}

int http_add_post_function(char kpv_const *name, zs_post_function function)
{
#ifdef HTTP_POSTS
    byte i;

    if (!name || !function)
    {
        return ZS_ERR_ARGUMENT;
    }
    for (i = 0; i < zs_num_post_funcs; i++)
    {
        if (!http_post_table[i].name)
        {
            http_post_table[i].name = name;
            http_post_table[i].function = function;
            return ZS_OK;
        }
    }
#else
    (void) name;
    (void) function;
#endif
    return ZS_ERR_NO_MEMORY;
}

#endif  // ZS_HTTP
