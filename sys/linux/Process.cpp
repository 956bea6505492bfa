// Process services on Linux: /proc/self/exe, flock single-instance guard, standard output and
// error, posix_spawn, _exit.
#include "sys/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sys/ExitHooks.h"

extern char** environ;

namespace sys {
namespace {

// An owned file descriptor, closed when the holder goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool IsWritableFolder(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && folder.front() == '/' && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string GuardFolder() {
    if (const std::optional<std::string> runtime = GetEnv("XDG_RUNTIME_DIR"); runtime && IsWritableFolder(*runtime)) {
        return *runtime;
    }
    return "/tmp";
}

// A guard name is one file name: a slash or NUL in it must not reach another folder.
std::string GuardFileName(std::u16string_view name) {
    std::string file = ToUtf8(name);
    for (char& c : file) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    if (file.empty() || file == "." || file == "..") {
        file = "_" + file;
    }
    return file;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

} // namespace

std::vector<std::u16string> CommandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(FromUtf8(argv[i]));
    }
    return arguments;
}

std::filesystem::path ExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return path;
}

std::filesystem::path ProgramFolder() { return ExecutablePath().parent_path(); }

// Any thread, normally the main thread at start-up. The descriptor of a taken guard is kept open on
// purpose until the process ends, when the kernel drops the lock; it is close-on-exec so that a
// launched program does not inherit (and keep holding) it.
bool AcquireSingleInstance(std::u16string_view name) {
    const std::string path = GuardFolder() + "/" + GuardFileName(name);
    int raw = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (raw < 0) {
        // Someone else's file in a shared folder may still be lockable read-only.
        raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    UniqueFd fd(raw);
    if (!fd.Valid()) {
        DebugOutput("single-instance guard " + path + " cannot be opened; running unguarded\n");
        return true;
    }
    int result;
    do {
        result = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        return false;
    }
    fd.Release();
    return true;
}

// The thread that prints the usage text.
void WriteToParentConsole(const std::vector<std::u16string>& parts) {
    std::fflush(stdout);
    for (const std::u16string& part : parts) {
        if (!WriteAll(STDOUT_FILENO, ToUtf8(part))) {
            return;
        }
    }
}

bool DebugEnabled() {
    const std::optional<std::string> value = GetEnv("KESTREL_DEBUG");
    return value && *value == "1";
}

// Any thread; one fwrite per line, so lines of different threads do not interleave.
void DebugOutput(std::string_view text) {
    if (!DebugEnabled() || text.empty()) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::optional<std::string> GetEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

bool SetEnv(const char* name, const char* value) {
    if (value == nullptr) {
        return ::unsetenv(name) == 0;
    }
    return ::setenv(name, value, 1) == 0;
}

// Any thread. The child is reaped by a detached thread so it never lingers as a zombie.
bool LaunchProgram(const std::filesystem::path& program, std::u16string_view argument) {
    std::string programText = program.string();
    std::string argumentText = ToUtf8(argument);
    char* childArgv[] = {programText.data(), argumentText.data(), nullptr};

    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) {
        return false;
    }
    // The caller's thread may have signals blocked; the new program starts with none blocked.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    ::posix_spawnattr_setsigmask(&attributes, &noSignals);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, programText.c_str(), nullptr, &attributes, childArgv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        return false;
    }
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

[[noreturn]] void ExitProcess(int code) {
    detail::RunExitHooks();
    std::fflush(nullptr);
    ::_exit(code);
}

} // namespace sys
