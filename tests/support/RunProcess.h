// Runs a program of the build as a real process for end-to-end tests: arguments, extra environment,
// captured standard output and error, exit code, and a time limit (stretched by kSlowdown) after
// which it is killed.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// How many times slower than a plain build this test build runs (sanitizers); the time limits
// below are stretched by it, since they only bound a hang.
#ifdef KESTREL_TEST_SLOWDOWN
inline constexpr int kSlowdown = KESTREL_TEST_SLOWDOWN;
#else
inline constexpr int kSlowdown = 1;
#endif

struct ProcessResult {
    int exitCode = -1;        // -1 when killed by the time limit or a signal
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::map<std::string, std::string> env;  // added to (or replacing in) the test's environment
    std::vector<std::string> unsetEnv;
    std::chrono::milliseconds timeout{60000};
    std::string workingDirectory;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A started process that keeps running until Stop (or the object's end); for tests that need two
// processes at once.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;
    bool Running();
    // Waits up to `timeout` for the process to end by itself; its exit code, or nullopt.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Stop();

private:
    int m_pid = -1;
    std::optional<int> m_exit;
};

// A fresh temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace testing_support
