// The IDE workspace: one of 24 stored workspace templates, chosen by five facts of the record,
// written under a temporary name and filled in at the end of generation (ExpandWorkspace), once
// the library names are known. Code-bank projects also get their two banked assembler files.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "io/FileIo.h"

namespace quillon {

inline constexpr const char* kTempWorkspaceName = "tmp_TCPIP_Project.wsp";

// The stored template for web (FTP or HTTP), custom device, code bank, Zintor (only without
// code bank) and LOCATRA.
int WorkspaceTemplateNumber(const ConfigRecord& record);

// Writes folder + "tmp_TCPIP_Project.wsp" and, with code_bank, "L51_BANK.A51" and "STARTUP.A51".
void WriteWorkspace(const ConfigRecord& record, const std::string& folder, std::vector<FileError>& failures);

}  // namespace quillon
