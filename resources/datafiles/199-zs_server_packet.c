//-----------------------------------------------------------------------------
// zs_server_process_packet
//-----------------------------------------------------------------------------
//
// The stack calls it for every packet that arrives on a socket the application opened
// itself (tcp_open_socket, udp_open_socket); the stack's own servers take their packets
// before. packet holds len bytes of payload and stays valid until the function returns.
// This application opens no socket of its own yet: what arrives is only counted.
//
word zs_unclaimed_packets;

void zs_server_process_packet (int socket, byte kpv_xdata *packet, word len)
{
    (void) socket;
    (void) packet;
    (void) len;
    zs_unclaimed_packets++;
}
