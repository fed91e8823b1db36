// The IDE workspace: one of 24 stored workspace templates, chosen by five facts of the record,
// filled in with the project folder and the two library names (ExpandWorkspaceBytes). Code-bank
// projects also get their two banked assembler files.
#pragma once

#include "config/ConfigRecord.h"

namespace quillon {

inline constexpr const char* kWorkspaceName = "TCPIP_Project.wsp";

// What the workspace's folder placeholder becomes. The IDE resolves the names of the workspace's
// file lists ("FileName=main.c", "VFILE_DIR\\index.c") against the workspace's own folder, so
// the workspace's name and its open document are written the same way: with no folder at all.
// A project then names no machine's path, and a clone or copy at another path is byte for byte
// what the configuration generates there ("generate --check" in CI).
inline constexpr const char* kWorkspaceFolder = "";

// The stored template for web (FTP or HTTP), custom device, code bank, Zintor (only without
// code bank) and LOCATRA.
int WorkspaceTemplateNumber(const ConfigRecord& record);

}  // namespace quillon
