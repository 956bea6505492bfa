// The headless display back-end (see HeadlessDisplay.h).
#include "ui/headless/HeadlessDisplay.h"

#include <cstdio>

#include "sys/Process.h"
#include "ui/Window.h"

namespace ui {

namespace {

std::mutex& StderrLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

std::optional<HeadlessDisplay::WindowState> HeadlessDisplay::State(WindowHandle handle) const {
    std::lock_guard lock(m_lock);
    auto it = m_windows.find(handle.value);
    if (it == m_windows.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool HeadlessDisplay::CreateNativeWindow(Window& window) {
    std::lock_guard lock(m_lock);
    m_windows[window.Handle().value] = WindowState{window.Text(), false};
    return true;
}

void HeadlessDisplay::DestroyNativeWindow(Window& window) {
    std::lock_guard lock(m_lock);
    m_windows.erase(window.Handle().value);
}

void HeadlessDisplay::ShowNativeWindow(Window& window, bool visible) {
    std::lock_guard lock(m_lock);
    if (auto it = m_windows.find(window.Handle().value); it != m_windows.end()) {
        it->second.visible = visible;
    }
}

void HeadlessDisplay::SetNativeTitle(Window& window, std::u16string_view title) {
    std::lock_guard lock(m_lock);
    if (auto it = m_windows.find(window.Handle().value); it != m_windows.end()) {
        it->second.title.assign(title);
    }
}

int HeadlessDisplay::ShowMessageBox(WindowHandle /*owner*/, std::u16string_view text, std::u16string_view caption,
                                    uint32_t /*flags*/) {
    const std::string line = FormatHeadlessMessageBox(caption, text);
    if (m_sink) {
        m_sink(line);
        return IDOK;
    }
    // One box, one uninterrupted line, even when several threads report at once.
    std::lock_guard lock(StderrLock());
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}

std::string FormatHeadlessMessageBox(std::u16string_view caption, std::u16string_view text) {
    std::string line = sys::ToUtf8(caption);
    line += ": ";
    line += sys::ToUtf8(text);
    if (line.empty() || line.back() != '\n') {
        line += '\n';
    }
    return line;
}

} // namespace ui
