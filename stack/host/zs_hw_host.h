//-----------------------------------------------------------------------------
// zs_hw_host.h
//-----------------------------------------------------------------------------
//
// The host port's own controls, for the programs that run the stack on a PC: which file
// descriptors stand for UART0, how fast the stack's clock runs, and a tap on what it sends.
//

#ifndef ZS_HW_HOST_H
#define ZS_HW_HOST_H

#ifdef __cplusplus
extern "C" {
#endif

// UART0 reads from in_fd and writes to out_fd (the same descriptor for a pty or a socket);
// -1 leaves that direction unconnected: nothing arrives, what is sent is dropped.
void zs_host_uart_attach(int in_fd, int out_fd);

// Runs the stack's clock scale times faster than real time (1 at start), so that tests of
// time-outs of minutes take seconds.
void zs_host_set_clock_scale(unsigned scale);

// With on, the clock stops following real time: every zs_hw_idle is one tick and does not
// sleep. Fuzzing and replays then run time-outs in microseconds and the same way every time.
void zs_host_set_virtual_clock(int on);

// When set, every byte sent goes to tap instead of out_fd.
void zs_host_set_tap(void (*tap)(unsigned char c));

// Bytes received since zs_host_uart_attach, and bytes sent.
extern unsigned long zs_host_rx_bytes;
extern unsigned long zs_host_tx_bytes;
// Bytes read from in_fd that the stack has not taken yet.
unsigned zs_host_uart_unread(void);

// zs_hw_idle waits on fd (the TAP device's) when no UART is attached.
void zs_host_wait_fd(int fd);

// Set once zs_hw_start_tick has run: the firmware's start-up is over.
extern volatile int zs_host_started;

// The Ethernet device without a TAP device (zs_eth_host.c): frames handed to the stack, the
// frames it sent (0 when none is left), and both queues emptied.
void zs_host_eth_inject(const unsigned char *frame, unsigned len);
unsigned zs_host_eth_collect(unsigned char *frame, unsigned max_len);
void zs_host_eth_clear(void);
// When set, every frame the stack sends goes to tap instead of the queue (or the TAP device),
// as it is sent: a test can answer a request while the call that sent it still waits. tap may
// inject frames; they arrive at a later zs_poll.
void zs_host_eth_set_tap(void (*tap)(const unsigned char *frame, unsigned len));
// Frames the loss and reordering of QUILLON_LOSS and QUILLON_REORDER dropped and swapped.
extern unsigned long zs_host_frames_dropped;
extern unsigned long zs_host_frames_swapped;

#ifdef __cplusplus
}
#endif

#endif  // ZS_HW_HOST_H
