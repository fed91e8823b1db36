//-----------------------------------------------------------------------------
// Global Variables
//-----------------------------------------------------------------------------
byte zs_link_up;                        // 1 while the Ethernet link is up
int  zs_last_error = ZS_OK;             // the last error zs_error() received
word zs_error_count;                    // how many it received

#if device_id == VARDEX || device_id == PELMAR
SBIT(LINK_LED, 0x90, 6);                // P1.6, set to push-pull by PORT_Init
#endif

//-----------------------------------------------------------------------------
// zs_link_status
//-----------------------------------------------------------------------------
//
// The stack calls it when the Ethernet link comes up (link_up = 1) or goes down (0).
// The link LED follows it.
//
void zs_link_status (byte link_up)
{
    zs_link_up = link_up;
#if device_id == VARDEX || device_id == PELMAR
    LINK_LED = link_up ? 1 : 0;
#endif
}

//-----------------------------------------------------------------------------
// zs_error
//-----------------------------------------------------------------------------
//
// The stack calls it for an error it cannot hand back to a caller, for example a frame
// that did not fit the receive buffer. The error is kept for the application to read.
//
void zs_error (int error)
{
    zs_last_error = error;
    zs_error_count++;
}

//-----------------------------------------------------------------------------
// Ethernet device
//-----------------------------------------------------------------------------
//
// The stack's Ethernet layer reaches the adapter through these four functions; with the
// Lanvik controller they hand over to the stack's own Lanvik driver.
//
int eth_device_init (byte kpv_xdata *hw_addr)
{
    return ethdrv_init (hw_addr);
}

int eth_device_send (byte kpv_xdata *frame, word len)
{
    return ethdrv_send (frame, len);
}

word eth_device_receive (byte kpv_xdata *frame, word max_len)
{
    return ethdrv_receive (frame, max_len);
}

void eth_device_reset (void)
{
    ethdrv_reset ();
}
