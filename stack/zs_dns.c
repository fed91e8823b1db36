//-----------------------------------------------------------------------------
// zs_dns.c
//-----------------------------------------------------------------------------
//
// The resolver: A records asked of one name server, dns_send_trys queries that wait
// dns_wait_ticks each, and a few answers kept for as long as their TTL allows. The server
// is the one DHCP or BOOTP named; without one it is the gateway on Ethernet, or the far
// end (IP_DEST_ADDR) on a serial link. The query is built in dns_buffer, from which every
// resend is sent again; the answer is read where it arrived, every offset and compression
// pointer checked before use.
//

#include "zs_stack.h"

#ifdef ZS_DNS

#define DNS_HEADER_LEN      12
#define DNS_TYPE_A          1
#define DNS_TYPE_CNAME      5
#define DNS_CLASS_IN        1
#define DNS_RCODE_NXDOMAIN  3

#define DNS_CACHE_SIZE      4
#define DNS_CACHE_NAME      32          // names up to 31 characters are kept
#define DNS_MAX_LABELS      128         // a name of 255 bytes has no more

// The longest a TTL is kept, in seconds: the countdown is a word.
#define DNS_TTL_MAX         0xFFFFUL

typedef struct
{
    char name[DNS_CACHE_NAME];          // in lower case, zero-terminated
    byte ip[4];
    word ttl;                           // seconds left; 0: the entry is free
} dns_entry;

byte zs_dns_server[4];

static dns_entry dns_cache[DNS_CACHE_SIZE];
static word dns_second_mark;
static word dns_id;
static byte dns_waiting;                // a query is out
static int dns_result;                  // its outcome once dns_waiting is 0
static byte dns_to[4];                  // the server asked
static word dns_query_len;              // bytes of the query in dns_buffer
static byte dns_answer[4];
static dword dns_answer_ttl;

static char dns_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char) (c - 'A' + 'a') : c;
}

void dns_init(void)
{
    byte i;

    for (i = 0; i < DNS_CACHE_SIZE; i++)
    {
        dns_cache[i].ttl = 0;
    }
    zs_dns_server[0] = zs_dns_server[1] = zs_dns_server[2] = zs_dns_server[3] = 0;
    dns_waiting = 0;
    dns_second_mark = zs_get_ticks();
}

void dns_poll(void)
{
    word now = zs_get_ticks();
    byte i;

    while ((word) (now - dns_second_mark) >= ZS_TICKS_PER_SECOND)
    {
        dns_second_mark += ZS_TICKS_PER_SECOND;
        for (i = 0; i < DNS_CACHE_SIZE; i++)
        {
            if (dns_cache[i].ttl)
            {
                dns_cache[i].ttl--;
            }
        }
    }
}

// The cache entry of name, or -1.
static signed char dns_cached(char *name)
{
    byte i;
    byte k;

    for (i = 0; i < DNS_CACHE_SIZE; i++)
    {
        if (!dns_cache[i].ttl)
        {
            continue;
        }
        for (k = 0; k < DNS_CACHE_NAME; k++)
        {
            if (dns_lower(name[k]) != dns_cache[i].name[k])
            {
                break;
            }
            if (name[k] == 0)
            {
                return (signed char) i;
            }
        }
    }
    return -1;
}

static void dns_remember(char *name, byte kpv_xdata *ip, dword ttl)
{
    byte i;
    byte k;
    byte slot = 0;

    for (k = 0; name[k] != 0; k++)
    {
        if (k == DNS_CACHE_NAME - 1)
        {
            return;                     // too long to keep
        }
    }
    if (ttl == 0)
    {
        return;
    }
    // A free entry, else the one closest to running out.
    for (i = 1; i < DNS_CACHE_SIZE; i++)
    {
        if (dns_cache[i].ttl < dns_cache[slot].ttl)
        {
            slot = i;
        }
    }
    for (k = 0; k < DNS_CACHE_NAME; k++)
    {
        dns_cache[slot].name[k] = dns_lower(name[k]);
        if (name[k] == 0)
        {
            break;
        }
    }
    zs_copy(dns_cache[slot].ip, ip, 4);
    dns_cache[slot].ttl = (word) (ttl > DNS_TTL_MAX ? DNS_TTL_MAX : ttl);
}

// Writes the query for name into dns_buffer; its length, or 0 when name is no valid host
// name or does not fit.
static word dns_build_query(char *name)
{
    byte kpv_xdata *q = dns_buffer;
    word at = DNS_HEADER_LEN;           // where the current label's length byte goes
    word n = DNS_HEADER_LEN + 1;        // next free byte
    byte label = 0;
    char c;

    if (zs_dns_buff_size < DNS_HEADER_LEN + 6)
    {
        return 0;
    }
    ZS_PUT16(q, dns_id);
    q[2] = 0x01;                        // recursion desired
    q[3] = 0;
    q[4] = 0;
    q[5] = 1;                           // one question
    q[6] = q[7] = q[8] = q[9] = q[10] = q[11] = 0;
    while ((c = *name++) != 0)
    {
        if (c == '.')
        {
            if (label == 0)
            {
                return 0;               // an empty label: "..", or a leading dot
            }
            q[at] = label;
            at = n++;
            label = 0;
            if (*name == 0)
            {
                n--;                    // a trailing dot ends the name
                at = 0;
                break;
            }
            continue;
        }
        if (label == 63 || n - DNS_HEADER_LEN >= 254 || n + 5 > zs_dns_buff_size)
        {
            return 0;
        }
        q[n++] = (byte) c;
        label++;
    }
    if (at)
    {
        if (label == 0)
        {
            return 0;                   // the empty name
        }
        q[at] = label;
    }
    q[n++] = 0;                         // the root
    ZS_PUT16(q + n, DNS_TYPE_A);
    ZS_PUT16(q + n + 2, DNS_CLASS_IN);
    return n + 4;
}

// Moves *at over compression pointers to the length byte of the next label. Each pointer
// must lead before the last one's target (before the name's start for the first), so
// that no chain of pointers can loop. 0 when the name is broken.
static byte dns_follow(byte kpv_xdata *m, word len, word *at, word *limit)
{
    word o = *at;
    word target;

    while (o < len && (m[o] & 0xC0) == 0xC0)
    {
        if (o + 1 >= len)
        {
            return 0;
        }
        target = (word) (((word) (m[o] & 0x3F) << 8) | m[o + 1]);
        if (target >= *limit)
        {
            return 0;
        }
        *limit = target;
        o = target;
    }
    if (o >= len || (m[o] & 0xC0) != 0 || (word) (o + 1 + m[o]) > len)
    {
        return 0;
    }
    *at = o;
    return 1;
}

// Whether the names at a and b of the message are the same, letter case aside.
static byte dns_same_name(byte kpv_xdata *m, word len, word a, word b)
{
    word limit_a = a;
    word limit_b = b;
    byte labels;
    byte i;
    byte n;

    for (labels = 0; labels < DNS_MAX_LABELS; labels++)
    {
        if (!dns_follow(m, len, &a, &limit_a) || !dns_follow(m, len, &b, &limit_b))
        {
            return 0;
        }
        n = m[a];
        if (n != m[b])
        {
            return 0;
        }
        if (n == 0)
        {
            return 1;
        }
        for (i = 1; i <= n; i++)
        {
            if (dns_lower((char) m[a + i]) != dns_lower((char) m[b + i]))
            {
                return 0;
            }
        }
        a += n + 1;
        b += n + 1;
    }
    return 0;
}

// The offset after the name at at (a pointer ends it); 0 when it runs past len.
static word dns_skip_name(byte kpv_xdata *m, word len, word at)
{
    byte c;

    while (at < len)
    {
        c = m[at];
        if ((c & 0xC0) == 0xC0)
        {
            return at + 2 <= len ? at + 2 : 0;
        }
        if (c & 0xC0)
        {
            return 0;
        }
        if (c == 0)
        {
            return at + 1;
        }
        at += c + 1;
    }
    return 0;
}

void dns_process_reply(byte kpv_xdata *from, word from_port, byte kpv_xdata *m, word len)
{
    word at;
    word owner;
    word want = DNS_HEADER_LEN;         // the name whose A record is wanted: the question's,
                                        // then each CNAME's target
    word count;
    word type;
    word rdlen;
    dword ttl;
    word i;

    if (!dns_waiting)
    {
        zs_stats.no_socket++;           // late or unasked
        return;
    }
    if (from_port != ZS_PORT_DNS || !zs_ip_equal(from, dns_to))
    {
        zs_stats.not_ours++;
        return;
    }
    if (len < dns_query_len || ZS_GET16(m) != dns_id || (m[2] & 0xF8) != 0x80 || ZS_GET16(m + 4) != 1)
    {
        zs_stats.bad_header++;
        return;
    }
    // The question must be ours, so that an answer to another name is never taken.
    for (i = DNS_HEADER_LEN; i < dns_query_len; i++)
    {
        if (dns_lower((char) m[i]) != dns_lower((char) dns_buffer[i]))
        {
            zs_stats.not_ours++;
            return;
        }
    }
    dns_waiting = 0;
    dns_result = ZS_ERR_NOT_FOUND;
    if ((m[3] & 0x0F) != 0)
    {
        return;                         // no such name, or the server failed
    }
    dns_answer_ttl = DNS_TTL_MAX;
    at = dns_query_len;
    for (count = ZS_GET16(m + 6); count > 0; count--)
    {
        owner = at;
        at = dns_skip_name(m, len, at);
        if (at == 0 || at + 10 > len)
        {
            zs_stats.bad_length++;
            return;
        }
        type = ZS_GET16(m + at);
        ttl = ((dword) m[at + 4] << 24) | ((dword) m[at + 5] << 16) | ((dword) m[at + 6] << 8) | m[at + 7];
        if (ttl & 0x80000000UL)
        {
            ttl = 0;                    // a TTL with the top bit set counts as 0
        }
        rdlen = ZS_GET16(m + at + 8);
        at += 10;
        if (rdlen > len - at)
        {
            zs_stats.bad_length++;
            return;
        }
        if (ZS_GET16(m + at - 8) == DNS_CLASS_IN && dns_same_name(m, len, owner, want))
        {
            if (ttl < dns_answer_ttl)
            {
                dns_answer_ttl = ttl;
            }
            if (type == DNS_TYPE_A && rdlen == 4)
            {
                zs_copy(dns_answer, m + at, 4);
                dns_result = ZS_OK;
                return;
            }
            if (type == DNS_TYPE_CNAME)
            {
                want = at;
            }
        }
        at += rdlen;
    }
}

int dns_resolve(char *name, byte kpv_xdata *ip)
{
    signed char entry = dns_cached(name);
    byte kpv_xdata *server = zs_dns_server;
    word tries = zs_dns_send_trys;
    word sent_at;

    if (entry >= 0)
    {
        zs_copy(ip, dns_cache[(byte) entry].ip, 4);
        return ZS_OK;
    }
    if (zs_polling)
    {
        return ZS_ERR_TIMEOUT;          // a callback cannot wait for the answer
    }
    dns_id = (word) (dns_id * 31 + zs_get_ticks() + 0x3D1);
    dns_query_len = dns_build_query(name);
    if (dns_query_len == 0)
    {
        return ZS_ERR_ARGUMENT;
    }
    if ((server[0] | server[1] | server[2] | server[3]) == 0)
    {
#ifdef ZS_ETHERNET
        server = gateway_ip_addr;
#else
        server = dest_ip_addr;
#endif
    }
    if ((server[0] | server[1] | server[2] | server[3]) == 0 ||
        (server[0] & server[1] & server[2] & server[3]) == 0xFF)
    {
        return ZS_ERR_NOT_FOUND;        // no name server to ask
    }
    zs_copy(dns_to, server, 4);
    if (tries == 0)
    {
        tries = 1;
    }
    dns_waiting = 1;
    while (tries--)
    {
        if (udp_send_port(ZS_DNS_CLIENT_PORT, dns_to, ZS_PORT_DNS, dns_buffer, dns_query_len) == ZS_ERR_TOO_LONG)
        {
            dns_waiting = 0;
            return ZS_ERR_TOO_LONG;
        }
        sent_at = zs_get_ticks();
        while (dns_waiting && (word) (zs_get_ticks() - sent_at) < zs_dns_wait_ticks)
        {
            if (zs_poll() != ZS_OK)
            {
                dns_waiting = 0;
                return ZS_ERR_LINK;
            }
        }
        if (!dns_waiting)
        {
            if (dns_result == ZS_OK)
            {
                zs_copy(ip, dns_answer, 4);
                dns_remember(name, dns_answer, dns_answer_ttl);
            }
            return dns_result;
        }
    }
    dns_waiting = 0;
    return ZS_ERR_TIMEOUT;
}

#endif  // ZS_DNS
