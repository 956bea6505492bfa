// The child jobs of the process-service tests and the parent's side of launching them.
#include "ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "sys/Clock.h"
#include "sys/Process.h"

namespace systest {
namespace {

// Written under a temporary name and renamed, so the parent never reads half a result.
void WriteResult(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::path partial = file;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary);
        out << text;
    }
    std::error_code error;
    std::filesystem::rename(partial, file, error);
}

int ProbeGuard(const std::filesystem::path& result) {
    const std::optional<std::string> name = sys::GetEnv(kProbeGuardNameVar);
    if (!name) {
        WriteResult(result, "no guard name");
        return 2;
    }
    WriteResult(result, sys::AcquireSingleInstance(sys::FromUtf8(*name)) ? "free" : "held");
    return 0;
}

// The hooks write through a fully buffered stream that is never closed: only the flush of
// ExitProcess gets their text into the file.
[[noreturn]] void ExitThroughHooks(const std::filesystem::path& result) {
    std::filesystem::path partial = result;
    partial += ".part";
    std::FILE* out = std::fopen(partial.string().c_str(), "wb");
    if (out == nullptr) {
        sys::ExitProcess(2);
    }
    static char buffer[4096];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    for (const char* tag : {"A", "B", "C"}) {
        sys::AddExitHook([out, tag] { std::fputs(tag, out); });
    }
    sys::ExitProcess(0);
}

#ifndef _WIN32
int ListOpenFiles(const std::filesystem::path& result) {
    std::string text;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        if (!error) {
            text += target.string() + "\n";
        }
    }
    WriteResult(result, text.empty() ? "none\n" : text);
    return 0;
}
#endif

} // namespace

std::optional<int> RunChildJob(int argc, char** argv) {
    const std::vector<std::u16string> arguments = sys::CommandLineArguments(argc, argv);
    if (arguments.size() != 2) {
        return std::nullopt;
    }
    const std::string argument = sys::ToUtf8(arguments[1]);
    const auto fileAfter = [&argument](std::string_view prefix) {
        return std::filesystem::path(sys::FromUtf8(argument.substr(prefix.size())));
    };
    if (argument.starts_with(kProbeGuardArg)) {
        return ProbeGuard(fileAfter(kProbeGuardArg));
    }
    if (argument.starts_with(kExitHooksArg)) {
        ExitThroughHooks(fileAfter(kExitHooksArg));
    }
#ifndef _WIN32
    if (argument.starts_with(kOpenFilesArg)) {
        return ListOpenFiles(fileAfter(kOpenFilesArg));
    }
#endif
    return std::nullopt;
}

std::optional<std::string> RunChild(std::string_view childArg, std::string_view fileStem) {
    const std::filesystem::path result = std::filesystem::temp_directory_path() / sys::FromUtf8(UniqueName(fileStem));
    std::error_code error;
    std::filesystem::remove(result, error);
    const std::u16string argument = sys::FromUtf8(std::string(childArg)) + result.u16string();
    if (!sys::LaunchProgram(sys::ExecutablePath(), argument)) {
        return std::nullopt;
    }
    // The hook child writes .part and never renames; accept either name.
    std::filesystem::path partial = result;
    partial += ".part";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::filesystem::path& candidate : {result, partial}) {
            if (!std::filesystem::exists(candidate, error)) {
                continue;
            }
            // On Windows the child may still hold the file while it renames or closes it, so an
            // open that fails or finds nothing yet is tried again; every result has some text.
            std::ifstream in(candidate, std::ios::binary);
            if (!in) {
                continue;
            }
            std::ostringstream text;
            text << in.rdbuf();
            if (!text.str().empty()) {
                std::filesystem::remove(candidate, error);
                return text.str();
            }
        }
        sys::Sleep(20);
    }
    return std::nullopt;
}

std::string UniqueName(std::string_view stem) {
    std::random_device random;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(stem) + "-" + std::to_string(random()) + "-" + std::to_string(ticks);
}

} // namespace systest
