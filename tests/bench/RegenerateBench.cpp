// Regenerating a project the user has edited, timed against copying the same folder with
// cp -r: the whole processes, start-up included, run in turn so that both see the same machine.
//
//   quillon_regenerate_bench QUILLON_CLI SETTINGS.wp WORK_DIR [RUNS]
//
// The project of SETTINGS.wp is generated into WORK_DIR/edited and edited as a user would (a
// line in main.c, a comment in zs_callback.c and zs_userconst.h, a page of their own). Then,
// RUNS times each: `quillon-cli generate SETTINGS.wp --out edited` (the same configuration:
// every file decided, nothing to write), the same into a fresh copy with another IP address
// (zs_userconst.h merged with the user's comment, the record rewritten), and `cp -r edited
// copy`. Prints the medians and the median of the pairwise ratios. Not a test: the figures
// depend on the machine.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Runs the command with its output thrown away; the wall time in milliseconds, or a negative
// number when it did not exit with status 0 (or `allowed`).
double Run(const std::vector<std::string>& command, int allowed = 0) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != allowed)) return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void Fail(const std::string& what) {
    std::cerr << "quillon_regenerate_bench: " << what << '\n';
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: quillon_regenerate_bench QUILLON_CLI SETTINGS.wp WORK_DIR [RUNS]\n";
        return 2;
    }
    const std::string cli = argv[1];
    const fs::path work = fs::absolute(argv[3]);
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20;
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string settings = (work / "project.wp").string();
    fs::copy_file(argv[2], settings);
    const fs::path edited = work / "edited", copy = work / "copy", merged = work / "merged";

    if (Run({cli, "generate", settings, "--out", edited.string()}) < 0) Fail("the first generation failed");
    std::string main = ReadAll(edited / "main.c");
    main.insert(main.find('\n') + 1, "// The board's own set-up lives in board.c.\n");
    WriteAll(edited / "main.c", main);
    WriteAll(edited / "zs_callback.c", "/* Callbacks of our board. */\n" + ReadAll(edited / "zs_callback.c"));
    WriteAll(edited / "zs_userconst.h", "/* Reviewed for the field trial. */\r\n" + ReadAll(edited / "zs_userconst.h"));
    fs::create_directories(edited / "VFILE_DIR");
    WriteAll(edited / "VFILE_DIR/index.html", "<html><body><h1>Pump 7</h1></body></html>\r\n");

    // The same project with another address for the device.
    std::string moved = ReadAll(settings);
    const std::size_t at = moved.find("{ 192, 168, 1, 50 }");
    if (at == std::string::npos) Fail("the settings file holds no address { 192, 168, 1, 50 } to change");
    moved.replace(at, 19, "{ 10, 1, 2, 3 }");
    WriteAll(work / "moved.wp", moved);

    const auto regenerate = [&] { return Run({cli, "generate", settings, "--out", edited.string()}); };
    const auto regenerate_moved = [&] {
        fs::remove_all(merged);
        fs::copy(edited, merged, fs::copy_options::recursive);
        return Run({cli, "generate", (work / "moved.wp").string(), "--out", merged.string()});
    };
    const auto copy_folder = [&] {
        fs::remove_all(copy);
        return Run({"cp", "-r", edited.string(), copy.string()});
    };

    for (int i = 0; i < 2; ++i) {  // warm the caches
        if (regenerate() < 0 || regenerate_moved() < 0 || copy_folder() < 0) Fail("a warm-up run failed");
    }
    std::vector<double> same, changed, copied, same_ratio, changed_ratio;
    for (int i = 0; i < runs; ++i) {
        const double a = regenerate(), c = copy_folder(), b = regenerate_moved();
        if (a < 0 || b < 0 || c <= 0) Fail("a run failed");
        same.push_back(a);
        changed.push_back(b);
        copied.push_back(c);
        same_ratio.push_back(a / c);
        changed_ratio.push_back(b / c);
    }
    std::printf("Regenerating %s into an edited project folder, %d runs each (wall time, median):\n", argv[2], runs);
    std::printf("  quillon-cli generate, same configuration (nothing to write): %7.1f ms\n", Median(same));
    std::printf("  quillon-cli generate, another address (one file merged):     %7.1f ms\n", Median(changed));
    std::printf("  cp -r of the project folder:                                  %7.1f ms\n", Median(copied));
    std::printf("  ratio to cp -r, median of the pairs: %.2f (same), %.2f (another address)\n", Median(same_ratio),
                Median(changed_ratio));
    return 0;
}
