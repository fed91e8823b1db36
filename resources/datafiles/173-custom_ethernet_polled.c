//-----------------------------------------------------------------------------
// custom_ethernet.c
//-----------------------------------------------------------------------------
//
// The driver of a custom Ethernet device, polled variant (see custom_ethernet.h for
// the register map). The stack's Ethernet layer calls the four eth_device_ functions.
//

#include "zs_userconst.h"
#include "zs_stackconst.h"
#include "zs_errs.h"
#include "zs_defs.h"
#include "zs_funcs.h"

#if device_id == VARDEX
#include "vardex.h"
#elif device_id == PELMAR
#include "pelmar.h"
#else
#include "zintor.h"
#endif

#include "custom_ethernet.h"

//-----------------------------------------------------------------------------
// custom_ethernet_bus_init
//-----------------------------------------------------------------------------
//
// EMIF_Init has set the timing and the page of the device; here the memory interface is
// switched on and its pins are given to it.
//
static void custom_ethernet_bus_init (void)
{
#if device_id == VARDEX
    char SFRPAGE_SAVE = SFRPAGE;        // Save the current SFR page

    SFRPAGE = EMI0_PAGE;
    EMI0CF = 0x07;                      // Multiplexed on the low ports, split mode
    SFRPAGE = CONFIG_PAGE;
    P0MDOUT |= 0xE0;                    // ALE, /RD and /WR push-pull
    P2MDOUT = 0xFF;                     // Address high byte push-pull
    P3MDOUT = 0xFF;                     // Address low byte and data push-pull
    XBR2 |= 0x40;                       // Enable the crossbar
    SFRPAGE = SFRPAGE_SAVE;             // Restore the SFR page
#elif device_id == PELMAR
    EMI0CF = 0x07;                      // Multiplexed on the low ports, split mode
    P0MDOUT |= 0xE0;                    // ALE, /RD and /WR push-pull
    P2MDOUT = 0xFF;                     // Address high byte push-pull
    P3MDOUT = 0xFF;                     // Address low byte and data push-pull
    XBR2 |= 0x40;                       // Enable the crossbar
#else
    EMI0CF = 0x1B;                      // Non-multiplexed on ports 1 to 4, split mode
    P1SKIP = 0xFF;                      // Ports 1 to 3 belong to the memory interface
    P2SKIP = 0xFF;
    P3SKIP = 0xFF;
    P1MDOUT = 0xFF;                     // Control lines push-pull
    P2MDOUT = 0xFF;                     // Address high byte push-pull
    P3MDOUT = 0xFF;                     // Address low byte push-pull
    P4MDOUT = 0xFF;                     // Data bus push-pull
    XBR1 |= 0x40;                       // Enable the crossbar
#endif
}

//-----------------------------------------------------------------------------
// eth_device_init
//-----------------------------------------------------------------------------
int eth_device_init (byte kpv_xdata *hw_addr)
{
    word polls;
    byte i;

    custom_ethernet_bus_init ();
    CETH_COMMAND = CETH_CMD_RESET;
    for (polls = 0; (CETH_STATUS & CETH_STAT_READY) == 0; polls++)
    {
        if (polls == CETH_RESET_POLLS)
        {
            return ZS_ERR_DEVICE;
        }
    }
    for (i = 0; i < 6; i++)
    {
        CETH_HW_ADDR(i) = hw_addr[i];
    }
    CETH_COMMAND = CETH_CMD_ENABLE;
    return ZS_OK;
}

//-----------------------------------------------------------------------------
// eth_device_send
//-----------------------------------------------------------------------------
//
// Frames shorter than the Ethernet minimum are padded with zero bytes.
//
int eth_device_send (byte kpv_xdata *frame, word len)
{
    word polls;
    word i;
    word sent_len = len < ZS_ETH_MIN_FRAME ? ZS_ETH_MIN_FRAME : len;

    if (len > ZS_ETH_MAX_FRAME)
    {
        return ZS_ERR_TOO_LONG;
    }
    for (polls = 0; CETH_STATUS & CETH_STAT_TX_BUSY; polls++)
    {
        if (polls == CETH_TX_POLLS)
        {
            return ZS_ERR_TIMEOUT;
        }
    }
    CETH_TX_LEN_LOW = (byte) sent_len;
    CETH_TX_LEN_HIGH = (byte) (sent_len >> 8);
    for (i = 0; i < len; i++)
    {
        CETH_DATA = frame[i];
    }
    for (; i < sent_len; i++)
    {
        CETH_DATA = 0;
    }
    CETH_COMMAND = CETH_CMD_TX_START;
    return ZS_OK;
}

//-----------------------------------------------------------------------------
// eth_device_receive
//-----------------------------------------------------------------------------
//
// A frame longer than max_len cannot be taken: it is dropped and reported to zs_error.
//
word eth_device_receive (byte kpv_xdata *frame, word max_len)
{
    word len;
    word i;

    if ((CETH_STATUS & CETH_STAT_RX_READY) == 0)
    {
        return 0;
    }
    len = CETH_RX_LEN_LOW | ((word) CETH_RX_LEN_HIGH << 8);
    if (len > max_len)
    {
        CETH_COMMAND = CETH_CMD_RX_RELEASE;
        zs_error (ZS_ERR_TOO_LONG);
        return 0;
    }
    for (i = 0; i < len; i++)
    {
        frame[i] = CETH_DATA;
    }
    CETH_COMMAND = CETH_CMD_RX_RELEASE;
    return len;
}

//-----------------------------------------------------------------------------
// eth_device_reset
//-----------------------------------------------------------------------------
void eth_device_reset (void)
{
    CETH_COMMAND = CETH_CMD_RESET;
}
