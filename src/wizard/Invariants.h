// What holds of the window after every event, written down once: the tree, the record's bits
// and the window's own state agree. Tests and the window's fuzz target check it after every
// event they send; it returns facts, the front ends word nothing of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/OptionNodes.h"

namespace quillon {

class WizardDialog;

enum class Invariant {
    OneFamily,        // exactly one family, On in the tree and in the device bits
    OneAdapter,       // exactly one adapter, alike in the tree, the option bits, the device bits,
                      // the window's current adapter and the link (the modem's, or Ethernet)
    CheckFlagIsBit,   // an option's check flag and its bit in the option bits differ
    DriverMode,       // the custom device without exactly one mode, or a mode without it
    EthernetService,  // ARP, BOOTP, DHCP or LOCATRA beside the modem
    UsePassword,      // Use Password unlike `use_password`, without the modem, or beside PAP
    PapAndNoPap,      // the PAP bit and the no-PAP bit together
    Locatra,          // LOCATRA unlike `locatra_enabled`, or without Ethernet
    Dns,              // DNS unlike its device bit
    CodeBank,         // Code Bank Project unlike `code_bank`, or without Vardex
    UsbFifo,          // USB FIFO available, or on, where it cannot be
    CodeSize,         // the code-size box unlike the estimate of the record
    TreeShowsRecord,  // a node looks otherwise than the record stands for (ShowChoices), or
                      // keeps another reason for it
    Unexplained,      // an Unavailable or Fixed option without the reason for it
};

struct InvariantViolation {
    Invariant invariant;
    std::optional<OptionNode> node;  // the node it is about, where there is one

    friend bool operator==(const InvariantViolation&, const InvariantViolation&) = default;
};

// Every violation found in the window's present state; empty when all is well.
std::vector<InvariantViolation> CheckInvariants(const WizardDialog& window);

// "OneFamily", "CheckFlagIsBit (TCP)": for test output.
std::string Describe(const InvariantViolation& violation);

}  // namespace quillon
