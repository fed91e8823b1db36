// The compile sweep: generates a firmware project for each configuration of
// SweepConfigurations.h through the generator's own entry point and compiles every generated C
// source with SDCC for the 8051 (sdcc -mmcs51 --model-large -c). A source fails when SDCC
// reports an error or a warning: the generated code is meant to compile cleanly.
//
//   quillon_sdcc_sweep [--c89 CC] SDCC OUT_DIR [NAME...]
//
// With --c89 every source is also checked by the host C compiler CC as C89 (declarations
// before statements and nothing newer), the dialect of the workspace's 8051 toolchain; the
// stack headers map the 8051 keywords to plain C for any compiler other than the two targets.
//
// Compiles run in parallel (QUILLON_SDCC_JOBS, default 2). Exit status 0 when every source of
// every configuration compiled cleanly.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "SweepConfigurations.h"
#include "generator/ProjectGenerator.h"
#include "generator/LibrarySource.h"

namespace fs = std::filesystem;
using namespace quillon;

namespace {

struct Compile {
    std::string config;
    fs::path folder;  // the folder the compiler runs in
    std::string source;
    std::vector<std::string> command;
    fs::path log;
    int status = -1;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sources each configuration must have produced; without them the sweep would pass on
// fewer files than it claims to compile.
std::vector<std::string> ExpectedSources(const sweep::SweepConfig& config) {
    std::vector<std::string> files = {"zs_vars.c", "main.c", "zs_callback.c"};
    if (config.locatra) files.push_back("locatra.c");
    if (config.adapter == sweep::Adapter::CustomPolled || config.adapter == sweep::Adapter::CustomInterrupt)
        files.push_back("custom_ethernet.c");
    if (config.protocols & (OptionBit::FTP | OptionBit::HTTP)) files.push_back("VFILE_DIR/index.c");
    return files;
}

pid_t Start(const Compile& job) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // Child: run the compiler in the source's folder with its output in the log.
    if (chdir(job.folder.c_str()) != 0) _exit(127);
    const int fd = open(job.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
    std::vector<char*> args;
    for (const std::string& arg : job.command) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Runs the jobs, at most `parallel` at a time; fills in each job's exit status.
void RunAll(std::vector<Compile>& jobs, int parallel) {
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0;
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && static_cast<int>(running.size()) < parallel) {
            const pid_t pid = Start(jobs[next]);
            if (pid > 0) running[pid] = next;
            ++next;
        }
        if (running.empty()) continue;
        int status = 0;
        const pid_t done = wait(&status);
        if (done < 0) break;
        auto it = running.find(done);
        if (it == running.end()) continue;
        jobs[it->second].status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        running.erase(it);
    }
}

bool Clean(const std::string& log) {
    // Both compilers report "file:line: error ..." and "file:line: warning ...".
    return log.find("error") == std::string::npos && log.find("warning") == std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string c89_compiler;
    if (args.size() >= 2 && args[0] == "--c89") {
        c89_compiler = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() < 2) {
        std::cerr << "usage: quillon_sdcc_sweep [--c89 CC] SDCC OUT_DIR [NAME...]\n";
        return 2;
    }
    const std::string sdcc = args[0];
    const fs::path out_dir = fs::absolute(args[1]);
    const std::vector<std::string> only(args.begin() + 2, args.end());
    int parallel = 2;
    if (const char* jobs = std::getenv("QUILLON_SDCC_JOBS")) parallel = std::max(1, std::atoi(jobs));

    NoLibrarySource no_store;  // the libraries are not compiled; empty files are enough
    std::vector<Compile> compiles;
    int failures = 0;
    for (const sweep::SweepConfig& config : sweep::SweepConfigs()) {
        if (!only.empty() && std::find(only.begin(), only.end(), config.name) == only.end()) continue;
        const fs::path folder = out_dir / config.name;
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::create_directories(folder / "logs");

        ConfigRecord record = sweep::BuildSweepRecord(config);
        std::string project_folder = folder.string() + "/";
        const GenerationReport report = GenerateProject(record, project_folder, no_store);
        if (report.outcome != GenerationOutcome::Generated) {
            std::cerr << config.name << ": generation did not succeed\n";
            for (const FileError& f : report.failures) std::cerr << "  " << f.path << ": " << f.reason << "\n";
            ++failures;
            continue;
        }
        for (const std::string& source : ExpectedSources(config)) {
            if (!fs::exists(folder / source)) {
                std::cerr << config.name << ": " << source << " was not generated\n";
                ++failures;
            }
        }
        for (const fs::path& dir : {folder, folder / "VFILE_DIR"}) {
            if (!fs::is_directory(dir)) continue;
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (entry.path().extension() != ".c") continue;
                const std::string source = entry.path().filename().string();
                const std::string tag = (dir == folder ? "" : "VFILE_DIR_") + entry.path().stem().string();
                const fs::path objects = folder / "logs" / (tag + ".obj");
                fs::create_directories(objects);
                Compile job;
                job.config = config.name;
                job.folder = dir;
                job.source = source;
                job.command = {sdcc, "-mmcs51", "--model-large", "-c", source, "-o", objects.string() + "/"};
                job.log = folder / "logs" / (tag + ".log");
                compiles.push_back(job);
                if (!c89_compiler.empty()) {
                    job.command = {c89_compiler, "-std=gnu89", "-fsyntax-only", "-Wall", "-Wextra",
                                   "-Wdeclaration-after-statement", "-Wno-main",
                                   // The host mapping turns register addresses into pointers.
                                   "-Wno-int-to-pointer-cast", source};
                    job.log = folder / "logs" / (tag + ".c89.log");
                    compiles.push_back(job);
                }
            }
        }
    }

    // A buffer size of 0 must stop the build with a message that names the constant, not with
    // the compiler's own complaint about an array of unknown size.
    const std::size_t first_refusal = compiles.size();
    if (only.empty()) {
        const fs::path folder = out_dir / "zero_ping_buffer";
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::create_directories(folder / "logs");
        ConfigRecord record = sweep::BuildSweepRecord(sweep::SweepConfigs().front());
        record.ping_buff_size = 0;
        std::string project_folder = folder.string() + "/";
        GenerateProject(record, project_folder, no_store);
        Compile job;
        job.config = "zero_ping_buffer";
        job.folder = folder;
        job.source = "zs_vars.c";
        job.command = {sdcc, "-mmcs51", "--model-large", "-c", job.source, "-o", (folder / "logs").string() + "/"};
        job.log = folder / "logs" / "zs_vars.log";
        compiles.push_back(job);
    }

    RunAll(compiles, parallel);
    for (std::size_t i = first_refusal; i < compiles.size(); ++i) {
        const Compile& job = compiles[i];
        const std::string log = ReadAll(job.log);
        if (job.status == 0 || log.find("ping_buff_size in zs_userconst.h must be at least 1") == std::string::npos) {
            std::cerr << "FAIL " << job.config << ": a zero buffer size was not refused by name\n" << log << "\n";
            ++failures;
        } else {
            std::cout << "ok   " << job.config << ": refused by name\n";
        }
    }
    compiles.resize(first_refusal);
    for (const Compile& job : compiles) {
        const std::string log = ReadAll(job.log);
        const std::string where = job.config + ": " + (job.folder.filename() == "VFILE_DIR" ? "VFILE_DIR/" : "") +
                                  job.source + (job.command[0] == sdcc ? "" : " (C89)");
        if (job.status != 0 || !Clean(log)) {
            std::cerr << "FAIL " << where << " (status " << job.status << ")\n" << log << "\n";
            ++failures;
        } else {
            std::cout << "ok   " << where << "\n";
        }
    }
    std::cout << compiles.size() << " compiles, " << failures << " failures\n";
    return failures == 0 ? 0 : 1;
}
