// What the option tree shows for a record, worked out from the record alone.
//
// The tree's rules keep the tree and the record in step while the user clicks; a record that
// comes from elsewhere (a settings file, the widening of the option bits at generation) is shown
// by these functions, so that the tree shows the same for the same record however it was made.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"

namespace quillon {

// Brings a record whose choices need not fit together (a settings file edited by hand, or one
// an older version wrote) to the one configuration they stand for, the way the tree's rules
// would have made it: one adapter, and with it the link (the modem's PPP or SLIP, or Ethernet);
// nothing of Ethernet beside the modem; one family, Vardex beside the modem and for a code-bank
// project; one driver mode for the custom device; PAP without the no-PAP bit and without the
// modem's own login; DHCP rather than BOOTP when both are set; USB FIFO only where it can be on.
// A record the rules made passes unchanged. With `changes`, every change that alters the
// configuration is described there, what and why ("BOOTP beside DHCP: BOOTP dropped, DHCP
// takes its place"); bookkeeping bits that follow from the rest are set without a word.
void SettleChoices(ConfigRecord& record, std::vector<std::string>* changes = nullptr);

// Sets every option node to the state that the record stands for and returns the adapter
// chosen. Headings and pages are left alone.
AdapterItem ShowChoices(const ConfigRecord& record, OptionStates& options);

// The state of USB FIFO Support: Unavailable unless the family is Zintor at 24 MHz or less,
// where `zintor_usb_fifo` decides; it is cleared where it cannot be on.
void ShowUsbFifo(ConfigRecord& record, OptionStates& options);

}  // namespace quillon
