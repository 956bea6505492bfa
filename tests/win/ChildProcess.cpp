// Windows child processes for the tests: CreateProcessW with pipes for standard output and error,
// each drained by a thread of its own so that a chatty child never blocks on a full pipe.
#include "tests/win/ChildProcess.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwctype>
#include <random>
#include <thread>
#include <utility>

namespace win_testing {
namespace {

// Owns one HANDLE; both null and INVALID_HANDLE_VALUE mean none.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    void Reset() {
        if (Valid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One argument quoted as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stand as they are.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

// Windows compares environment names without regard to case.
struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            const wint_t x = std::towupper(a[i]);
            const wint_t y = std::towupper(b[i]);
            if (x != y) {
                return x < y;
            }
        }
        return a.size() < b.size();
    }
};

// This process's environment with the options applied, as the sorted block CreateProcessW takes.
std::wstring EnvironmentBlock(const ChildOptions& options) {
    std::map<std::wstring, std::wstring, NameLess> vars;
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* p = strings; *p != L'\0'; p += std::wcslen(p) + 1) {
            const std::wstring entry = p;
            // Names may start with '=' (the per-drive folders); the separator is the next one.
            const size_t eq = entry.find(L'=', 1);
            if (eq == std::wstring::npos) {
                continue;
            }
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const std::string& name : options.unsetEnv) {
        vars.erase(Wide(name));
    }
    for (const auto& [name, value] : options.env) {
        vars[Wide(name)] = Wide(value);
    }
    std::wstring block;
    for (const auto& [name, value] : vars) {
        block += name + L"=" + value;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

struct Pipe {
    ScopedHandle read;
    ScopedHandle write;  // inherited by the child
};

std::optional<Pipe> MakePipe() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) {
        return std::nullopt;
    }
    Pipe pipe{ScopedHandle(read), ScopedHandle(write)};
    if (!::SetHandleInformation(pipe.read.Get(), HANDLE_FLAG_INHERIT, 0)) {
        return std::nullopt;
    }
    return pipe;
}

// Runs on a reader thread until the child's end of the pipe is closed.
void Drain(HANDLE pipe, std::string& into) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        into.append(buffer, got);
    }
}

} // namespace

ChildResult RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const ChildOptions& options) {
    ChildResult result;
    std::optional<Pipe> out = MakePipe();
    std::optional<Pipe> err = MakePipe();
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    ScopedHandle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr));
    if (!out || !err || !input.Valid()) {
        return result;
    }

    std::wstring commandLine = Quoted(program.wstring());
    for (const std::string& arg : args) {
        commandLine += L" " + Quoted(Wide(arg));
    }
    std::wstring environment = EnvironmentBlock(options);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = out->write.Get();
    startup.hStdError = err->write.Get();
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                                          nullptr, &startup, &info);
    // The child holds its own copies now; ours would keep the pipes open after it ends.
    out->write.Reset();
    err->write.Reset();
    input.Reset();
    if (!started) {
        return result;
    }
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);

    std::thread outReader(Drain, out->read.Get(), std::ref(result.out));
    std::thread errReader(Drain, err->read.Get(), std::ref(result.err));
    const DWORD limit = static_cast<DWORD>(options.timeout.count());
    if (::WaitForSingleObject(process.Get(), limit) != WAIT_OBJECT_0) {
        result.timedOut = true;
        ::TerminateProcess(process.Get(), 255);
        ::WaitForSingleObject(process.Get(), INFINITE);
    }
    outReader.join();
    errReader.join();
    DWORD code = 0;
    if (!result.timedOut && ::GetExitCodeProcess(process.Get(), &code)) {
        result.exitCode = code;
    }
    return result;
}

std::filesystem::path BinFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return std::filesystem::path(std::wstring(path, length)).parent_path().parent_path() / "bin";
}

ScratchFolder::ScratchFolder() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("kestrel-win-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = std::move(candidate);
            return;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

} // namespace win_testing
