// Helpers of the reliability tests: running the built programs as a user would, and making
// file permissions bind even when the tests run as root (as they do in containers).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

// The programs under test, from the build folder.
std::string BuiltProgram(const std::string& name);

struct ProgramRun {
    int status = -1;     // exit status; -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, if one did
    std::string out;     // standard output
    std::string err;     // standard error
};

struct RunOptions {
    std::string working_dir;  // empty: the test's own
    // Run without the capabilities that let root ignore file permissions.
    bool permissions_bind = false;
};

// Runs `program` with `args` and waits for it; standard input is empty.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const RunOptions& options = {});

// While one exists, this process's file accesses obey permissions even as root: the
// capabilities that override them are taken out of the effective set and put back at the end.
class PermissionsBind {
public:
    PermissionsBind();
    ~PermissionsBind();
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;
    // False when they could not be dropped: the test cannot show what it means to.
    bool Active() const { return active_; }

private:
    bool active_ = false;
    bool dropped_ = false;
};

// True when a plain user's permissions can be imposed on this process and its children.
bool CanMakePermissionsBind();

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteText(const std::string& path, const std::string& text);

}  // namespace quillon::test
