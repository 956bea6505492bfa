// kestrel-demo end to end against the simulated keyboard: exit codes of silent runs, the flash and
// version area the keyboard ends with, the refusals, the recovery of a keyboard in boot mode, the
// bound on waiting for the boot-mode device, and a window-mode run on the headless display that
// launches the chained program.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/DemoRecords.h"
#include "tests/support/RunProcess.h"

namespace {

using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;
namespace fs = std::filesystem;

using testing_support::PatchedRecord;
using testing_support::ReadFile;

class UpdateE2e : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_images = new TempDir();
        const ProcessResult made = RunProcess({KESTREL_PACK_BIN, "--demo-images", s_images->Path()});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite() {
        delete s_images;
        s_images = nullptr;
    }

    // A silent or window-mode run of `binary` with the simulated keyboard set up by `sim`.
    ProcessResult Run(const std::vector<std::string>& args, const std::string& sim,
                      const std::string& binary = KESTREL_DEMO_BIN) {
        ProcessOptions options;
        options.env["XDG_RUNTIME_DIR"] = m_runtime.Path();
        options.env["KESTREL_HID"] = "sim";
        options.env["KESTREL_SIM"] = "time-scale=25;dump=" + DumpPath() + (sim.empty() ? "" : ";" + sim);
        options.env["KESTREL_DISPLAY"] = "headless";
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "KESTREL_DEBUG"};
        options.timeout = std::chrono::seconds(30);
        std::vector<std::string> argv = {binary};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, options);
    }

    std::string DumpPath() const { return m_runtime.Path() + "/flash.bin"; }
    std::vector<uint8_t> Flash() const { return ReadFile(DumpPath()); }
    std::vector<uint8_t> VersionArea() const { return ReadFile(DumpPath() + ".ver"); }
    static std::vector<uint8_t> Image(int n) { return ReadFile(s_images->Path() + "/image" + std::to_string(n) + ".bin"); }
    static std::vector<uint8_t> Record(int n) {
        return PatchedRecord(ReadFile(s_images->Path() + "/record" + std::to_string(n) + ".bin"));
    }

    TempDir m_runtime;
    static TempDir* s_images;
};

TempDir* UpdateE2e::s_images = nullptr;

struct InstallCase {
    const char* name;
    std::vector<std::string> args;
    std::string sim;
    int image;  // the image the keyboard ends with
};

TEST_F(UpdateE2e, SilentRunsInstallTheImageAndVersionRecord) {
    const InstallCase cases[] = {
        {"older keyboard, layout 0409", {"-silent"}, "", 0},
        {"layout 0407 picks Deutsch", {"-silent"}, "layout=0x0407", 1},
        {"newer keyboard with -force", {"-silent", "-force"}, "version=9.0.0", 0},
        {"bin:3 lifts the refusal and picks entry 2", {"-silent", "bin:3"}, "version=9.0.0", 2},
        {"same version is installed again", {"-silent"}, "version=1.2.30", 0},
        {"keyboard that starts in boot mode is recovered", {"-silent"}, "keyboard=iap", 0},
        {"one wrong checksum: a second pass", {"-silent"}, "fault=checksum-once", 0},
        {"one wrong pointer", {"-silent"}, "fault=wrong-pointer-once", 0},
        {"one version read-back differs", {"-silent"}, "fault=version-readback-once", 0},
    };
    for (const InstallCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = std::chrono::steady_clock::now();
        const ProcessResult result = Run(c.args, c.sim);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(Flash(), Image(c.image));
        EXPECT_EQ(VersionArea(), Record(c.image));
    }
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;
    std::string sim;
    int exitCode;
    const char* err;  // a text expected on standard error ("" for none)
};

TEST_F(UpdateE2e, SilentRunsEndWithTheirExitCode) {
    const ExitCase cases[] = {
        {"no keyboard", {"-silent"}, "keyboard=none", 2, ""},
        {"checksum always wrong", {"-silent"}, "fault=checksum-always", 1, ""},
        {"version read-back always differs", {"-silent"}, "fault=version-readback-always", 1, ""},
        {"unplugged during the write", {"-silent"}, "fault=unplug-during-write", 1, ""},
        {"no layout for the keyboard", {"-silent"}, "layout=0x0411", 3, ""},
        {"hardware id mismatch, even with bin:", {"-silent", "bin:1"}, "hwid=000102030405060708090A0B0C0D0E0F", 3, ""},
        {"bin: names an empty entry", {"-silent", "bin:5"}, "", 3, ""},
        {"newer keyboard is refused", {"-silent"}, "version=9.0.0", 3, "latest firmware"},
        {"boot-mode device never comes", {"-silent"}, "fault=never-returns", 1, ""},
        {"keyboard refuses the switch", {"-silent"}, "fault=refuse-iap", 1, ""},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = std::chrono::steady_clock::now();
        const ProcessResult result = Run(c.args, c.sim);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    }
}

TEST_F(UpdateE2e, NewerKeyboardIsLeftUntouched) {
    const ProcessResult result = Run({"-silent"}, "version=9.0.0");
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_TRUE(Flash().empty());
    EXPECT_TRUE(VersionArea().empty());
}

TEST_F(UpdateE2e, WindowModeShowsTheResultAndLaunchesTheChainedProgram) {
    // A copy of the program folder with a stand-in for the next updater, spelt otherwise than the
    // lower-cased name the command line stores.
    TempDir folder;
    const fs::path program = fs::path(folder.Path()) / "kestrel-demo";
    fs::copy_file(KESTREL_DEMO_BIN, program);
    fs::permissions(program, fs::perms::owner_all);
    const fs::path next = fs::path(folder.Path()) / "Next.exe";
    const fs::path launched = fs::path(folder.Path()) / "launched.txt";
    {
        std::ofstream script(next);
        script << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << launched.string() << "\"\n";
    }
    fs::permissions(next, fs::perms::owner_all);

    const ProcessResult result = Run({"true", "Next.exe"}, "", program.string());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("new firmware has been installed"), std::string::npos) << result.err;
    EXPECT_EQ(Flash(), Image(0));

    // The launch does not wait for the program; give it a moment to write.
    for (int i = 0; i < 100 && !fs::exists(launched); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::vector<uint8_t> argument = ReadFile(launched);
    EXPECT_EQ(std::string(argument.begin(), argument.end()), "true|");
}

TEST_F(UpdateE2e, WindowModeFailureAndRefusalShowTheirDialogs) {
    const ExitCase cases[] = {
        {"failed update", {"true"}, "fault=checksum-always", 0, "Update failed"},
        {"boot-mode device never comes", {"true"}, "fault=never-returns", 0, "Update failed"},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = Run(c.args, c.sim);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
}

} // namespace
