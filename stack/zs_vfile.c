//-----------------------------------------------------------------------------
// zs_vfile.c
//-----------------------------------------------------------------------------
//
// The virtual files (byte arrays in code space that the servers offer by name), the
// servers' main loop and the table that tells which server a TCP socket belongs to.
//

#include "zs_stack.h"

#ifdef ZS_VIRTUAL_FILES

extern kpv_const byte zs_num_vf_pages;
extern zs_vfile kpv_xdata vf_table[];

// 1 when entry i is named name (a name in code space).
static byte vf_named(byte i, char kpv_const *name)
{
    char kpv_const *a = vf_table[i].name;

    while (*a && *a == *name)
    {
        a++;
        name++;
    }
    return *a == *name;
}

int vf_add_file(char kpv_const *name, byte kpv_const *content, word size)
{
    byte i;
    byte free_entry = 0xFF;

    if (!name || !name[0] || (!content && size))
    {
        return ZS_ERR_ARGUMENT;
    }
    for (i = 0; i < zs_num_vf_pages; i++)
    {
        if (!vf_table[i].name)
        {
            if (free_entry == 0xFF)
            {
                free_entry = i;
            }
        }
        else if (vf_named(i, name))
        {
            free_entry = i;             // the same name again: the new content replaces it
            break;
        }
    }
    if (free_entry == 0xFF)
    {
        return ZS_ERR_NO_MEMORY;
    }
    vf_table[free_entry].name = name;
    vf_table[free_entry].content = content;
    vf_table[free_entry].size = size;
    return free_entry;
}

int vf_find_file(char kpv_xdata *name)
{
    byte i;
    char kpv_const *a;
    char kpv_xdata *b;

    if (!name)
    {
        return ZS_ERR_NOT_FOUND;
    }
    for (i = 0; i < zs_num_vf_pages; i++)
    {
        a = vf_table[i].name;
        if (!a)
        {
            continue;
        }
        b = name;
        while (*a && *a == *b)
        {
            a++;
            b++;
        }
        if (*a == *b)
        {
            return i;
        }
    }
    return ZS_ERR_NOT_FOUND;
}

word vf_get_data(int file, word offset, byte kpv_xdata *buffer, word len)
{
    byte kpv_const *from;
    word left;
    word n;

    if (file < 0 || file >= (int) zs_num_vf_pages || !vf_table[file].name ||
        offset >= vf_table[file].size)
    {
        return 0;
    }
    left = vf_table[file].size - offset;
    if (len > left)
    {
        len = left;
    }
    from = vf_table[file].content + offset;
    for (n = len; n; n--)
    {
        *buffer++ = *from++;
    }
    return len;
}

#endif  // ZS_VIRTUAL_FILES

#ifdef ZS_SERVERS

byte zs_srv_owner[ZS_AT_LEAST_ONE(num_sockets)];

void srv_make_room(byte for_tcp)
{
    byte i;

    for (i = 0; i < zs_num_sockets; i++)
    {
        // TCP hands a socket in TIME-WAIT to a new connection as if it were free; UDP does not.
        if (zs_sockets[i].state == ZS_SOCKET_FREE ||
            (for_tcp && zs_sockets[i].state == ZS_SOCKET_TIME_WAIT && zs_sockets[i].protocol == ZS_PROTO_TCP))
        {
            return;
        }
    }
    // Every socket is taken: an HTTP listener that no client has reached yet is the one
    // socket that can be given up without harming anybody.
    for (i = 0; i < zs_num_sockets; i++)
    {
        if (zs_srv_owner[i] == ZS_SRV_HTTP && zs_sockets[i].state == ZS_SOCKET_LISTEN)
        {
            tcp_close(i);
            zs_srv_owner[i] = ZS_SRV_NONE;
            return;
        }
    }
}

int srv_take_socket(byte owner)
{
    int s;

    srv_make_room(1);
    s = tcp_open_socket();
    if (s >= 0)
    {
        zs_srv_owner[s] = owner;
        tcp_claim(s);                   // the servers take their data with tcp_receive
    }
    return s;
}

byte srv_owns(int socket, byte owner)
{
    if (socket < 0 || socket >= (int) zs_num_sockets || zs_srv_owner[socket] != owner)
    {
        return 0;
    }
    if (zs_sockets[socket].state == ZS_SOCKET_FREE)
    {
        // The connection ended under us (a reset or a time-out freed the socket).
        zs_srv_owner[socket] = ZS_SRV_NONE;
        return 0;
    }
    return 1;
}

void srv_release(int socket)
{
    if (socket >= 0 && socket < (int) zs_num_sockets)
    {
        if (zs_sockets[socket].state != ZS_SOCKET_FREE)
        {
            tcp_close(socket);
        }
        zs_srv_owner[socket] = ZS_SRV_NONE;
    }
}

int zs_run_servers(void)
{
    int result;
    byte i;

    for (i = 0; i < zs_num_sockets; i++)
    {
        zs_srv_owner[i] = ZS_SRV_NONE;
    }
#ifdef ZS_FTP
    // FTP first: HTTP then listens on every socket that is left.
    ftp_server_init();
#endif
#ifdef ZS_HTTP
    http_server_init();
#endif
    while ((result = zs_poll()) == ZS_OK)
    {
#ifdef ZS_FTP
        ftp_server_process();
#endif
#ifdef ZS_HTTP
        http_server_process();
#endif
    }
    return result;
}

#endif  // ZS_SERVERS
