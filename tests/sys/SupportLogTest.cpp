// The support log: off unless KESTREL_LOG names a file, the run line and the record lines, appending
// across runs, an unopenable path, and whole lines from many threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "sys/Process.h"
#include "sys/SupportLog.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

const std::regex kRunLine(R"(=== Kestrel run \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z pid \d+ ===)");
// Time, program ms, category, text.
const std::regex kRecordLine(R"((\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z) \+(\d+)ms (\S+) (.*))");

class SupportLogTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kestrel-log-test-" + std::to_string(std::random_device{}()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_path = m_dir / "run.log";
        sys::testing::ResetSupportLog();
    }
    void TearDown() override {
        sys::testing::ResetSupportLog();
        sys::SetEnv("KESTREL_LOG", nullptr);
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    void LogTo(const fs::path& path) {
        sys::testing::ResetSupportLog();
        ASSERT_TRUE(sys::SetEnv("KESTREL_LOG", path.string().c_str()));
    }

    fs::path m_dir;
    fs::path m_path;
};

TEST_F(SupportLogTest, IsOffWithoutTheVariableAndWithAnEmptyOne) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(value == nullptr ? "unset" : "empty");
        sys::testing::ResetSupportLog();
        ASSERT_TRUE(sys::SetEnv("KESTREL_LOG", value));
        EXPECT_FALSE(sys::SupportLogEnabled());
        sys::SupportLog("options", "nothing to see");
        EXPECT_TRUE(fs::is_empty(m_dir));
    }
}

TEST_F(SupportLogTest, WritesTheRunLineThenOneLinePerRecord) {
    LogTo(m_path);
    EXPECT_TRUE(sys::SupportLogEnabled());
    sys::SupportLog("options", "-silent");
    sys::SupportLog("phase", "erase ok after 2 tries");
    sys::SupportLog("io", "two\nlines\r\nbecome one");

    const std::vector<std::string> lines = ReadLines(m_path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(std::regex_match(lines[0], kRunLine)) << lines[0];
    EXPECT_NE(lines[0].find("pid " + std::to_string(sys::detail::SupportLogProcessId()) + " "), std::string::npos);
    const std::pair<const char*, const char*> expected[] = {
        {"options", "-silent"}, {"phase", "erase ok after 2 tries"}, {"io", "two lines  become one"}};
    for (size_t i = 0; i < std::size(expected); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i + 1], match, kRecordLine)) << lines[i + 1];
        EXPECT_EQ(match[3], expected[i].first);
        EXPECT_EQ(match[4], expected[i].second);
    }
}

TEST_F(SupportLogTest, TwoRunsAppendToTheSameFile) {
    LogTo(m_path);
    sys::SupportLog("exit", "first run");
    LogTo(m_path);
    sys::SupportLog("exit", "second run");

    const std::vector<std::string> lines = ReadLines(m_path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(std::regex_match(lines[0], kRunLine));
    EXPECT_NE(lines[1].find("exit first run"), std::string::npos);
    EXPECT_TRUE(std::regex_match(lines[2], kRunLine));
    EXPECT_NE(lines[3].find("exit second run"), std::string::npos);
}

TEST_F(SupportLogTest, AnUnopenablePathSaysSoOnceAndLogsNothing) {
    const fs::path missing = m_dir / "no-such-folder" / "run.log";
    LogTo(missing);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sys::SupportLogEnabled());
    sys::SupportLog("options", "dropped");
    EXPECT_FALSE(sys::SupportLogEnabled());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_NE(err.find(missing.string()), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(SupportLogTest, HexBytesAreSpacedUpperCasePairs) {
    const std::vector<uint8_t> bytes = {0x1F, 0x00, 0xA5, 0xFF};
    EXPECT_EQ(sys::HexBytes(bytes), "1F 00 A5 FF");
    EXPECT_EQ(sys::HexBytes({}), "");
}

TEST_F(SupportLogTest, LinesOfManyThreadsStayWhole) {
    LogTo(m_path);
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &go] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            const std::string payload(100, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) {
                sys::SupportLog("t" + std::to_string(t), std::to_string(i) + " " + payload);
            }
        });
    }
    go = true;
    for (std::thread& thread : threads) {
        thread.join();
    }

    const std::vector<std::string> lines = ReadLines(m_path);
    ASSERT_EQ(lines.size(), 1u + kThreads * kLines);
    std::vector<int> next(kThreads, 0);  // each thread's lines come in its own order
    for (size_t i = 1; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, kRecordLine)) << lines[i];
        const int t = std::stoi(match[3].str().substr(1));
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(match[4], std::to_string(next[t]) + " " + std::string(100, static_cast<char>('a' + t)));
        ++next[t];
    }
}

} // namespace
