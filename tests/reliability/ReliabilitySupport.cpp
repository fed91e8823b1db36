#include "ReliabilitySupport.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quillon::test {

namespace {

// The capabilities that let root read, write and search regardless of permissions, and
// change the permissions of files it does not own.
constexpr int kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
};

bool GetCapabilities(Capabilities& c) { return ::syscall(SYS_capget, &c.header, c.data) == 0; }
bool SetCapabilities(Capabilities& c) { return ::syscall(SYS_capset, &c.header, c.data) == 0; }

std::string ReadAll(int fd) {
    std::string out;
    char buf[4096];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string BuiltProgram(const std::string& name) { return std::string(QUILLON_BINARY_DIR) + "/bin/" + name; }

PermissionsBind::PermissionsBind() {
    if (::geteuid() != 0) {
        active_ = true;  // permissions bind already
        return;
    }
    Capabilities c;
    if (!GetCapabilities(c)) return;
    for (int cap : kOverrides) c.data[0].effective &= ~(1u << cap);
    dropped_ = active_ = SetCapabilities(c);
}

PermissionsBind::~PermissionsBind() {
    if (!dropped_) return;
    Capabilities c;
    if (!GetCapabilities(c)) return;
    for (int cap : kOverrides) c.data[0].effective |= c.data[0].permitted & (1u << cap);
    SetCapabilities(c);
}

bool CanMakePermissionsBind() {
    if (::geteuid() != 0) return true;
    // Dropping from the bounding set (as the children do) needs CAP_SETPCAP.
    Capabilities c;
    return GetCapabilities(c) && (c.data[0].effective & (1u << CAP_SETPCAP)) && PermissionsBind().Active();
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const RunOptions& options) {
    std::FILE* out_file = std::tmpfile();
    std::FILE* err_file = std::tmpfile();
    if (!out_file || !err_file) throw std::runtime_error("tmpfile failed");
    const int out_fd = ::fileno(out_file);
    const int err_fd = ::fileno(err_file);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int null_fd = ::open("/dev/null", O_RDONLY);
        ::dup2(null_fd, 0);
        ::dup2(out_fd, 1);
        ::dup2(err_fd, 2);
        if (!options.working_dir.empty() && ::chdir(options.working_dir.c_str()) != 0) ::_exit(126);
        if (options.permissions_bind && ::geteuid() == 0) {
            // Root regains every capability of its bounding set at exec; so take them out of it.
            for (int cap : kOverrides) {
                if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) ::_exit(125);
            }
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    ProgramRun run;
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    run.out = ReadAll(out_fd);
    run.err = ReadAll(err_fd);
    std::fclose(out_file);
    std::fclose(err_file);
    return run;
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace quillon::test
