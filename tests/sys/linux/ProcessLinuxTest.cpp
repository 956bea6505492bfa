// Linux-only behaviour: argv as UTF-8, the guard's folder choice, standard output and error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../ChildProcess.h"
#include "sys/Process.h"
#include "sys/SupportLog.h"

namespace {

// Points one standard descriptor at a temporary file while it lives; Text() reads what arrived.
class CapturedFd {
public:
    explicit CapturedFd(int fd) : m_fd(fd), m_file(std::filesystem::temp_directory_path() / systest::UniqueName("kestrel-capture")) {
        std::fflush(nullptr);
        m_saved = ::dup(fd);
        const int target = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(target, fd);
        ::close(target);
    }
    ~CapturedFd() {
        Restore();
        std::filesystem::remove(m_file);
    }
    std::string Text() {
        Restore();
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void Restore() {
        if (m_saved < 0) {
            return;
        }
        std::fflush(nullptr);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }
    int m_fd;
    std::filesystem::path m_file;
    int m_saved = -1;
};

// Restores an environment variable when the test ends.
class SavedEnv {
public:
    explicit SavedEnv(const char* name) : m_name(name), m_value(sys::GetEnv(name)) {}
    ~SavedEnv() { sys::SetEnv(m_name, m_value ? m_value->c_str() : nullptr); }

private:
    const char* m_name;
    std::optional<std::string> m_value;
};

TEST(ProcessLinuxTest, CommandLineArgumentsAreArgvAsUtf8) {
    char program[] = "/opt/kestrel";
    char accented[] = "bin:2\xC3\xA9";
    char broken[] = "\xFF";
    char* argv[] = {program, accented, broken, nullptr};
    const std::vector<std::u16string> expected = {u"/opt/kestrel", u"bin:2\u00E9", u"\uFFFD"};
    EXPECT_EQ(sys::CommandLineArguments(3, argv), expected);
    EXPECT_TRUE(sys::CommandLineArguments(0, nullptr).empty());
}

TEST(ProcessLinuxTest, GuardLivesInTheRuntimeFolderOrFallsBackToTmp) {
    SavedEnv savedRuntime("XDG_RUNTIME_DIR");
    const std::filesystem::path runtime = std::filesystem::temp_directory_path() / systest::UniqueName("kestrel-xdg");
    std::filesystem::create_directory(runtime);
    const std::string missing = (runtime / "missing").string();

    // Where this process takes each guard, and what a child with another XDG_RUNTIME_DIR sees.
    const struct {
        const char* parentRuntime; // nullptr: unset
        const char* childRuntime;
        const char* expected;
        bool fileInRuntime;
    } cases[] = {
        {runtime.c_str(), runtime.c_str(), "held", true},
        {runtime.c_str(), nullptr, "free", true},       // the child looks in /tmp
        {nullptr, missing.c_str(), "held", false},      // both end up in /tmp
        {"relative/dir", nullptr, "held", false},       // a relative folder is not used
    };
    for (const auto& c : cases) {
        const std::string name = systest::UniqueName("KESTREL_SYS_TEST_XDG");
        ASSERT_TRUE(sys::SetEnv("XDG_RUNTIME_DIR", c.parentRuntime));
        ASSERT_TRUE(sys::AcquireSingleInstance(sys::FromUtf8(name)));
        const std::filesystem::path file = (c.fileInRuntime ? runtime : std::filesystem::path("/tmp")) / name;
        EXPECT_TRUE(std::filesystem::exists(file)) << file;

        ASSERT_TRUE(sys::SetEnv("XDG_RUNTIME_DIR", c.childRuntime));
        ASSERT_TRUE(sys::SetEnv(systest::kProbeGuardNameVar, name.c_str()));
        EXPECT_EQ(systest::RunChild(systest::kProbeGuardArg), std::optional<std::string>(c.expected)) << name;
        std::filesystem::remove(file);
    }
    sys::SetEnv(systest::kProbeGuardNameVar, nullptr);
    std::filesystem::remove_all(runtime);
}

TEST(ProcessLinuxTest, GuardNameCannotLeaveItsFolder) {
    SavedEnv savedRuntime("XDG_RUNTIME_DIR");
    const std::filesystem::path runtime = std::filesystem::temp_directory_path() / systest::UniqueName("kestrel-xdg");
    std::filesystem::create_directory(runtime);
    ASSERT_TRUE(sys::SetEnv("XDG_RUNTIME_DIR", runtime.c_str()));
    EXPECT_TRUE(sys::AcquireSingleInstance(u"../escape"));
    EXPECT_TRUE(std::filesystem::exists(runtime / ".._escape"));
    EXPECT_FALSE(std::filesystem::exists(runtime.parent_path() / "escape"));
    std::filesystem::remove_all(runtime);
}

TEST(ProcessLinuxTest, ConsoleTextGoesToStandardOutputAsUtf8) {
    CapturedFd out(STDOUT_FILENO);
    sys::WriteToParentConsole({u"\n\nKestrel\n", u"/?  \t\t:help\n", std::u16string{0xD83D, 0xDE00, u'\n'}});
    EXPECT_EQ(out.Text(), "\n\nKestrel\n/?  \t\t:help\n\xF0\x9F\x98\x80\n");
}

TEST(ProcessLinuxTest, DebugOutputReachesStandardErrorOnlyWhenEnabled) {
    SavedEnv savedDebug("KESTREL_DEBUG");
    const struct {
        const char* debug;
        const char* expected;
    } cases[] = {{"1", "answer 0xAA\n"}, {"0", ""}, {nullptr, ""}};
    for (const auto& c : cases) {
        ASSERT_TRUE(sys::SetEnv("KESTREL_DEBUG", c.debug));
        CapturedFd err(STDERR_FILENO);
        sys::DebugOutput("answer 0xAA\n");
        EXPECT_EQ(err.Text(), c.expected) << (c.debug ? c.debug : "(unset)");
    }
}

// The updater launches the next program with its support log open; the program must not get it.
TEST(ProcessLinuxTest, LaunchedProgramDoesNotInheritTheSupportLog) {
    const std::filesystem::path log =
        std::filesystem::temp_directory_path() / systest::UniqueName("kestrel-sys-inherit.log");
    sys::testing::ResetSupportLog();
    ASSERT_TRUE(sys::SetEnv("KESTREL_LOG", log.c_str()));
    sys::SupportLog("test", "open before the launch");
    ASSERT_TRUE(sys::SupportLogEnabled());

    const std::optional<std::string> files = systest::RunChild(systest::kOpenFilesArg, "kestrel-sys-files");
    sys::testing::ResetSupportLog();
    sys::SetEnv("KESTREL_LOG", nullptr);
    std::filesystem::remove(log);
    ASSERT_TRUE(files);
    EXPECT_NE(files->find("/proc/"), std::string::npos) << "the listing sees its own directory: " << *files;
    EXPECT_EQ(files->find(log.filename().string()), std::string::npos) << *files;
}

} // namespace
