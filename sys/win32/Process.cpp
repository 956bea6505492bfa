// Process services on Windows: GetModuleFileNameW, the named mutex, the parent's console,
// OutputDebugStringW, ShellExecuteW, ::ExitProcess.
#include "sys/Process.h"

#include <cstdio>

#include "sys/ExitHooks.h"
#include "sys/win32/Windows.h"

#include <shellapi.h>

namespace sys {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string FromWide(const wchar_t* text, size_t length) { return std::u16string(text, text + length); }

// An owned kernel handle, closed when the holder goes.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (Valid()) {
            ::CloseHandle(m_handle);
        }
    }
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    HANDLE m_handle;
};

bool WriteConsoleWhole(HANDLE console, const std::u16string& part) {
    const std::wstring text = Wide(part);
    size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 0x4000));
        if (!::WriteConsoleW(console, text.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteFileWhole(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 0x10000));
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
}

} // namespace

// argc/argv are not used: the C runtime's argv is in the ANSI code page, the wide command line is not.
std::vector<std::u16string> CommandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    int count = 0;
    if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count); wide != nullptr) {
        for (int i = 0; i < count; ++i) {
            arguments.push_back(FromWide(wide[i], wcslen(wide[i])));
        }
        ::LocalFree(wide);
        return arguments;
    }
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(FromUtf8(argv[i]));
    }
    return arguments;
}

std::filesystem::path ExecutablePath() {
    // Paths may be longer than MAX_PATH; grow until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path ProgramFolder() { return ExecutablePath().parent_path(); }

// The mutex handle of a taken guard stays open until the process ends; the system releases it.
bool AcquireSingleInstance(std::u16string_view name) {
    const std::wstring wideName = Wide(name);
    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, wideName.c_str()));
    const DWORD error = ::GetLastError();
    if (mutex.Valid() && error == ERROR_ALREADY_EXISTS) {
        return false;
    }
    if (!mutex.Valid()) {
        // The name exists but belongs to another security context: another instance all the same.
        if (error == ERROR_ACCESS_DENIED) {
            return false;
        }
        DebugOutput("single-instance mutex cannot be created; running unguarded\n");
        return true;
    }
    mutex.Release();
    return true;
}

// The thread that prints the usage text. Only a handle that came with the attached console is
// closed: one the process already had (its own console or a redirection) keeps serving it.
void WriteToParentConsole(const std::vector<std::u16string>& parts) {
    const bool attached = ::AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        const bool console = IsConsole(output);
        for (const std::u16string& part : parts) {
            const bool written = console ? WriteConsoleWhole(output, part) : WriteFileWhole(output, ToUtf8(part));
            if (!written) {
                break;
            }
        }
        if (attached) {
            ::CloseHandle(output);
            ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
        }
    }
    ::FreeConsole();
}

bool DebugEnabled() {
    const std::optional<std::string> value = GetEnv("KESTREL_DEBUG");
    return value && *value == "1";
}

// Any thread.
void DebugOutput(std::string_view text) {
    if (text.empty()) {
        return;
    }
    const std::wstring wide = Wide(FromUtf8(text));
    ::OutputDebugStringW(wide.c_str());
    if (DebugEnabled()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
}

std::optional<std::string> GetEnv(const char* name) {
    const std::wstring wideName = Wide(FromUtf8(name));
    std::wstring value(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return ToUtf8(FromWide(value.data(), value.size()));
        }
        value.resize(length); // length is the size needed, terminator included
    }
}

bool SetEnv(const char* name, const char* value) {
    const std::wstring wideName = Wide(FromUtf8(name));
    if (value == nullptr) {
        return ::SetEnvironmentVariableW(wideName.c_str(), nullptr) != FALSE;
    }
    const std::wstring wideValue = Wide(FromUtf8(value));
    return ::SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str()) != FALSE;
}

// Any thread.
bool LaunchProgram(const std::filesystem::path& program, std::u16string_view argument) {
    const std::wstring parameters = Wide(argument);
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", program.wstring().c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    // ShellExecuteW reports success as a value greater than 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

[[noreturn]] void ExitProcess(int code) {
    detail::RunExitHooks();
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(code));
}

} // namespace sys
