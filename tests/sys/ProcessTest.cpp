// Process services that behave alike on every platform: the executable's path, environment, the
// single-instance guard seen from a second process, launching, and the exit hooks.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "sys/Process.h"

namespace {

TEST(ProcessTest, ExecutablePathNamesThisTestBinary) {
    const std::filesystem::path path = sys::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(path.is_absolute());
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(path.stem().string(), "sys_test");
    EXPECT_EQ(sys::ProgramFolder(), path.parent_path());
}

TEST(ProcessTest, EnvironmentSetGetAndRemove) {
    const std::string name = systest::UniqueName("KESTREL_SYS_TEST_VAR");
    EXPECT_EQ(sys::GetEnv(name.c_str()), std::nullopt);
    for (const char* value : {"1", "", "caf\xC3\xA9"}) {
        ASSERT_TRUE(sys::SetEnv(name.c_str(), value));
        EXPECT_EQ(sys::GetEnv(name.c_str()), std::optional<std::string>(value));
    }
    ASSERT_TRUE(sys::SetEnv(name.c_str(), nullptr));
    EXPECT_EQ(sys::GetEnv(name.c_str()), std::nullopt);
}

TEST(ProcessTest, DebugOutputIsEnabledOnlyByOne) {
    const std::optional<std::string> saved = sys::GetEnv("KESTREL_DEBUG");
    const struct {
        const char* value;
        bool enabled;
    } cases[] = {{"1", true}, {"0", false}, {"", false}, {"yes", false}, {nullptr, false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(sys::SetEnv("KESTREL_DEBUG", c.value));
        EXPECT_EQ(sys::DebugEnabled(), c.enabled) << (c.value ? c.value : "(unset)");
    }
    sys::SetEnv("KESTREL_DEBUG", saved ? saved->c_str() : nullptr);
}

TEST(ProcessTest, LaunchingAMissingProgramFails) {
    const std::filesystem::path missing =
        std::filesystem::temp_directory_path() / systest::UniqueName("kestrel-no-such-program");
    EXPECT_FALSE(sys::LaunchProgram(missing, u"true"));
}

TEST(ProcessTest, SingleInstanceGuardIsSeenByASecondProcess) {
    const std::string held = systest::UniqueName("KESTREL_SYS_TEST_HELD");
    const std::string other = systest::UniqueName("KESTREL_SYS_TEST_OTHER");
    ASSERT_TRUE(sys::AcquireSingleInstance(sys::FromUtf8(held)));
    // Taking it again, even in the same process, finds it held.
    EXPECT_FALSE(sys::AcquireSingleInstance(sys::FromUtf8(held)));

    const struct {
        const std::string& name;
        const char* expected;
    } cases[] = {{held, "held"}, {other, "free"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(sys::SetEnv(systest::kProbeGuardNameVar, c.name.c_str()));
        // The accented result file name also carries non-ASCII text through the launch argument.
        EXPECT_EQ(systest::RunChild(systest::kProbeGuardArg, "kestrel-sys-guard-\xC3\xA9"),
                  std::optional<std::string>(c.expected))
            << c.name;
    }
    sys::SetEnv(systest::kProbeGuardNameVar, nullptr);
}

TEST(ProcessTest, ExitProcessRunsHooksLatestFirstAndFlushesStreams) {
    EXPECT_EQ(systest::RunChild(systest::kExitHooksArg), std::optional<std::string>("CBA"));
}

} // namespace
