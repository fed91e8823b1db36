//-----------------------------------------------------------------------------
// Global Variables
//-----------------------------------------------------------------------------
byte zs_link_up;                        // 1 while the link is up
int  zs_last_error = ZS_OK;             // the last error zs_error() received
word zs_error_count;                    // how many it received

//-----------------------------------------------------------------------------
// zs_link_status
//-----------------------------------------------------------------------------
//
// The stack calls it when the link comes up (link_up = 1) or goes down (0): the modem
// connection, or the link of a custom Ethernet device.
//
void zs_link_status (byte link_up)
{
    zs_link_up = link_up;
}

//-----------------------------------------------------------------------------
// zs_error
//-----------------------------------------------------------------------------
//
// The stack calls it for an error it cannot hand back to a caller, for example a packet
// that did not fit the receive buffer. The error is kept for the application to read.
//
void zs_error (int error)
{
    zs_last_error = error;
    zs_error_count++;
}
