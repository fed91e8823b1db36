//-----------------------------------------------------------------------------
// custom_ethernet.h
//-----------------------------------------------------------------------------
//
// The driver of a custom Ethernet device. The stack's Ethernet layer calls it through
// eth_device_init, eth_device_send, eth_device_receive and eth_device_reset (zs_funcs.h).
// This driver is interrupt driven: the device raises external interrupt 0 (/INT0, falling
// edge) when a frame has arrived.
//
// The device sits on the external memory bus: its registers are the first bytes of the
// external memory page BASE_ADDRESS (zs_userconst.h), which EMIF_Init selects. Adapt the
// register map and the bits below to your controller; the driver uses nothing else.
//

#ifndef CUSTOM_ETHERNET_H
#define CUSTOM_ETHERNET_H

#define CETH_BASE                       ((word) BASE_ADDRESS << 8)
#define CETH_REGISTER(offset)           (*(volatile byte kpv_xdata *) (CETH_BASE + (offset)))

// Registers
#define CETH_COMMAND                    CETH_REGISTER(0x00)     // write: CETH_CMD_...
#define CETH_STATUS                     CETH_REGISTER(0x01)     // read: CETH_STAT_...
#define CETH_INT_MASK                   CETH_REGISTER(0x02)     // enabled interrupt sources
#define CETH_TX_LEN_LOW                 CETH_REGISTER(0x03)     // length of the frame to send
#define CETH_TX_LEN_HIGH                CETH_REGISTER(0x04)
#define CETH_RX_LEN_LOW                 CETH_REGISTER(0x05)     // length of the received frame
#define CETH_RX_LEN_HIGH                CETH_REGISTER(0x06)
#define CETH_DATA                       CETH_REGISTER(0x07)     // frame FIFO, one byte per access
#define CETH_HW_ADDR(index)             CETH_REGISTER(0x08 + (index))   // 6 bytes

// Commands
#define CETH_CMD_RESET                  0x80    // reset; CETH_STAT_READY follows
#define CETH_CMD_ENABLE                 0x04    // start receiving
#define CETH_CMD_RX_RELEASE             0x02    // drop the frame at the head of the FIFO
#define CETH_CMD_TX_START               0x01    // send the frame written into the FIFO

// Status
#define CETH_STAT_READY                 0x08    // reset done
#define CETH_STAT_TX_BUSY               0x04    // still sending the previous frame
#define CETH_STAT_RX_READY              0x02    // a received frame waits in the FIFO
#define CETH_STAT_LINK                  0x01    // the link is up

// Interrupt sources (CETH_INT_MASK, and the same bits in CETH_STATUS to acknowledge).
#define CETH_INT_RX                     0x02    // a frame has arrived

// Set by the interrupt when a frame waits in the device, cleared by eth_device_receive.
extern volatile byte custom_ethernet_rx_pending;

// How long the driver waits, in polls of the status register.
#define CETH_RESET_POLLS                50000
#define CETH_TX_POLLS                   50000

#endif  // CUSTOM_ETHERNET_H
