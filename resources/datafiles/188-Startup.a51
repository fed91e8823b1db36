;------------------------------------------------------------------------------
; Startup.a51
;------------------------------------------------------------------------------
;
; Start-up code of Zintor projects, run from the reset vector before main(). It stops the
; watchdog first (it would bite while the RAM is cleared), clears the internal RAM and the
; on-chip external RAM, sets the stack pointer above the variables and jumps to the C
; runtime's start, ?C_START, which sets up the initialised variables and calls main().
;
$NOMOD51

; The memories cleared at reset; a length of 0 leaves that memory as it is.
IDATALEN        EQU     100H            ; internal RAM: 256 bytes
XDATASTART      EQU     0000H           ; on-chip external RAM
XDATALEN        EQU     1000H           ; 4 KB

SP              DATA    081H
PCA0MD          DATA    0D9H            ; bit 6 enables the watchdog

                NAME    ?C_STARTUP

?C_C51STARTUP   SEGMENT CODE
?STACK          SEGMENT IDATA

                RSEG    ?STACK
                DS      1               ; the stack grows from here to the top of RAM

                EXTRN   CODE (?C_START)
                PUBLIC  ?C_STARTUP

                CSEG    AT      0
?C_STARTUP:     LJMP    STARTUP1

                RSEG    ?C_C51STARTUP
STARTUP1:       ANL     PCA0MD,#0BFH    ; stop the watchdog

IF IDATALEN <> 0
                MOV     R0,#LOW (IDATALEN - 1)
                CLR     A
IDATALOOP:      MOV     @R0,A           ; from the top down; R0 itself ends at 0
                DJNZ    R0,IDATALOOP
ENDIF

IF XDATALEN <> 0
                MOV     DPTR,#XDATASTART
                MOV     R7,#LOW (XDATALEN)
  IF (LOW (XDATALEN)) <> 0
                MOV     R6,#(HIGH (XDATALEN)) + 1
  ELSE
                MOV     R6,#HIGH (XDATALEN)
  ENDIF
                CLR     A
XDATALOOP:      MOVX    @DPTR,A
                INC     DPTR
                DJNZ    R7,XDATALOOP
                DJNZ    R6,XDATALOOP
ENDIF

                MOV     SP,#?STACK-1
                LJMP    ?C_START

                END
