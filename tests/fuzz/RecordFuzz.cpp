// ParseProjectRecord on any bytes: a project's .quillon/record is a file the user can damage.
// Whatever it reads is a set of plain relative paths whose texts match their ids, and writing
// that set and reading it again gives the same set.
#include "FuzzTargets.h"
#include "generator/ProjectRecord.h"

namespace quillon::fuzz {

void FuzzProjectRecord(Bytes input) {
    const ProjectRecord record = ParseProjectRecord(input);
    for (const auto& [path, entry] : record) {
        Check(IsPlainRelativePath(path), "a path that leaves the folder was read");
        if (entry.content) Check(ContentId(*entry.content) == entry.id, "a text does not match its id");
    }
    Check(ParseProjectRecord(SerializeProjectRecord(record)) == record, "the record did not read back as written");
}

}  // namespace quillon::fuzz
