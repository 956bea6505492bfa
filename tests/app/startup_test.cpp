// Start-up of the real executables: the usage text, the single-instance guard, and what a run without
// a readable package ends with.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sys/Process.h"
#include "tests/support/RunProcess.h"

namespace {

using testing_support::ProcessOptions;
using testing_support::RunProcess;
using testing_support::TempDir;

const char kUsageUtf8[] = "\n\nOrvane Kestrel V1.00\n"
                          "/?  \t\t:help Info\n"
                          "bin:  \t\t:force to update the bin(layout),\n\t\t but still check the version. ex: bin:2\n"
                          "-silent  \t:don't show ui and auto to update fw\n"
                          "-force  \t:force to update fw (Ignore Ver)\n"
                          "\n\nPlease press enter key to end\n";

// Every run gets a guard folder of its own, so runs of parallel tests never see each other.
class Startup : public ::testing::Test {
protected:
    ProcessOptions Options() const {
        ProcessOptions options;
        options.env["XDG_RUNTIME_DIR"] = m_runtime.Path();
        options.env["KESTREL_HID"] = "sim";
        options.env["KESTREL_SIM"] = "keyboard=none";
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "KESTREL_DEBUG"};
        options.timeout = std::chrono::seconds(30);
        return options;
    }
    TempDir m_runtime;
};

TEST_F(Startup, UsageTextIsPrintedExactlyAndEndsWithZero) {
    for (const char* word : {"/?", "/HELP", "x/helpme"}) {
        const auto result = RunProcess({KESTREL_DEMO_BIN, "-silent", word}, Options());
        EXPECT_EQ(result.exitCode, 0) << word;
        EXPECT_EQ(result.out, kUsageUtf8) << word;
    }
}

TEST_F(Startup, SecondInstanceEndsSilentlyBeforeLookingAtTheCommandLine) {
    // This test process holds the guard in the folder the child will look in.
    ASSERT_EQ(setenv("XDG_RUNTIME_DIR", m_runtime.Path().c_str(), 1), 0);
    ASSERT_TRUE(sys::AcquireSingleInstance(u"HALVERN_FW_UPDATE_MUTEX"));

    const auto usage = RunProcess({KESTREL_DEMO_BIN, "/?"}, Options());
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.err, "");

    const auto silent = RunProcess({KESTREL_DEMO_BIN, "-silent"}, Options());
    EXPECT_EQ(silent.exitCode, 0);
    EXPECT_EQ(silent.out, "");
}

TEST_F(Startup, WindowModeWithoutDisplaySaysSoAndEndsWithZero) {
    const auto window = RunProcess({KESTREL_DEMO_BIN}, Options());
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_NE(window.err.find("no display available"), std::string::npos) << window.err;
}

TEST_F(Startup, UpdaterWithoutPackageSaysSoAndEnds) {
    // Window mode ends with 0; a silent run must not report that as success.
    ProcessOptions headless = Options();
    headless.env["KESTREL_DISPLAY"] = "headless";
    const auto window = RunProcess({KESTREL_BIN}, headless);
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_NE(window.err.find("Fail to find firmware information!"), std::string::npos) << window.err;

    const auto silent = RunProcess({KESTREL_BIN, "-silent"}, Options());
    EXPECT_EQ(silent.exitCode, 1);
}

} // namespace
