// quillon-cli simulate DIR --host --tap NAME [--timeout S] [--loss P] [--reorder P]
//
// The project's own sources (main.c, the callbacks, zs_vars.c, the stack's modules, the pages
// and the user's files) compiled for the PC, with the stack's host port in place of the two
// files that touch the 8051's hardware (zs_hw8051.c and the Ethernet device's driver):
//
//   - every register the project names (SFR, SFR16, SBIT) becomes a variable, and a thread sets
//     the oscillators' and the PLL's ready bits until the stack starts, so the clock set-up's
//     wait loops end as they do on the board;
//   - the tick follows the PC's clock, and the Ethernet device is a TAP device that this
//     command creates (it disappears with the firmware).
#include "cli/SimulateHost.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "cli/SimulateSupport.h"
#include "resources/Resources.h"

namespace quillon::cli {

namespace {

namespace fs = std::filesystem;

// The files of the 8051 build that the host port replaces.
bool ReplacedOnHost(const std::string& source) {
    return source == "zs_hw8051.c" || source.starts_with("custom_ethernet");
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Every register the project's sources declare with SFR(NAME, ...), SFR16 or SBIT, defined as a
// variable, and the thread that plays the clock hardware's ready bits.
std::string RegisterFile(const fs::path& dir) {
    const std::regex declaration(R"((^|[^#\w])(SFR16|SFR|SBIT)\s*\(\s*([A-Za-z_]\w*)\s*,)");
    std::set<std::string> bytes, words;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "zs_defs.h" || !(name.ends_with(".h") || name.ends_with(".c"))) continue;
        const std::optional<std::string> text = ReadText(entry.path());
        if (!text) continue;
        std::istringstream lines(*text);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("#define") != std::string::npos) continue;
            std::smatch m;
            if (!std::regex_search(line, m, declaration)) continue;
            (m[2] == "SFR16" ? words : bytes).insert(m[3]);
        }
    }
    std::ostringstream out;
    out << "// The registers of the project as variables, for the host build (written by quillon-cli).\n"
           "#include <pthread.h>\n#include <unistd.h>\n\n";
    for (const std::string& b : bytes) out << "volatile unsigned char " << b << ";\n";
    for (const std::string& w : words) out << "volatile unsigned short " << w << ";\n";
    out << "\nextern volatile int zs_host_started;\n\n"
           "static void *zs_host_clock_hardware(void *unused)\n{\n    (void) unused;\n"
           "    while (!zs_host_started)\n    {\n";
    for (const ReadyBit& ready : kReadyBits) {
        if (bytes.count(ready.reg)) out << "        " << ready.reg << " |= " << (1 << ready.bit) << ";\n";
    }
    out << "        usleep(100);\n    }\n    return 0;\n}\n\n"
           "__attribute__((constructor)) static void zs_host_start_clock_hardware(void)\n{\n"
           "    pthread_t thread;\n\n"
           "    if (pthread_create(&thread, 0, zs_host_clock_hardware, 0) == 0)\n    {\n"
           "        pthread_detach(thread);\n    }\n}\n";
    return out.str();
}

bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

// Runs a program to its end, its output going to ours; its exit status, -1 when it could not run.
int RunToEnd(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ValidTapName(const std::string& name) {
    if (name.empty() || name.size() >= IFNAMSIZ) return false;
    for (const char ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '-' && ch != '_' && ch != '.') return false;
    }
    return true;
}

// Creates the TAP device and brings it up; the descriptor, or -1 with the reason in `why`.
int OpenTap(const std::string& name, std::string& why) {
    const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::string("cannot open /dev/net/tun: ") + std::strerror(errno);
        return -1;
    }
    ifreq request{};
    request.ifr_flags = IFF_TAP | IFF_NO_PI;
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (ioctl(fd, TUNSETIFF, &request) < 0) {
        why = std::string("cannot create the TAP device ") + name + ": " + std::strerror(errno);
        if (errno == EPERM) why += " (it needs root or CAP_NET_ADMIN)";
        if (errno == EBUSY) why += " (a device of that name is in use)";
        close(fd);
        return -1;
    }
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq flags{};
    std::strncpy(flags.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (s < 0 || ioctl(s, SIOCGIFFLAGS, &flags) < 0 ||
        (flags.ifr_flags |= IFF_UP, ioctl(s, SIOCSIFFLAGS, &flags) < 0)) {
        why = std::string("cannot bring the TAP device ") + name + " up: " + std::strerror(errno);
        if (s >= 0) close(s);
        close(fd);
        return -1;
    }
    close(s);
    return fd;
}

}  // namespace

int RunOnHost(CommandContext& c, const HostRun& run) {
    const fs::path dir = run.dir;
    const std::optional<std::string> makefile = ReadText(dir / "Makefile");
    if (!makefile) {
        c.err << (dir / "Makefile").string() << ": no Makefile: is this a project Quillon generated?\n";
        return kExitFailed;
    }
    const std::optional<std::string> options = ReadText(dir / "zs_stackconst.h");
    if (!options || options->find("#define ZS_ETHERNET ") == std::string::npos) {
        c.err << dir.string() << ": --host runs Ethernet projects; this project's link is serial: "
              << "run it in the simulator (simulate DIR)\n";
        return kExitFailed;
    }
    if (!ValidTapName(run.tap)) {
        c.err << "\"" << run.tap << "\" cannot name a network device: at most " << IFNAMSIZ - 1
              << " letters, digits, '-', '_' or '.'\n";
        return kExitUsage;
    }
    const std::optional<std::string> compiler = FindProgram(std::getenv("CC") ? std::getenv("CC") : "cc");
    if (!compiler) {
        c.err << "no C compiler (cc) found: install gcc\n";
        return kExitFailed;
    }

    // The host port, as this program carries it, and the registers.
    const fs::path out = dir / "build" / "host";
    std::error_code ec;
    fs::create_directories(out, ec);
    for (const std::string& name : StackSourceNames()) {
        if (!name.starts_with("host/")) continue;
        const auto bytes = StackSourceFile(name);
        if (!WriteFile(out / name.substr(5), std::string(bytes.begin(), bytes.end()))) {
            c.err << (out / name.substr(5)).string() << ": cannot write\n";
            return kExitFailed;
        }
    }
    if (!WriteFile(out / "zs_host_registers.c", RegisterFile(dir))) {
        c.err << (out / "zs_host_registers.c").string() << ": cannot write\n";
        return kExitFailed;
    }

    const fs::path firmware = out / "firmware";
    std::vector<std::string> argv = {*compiler, "-std=gnu99", "-O1", "-g", "-w", "-pthread",
                                     "-I" + out.string(), "-I" + dir.string(), "-o", firmware.string()};
    for (const char* variable : {"PROJECT_SOURCES", "STACK_SOURCES", "USER_SOURCES"}) {
        for (const std::string& source : Words(MakeVariable(*makefile, variable))) {
            if (!ReplacedOnHost(source)) argv.push_back((dir / source).string());
        }
    }
    if (fs::is_directory(dir / "VFILE_DIR")) {
        std::vector<std::string> pages;
        for (const auto& entry : fs::directory_iterator(dir / "VFILE_DIR")) {
            if (entry.path().extension() == ".c") pages.push_back(entry.path().string());
        }
        std::sort(pages.begin(), pages.end());
        argv.insert(argv.end(), pages.begin(), pages.end());
    }
    for (const char* port : {"zs_hw_host.c", "zs_eth_host.c", "zs_host_registers.c"}) {
        argv.push_back((out / port).string());
    }
    c.out.flush();
    if (RunToEnd(argv) != 0) {
        c.err << "the host build of " << dir.string() << " failed (the compiler's messages are above)\n";
        return kExitFailed;
    }

    std::string why;
    const int tap = OpenTap(run.tap, why);
    if (tap < 0) {
        c.err << why << "\n";
        return kExitFailed;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        fcntl(tap, F_SETFD, 0);  // the firmware's device
        setenv("QUILLON_TAP_FD", std::to_string(tap).c_str(), 1);
        setenv("QUILLON_LOSS", std::to_string(run.loss).c_str(), 1);
        setenv("QUILLON_REORDER", std::to_string(run.reorder).c_str(), 1);
        execl(firmware.c_str(), firmware.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        c.err << "cannot start the firmware: " << std::strerror(errno) << "\n";
        close(tap);
        return kExitFailed;
    }
    setpgid(pid, pid);
    CatchStopSignals();
    c.out << "tap: " << run.tap << "\n";
    c.out.flush();

    const auto start = std::chrono::steady_clock::now();
    int result = kExitOk;
    while (!StopRequested()) {
        if (run.timeout) {
            const std::chrono::duration<double> ran = std::chrono::steady_clock::now() - start;
            if (ran.count() >= *run.timeout) break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (WIFSIGNALED(status)) {
                c.err << "the firmware stopped with signal " << WTERMSIG(status) << " (" << strsignal(WTERMSIG(status))
                      << ")\n";
            } else {
                c.err << "the firmware stopped by itself (exit status " << WEXITSTATUS(status) << ")\n";
            }
            result = kExitFailed;
            close(tap);
            return result;
        }
        usleep(20000);
    }
    StopProcessGroup(pid);
    close(tap);  // the last descriptor: the device goes with it
    return result;
}

}  // namespace quillon::cli
