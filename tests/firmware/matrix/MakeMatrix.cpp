// The make matrix: generates firmware projects over the families, the modem's links (SLIP, PPP
// with or without PAP) and options and the buffer sizes, builds each with its own Makefile
// (make, then make size) and holds the wizard's promises against what SDCC linked:
//
//   - a configuration the XDATA estimate says fits links within the family's code and XDATA,
//     and the estimate covers the linked XDATA without overstating it by more than a little;
//   - one it says does not fit is refused by the linker too (and has the wizard's finding);
//   - a configuration that needs modules the stack's source does not have yet stops `make`
//     with a message naming them, before any compiler runs.
//
// The configurations: SLIP devices on the modem, and devices on the custom Ethernet controller
// with each transport and application choice.
//
//   quillon_make_matrix OUT_DIR
//
// Projects are built two at a time (QUILLON_MAKE_JOBS).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "clock/DerivedValues.h"
#include "config/ClockDefaults.h"
#include "config/LibrarySelection.h"
#include "config/StackBuild.h"
#include "generator/LibrarySource.h"
#include "generator/ProjectGenerator.h"

namespace fs = std::filesystem;
using namespace quillon;

namespace {

// What SDCC may place beyond the estimate is nothing; what the estimate may overstate is the
// slack below (rounding of the library's runtime helpers, which differ a little per build).
constexpr std::uint32_t kXdataSlack = 96;

struct Project {
    std::string name;
    ConfigRecord record;
    fs::path folder;
    int make_status = -1;
    int size_status = -1;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::uint32_t FamilyBit(Family family) {
    return family == Family::Vardex ? DeviceBit::Vardex : family == Family::Pelmar ? DeviceBit::Pelmar : DeviceBit::Zintor;
}

// A SLIP device on the modem, as the option tree leaves it, with the variations of `i`.
ConfigRecord SlipRecord(Family family, int i) {
    using namespace OptionBit;
    ConfigRecord r;
    r.device_bits = FamilyBit(family);
    r.option_bits = IP | PING | Modem | SLIP | NoPap | UDP;
    r.use_password = i % 2;
    r.code_bank = (i / 2) % 2;
    static const std::uint16_t buffers[] = {570, 300, 1006, 1500, 128};
    r.xmit_buff_size = r.recv_buff_size = buffers[i % 5];
    r.num_sockets = static_cast<std::uint8_t>(2 + (i * 3) % 7);
    r.ping_buff_size = static_cast<std::uint16_t>(16 + (i * 37) % 200);
    r.ip_src_addr = {10, 0, static_cast<std::uint8_t>(i), 2};
    r.login_name = "user" + std::to_string(i);
    r.login_password = "secret" + std::to_string(i);
    ApplyClockDefaults(r);
    r.clock_confirmed = i % 3 == 0 ? 1 : 0;
    ComputeTickReload(r);
    CheckBaudRate(r);
    return r;
}

// A device on the custom Ethernet controller with the services of `i` (each of the transport
// and application choices the tree offers, alone and together) and moderate buffers.
ConfigRecord EthernetRecord(Family family, int i) {
    using namespace OptionBit;
    static const std::uint32_t services[] = {
        UDP,
        TCP | HTTP | VirtualFiles,
        TCP | FTP | VirtualFiles,
        TCP | SMTP,
        UDP | TFTP,
        UDP | DHCP,
        UDP | BOOTP,
        TCP | UDP | HTTP | FTP | TFTP | SMTP | VirtualFiles,
    };
    ConfigRecord r;
    r.device_bits = FamilyBit(family) | DeviceBit::CustomDevice | (i % 8 == 5 ? DeviceBit::Dns : 0u);
    r.option_bits = Ethernet | IP | PING | ARP | CustomDevice | EthernetHardware | (i % 2 ? InterruptMode : PolledMode) |
                    services[i % 8];
    static const std::uint16_t buffers[] = {600, 800, 1024};
    r.xmit_buff_size = r.recv_buff_size = buffers[i % 3];
    r.num_sockets = static_cast<std::uint8_t>(2 + i % 3);
    r.arp_cache_size = static_cast<std::uint8_t>(2 + i % 5);
    r.ip_src_addr = {10, 1, static_cast<std::uint8_t>(i), 2};
    r.gateway_ip_addr = {10, 1, static_cast<std::uint8_t>(i), 1};
    r.subnet_mask = {255, 255, 255, 0};
    ApplyClockDefaults(r);
    ComputeTickReload(r);
    return r;
}

// A PPP device on the modem with UDP, with PAP (and 1 to 4 users) or a login at modem level.
ConfigRecord PppRecord(Family family, int i) {
    using namespace OptionBit;
    ConfigRecord r = SlipRecord(family, i);
    r.option_bits = IP | PING | Modem | PPP | UDP | (i % 2 ? PAP : NoPap);
    r.use_password = i % 2 ? 0 : (i / 2) % 2;
    r.pap_num_users = static_cast<std::uint16_t>(1 + i % 4);
    return r;
}

int Run(const std::vector<std::string>& command, const fs::path& folder, const fs::path& log) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (!freopen(log.c_str(), "w", stdout)) _exit(127);
        dup2(1, 2);
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool SizeLine(const std::string& text, const char* kind, std::uint32_t& used, std::uint32_t& limit) {
    const std::regex line(std::string("(^|\\n)") + kind + R"(: (\d+) of (\d+) bytes)");
    std::smatch m;
    if (!std::regex_search(text, m, line)) return false;
    used = static_cast<std::uint32_t>(std::stoul(m[2]));
    limit = static_cast<std::uint32_t>(std::stoul(m[3]));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quillon_make_matrix OUT_DIR\n";
        return 2;
    }
    const fs::path out_dir = argv[1];
    fs::create_directories(out_dir);

    std::vector<Project> projects;
    int n = 0;
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        for (int i = 0; i < 10; ++i, ++n) {
            projects.push_back({"slip_" + std::to_string(n), SlipRecord(family, n), {}});
        }
    }
    for (int i = 0; i < 15; ++i) {
        const Family family = i % 3 == 0 ? Family::Vardex : i % 3 == 1 ? Family::Pelmar : Family::Zintor;
        projects.push_back({"eth_" + std::to_string(i), EthernetRecord(family, i), {}});
    }
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        for (int i = 0; i < 4; ++i, ++n) {
            projects.push_back({"ppp_" + std::to_string(n), PppRecord(family, n), {}});
        }
    }
    // Two that do not fit: the wizard refuses them, and so must the linker.
    ConfigRecord big = SlipRecord(Family::Vardex, 0);
    big.xmit_buff_size = big.recv_buff_size = 2100;
    projects.push_back({"too_big_buffers", big, {}});
    big = SlipRecord(Family::Zintor, 1);
    big.num_sockets = 127;
    big.recv_buff_size = 1500;
    big.xmit_buff_size = 1000;
    projects.push_back({"too_many_sockets", big, {}});
    const NoLibrarySource no_store;
    int failures = 0;
    for (Project& p : projects) {
        p.folder = out_dir / p.name;
        std::error_code ec;
        fs::remove_all(p.folder, ec);
        fs::create_directories(p.folder);
        std::string folder_text = p.folder.string() + "/";
        ConfigRecord record = p.record;
        if (GenerateProject(record, folder_text, no_store).outcome != GenerationOutcome::Generated) {
            std::cerr << "FAIL " << p.name << ": generation did not succeed\n";
            ++failures;
        }
    }

    // make in each folder, two at a time.
    const char* jobs_text = std::getenv("QUILLON_MAKE_JOBS");
    const std::size_t jobs = jobs_text ? std::max(1, std::atoi(jobs_text)) : 2;
    for (std::size_t first = 0; first < projects.size(); first += jobs) {
        std::vector<pid_t> running;
        for (std::size_t k = first; k < std::min(projects.size(), first + jobs); ++k) {
            const pid_t pid = fork();
            if (pid == 0) {
                Project& p = projects[k];
                const int made = Run({"make", "-s"}, p.folder, p.folder / "make.log");
                const int sized = made == 0 ? Run({"make", "-s", "size"}, p.folder, p.folder / "size.log") : 1;
                _exit((made == 0 ? 0 : 1) | (sized == 0 ? 0 : 2));
            }
            running.push_back(pid);
        }
        for (std::size_t k = 0; k < running.size(); ++k) {
            int status = 0;
            waitpid(running[k], &status, 0);
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 3;
            projects[first + k].make_status = code & 1;
            projects[first + k].size_status = (code & 2) ? 1 : 0;
        }
    }

    int built = 0;
    for (const Project& p : projects) {
        const std::string make_log = ReadAll(p.folder / "make.log");
        const std::vector<StackModule> needed = ModulesFor(p.record);
        const XdataUse estimate = EstimateXdata(p.record);
        const bool fits = MemoryFindings(p.record).empty();
        const std::string makefile = ReadAll(p.folder / "Makefile");
        const bool complete = makefile.find("MISSING :=") == std::string::npos;
        if (!complete) {
            if (p.make_status == 0 || make_log.find("the stack's source lacks") == std::string::npos) {
                std::cerr << "FAIL " << p.name << ": make did not stop naming the missing modules\n" << make_log << "\n";
                ++failures;
            } else {
                std::cout << "ok   " << p.name << ": stops, " << make_log.substr(make_log.find("lacks") + 6, 60) << "...\n";
            }
            continue;
        }
        if (!fits) {
            if (p.make_status == 0 || make_log.find("Insufficient EXTERNAL RAM") == std::string::npos) {
                std::cerr << "FAIL " << p.name << ": the estimate (" << estimate.used
                          << " bytes) refuses it but the linker did not\n" << make_log << "\n";
                ++failures;
            } else {
                std::cout << "ok   " << p.name << ": refused by the wizard (" << estimate.used << " bytes) and the linker\n";
            }
            continue;
        }
        std::uint32_t code = 0, code_limit = 0, xdata = 0, xdata_limit = 0;
        const std::string sizes = ReadAll(p.folder / "size.log");
        if (p.make_status != 0 || p.size_status != 0 || !SizeLine(sizes, "code", code, code_limit) ||
            !SizeLine(sizes, "xdata", xdata, xdata_limit)) {
            std::cerr << "FAIL " << p.name << ": make failed\n" << make_log << sizes << "\n";
            ++failures;
            continue;
        }
        const FamilyMemory memory = MemoryOf(p.record);
        std::string problem;
        if (code > code_limit || code_limit != memory.code_bytes) problem = "code";
        if (xdata > xdata_limit || xdata_limit != memory.xdata_bytes) problem = "xdata";
        if (estimate.used < xdata) problem = "the estimate " + std::to_string(estimate.used) + " is below";
        if (estimate.used > xdata + kXdataSlack) problem = "the estimate " + std::to_string(estimate.used) + " overstates";
        if (!problem.empty()) {
            std::cerr << "FAIL " << p.name << ": " << problem << ": " << sizes;
            ++failures;
            continue;
        }
        ++built;
        std::cout << "ok   " << p.name << ": code " << code << ", xdata " << xdata << " (estimate " << estimate.used
                  << "), " << needed.size() << " modules\n";
    }
    std::cout << built << " built, " << failures << " failures\n";
    return failures == 0 && built >= 30 ? 0 : 1;
}
