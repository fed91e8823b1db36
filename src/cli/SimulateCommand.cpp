// quillon-cli simulate DIR [--pty] [--timeout S]
//
// Runs the firmware that `make` built in DIR (build/firmware.ihx) in the s51 simulator at the
// family's clock (its tick of 10 ms is 10 ms of simulated time), with UART0 bridged binary-clean to a new pty (--pty) or to this program's
// standard input and output. The simulator is a generic 8051: what it lacks of the families is
// supplied through its own command language, never by changing the image:
//
//   - the wait loops on an oscillator-valid, PLL-lock or clock-multiplier-ready bit
//     (MOV A,reg; JNB ACC.n,$-3) get a fetch breakpoint that sets the bit before the read;
//   - the UART: the families clock timer 1 from SYSCLK and divide by 2, the generic part from
//     its crystal/12 and by 32, so every reload the firmware writes into TH1 is replaced by the
//     fastest one (0xFF, with SMOD), which gives crystal/192 bits a second; and the simulator is
//     told to look for received bytes at every cycle instead of twice a second.
//
// The simulator's console output goes to DIR/build/simulate.log.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/SimulateHost.h"
#include "cli/SimulateSupport.h"

namespace quillon::cli {

namespace {

namespace fs = std::filesystem;

// The code image of an Intel HEX file; false when a record is malformed.
bool ReadIntelHex(const std::string& text, std::vector<std::uint8_t>& image) {
    std::istringstream lines(text);
    std::string line;
    std::uint32_t base = 0;
    const auto hex = [](const std::string& s, std::size_t at, std::size_t digits, std::uint32_t& value) {
        value = 0;
        if (at + digits > s.size()) return false;
        for (std::size_t i = 0; i < digits; ++i) {
            const char c = s[at + i];
            const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (v < 0) return false;
            value = value * 16 + static_cast<std::uint32_t>(v);
        }
        return true;
    };
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::uint32_t count = 0, address = 0, type = 0;
        if (line[0] != ':' || !hex(line, 1, 2, count) || !hex(line, 3, 4, address) || !hex(line, 7, 2, type)) return false;
        if (type == 1) break;
        if (type == 4) {
            std::uint32_t upper = 0;
            if (!hex(line, 9, 4, upper)) return false;
            base = upper << 16;
            continue;
        }
        if (type != 0) continue;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t byte = 0;
            if (!hex(line, 9 + 2 * i, 2, byte)) return false;
            const std::uint32_t at = base + address + i;
            if (at >= 0x10000) return false;
            if (image.size() <= at) image.resize(at + 1, 0xFF);
            image[at] = static_cast<std::uint8_t>(byte);
        }
    }
    return true;
}

// The reload the simulated UART runs at: crystal/12/(256 - reload)/16 bits a second, about
// 32 kbit/s whatever the family's clock (the tick fixes crystal/12 near 2 MHz). The simulated
// core runs at crystal/12 too, far slower than the families' single-cycle cores, so the line is
// slowed in proportion: a faster one would outrun the firmware's receive ring.
constexpr unsigned kSimulatedTh1 = 0xFC;

struct WaitLoop {
    std::uint32_t address;
    std::uint8_t sfr;
    int bit;
};

// MOV A,direct (E5 aa) followed by JNB ACC.n back to it (30 E0+n FB): a busy wait on one bit.
std::vector<WaitLoop> FindWaitLoops(const std::vector<std::uint8_t>& image, const std::map<std::string, int>& sfrs) {
    std::vector<WaitLoop> loops;
    for (const ReadyBit& ready : kReadyBits) {
        const auto it = sfrs.find(ready.reg);
        if (it == sfrs.end()) continue;
        for (std::size_t i = 0; i + 5 <= image.size(); ++i) {
            if (image[i] == 0xE5 && image[i + 1] == it->second && image[i + 2] == 0x30 &&
                image[i + 3] == 0xE0 + ready.bit && image[i + 4] == 0xFB) {
                loops.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(it->second), ready.bit});
            }
        }
    }
    return loops;
}

std::map<std::string, int> SfrAddresses(const std::string& header) {
    std::map<std::string, int> sfrs;
    static const std::regex sfr(R"(SFR\((\w+),\s*0x([0-9A-Fa-f]{2})\))");
    for (std::sregex_iterator it(header.begin(), header.end(), sfr), end; it != end; ++it) {
        sfrs.emplace((*it)[1], std::stoi((*it)[2], nullptr, 16));
    }
    return sfrs;
}

// The simulated crystal: the generic core counts timer 0 at crystal/12, so the crystal is the
// one at which the firmware's reload of timer 0 overflows every 10 ms, as the family's clock
// tree makes it on the board.
std::optional<unsigned long> TickCrystal(const std::string& constants) {
    const auto value = [&](const char* name) -> std::optional<unsigned long> {
        const std::regex line(std::string("#define[ \t]+") + name + R"([ \t]+(0x[0-9A-Fa-f]+|[0-9]+))");
        std::smatch m;
        if (!std::regex_search(constants, m, line)) return std::nullopt;
        return std::stoul(m[1], nullptr, 0);
    };
    const std::optional<unsigned long> low = value("tl0_flash"), high = value("th0_flash");
    if (!low || !high || *low > 0xFF || *high > 0xFF) return std::nullopt;
    const unsigned long counts = 0x10000 - ((*high << 8) | *low);
    return counts * 100 * 12;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

void SetRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

struct Options {
    std::string dir;
    bool pty = false;
    std::optional<double> timeout;
    bool host = false;
    std::optional<std::string> tap;
    std::optional<unsigned> loss;
    std::optional<unsigned> reorder;
};

// A whole percentage, 0 to 100, for --loss and --reorder.
std::optional<unsigned> Percent(CommandContext& c, const std::string& option, const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || value < 0 || value > 100) {
        c.err << option << " needs a whole percentage from 0 to 100, not \"" << text << "\"\n";
        return std::nullopt;
    }
    return static_cast<unsigned>(value);
}

std::optional<Options> ParseOptions(CommandContext& c) {
    Options o;
    bool operands_only = false;
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        const std::string& a = c.args[i];
        if (!operands_only && a == "--") {
            operands_only = true;
        } else if (!operands_only && a == "--pty") {
            o.pty = true;
        } else if (!operands_only && a == "--host") {
            o.host = true;
        } else if (!operands_only && (a == "--tap" || a == "--loss" || a == "--reorder")) {
            if (i + 1 >= c.args.size()) {
                c.err << a << (a == "--tap" ? " needs the name of the TAP device\n" : " needs a percentage\n");
                return std::nullopt;
            }
            const std::string& value = c.args[++i];
            if (a == "--tap") {
                o.tap = value;
            } else {
                const std::optional<unsigned> percent = Percent(c, a, value);
                if (!percent) return std::nullopt;
                (a == "--loss" ? o.loss : o.reorder) = percent;
            }
        } else if (!operands_only && a == "--timeout") {
            if (i + 1 >= c.args.size()) {
                c.err << "--timeout needs a number of seconds\n";
                return std::nullopt;
            }
            char* end = nullptr;
            const double s = std::strtod(c.args[++i].c_str(), &end);
            if (!end || *end != '\0' || !(s > 0)) {
                c.err << "--timeout needs a positive number of seconds, not \"" << c.args[i] << "\"\n";
                return std::nullopt;
            }
            o.timeout = s;
        } else if (!operands_only && a.size() > 1 && a[0] == '-') {
            c.err << "unknown option " << a << "\n";
            return std::nullopt;
        } else if (o.dir.empty()) {
            o.dir = a;
        } else {
            c.err << "one project folder only, not also \"" << a << "\"\n";
            return std::nullopt;
        }
    }
    if (o.dir.empty()) {
        c.err << "which project folder? simulate DIR\n";
        return std::nullopt;
    }
    if (o.host && !o.tap) {
        c.err << "--host needs --tap NAME: the TAP device the firmware's Ethernet runs on\n";
        return std::nullopt;
    }
    if (!o.host && (o.tap || o.loss || o.reorder)) {
        c.err << "--tap, --loss and --reorder go with --host\n";
        return std::nullopt;
    }
    if (o.host && o.pty) {
        c.err << "--pty is for the simulator's UART; --host runs the firmware on a TAP device\n";
        return std::nullopt;
    }
    return o;
}

// The simulator's console: its output goes to the log, and a stop at a breakpoint (whose script
// has done its work) is followed by a run.
struct SimulatorConsole {
    int in;
    int out;
    int log;
    std::string line;

    void Send(const char* command) { WriteAll(in, command, std::strlen(command)); }

    // Reads what the console printed; false once it has closed.
    bool Take() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(out, buffer, sizeof buffer);
            if (n == 0) return false;
            if (n < 0) return errno == EAGAIN || errno == EINTR;
            WriteAll(log, buffer, static_cast<std::size_t>(n));
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\n') {
                    if (line.size() < 4096) line += buffer[i];
                    continue;
                }
                if (line.find("Stop at") != std::string::npos) Send("run\n");
                line.clear();
            }
        }
    }
};

}  // namespace

int CommandSimulate(CommandContext& c) {
    const std::optional<Options> options = ParseOptions(c);
    if (!options) return kExitUsage;
    if (options->host) {
        return RunOnHost(c, HostRun{options->dir, *options->tap, options->timeout, options->loss.value_or(0),
                                    options->reorder.value_or(0)});
    }
    const fs::path dir = options->dir;
    const fs::path firmware = dir / "build" / "firmware.ihx";

    const std::optional<std::string> makefile = ReadText(dir / "Makefile");
    if (!makefile) {
        c.err << (dir / "Makefile").string() << ": no Makefile: is this a project Quillon generated?\n";
        return kExitFailed;
    }
    const std::string family = MakeVariable(*makefile, "FAMILY");
    if (family.empty() || family.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos) {
        c.err << (dir / "Makefile").string() << ": FAMILY is missing or not valid: generate the project again\n";
        return kExitFailed;
    }
    const std::optional<std::string> constants = ReadText(dir / "zs_userconst.h");
    const std::optional<unsigned long> crystal = constants ? TickCrystal(*constants) : std::nullopt;
    if (!crystal) {
        c.err << (dir / "zs_userconst.h").string() << ": the tick's reload (th0_flash, tl0_flash) is missing\n";
        return kExitFailed;
    }
    const std::optional<std::string> hex = ReadText(firmware);
    if (!hex) {
        c.err << firmware.string() << ": no firmware: run make in " << dir.string() << " first\n";
        return kExitFailed;
    }
    std::vector<std::uint8_t> image;
    if (!ReadIntelHex(*hex, image) || image.empty()) {
        c.err << firmware.string() << ": not a valid Intel HEX file\n";
        return kExitFailed;
    }
    const std::optional<std::string> header = ReadText(dir / (family + ".h"));
    if (!header) {
        c.err << (dir / (family + ".h")).string() << ": the family's register header is missing\n";
        return kExitFailed;
    }
    const std::optional<std::string> s51 = FindProgram("s51");
    if (!s51) {
        c.err << "s51 not found: install the simulator (Debian package sdcc-ucsim)\n";
        return kExitFailed;
    }

    // The simulator's commands: load the image, the ready bits, the UART's clock.
    const std::map<std::string, int> sfrs = SfrAddresses(*header);
    std::ostringstream commands;
    // The image is loaded first: a file named on s51's command line is loaded only after the
    // command file, whose run would start on empty code memory.
    const std::string image_path = fs::absolute(firmware).string();
    if (image_path.find('"') != std::string::npos) {
        c.err << image_path << ": the simulator cannot load a path with a double quote\n";
        return kExitFailed;
    }
    commands << "load \"" << image_path << "\"\n";
    // Left to itself the simulator looks at the UART's input about twice a second and takes one
    // byte each time; this makes it look at every cycle.
    commands << "expression uart0_check_often=1\n";
    int breakpoint = 0;
    for (const WaitLoop& loop : FindWaitLoops(image, sfrs)) {
        const std::string cell = "sfr_chip[" + Hex(loop.sfr - 0x80u) + "]";
        // The breakpoint removes itself: one that stayed would stop the run again at once.
        commands << "break " << Hex(loop.address) << "\n";
        ++breakpoint;
        commands << "commands " << breakpoint << " expression " << cell << "=" << cell << "|" << Hex(1u << loop.bit)
                 << ";delete " << breakpoint << "\n";
    }
    const int th1 = sfrs.count("TH1") ? sfrs.at("TH1") : 0x8D;
    const int pcon = sfrs.count("PCON") ? sfrs.at("PCON") : 0x87;
    commands << "break sfr w " << Hex(static_cast<unsigned>(th1)) << "\n";
    commands << "commands " << ++breakpoint << " expression sfr_chip[" << Hex(static_cast<unsigned>(th1 - 0x80))
             << "]=" << Hex(kSimulatedTh1) << ",sfr_chip[" << Hex(static_cast<unsigned>(pcon - 0x80)) << "]=sfr_chip["
             << Hex(static_cast<unsigned>(pcon - 0x80)) << "]|0x80\n";

    // A private folder for the two FIFOs of the UART and the command file.
    // Named after this process, so that what belongs to this run can be told from another's.
    std::string work_template =
        (fs::temp_directory_path() / ("quillon-sim-" + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(work_template.data())) {
        c.err << "cannot make a folder for the simulator's UART: " << std::strerror(errno) << "\n";
        return kExitFailed;
    }
    const fs::path work = work_template;
    const fs::path uart_in = work / "uart-in", uart_out = work / "uart-out", script = work / "commands";
    const auto cleanup = [&] {
        std::error_code ec;
        fs::remove_all(work, ec);
    };
    {
        std::ofstream out(script);
        out << commands.str();
    }
    if (mkfifo(uart_in.c_str(), 0600) != 0 || mkfifo(uart_out.c_str(), 0600) != 0) {
        c.err << "cannot make the UART's FIFOs: " << std::strerror(errno) << "\n";
        cleanup();
        return kExitFailed;
    }
    // Both ends held open here (read-write) so that neither side's open blocks and an idle line
    // never reads as the end of the file.
    const int to_sim = open(uart_in.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int from_sim = open(uart_out.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);

    // The host's end of the UART: a new pty, or this program's standard input and output.
    int pty_master = -1, pty_slave = -1;
    int host_in = STDIN_FILENO, host_out = STDOUT_FILENO;
    std::string pty_name;
    if (options->pty) {
        pty_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (pty_master < 0 || grantpt(pty_master) != 0 || unlockpt(pty_master) != 0 || !ptsname(pty_master)) {
            c.err << "cannot make a pty: " << std::strerror(errno) << "\n";
            cleanup();
            return kExitFailed;
        }
        pty_name = ptsname(pty_master);
        // Raw, so that every byte value passes both ways; held open so that a client closing
        // its end does not hang the line up.
        pty_slave = open(pty_name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (pty_slave >= 0) SetRaw(pty_slave);
        SetRaw(pty_master);
        fcntl(pty_master, F_SETFL, fcntl(pty_master, F_GETFL) | O_NONBLOCK);
        host_in = host_out = pty_master;
    }

    std::error_code ec;
    fs::create_directories(dir / "build", ec);
    const fs::path log = dir / "build" / "simulate.log";
    int console[2], output[2];
    const int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log_fd < 0 || pipe2(console, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
        c.err << "cannot start the simulator: " << std::strerror(errno) << "\n";
        cleanup();
        return kExitFailed;
    }
    const std::string freq = std::to_string(*crystal);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(console[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        const std::string serial = "in=" + uart_in.string() + ",out=" + uart_out.string();
        execl(s51->c_str(), "s51", "-t", "C52", "-X", freq.c_str(), "-S", serial.c_str(), "-C", script.c_str(), "-c",
              "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        c.err << "cannot start the simulator: " << std::strerror(errno) << "\n";
        cleanup();
        return kExitFailed;
    }
    setpgid(pid, pid);
    close(console[0]);
    close(output[1]);
    fcntl(output[0], F_SETFL, fcntl(output[0], F_GETFL) | O_NONBLOCK);
    // Every run starts from the console, the first and the one after each breakpoint: a run
    // started by a command file or a breakpoint's script keeps the console's loop from running,
    // and with it the console itself.
    SimulatorConsole sim_console{console[1], output[0], log_fd, {}};
    sim_console.Send("run\n");

    CatchStopSignals();

    if (options->pty) c.out << "uart: " << pty_name << "\n";
    c.out.flush();

    const auto start = std::chrono::steady_clock::now();
    int result = kExitOk;
    bool host_open = true;
    char buffer[4096];
    while (!StopRequested()) {
        if (options->timeout) {
            const std::chrono::duration<double> ran = std::chrono::steady_clock::now() - start;
            if (ran.count() >= *options->timeout) break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            c.err << "the simulator stopped (see " << log.string() << ")\n";
            result = kExitFailed;
            break;
        }
        pollfd fds[3] = {{from_sim, POLLIN, 0},
                         {host_in, static_cast<short>(host_open ? POLLIN : 0), 0},
                         {output[0], POLLIN, 0}};
        if (poll(fds, 3, 50) < 0 && errno != EINTR) break;
        if (fds[2].revents & (POLLIN | POLLHUP)) sim_console.Take();
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(from_sim, buffer, sizeof buffer);
            if (n > 0 && !WriteAll(host_out, buffer, static_cast<std::size_t>(n))) host_open = options->pty;
        }
        if (host_open && (fds[1].revents & (POLLIN | POLLHUP))) {
            const ssize_t n = read(host_in, buffer, sizeof buffer);
            if (n > 0) {
                WriteAll(to_sim, buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)) {
                // Standard input ended: the firmware keeps running until the time-out or a signal.
                host_open = false;
            }
        }
    }
    StopProcessGroup(pid);
    close(console[1]);
    close(output[0]);
    close(log_fd);
    close(to_sim);
    close(from_sim);
    if (pty_slave >= 0) close(pty_slave);
    if (pty_master >= 0) close(pty_master);
    cleanup();
    return result;
}

}  // namespace quillon::cli
