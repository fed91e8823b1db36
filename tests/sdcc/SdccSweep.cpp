// The compile sweep: generates a firmware project for each configuration of
// SweepConfigurations.h through the generator's own entry point and compiles every generated C
// source with SDCC for the 8051 (sdcc -mmcs51 --model-large -c). A source fails when SDCC
// reports an error or a warning: the generated code is meant to compile cleanly.
//
//   quillon_sdcc_sweep [--c89 CC] [--pagebake PAGEBAKE] SDCC OUT_DIR [NAME...]
//
// With --c89 every source is also checked by the host C compiler CC as C89 (declarations
// before statements and nothing newer), the dialect of the workspace's 8051 toolchain; the
// stack headers map the 8051 keywords to plain C for any compiler other than the two targets.
//
// Besides the configurations, the whole sweep compiles projects whose typed texts (LOCATRA
// texts, modem and login strings) hold every character that needs escaping in C, and, with
// --pagebake, a web project whose VFILE_DIR holds pages converted by the host pagebake in the
// project layout: the sample page (which must come out as the generated pair, byte for byte),
// a page of every byte value, an empty page and a page whose name has a space.
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
#include "config/LibrarySelection.h"
#include "generator/LibrarySource.h"
#include "generator/ProjectGenerator.h"

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
    std::string pagebake;
    while (args.size() >= 2 && (args[0] == "--c89" || args[0] == "--pagebake")) {
        (args[0] == "--c89" ? c89_compiler : pagebake) = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() < 2) {
        std::cerr << "usage: quillon_sdcc_sweep [--c89 CC] [--pagebake PAGEBAKE] SDCC OUT_DIR [NAME...]\n";
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

    // Every C source of the project in `folder` and of its VFILE_DIR, with SDCC (and as C89).
    const auto queue_compiles = [&](const std::string& name, const fs::path& folder) {
        for (const fs::path& dir : {folder, folder / "VFILE_DIR"}) {
            if (!fs::is_directory(dir)) continue;
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (entry.path().extension() != ".c") continue;
                const std::string source = entry.path().filename().string();
                std::string stem = entry.path().stem().string();
                std::replace(stem.begin(), stem.end(), ' ', '_');
                const std::string tag = (dir == folder ? "" : "VFILE_DIR_") + stem;
                const fs::path objects = folder / "logs" / (tag + ".obj");
                fs::create_directories(objects);
                Compile job;
                job.config = name;
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
    };
    // A fresh folder for an extra project, generated from `record`; false (counted) on failure.
    const auto generate_extra = [&](const std::string& name, ConfigRecord record) {
        const fs::path folder = out_dir / name;
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::create_directories(folder / "logs");
        std::string project_folder = folder.string() + "/";
        SelectLibrary(record, true);
        if (GenerateProject(record, project_folder, no_store).outcome != GenerationOutcome::Generated) {
            std::cerr << name << ": generation did not succeed\n";
            ++failures;
            return false;
        }
        return true;
    };
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
        queue_compiles(config.name, folder);
    }

    if (only.empty()) {
        // Typed texts with every character C needs escaped, in the LOCATRA header and the modem's.
        const std::string nasty = std::string("a \"quote\", a back\\slash, ?" "?= and ?" "?/, tab\t cr\r lf\n") +
                                  "\x01\x1f\x7f\xe9 7";
        std::string every_byte;
        for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
        const auto find = [](const char* name) {
            for (const sweep::SweepConfig& c : sweep::SweepConfigs()) {
                if (c.name == name) return c;
            }
            return sweep::SweepConfigs().front();
        };
        ConfigRecord locatra = sweep::BuildSweepRecord(find("vardex_lanvik_everything"));
        locatra.locatra_name = every_byte;
        locatra.locatra_description = nasty;
        locatra.locatra_event1 = "\\";
        locatra.locatra_event2 = "\"";
        if (generate_extra("typed_texts_locatra", locatra)) queue_compiles("typed_texts_locatra", out_dir / "typed_texts_locatra");
        ConfigRecord modem = sweep::BuildSweepRecord(find("modara_ppp_pap"));
        modem.login_name = every_byte;
        modem.login_password = nasty;
        modem.phone_number = "\"5551234\\";
        modem.dial_cmd = "AT?" "?D";
        modem.country_cmd = "AT\t";
        if (generate_extra("typed_texts_modem", modem)) queue_compiles("typed_texts_modem", out_dir / "typed_texts_modem");

        // Pages converted by the host pagebake in the project layout, compiled in the project.
        if (!pagebake.empty()) {
            const std::string name = "converted_pages";
            if (generate_extra(name, sweep::BuildSweepRecord(find("vardex_lanvik_everything")))) {
                const fs::path pages = out_dir / name / "VFILE_DIR";
                const std::string sample_c = ReadAll(pages / "index.c"), sample_h = ReadAll(pages / "index.h");
                std::ofstream(pages / "every_byte.bin", std::ios::binary) << every_byte << '\0';
                std::ofstream(pages / "empty.html", std::ios::binary);
                std::ofstream(pages / "my page.html", std::ios::binary) << "<p>a page</p>\r\n";
                for (const char* page : {"index.html", "every_byte.bin", "empty.html", "my page.html"}) {
                    const std::string command = "cd '" + pages.string() + "' && '" + pagebake + "' --project-layout '" +
                                                page + "'";
                    if (std::system(command.c_str()) != 0) {
                        std::cerr << "FAIL " << name << ": pagebake --project-layout " << page << "\n";
                        ++failures;
                    }
                }
                if (ReadAll(pages / "index.c") != sample_c || ReadAll(pages / "index.h") != sample_h) {
                    std::cerr << "FAIL " << name << ": the converted sample page differs from the generated pair\n";
                    ++failures;
                }
                queue_compiles(name, out_dir / name);
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
