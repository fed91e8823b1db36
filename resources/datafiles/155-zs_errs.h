//-----------------------------------------------------------------------------
// zs_errs.h
//-----------------------------------------------------------------------------
//
// Result codes of the stack. Every stack function that can fail returns ZS_OK (0) or one
// of the negative codes below; functions that hand out a socket or a file return its
// number (0 or more) on success, so a negative result is always an error.
//

#ifndef ZS_ERRS_H
#define ZS_ERRS_H

#define ZS_OK                           0

// Errors of every configuration
#define ZS_ERR_TIMEOUT                  (-1)    // no answer within the configured ticks
#define ZS_ERR_NO_MEMORY                (-2)    // a buffer or table of zs_vars.c is full
#define ZS_ERR_NO_SOCKET                (-3)    // all num_sockets sockets are in use
#define ZS_ERR_BAD_SOCKET               (-4)    // not an open socket of this project
#define ZS_ERR_LINK                     (-5)    // the link is down or was lost
#define ZS_ERR_DEVICE                   (-6)    // the communication adapter does not answer
#define ZS_ERR_ARGUMENT                 (-7)    // an argument is out of range
#define ZS_ERR_TOO_LONG                 (-8)    // the data do not fit the buffer
#define ZS_ERR_NOT_FOUND                (-9)    // no such file, user or entry
#define ZS_ERR_CHECKSUM                 (-10)   // a received packet failed its checksum
£00&
// Ethernet and ARP
#define ZS_ERR_ARP_UNRESOLVED           (-20)   // no ARP answer for the address
#define ZS_ERR_FRAME                    (-21)   // the controller reported a bad frame
££06&
// TCP
#define ZS_ERR_REFUSED                  (-30)   // the remote end refused the connection
#define ZS_ERR_RESET                    (-31)   // the remote end reset the connection
#define ZS_ERR_NOT_CONNECTED            (-32)   // the socket has no connection
#define ZS_ERR_CLOSED                   (-33)   // the connection has been closed
££19&
// Modem
#define ZS_ERR_NO_CARRIER               (-40)   // the modem lost or found no carrier
#define ZS_ERR_NO_DIALTONE              (-41)
#define ZS_ERR_BUSY                     (-42)
#define ZS_ERR_MODEM                    (-43)   // the modem answered ERROR
#define ZS_ERR_LOGIN                    (-44)   // the login prompts were not answered
££01&
// PPP
#define ZS_ERR_NEGOTIATION              (-45)   // LCP or IPCP did not agree
££14&#define ZS_ERR_AUTHENTICATION           (-46)   // PAP refused the user
££08,09|
// Address servers
#define ZS_ERR_NO_SERVER                (-50)   // no BOOTP or DHCP server answered
££09&#define ZS_ERR_LEASE_EXPIRED            (-51)   // the DHCP lease ran out
#define ZS_ERR_DECLINED                 (-52)   // the DHCP server declined the request
££10,11|
// Servers
#define ZS_ERR_SERVER_BUSY              (-55)   // every server connection is in use
££12&
// SMTP
#define ZS_ERR_MAIL_REJECTED            (-60)   // the mail server refused the message
££13&
// TFTP
#define ZS_ERR_TRANSFER                 (-61)   // the TFTP server aborted the transfer
£
#endif  // ZS_ERRS_H
