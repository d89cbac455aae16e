#include "plugin/platform/OpenFile.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

// xdg-open is replaced by a script on PATH that writes its arguments to a file once it has them.
class OpenFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream script(dir + "/xdg-open");
        script << "#!/bin/sh\n"
               << "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$NV_TEST_OPENED.part\"\n"
               << "/bin/mv \"$NV_TEST_OPENED.part\" \"$NV_TEST_OPENED\"\n";
        script.close();
        std::filesystem::permissions(dir + "/xdg-open", std::filesystem::perms::owner_all);
        environment.set("PATH", dir);
        environment.set("NV_TEST_OPENED", dir + "/opened");
    }

    // The opener runs detached, so its record is awaited rather than expected at once.
    std::string opened() {
        for (int attempt = 0; attempt < 1000 && !std::filesystem::exists(dir + "/opened");
             ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream file(dir + "/opened");
        std::ostringstream content;
        content << file.rdbuf();
        std::filesystem::remove(dir + "/opened");
        return content.str();
    }

    ScopedEnvironment environment;
    TempFolder folder{"nvopen"};
    const std::string dir = folder.path;
};

TEST_F(OpenFileTest, HandsThePathToXdgOpenAsOneArgumentAndDoesNothingWithoutIt) {
    openFileInWindow(L"/tmp/a file; rm -rf ~ $(x).pdf");
    EXPECT_EQ(opened(), "[/tmp/a file; rm -rf ~ $(x).pdf]");
    // A relative path cannot pass for an option.
    openFileInWindow(L"--manual");
    EXPECT_EQ(opened(), "[./--manual]");
    // Not our child: nothing is left for us to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    std::filesystem::remove(dir + "/xdg-open");
    openFileInWindow(L"/tmp/x.pdf");
    openFileInWindow(std::wstring(1, wchar_t(0xD800)));
    EXPECT_FALSE(std::filesystem::exists(dir + "/opened"));
}
