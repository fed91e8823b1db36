// The settings file stays held through every save: a second program that keeps trying to open
// it (as a second copy of the wizard would) never gets it, however its tries fall between the
// steps of a save.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TestSupport.h"
#include "io/HeldFile.h"
#include "wizard/WizardDialog.h"

namespace quillon::test {
namespace {

constexpr int kSaves = 400;

struct Tries {
    long attempts = 0;
    long successes = 0;
};

// The second program: opens `path` again and again until `stop` has something to read, then
// writes how often it tried and how often it got the file to `report`.
[[noreturn]] void SecondProgram(const std::string& path, int stop, int report) {
    Tries tries;
    for (;;) {
        char byte = 0;
        if (::read(stop, &byte, 1) != -1 || errno != EAGAIN) break;
        if (HeldFile::Open(path, nullptr)) ++tries.successes;
        ++tries.attempts;
    }
    const ssize_t written = ::write(report, &tries, sizeof tries);
    ::_exit(written == static_cast<ssize_t>(sizeof tries) ? 0 : 1);
}

TEST(HeldFile, ASecondProgramNeverOpensTheFileDuringSaves) {
    TempDir dir(MemoryBackedTempBase());
    const std::string path = dir.File("held.wp");
    int stop[2];
    int report[2];
    ASSERT_EQ(::pipe(stop), 0);
    ASSERT_EQ(::pipe(report), 0);
    ::fcntl(stop[0], F_SETFL, O_NONBLOCK);

    FakePlatform ui;
    WizardOptions options;
    options.store_path = dir.File("no-store.so");
    WizardDialog window(ui, options);
    window.Initialise();
    ui.files.push_back(path);
    window.OnFileSaveAs();
    ASSERT_EQ(window.SettingsFileName(), path);

    // Forked once the window holds the file; the child closes the copy of the held descriptor
    // it inherits (it is close-on-exec, not close-on-fork), so only the window holds the file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << std::strerror(errno);
    if (child == 0) {
        for (int fd = 3; fd < 1024; ++fd) {
            if (fd != stop[0] && fd != report[1]) ::close(fd);
        }
        SecondProgram(path, stop[0], report[1]);
    }
    ::close(stop[0]);
    ::close(report[1]);

    const OptionNode toggles[] = {OptionNode::TCP, OptionNode::UDP};
    for (int save = 0; save < kSaves; ++save) {
        window.OnOptionClick(toggles[save % 2]);
        window.OnFileSave();
    }
    ::close(stop[1]);
    Tries tries;
    const ssize_t got = ::read(report[0], &tries, sizeof tries);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(report[0]);

    ASSERT_EQ(got, static_cast<ssize_t>(sizeof tries));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(window.Modified());
    EXPECT_GT(tries.attempts, kSaves) << "the second program hardly tried";
    EXPECT_EQ(tries.successes, 0) << "of " << tries.attempts << " tries";
}

}  // namespace
}  // namespace quillon::test
