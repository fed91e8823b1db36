//-----------------------------------------------------------------------------
// pelmar.h
//-----------------------------------------------------------------------------
//
// Special function registers of the Pelmar family.
//
// Pelmar has a single SFR space. Its ports 4 to 7 are not bit-addressable and share one
// output-mode register, P74OUT. Timer 2 is the classic auto-reload timer with T2CON.
//
// Declarations go through the SFR, SFR16 and SBIT macros of zs_defs.h, so that both
// compilers of the project take this header. Include zs_defs.h first.
//

#ifndef PELMAR_H
#define PELMAR_H

//-----------------------------------------------------------------------------
// Registers
//-----------------------------------------------------------------------------
SFR(P0,       0x80);                    // Port 0 latch
SFR(SP,       0x81);                    // Stack pointer
SFR(DPL,      0x82);                    // Data pointer, low byte
SFR(DPH,      0x83);                    // Data pointer, high byte
SFR(P4,       0x84);                    // Port 4 latch
SFR(P5,       0x85);                    // Port 5 latch
SFR(P6,       0x86);                    // Port 6 latch
SFR(PCON,     0x87);                    // Power control
SFR(TCON,     0x88);                    // Timer 0 and 1 control
SFR(TMOD,     0x89);                    // Timer 0 and 1 mode
SFR(TL0,      0x8A);                    // Timer 0, low byte
SFR(TL1,      0x8B);                    // Timer 1, low byte
SFR(TH0,      0x8C);                    // Timer 0, high byte
SFR(TH1,      0x8D);                    // Timer 1, high byte
SFR(CKCON,    0x8E);                    // Clock control of the timers
SFR(PSCTL,    0x8F);                    // Program store write and erase control
SFR(P1,       0x90);                    // Port 1 latch
SFR(TMR3CN,   0x91);                    // Timer 3 control
SFR(P7,       0x96);                    // Port 7 latch
SFR(SCON0,    0x98);                    // UART0 control
SFR(SBUF0,    0x99);                    // UART0 data
SFR(SPI0CFG,  0x9A);                    // SPI0 configuration
SFR(SPI0DAT,  0x9B);                    // SPI0 data
SFR(SPI0CKR,  0x9D);                    // SPI0 clock rate
SFR(P2,       0xA0);                    // Port 2 latch
SFR(EMI0TC,   0xA1);                    // External memory interface timing
SFR(EMI0CF,   0xA3);                    // External memory interface configuration
SFR(P0MDOUT,  0xA4);                    // Port 0 output mode
SFR(P1MDOUT,  0xA5);                    // Port 1 output mode
SFR(P2MDOUT,  0xA6);                    // Port 2 output mode
SFR(P3MDOUT,  0xA7);                    // Port 3 output mode
SFR(IE,       0xA8);                    // Interrupt enable
SFR(SADDR0,   0xA9);                    // UART0 slave address
SFR(EMI0CN,   0xAF);                    // External memory interface page of 8-bit MOVX
SFR(P3,       0xB0);                    // Port 3 latch
SFR(OSCXCN,   0xB1);                    // External oscillator control
SFR(OSCICN,   0xB2);                    // Internal oscillator control
SFR(P74OUT,   0xB5);                    // Ports 4 to 7 output mode
SFR(FLSCL,    0xB6);                    // Flash memory timing
SFR(IP,       0xB8);                    // Interrupt priority
SFR(SADEN0,   0xB9);                    // UART0 slave address mask
SFR(T2CON,    0xC8);                    // Timer 2 control
SFR(RCAP2L,   0xCA);                    // Timer 2 reload, low byte
SFR(RCAP2H,   0xCB);                    // Timer 2 reload, high byte
SFR(TL2,      0xCC);                    // Timer 2, low byte
SFR(TH2,      0xCD);                    // Timer 2, high byte
SFR(PSW,      0xD0);                    // Program status word
SFR(PCA0CN,   0xD8);                    // PCA control
SFR(PCA0MD,   0xD9);                    // PCA mode
SFR(PCA0CPM0, 0xDA);                    // PCA module 0 mode
SFR(ACC,      0xE0);                    // Accumulator
SFR(XBR0,     0xE1);                    // Crossbar 0
SFR(XBR1,     0xE2);                    // Crossbar 1
SFR(XBR2,     0xE3);                    // Crossbar 2
SFR(EIE1,     0xE6);                    // Extended interrupt enable 1
SFR(EIE2,     0xE7);                    // Extended interrupt enable 2
SFR(PCA0L,    0xE9);                    // PCA counter, low byte
SFR(RSTSRC,   0xEF);                    // Reset source
SFR(B,        0xF0);                    // B register
SFR(SPI0CN,   0xF8);                    // SPI0 control
SFR(PCA0H,    0xF9);                    // PCA counter, high byte
SFR(WDTCN,    0xFF);                    // Watchdog timer control

//-----------------------------------------------------------------------------
// Bits
//-----------------------------------------------------------------------------

// TCON
SBIT(TF1,  0x88, 7);                    // Timer 1 overflow
SBIT(TR1,  0x88, 6);                    // Timer 1 run
SBIT(TF0,  0x88, 5);                    // Timer 0 overflow
SBIT(TR0,  0x88, 4);                    // Timer 0 run
SBIT(IE1,  0x88, 3);                    // External interrupt 1 flag
SBIT(IT1,  0x88, 2);                    // External interrupt 1 edge triggered
SBIT(IE0,  0x88, 1);                    // External interrupt 0 flag
SBIT(IT0,  0x88, 0);                    // External interrupt 0 edge triggered

// SCON0
SBIT(TI0,  0x98, 1);                    // UART0 transmit done
SBIT(RI0,  0x98, 0);                    // UART0 byte received

// IE
SBIT(EA,   0xA8, 7);                    // Global interrupt enable
SBIT(ET2,  0xA8, 5);                    // Timer 2 interrupt enable
SBIT(ES0,  0xA8, 4);                    // UART0 interrupt enable
SBIT(ET1,  0xA8, 3);                    // Timer 1 interrupt enable
SBIT(EX1,  0xA8, 2);                    // External interrupt 1 enable
SBIT(ET0,  0xA8, 1);                    // Timer 0 interrupt enable
SBIT(EX0,  0xA8, 0);                    // External interrupt 0 enable

// T2CON
SBIT(TF2,  0xC8, 7);                    // Timer 2 overflow
SBIT(EXF2, 0xC8, 6);                    // Timer 2 external flag
SBIT(RCLK0,0xC8, 5);                    // UART0 receive clock from timer 2
SBIT(TCLK0,0xC8, 4);                    // UART0 transmit clock from timer 2
SBIT(EXEN2,0xC8, 3);                    // Timer 2 external enable
SBIT(TR2,  0xC8, 2);                    // Timer 2 run
SBIT(CT2,  0xC8, 1);                    // Timer 2 counter mode
SBIT(CPRL2,0xC8, 0);                    // Timer 2 capture mode

// PCA0CN
SBIT(CF,   0xD8, 7);                    // PCA counter overflow
SBIT(CR,   0xD8, 6);                    // PCA counter run

// SPI0CN
SBIT(SPIF, 0xF8, 7);                    // SPI0 transfer done
SBIT(SPIEN,0xF8, 0);                    // SPI0 enable

//-----------------------------------------------------------------------------
// Interrupt vectors
//-----------------------------------------------------------------------------
#define INTERRUPT_INT0                  0       // External interrupt 0
#define INTERRUPT_TIMER0                1       // Timer 0 overflow
#define INTERRUPT_INT1                  2       // External interrupt 1
#define INTERRUPT_TIMER1                3       // Timer 1 overflow
#define INTERRUPT_UART0                 4       // UART0
#define INTERRUPT_TIMER2                5       // Timer 2 overflow
#define INTERRUPT_SPI0                  6       // SPI0
#define INTERRUPT_PCA0                  9       // PCA

#endif  // PELMAR_H
