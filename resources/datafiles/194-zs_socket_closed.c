//-----------------------------------------------------------------------------
// zs_socket_closed
//-----------------------------------------------------------------------------
//
// The stack calls it when the remote end has closed a TCP connection of the
// application, or the connection timed out. The socket is free again: forget it.
//
int zs_last_closed_socket = -1;

void zs_socket_closed (int socket)
{
    zs_last_closed_socket = socket;
}
