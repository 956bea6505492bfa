// The support log of real kestrel-demo runs against the simulated keyboard: what a successful
// update records, in order, and how a failing one ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/RunProcess.h"

namespace {

using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Index of the first line at or after `from` that holds `text`; lines.size() when none does.
size_t Find(const std::vector<std::string>& lines, const std::string& text, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

size_t Count(const std::vector<std::string>& lines, const std::string& text) {
    size_t count = 0;
    for (const std::string& line : lines) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

class SupportLogE2e : public testing::Test {
protected:
    std::vector<std::string> RunLogged(const std::string& sim, int expectedExit) {
        ProcessOptions options;
        options.env["XDG_RUNTIME_DIR"] = m_dir.Path();
        options.env["KESTREL_HID"] = "sim";
        options.env["KESTREL_SIM"] = "time-scale=25;dump=" + m_dir.Path() + "/flash.bin" + (sim.empty() ? "" : ";" + sim);
        options.env["KESTREL_DISPLAY"] = "headless";
        options.env["KESTREL_LOG"] = LogPath();
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "KESTREL_DEBUG"};
        options.timeout = std::chrono::seconds(30);
        const ProcessResult result = RunProcess({KESTREL_DEMO_BIN, "-silent"}, options);
        EXPECT_EQ(result.exitCode, expectedExit) << result.err;
        return ReadLines(LogPath());
    }
    std::string LogPath() const { return m_dir.Path() + "/support.log"; }

    TempDir m_dir;
};

TEST_F(SupportLogE2e, ASuccessfulUpdateRecordsItsStepsInOrderAndEndsWithExitCodeZero) {
    const std::vector<std::string> lines = RunLogged("", 0);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines.front(), std::regex(R"(=== Kestrel run \S+ pid \d+ ===)"))) << lines.front();
    EXPECT_TRUE(lines.back().ends_with(" exit silent run ended, exit code 0")) << lines.back();

    // What comes before the run, then the phases of the update, in this order.
    const char* inOrder[] = {
        " options command line: ",
        " options silent yes, force no, bin -1",
        " package read from ",
        " package entry 0 \"English (US)\": layout 0x0409, version 1.2.30, image 49152 bytes",
        " device ap notice attached: id 1 37a1:0101 usage ff00:0001",
        " phase get info: firmware information ok after 1 try",
        " phase image selection for layout 0x409: entry 0",
        " start entry 0 accepted; keyboard in application mode",
        " start switch to boot mode sent",
        " device iap notice attached: id 1 37a1:0f01",
        " phase update starts through the iap channel",
        " phase image pass 1: erase ",
        " phase write pointer 0x1000 ok",
        " phase blocks at 0x1000 ok: 878 of 878 written, 0 retries",
        " phase checksum pass 1: keyboard 0x",
        " phase version pass 1: read-back equal",
        " phase reset sent",
        " phase update succeeded",
    };
    size_t at = 0;
    for (const char* text : inOrder) {
        SCOPED_TRACE(text);
        at = Find(lines, text, at);
        ASSERT_LT(at, lines.size());
    }

    // Requests and answers in all their 64 bytes of hex, the answers with their round-trip time; with
    // no fault every request that awaits an answer gets one.
    const std::regex request(R"(.* io iap -> ([0-9A-F]{2}) [0-9A-F]{2}( [0-9A-F]{2}){62} \(written\))");
    const std::regex answer(R"(.* io iap <- [0-9A-F]{2}( [0-9A-F]{2}){63} \(\d+\.\d ms\))");
    size_t requests = 0;
    size_t blockWrites = 0;
    size_t answers = 0;
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_match(line, match, request)) {
            ++requests;
            blockWrites += match[1] == "1F" ? 1 : 0;
        }
        answers += std::regex_match(line, answer) ? 1 : 0;
    }
    EXPECT_EQ(blockWrites, 878u + 3u);  // the image's blocks and the version record's
    EXPECT_EQ(answers, requests);
}

TEST_F(SupportLogE2e, AChecksumThatNeverMatchesShowsThreePassesAndEndsWithExitCodeOne) {
    const std::vector<std::string> lines = RunLogged("fault=checksum-always", 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Count(lines, ": different"), 3u);
    for (const char* pass : {" phase checksum pass 1: ", " phase checksum pass 2: ", " phase checksum pass 3: "}) {
        EXPECT_EQ(Count(lines, pass), 1u) << pass;
    }
    const size_t failed = Find(lines, " phase failure end: erase ");
    EXPECT_LT(Find(lines, " phase checksum pass 3: "), failed);
    EXPECT_LT(failed, lines.size());
    EXPECT_EQ(Count(lines, " phase update succeeded"), 0u);
    EXPECT_TRUE(lines.back().ends_with(" exit silent run ended, exit code 1")) << lines.back();
}

TEST_F(SupportLogE2e, NoLogFileWithoutTheVariable) {
    ProcessOptions options;
    options.env["XDG_RUNTIME_DIR"] = m_dir.Path();
    options.env["KESTREL_HID"] = "sim";
    options.env["KESTREL_SIM"] = "time-scale=25";
    options.env["KESTREL_DISPLAY"] = "headless";
    options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "KESTREL_DEBUG", "KESTREL_LOG"};
    options.workingDirectory = m_dir.Path();
    const ProcessResult result = RunProcess({KESTREL_DEMO_BIN, "-silent"}, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The run's own folder holds only what the single-instance guard leaves.
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
        EXPECT_EQ(entry.path().extension(), "") << entry.path();
        EXPECT_EQ(entry.path().filename().string().find("log"), std::string::npos) << entry.path();
    }
}

} // namespace
