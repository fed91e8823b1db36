//-----------------------------------------------------------------------------
// vardex.h
//-----------------------------------------------------------------------------
//
// Special function registers of the Vardex family.
//
// Vardex spreads its registers over SFR pages: write the page number into SFRPAGE before
// touching a register of another page. Registers from 0x80 to 0x87, the ports P0 to P3,
// IE, IP, PSW, ACC, B and the watchdog register WDTCN are reachable from every page. On an
// interrupt the hardware saves SFRPAGE and selects the page of the interrupt's peripheral;
// the return from the interrupt restores it.
//
// Declarations go through the SFR, SFR16 and SBIT macros of zs_defs.h, so that both
// compilers of the project take this header. Include zs_defs.h first.
//

#ifndef VARDEX_H
#define VARDEX_H

//-----------------------------------------------------------------------------
// SFR pages
//-----------------------------------------------------------------------------
#define LEGACY_PAGE                     0x00    // core, timers 0 to 2, UART0, SPI0, EMIF, PCA
#define TMR2_PAGE                       0x00
#define UART0_PAGE                      0x00
#define SPI0_PAGE                       0x00
#define EMI0_PAGE                       0x00
#define PCA0_PAGE                       0x00
#define CONFIG_PAGE                     0x0F    // oscillators, PLL, crossbar, port modes

//-----------------------------------------------------------------------------
// Registers on every page
//-----------------------------------------------------------------------------
SFR(P0,       0x80);                    // Port 0 latch
SFR(SP,       0x81);                    // Stack pointer
SFR(DPL,      0x82);                    // Data pointer, low byte
SFR(DPH,      0x83);                    // Data pointer, high byte
SFR(SFRPAGE,  0x84);                    // SFR page select
SFR(SFRNEXT,  0x85);                    // SFR page stack, next entry
SFR(SFRLAST,  0x86);                    // SFR page stack, last entry
SFR(PCON,     0x87);                    // Power control
SFR(P1,       0x90);                    // Port 1 latch
SFR(P2,       0xA0);                    // Port 2 latch
SFR(IE,       0xA8);                    // Interrupt enable
SFR(P3,       0xB0);                    // Port 3 latch
SFR(IP,       0xB8);                    // Interrupt priority
SFR(PSW,      0xD0);                    // Program status word
SFR(ACC,      0xE0);                    // Accumulator
SFR(B,        0xF0);                    // B register
SFR(WDTCN,    0xFF);                    // Watchdog timer control

//-----------------------------------------------------------------------------
// LEGACY_PAGE (0x00)
//-----------------------------------------------------------------------------
SFR(TCON,     0x88);                    // Timer 0 and 1 control
SFR(TMOD,     0x89);                    // Timer 0 and 1 mode
SFR(TL0,      0x8A);                    // Timer 0, low byte
SFR(TL1,      0x8B);                    // Timer 1, low byte
SFR(TH0,      0x8C);                    // Timer 0, high byte
SFR(TH1,      0x8D);                    // Timer 1, high byte
SFR(CKCON,    0x8E);                    // Clock control of the timers
SFR(PSCTL,    0x8F);                    // Program store write and erase control
SFR(SSTA0,    0x91);                    // UART0 status and clock selection
SFR(SCON0,    0x98);                    // UART0 control
SFR(SBUF0,    0x99);                    // UART0 data
SFR(SPI0CFG,  0x9A);                    // SPI0 configuration
SFR(SPI0DAT,  0x9B);                    // SPI0 data
SFR(SPI0CKR,  0x9D);                    // SPI0 clock rate
SFR(EMI0TC,   0xA1);                    // External memory interface timing
SFR(EMI0CN,   0xA2);                    // External memory interface page of 8-bit MOVX
SFR(EMI0CF,   0xA3);                    // External memory interface configuration
SFR(SADDR0,   0xA9);                    // UART0 slave address
SFR(PSBANK,   0xB1);                    // Program store bank select (code banking)
SFR(FLSCL,    0xB7);                    // Flash memory timing
SFR(SADEN0,   0xB9);                    // UART0 slave address mask
SFR(TMR2CN,   0xC8);                    // Timer 2 control
SFR(TMR2CF,   0xC9);                    // Timer 2 configuration
SFR(RCAP2L,   0xCA);                    // Timer 2 reload, low byte
SFR(RCAP2H,   0xCB);                    // Timer 2 reload, high byte
SFR(TMR2L,    0xCC);                    // Timer 2, low byte
SFR(TMR2H,    0xCD);                    // Timer 2, high byte
SFR(PCA0CN,   0xD8);                    // PCA control
SFR(PCA0MD,   0xD9);                    // PCA mode
SFR(PCA0CPM0, 0xDA);                    // PCA module 0 mode
SFR(PCA0L,    0xE9);                    // PCA counter, low byte
SFR(PCA0H,    0xF9);                    // PCA counter, high byte
SFR(PCA0CPL0, 0xFB);                    // PCA module 0 capture, low byte
SFR(PCA0CPH0, 0xFC);                    // PCA module 0 capture, high byte
SFR(EIE1,     0xE6);                    // Extended interrupt enable 1
SFR(EIE2,     0xE7);                    // Extended interrupt enable 2
SFR(RSTSRC,   0xEF);                    // Reset source
SFR(SPI0CN,   0xF8);                    // SPI0 control

//-----------------------------------------------------------------------------
// CONFIG_PAGE (0x0F)
//-----------------------------------------------------------------------------
SFR(PLL0CN,   0x89);                    // PLL control
SFR(OSCICN,   0x8A);                    // Internal oscillator control
SFR(OSCICL,   0x8B);                    // Internal oscillator calibration
SFR(OSCXCN,   0x8C);                    // External oscillator control
SFR(PLL0DIV,  0x8D);                    // PLL pre-divider
SFR(PLL0MUL,  0x8E);                    // PLL multiplier
SFR(PLL0FLT,  0x8F);                    // PLL filter
SFR(CLKSEL,   0x97);                    // System clock selection
SFR(P4MDOUT,  0x9C);                    // Port 4 output mode
SFR(P5MDOUT,  0x9D);                    // Port 5 output mode
SFR(P6MDOUT,  0x9E);                    // Port 6 output mode
SFR(P7MDOUT,  0x9F);                    // Port 7 output mode
SFR(P0MDOUT,  0xA4);                    // Port 0 output mode
SFR(P1MDOUT,  0xA5);                    // Port 1 output mode
SFR(P2MDOUT,  0xA6);                    // Port 2 output mode
SFR(P3MDOUT,  0xA7);                    // Port 3 output mode
SFR(P1MDIN,   0xAD);                    // Port 1 input mode
SFR(P4,       0xC8);                    // Port 4 latch
SFR(P5,       0xD8);                    // Port 5 latch
SFR(XBR0,     0xE1);                    // Crossbar 0
SFR(XBR1,     0xE2);                    // Crossbar 1
SFR(XBR2,     0xE3);                    // Crossbar 2
SFR(P6,       0xE8);                    // Port 6 latch
SFR(P7,       0xF8);                    // Port 7 latch

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

// TMR2CN
SBIT(TF2,  0xC8, 7);                    // Timer 2 overflow
SBIT(EXF2, 0xC8, 6);                    // Timer 2 external flag
SBIT(TR2,  0xC8, 2);                    // Timer 2 run

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

#endif  // VARDEX_H
