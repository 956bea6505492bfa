// Runs one of the build's Windows programs as a real child process for the tests under wine:
// arguments, extra environment, standard output and error through pipes, a time limit after which
// the child is ended, and its exit code.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace win_testing {

struct ChildResult {
    std::optional<unsigned long> exitCode;  // nullopt when the child could not start or was ended
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ChildOptions {
    std::map<std::string, std::string> env;  // added to (or replacing in) this process's environment
    std::vector<std::string> unsetEnv;
    std::chrono::milliseconds timeout{30000};
};

ChildResult RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const ChildOptions& options = {});

// The build's bin/ folder, seen from a test binary in tests/.
std::filesystem::path BinFolder();

// A fresh folder under the temporary folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace win_testing
