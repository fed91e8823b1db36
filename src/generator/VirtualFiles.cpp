#include "generator/VirtualFiles.h"

#include "generator/TemplateExpander.h"

namespace quillon {

void WriteVirtualFileDirectory(const std::string& folder, std::vector<FileError>& failures) {
    const std::string dir = folder + kVirtualFileFolder;
    bool existed = false;
    if (auto error = CreateFolder(dir, &existed)) {
        failures.push_back(*error);
        return;
    }
    if (existed) return;

    const std::string sub = dir + "/";
    CopyDataFile(sub, "pagebake.exe", 164, failures);
    CopyDataFile(sub, "update.bat", 165, failures);
    CopyDataFile(sub, "index.html", 166, failures);
    CopyDataFile(sub, "index.h", 167, failures);
    CopyDataFile(sub, "index.c", 168, failures);

    for (const char* name : {"zs_defs.h", "zs_stackconst.h"}) {
        std::vector<std::uint8_t> bytes;
        if (auto error = ReadFileBytes(folder + name, bytes)) {
            failures.push_back(*error);
            continue;
        }
        if (auto error = WriteFileBytes(sub + name, bytes)) failures.push_back(*error);
    }
}

}  // namespace quillon
