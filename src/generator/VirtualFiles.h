// The VFILE_DIR folder of web and file-server projects: a sample page, the page converted into
// a C source and header, the converter for the developer's machine, a batch file that runs it,
// and copies of the two stack headers the converted sources include.
#pragma once

#include <string>
#include <vector>

#include "io/FileIo.h"

namespace quillon {

inline constexpr const char* kVirtualFileFolder = "VFILE_DIR";

// Creates folder + "VFILE_DIR" and fills it. A VFILE_DIR that already exists is left exactly
// as it is, so a second generation keeps the developer's own pages; that is not a failure.
// The headers zs_defs.h and zs_stackconst.h must already be in `folder`.
void WriteVirtualFileDirectory(const std::string& folder, std::vector<FileError>& failures);

}  // namespace quillon
