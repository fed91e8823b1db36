// The IDE workspace: one of 24 stored workspace templates, chosen by five facts of the record,
// filled in with the project folder and the two library names (ExpandWorkspaceBytes). Code-bank
// projects also get their two banked assembler files.
#pragma once

#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr const char* kWorkspaceName = "TCPIP_Project.wsp";

// The stored template for web (FTP or HTTP), custom device, code bank, Zintor (only without
// code bank) and LOCATRA.
int WorkspaceTemplateNumber(const ConfigRecord& record);

}  // namespace quillon
