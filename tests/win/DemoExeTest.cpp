// The Windows executables as real processes under wine: kestrel-demo.exe's usage text, silent
// updates of the simulated keyboard and their exit codes, kestrel.exe without a package, and
// kestrel-pack.exe attaching a package to kestrel.exe.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>

#include "tests/support/DemoRecords.h"
#include "tests/win/ChildProcess.h"

namespace {

using win_testing::BinFolder;
using win_testing::ChildOptions;
using win_testing::ChildResult;
using win_testing::RunChild;
using win_testing::ScratchFolder;
namespace fs = std::filesystem;

const char kUsage[] = "\n\nOrvane Kestrel V1.00\n"
                      "/?  \t\t:help Info\n"
                      "bin:  \t\t:force to update the bin(layout),\n\t\t but still check the version. ex: bin:2\n"
                      "-silent  \t:don't show ui and auto to update fw\n"
                      "-force  \t:force to update fw (Ignore Ver)\n"
                      "\n\nPlease press enter key to end\n";

using testing_support::PatchedRecord;
using testing_support::ReadFile;

class WindowsExecutables : public testing::Test {
protected:
    // The demo package's images and records, as kestrel-pack.exe writes them.
    static void SetUpTestSuite() {
        s_images = new ScratchFolder();
        const ChildResult made = RunChild(BinFolder() / "kestrel-pack.exe", {"--demo-images", s_images->Path().string()});
        ASSERT_EQ(made.exitCode, 0u) << made.err;
    }
    static void TearDownTestSuite() {
        delete s_images;
        s_images = nullptr;
    }

    // A run of `program` against the simulated keyboard set up by `sim`; the keyboard's flash and
    // version area are dumped into this test's folder.
    ChildResult Run(const fs::path& program, const std::vector<std::string>& args, const std::string& sim) const {
        ChildOptions options;
        options.env["KESTREL_HID"] = "sim";
        options.env["KESTREL_SIM"] = "time-scale=25;dump=" + DumpPath().string() + (sim.empty() ? "" : ";" + sim);
        // Message boxes of refused runs go to standard error instead of waiting for a click on a
        // desktop that has a display.
        options.env["KESTREL_DISPLAY"] = "headless";
        options.unsetEnv = {"KESTREL_DEBUG", "KESTREL_LOG"};
        options.timeout = std::chrono::seconds(30);
        return RunChild(program, args, options);
    }
    ChildResult RunDemo(const std::vector<std::string>& args, const std::string& sim = "") const {
        return Run(Demo(), args, sim);
    }

    static fs::path Demo() { return BinFolder() / "kestrel-demo.exe"; }
    fs::path DumpPath() const { return m_folder.Path() / "flash.bin"; }
    std::vector<uint8_t> Flash() const { return ReadFile(DumpPath()); }
    std::vector<uint8_t> VersionArea() const { return ReadFile(DumpPath().string() + ".ver"); }
    static std::vector<uint8_t> Image(int n) { return ReadFile(s_images->Path() / ("image" + std::to_string(n) + ".bin")); }
    static std::vector<uint8_t> Record(int n) {
        return PatchedRecord(ReadFile(s_images->Path() / ("record" + std::to_string(n) + ".bin")));
    }

    ScratchFolder m_folder;
    static ScratchFolder* s_images;
};

ScratchFolder* WindowsExecutables::s_images = nullptr;

TEST_F(WindowsExecutables, UsageTextReachesARedirectedOutputExactly) {
    const std::vector<std::vector<std::string>> requests = {{"/?"}, {"/HELP"}, {"-silent", "/?"}};
    for (const std::vector<std::string>& args : requests) {
        SCOPED_TRACE(args.back() + " after " + std::to_string(args.size() - 1) + " other argument(s)");
        const ChildResult result = RunDemo(args, "keyboard=none");
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(result.out, kUsage);
    }
}

TEST_F(WindowsExecutables, SilentRunInstallsTheDemoImageAndVersionRecord) {
    const ChildResult result = RunDemo({"-silent"});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    ASSERT_FALSE(Image(0).empty());
    EXPECT_EQ(Flash(), Image(0));
    EXPECT_EQ(VersionArea(), Record(0));
}

struct ExitCase {
    const char* name;
    const char* program;  // in bin/
    std::string sim;
    unsigned long exitCode;
    bool flashWritten;
};

TEST_F(WindowsExecutables, SilentRunsEndWithTheirExitCode) {
    const ExitCase cases[] = {
        {"no keyboard", "kestrel-demo.exe", "keyboard=none", 2, false},
        {"checksum always wrong", "kestrel-demo.exe", "fault=checksum-always", 1, true},
        {"newer keyboard is refused and left untouched", "kestrel-demo.exe", "version=9.0.0", 3, false},
        {"updater without a package", "kestrel.exe", "", 1, false},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ignored;
        fs::remove(DumpPath(), ignored);
        const ChildResult result = Run(BinFolder() / c.program, {"-silent"}, c.sim);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(!Flash().empty(), c.flashWritten);
        if (c.exitCode != 0) {
            EXPECT_NE(Flash(), Image(0));
        }
    }
}

TEST_F(WindowsExecutables, KestrelPackAttachesAPackageToTheUpdater) {
    const fs::path packed = m_folder.Path() / "kestrel-packed.exe";
    const ChildResult pack = RunChild(BinFolder() / "kestrel-pack.exe",
                                      {"--manifest", (s_images->Path() / "kestrel-demo.manifest").string(), "--append",
                                       (BinFolder() / "kestrel.exe").string(), "--output", packed.string()});
    ASSERT_EQ(pack.exitCode, 0u) << pack.err;
    EXPECT_GT(fs::file_size(packed), fs::file_size(BinFolder() / "kestrel.exe"));

    const ChildResult result = Run(packed, {"-silent"}, "layout=0x0407");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(Flash(), Image(1));
    EXPECT_EQ(VersionArea(), Record(1));
}

} // namespace
