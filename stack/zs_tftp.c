//-----------------------------------------------------------------------------
// zs_tftp.c
//-----------------------------------------------------------------------------
//
// The TFTP client (RFC 1350): fetches a file from a server into a buffer and stores a
// buffer on a server, in octet mode with 512-byte blocks. Each request, data block or
// acknowledgement is sent again after TFTP_WAIT_TICKS without an answer, tftp_resend_trys
// times. The server answers from a port of its own (its transfer ID); the first answer
// fixes it and datagrams from any other port are told off with an error, as the RFC asks.
//
// No buffer of its own: requests and blocks are built in the transmit buffer, where
// udp_send finds them in place, and a received datagram is copied to the front of the
// receive buffer, which nothing touches until the next zs_poll.
//

#include "zs_stack.h"

#ifdef ZS_TFTP

extern kpv_const word zs_tftp_resend_trys;

#define TFTP_RRQ            1
#define TFTP_WRQ            2
#define TFTP_DATA           3
#define TFTP_ACK            4
#define TFTP_ERROR          5

#define TFTP_BLOCK          512
#define TFTP_HEADER         4
#define TFTP_WAIT_TICKS     (2 * ZS_TICKS_PER_SECOND)

#define TFTP_ERR_UNDEFINED  0
#define TFTP_ERR_DISK_FULL  3
#define TFTP_ERR_UNKNOWN_ID 5

static int tftp_socket;
static byte kpv_xdata *tftp_server;
static word tftp_server_port;           // the server's transfer ID, 0 until it answers
static word tftp_next_port;
static byte kpv_xdata *tftp_packet;     // the datagram received: at zs_recv_buff
static word tftp_packet_len;
static byte tftp_tries;                 // time-outs since the transfer last moved on

// Where a datagram is built: the payload place of the transmit buffer.
#define tftp_out            (zs_ip_out + ZS_IP_HEADER_LEN + ZS_UDP_HEADER_LEN)

static int tftp_send_to(byte kpv_xdata *ip, word port, word len)
{
    int r = udp_send(tftp_socket, ip, port, tftp_out, len);
    return r < 0 ? r : ZS_OK;
}

// Sends a read or write request for name.
static int tftp_send_request(byte opcode, char kpv_const *name)
{
    byte kpv_xdata *p = tftp_out;
    word room = ip_payload_room(ZS_UDP_HEADER_LEN);
    word len = 2;
    char kpv_const *mode = "octet";

    *p++ = 0;
    *p++ = opcode;
    do
    {
        if (++len > room)
        {
            return ZS_ERR_TOO_LONG;
        }
        *p++ = (byte) *name;
    } while (*name++);
    do
    {
        if (++len > room)
        {
            return ZS_ERR_TOO_LONG;
        }
        *p++ = (byte) *mode;
    } while (*mode++);
    return tftp_send_to(tftp_server, ZS_PORT_TFTP, len);
}

static int tftp_send_short(byte opcode, word number, byte kpv_xdata *ip, word port)
{
    byte kpv_xdata *p = tftp_out;

    p[0] = 0;
    p[1] = opcode;
    ZS_PUT16(p + 2, number);
    if (opcode == TFTP_ERROR)
    {
        p[4] = 0;                       // no message: the code says it
        return tftp_send_to(ip, port, 5);
    }
    return tftp_send_to(ip, port, TFTP_HEADER);
}

// Sends a data block; built afresh each time, since a poll may have reused the buffer.
static int tftp_send_block(word block, byte kpv_xdata *data, word n)
{
    tftp_out[0] = 0;
    tftp_out[1] = TFTP_DATA;
    ZS_PUT16(tftp_out + 2, block);
    zs_copy(tftp_out + TFTP_HEADER, data, n);
    return tftp_send_to(tftp_server, tftp_server_port, TFTP_HEADER + n);
}

// Waits up to TFTP_WAIT_TICKS for a datagram of the server; 1 when one is at tftp_packet,
// 0 on time-out, ZS_ERR_LINK when the link is lost.
static int tftp_wait_datagram(void)
{
    word start = zs_get_ticks();
    int n;
    byte from_ip[4];
    word from_port;

    while ((word) (zs_get_ticks() - start) < TFTP_WAIT_TICKS)
    {
        if (zs_poll() != ZS_OK)
        {
            return ZS_ERR_LINK;
        }
        n = udp_receive(tftp_socket, zs_recv_buff, zs_recv_buff_size);
        if (n < TFTP_HEADER)
        {
            continue;                   // nothing, or too short to mean anything
        }
        udp_get_sender(from_ip, &from_port);
        if (!zs_ip_equal(from_ip, tftp_server))
        {
            continue;
        }
        if (!tftp_server_port)
        {
            tftp_server_port = from_port;
        }
        else if (from_port != tftp_server_port)
        {
            tftp_send_short(TFTP_ERROR, TFTP_ERR_UNKNOWN_ID, from_ip, from_port);
            continue;
        }
        tftp_packet = zs_recv_buff;
        tftp_packet_len = (word) n;
        return 1;
    }
    return 0;
}

// The server's next word: 1 when a datagram other than an error is at tftp_packet, 0 when
// it kept silent and the last packet is due again, ZS_ERR_TIMEOUT after the configured
// resends, ZS_ERR_TRANSFER when it reported an error, ZS_ERR_LINK when the link is lost.
static int tftp_wait(void)
{
    int result = tftp_wait_datagram();

    if (result == 0 && ++tftp_tries > zs_tftp_resend_trys)
    {
        return ZS_ERR_TIMEOUT;
    }
    if (result == 1 && (tftp_packet[0] != 0 || tftp_packet[1] == TFTP_ERROR))
    {
        return ZS_ERR_TRANSFER;
    }
    return result;
}

// Opens the transfer's socket on a port of its own and notes the server.
static int tftp_start(byte kpv_xdata *server_ip)
{
    byte tries;

    if (!tftp_next_port)
    {
        tftp_next_port = 0xC000 | (zs_get_ticks() & 0x0FFF);
    }
    for (tries = 0; tries < 8; tries++)
    {
#ifdef ZS_SERVERS
        srv_make_room(0);                // the HTTP server may listen on every socket
#endif
        tftp_socket = udp_open_socket(tftp_next_port);
        if (++tftp_next_port == 0)
        {
            tftp_next_port = 0xC000;
        }
        if (tftp_socket != ZS_ERR_ARGUMENT)
        {
            break;
        }
    }
    tftp_server = server_ip;
    tftp_server_port = 0;
    tftp_tries = 0;
    return tftp_socket < 0 ? tftp_socket : ZS_OK;
}

int tftp_get_file(byte kpv_xdata *server_ip, char kpv_const *name, byte kpv_xdata *buffer,
                  word max_len, word kpv_xdata *received)
{
    int result;
    word got = 0;
    word block = 1;                     // the block expected next
    word n;

    if (received)
    {
        *received = 0;
    }
    if (!server_ip || !name || (!buffer && max_len))
    {
        return ZS_ERR_ARGUMENT;
    }
    result = tftp_start(server_ip);
    if (result != ZS_OK)
    {
        return result;
    }
    result = tftp_send_request(TFTP_RRQ, name);
    while (result == ZS_OK)
    {
        result = tftp_wait();
        if (result < 0)
        {
            break;
        }
        if (result == 0)
        {
            result = block == 1 ? tftp_send_request(TFTP_RRQ, name)
                                : tftp_send_short(TFTP_ACK, block - 1, tftp_server, tftp_server_port);
            continue;
        }
        result = ZS_OK;
        n = tftp_packet_len - TFTP_HEADER;
        if (tftp_packet[1] != TFTP_DATA || n > TFTP_BLOCK)
        {
            continue;
        }
        if (ZS_GET16(tftp_packet + 2) == block - 1)
        {
            // Our acknowledgement was lost: the server sent the block again.
            result = tftp_send_short(TFTP_ACK, block - 1, tftp_server, tftp_server_port);
            continue;
        }
        if (ZS_GET16(tftp_packet + 2) != block)
        {
            continue;
        }
        if (n > max_len - got)
        {
            tftp_send_short(TFTP_ERROR, TFTP_ERR_DISK_FULL, tftp_server, tftp_server_port);
            result = ZS_ERR_TOO_LONG;
            break;
        }
        zs_copy(buffer + got, tftp_packet + TFTP_HEADER, n);
        got += n;
        result = tftp_send_short(TFTP_ACK, block, tftp_server, tftp_server_port);
        if (n < TFTP_BLOCK)
        {
            break;                      // a short block ends the file
        }
        block++;
        tftp_tries = 0;
    }
    udp_close(tftp_socket);
    if (received)
    {
        *received = got;
    }
    return result;
}

int tftp_put_file(byte kpv_xdata *server_ip, char kpv_const *name, byte kpv_xdata *buffer,
                  word len)
{
    int result;
    word block = 0;                     // the block whose acknowledgement is awaited
    word offset = 0;                    // where that block starts in buffer
    word n = TFTP_BLOCK;                // its length

    if (!server_ip || !name || (!buffer && len))
    {
        return ZS_ERR_ARGUMENT;
    }
    if (ip_payload_room(ZS_UDP_HEADER_LEN) < TFTP_HEADER + TFTP_BLOCK)
    {
        return ZS_ERR_TOO_LONG;         // the transmit buffer cannot hold a whole block
    }
    result = tftp_start(server_ip);
    if (result != ZS_OK)
    {
        return result;
    }
    result = tftp_send_request(TFTP_WRQ, name);
    while (result == ZS_OK)
    {
        result = tftp_wait();
        if (result < 0)
        {
            break;
        }
        if (result == 0)
        {
            result = block == 0 ? tftp_send_request(TFTP_WRQ, name) : tftp_send_block(block, buffer + offset, n);
            continue;
        }
        result = ZS_OK;
        // Duplicate acknowledgements are not answered: sending the block again for each
        // would double every block from then on.
        if (tftp_packet[1] != TFTP_ACK || ZS_GET16(tftp_packet + 2) != block)
        {
            continue;
        }
        if (block > 0)
        {
            offset += n;
            if (n < TFTP_BLOCK)
            {
                break;                  // the short block was the last
            }
        }
        n = len - offset;
        if (n > TFTP_BLOCK)
        {
            n = TFTP_BLOCK;
        }
        block++;
        tftp_tries = 0;
        result = tftp_send_block(block, buffer + offset, n);
    }
    udp_close(tftp_socket);
    return result;
}

#endif  // ZS_TFTP
