// The headless display back-end (see HeadlessDisplay.h).
#include "ui/headless/HeadlessDisplay.h"

#include <cstdio>

#include "ui/Window.h"

namespace ui {

namespace {

// UTF-16 to UTF-8 for the box text. Kept here so the window core links without the platform
// process services; an unpaired surrogate becomes U+FFFD rather than invalid output.
void AppendUtf8(std::string& out, std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
}

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
    std::string line;
    AppendUtf8(line, caption);
    line += ": ";
    AppendUtf8(line, text);
    if (line.empty() || line.back() != '\n') {
        line += '\n';
    }
    return line;
}

} // namespace ui
