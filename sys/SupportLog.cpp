// The support log (see SupportLog.h).
#include "sys/SupportLog.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "sys/Clock.h"
#include "sys/Process.h"

namespace sys {
namespace {

enum class State { Unopened, Off, On };

// The state is read without the lock by every record; the file and the start time only under it.
std::atomic<State> g_state{State::Unopened};
std::mutex g_lock;
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
std::unique_ptr<std::FILE, FileCloser> g_file;
int64_t g_startMicros = 0;

// Wall-clock time in UTC, ISO 8601 with milliseconds ("2024-05-01T12:34:56.789Z").
std::string IsoTimeNow() {
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{now - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

// Caller holds g_lock. One whole line, then a flush, so that nothing written is lost with a crash.
void WriteLineLocked(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), g_file.get());
    std::fputc('\n', g_file.get());
    std::fflush(g_file.get());
}

// Caller holds g_lock and the state is Unopened.
void OpenLocked() {
    const std::optional<std::string> path = GetEnv("KESTREL_LOG");
    if (!path || path->empty()) {
        g_state = State::Off;
        return;
    }
    const std::filesystem::path file(std::u8string(path->begin(), path->end()));
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> stream(detail::OpenSupportLogFile(file));
    if (!stream) {
        const int error = errno;
        const std::string reason = error != 0 ? std::strerror(error) : "cannot be opened";
        const std::string message = "kestrel: support log " + *path + ": " + reason + "; not logging\n";
        std::fputs(message.c_str(), stderr);
        std::fflush(stderr);
        g_state = State::Off;
        return;
    }
    g_file = std::move(stream);
    g_startMicros = NowMicros();
    WriteLineLocked("=== Kestrel run " + IsoTimeNow() + " pid " + std::to_string(detail::SupportLogProcessId()) +
                    " ===");
    g_state = State::On;
}

} // namespace

bool SupportLogEnabled() {
    const State state = g_state.load(std::memory_order_acquire);
    if (state != State::Unopened) {
        return state == State::On;
    }
    std::lock_guard lock(g_lock);
    if (g_state.load() == State::Unopened) {
        OpenLocked();
    }
    return g_state.load() == State::On;
}

void SupportLog(std::string_view category, std::string_view text) {
    if (!SupportLogEnabled()) {
        return;
    }
    std::string line = IsoTimeNow();
    std::lock_guard lock(g_lock);
    if (!g_file) {
        return;  // closed by a reset meanwhile
    }
    line += " +" + std::to_string((NowMicros() - g_startMicros) / 1000) + "ms ";
    line += category;
    line += ' ';
    const size_t textStart = line.size();
    line += text;
    for (size_t i = textStart; i < line.size(); ++i) {
        if (line[i] == '\n' || line[i] == '\r') {
            line[i] = ' ';
        }
    }
    WriteLineLocked(line);
}

std::string HexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

namespace testing {

void ResetSupportLog() {
    std::lock_guard lock(g_lock);
    g_file.reset();
    g_state = State::Unopened;
}

} // namespace testing
} // namespace sys
