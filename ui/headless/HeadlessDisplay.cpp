// The headless display back-end (see HeadlessDisplay.h).
#include "ui/headless/HeadlessDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sys/Process.h"
#include "ui/Window.h"
#include "ui/headless/Png.h"

namespace ui {

namespace {

std::mutex& StderrLock() {
    static std::mutex lock;
    return lock;
}

void WriteSnapshot(const std::string& folder, const std::string& name, const Surface& surface) {
    const std::vector<uint8_t> png = EncodePng(surface);
    if (png.empty()) {
        return;
    }
    std::ofstream file(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

} // namespace

template <typename Fn>
void HeadlessDisplay::Update(const Window& window, Fn&& fn) {
    std::lock_guard lock(m_lock);
    if (auto it = m_windows.find(window.Handle().value); it != m_windows.end()) {
        fn(it->second);
    }
}

std::optional<HeadlessDisplay::WindowState> HeadlessDisplay::State(WindowHandle handle) const {
    std::lock_guard lock(m_lock);
    auto it = m_windows.find(handle.value);
    if (it == m_windows.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<Surface> HeadlessDisplay::Presented(WindowHandle handle) const {
    std::lock_guard lock(m_lock);
    auto it = m_presented.find(handle.value);
    if (it == m_presented.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool HeadlessDisplay::CreateNativeWindow(Window& window) {
    std::lock_guard lock(m_lock);
    WindowState state;
    state.title = window.Text();
    state.rect = window.Params().rect;
    state.exStyle = window.Params().exStyle;
    m_windows[window.Handle().value] = std::move(state);
    return true;
}

void HeadlessDisplay::DestroyNativeWindow(Window& window) {
    std::lock_guard lock(m_lock);
    m_windows.erase(window.Handle().value);
    m_presented.erase(window.Handle().value);
}

void HeadlessDisplay::ShowNativeWindow(Window& window, bool visible) {
    Update(window, [&](WindowState& s) { s.visible = visible; });
}

void HeadlessDisplay::SetNativeTitle(Window& window, std::u16string_view title) {
    Update(window, [&](WindowState& s) { s.title.assign(title); });
}

void HeadlessDisplay::MoveNativeWindow(Window& window, const Rect& screenRect) {
    Update(window, [&](WindowState& s) { s.rect = screenRect; });
}

bool HeadlessDisplay::SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) {
    Update(window, [&](WindowState& s) { s.region = rectangles; });
    return true;
}

void HeadlessDisplay::SetNativeIcon(Window& window, uint32_t iconResourceId) {
    Update(window, [&](WindowState& s) { s.icon = iconResourceId; });
}

void HeadlessDisplay::SetNativeExStyle(Window& window, uint32_t exStyle) {
    Update(window, [&](WindowState& s) { s.exStyle = exStyle; });
}

void HeadlessDisplay::BeginNativeMoveDrag(Window& window, Point screen) {
    Update(window, [&](WindowState& s) {
        ++s.moveDrags;
        s.lastDragStart = screen;
    });
}

void HeadlessDisplay::SetNativePointerGrab(Window& window, bool grab) {
    Update(window, [&](WindowState& s) { s.pointerGrabbed = grab; });
}

void HeadlessDisplay::PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) {
    int frame = 0;
    {
        std::lock_guard lock(m_lock);
        auto it = m_windows.find(window.Handle().value);
        if (it == m_windows.end()) {
            return;
        }
        frame = ++it->second.frames;
        it->second.lastDirty = dirty;
        m_presented[window.Handle().value] = surface;
    }
    const char* folder = std::getenv("KESTREL_SNAPSHOT_DIR");
    if (folder != nullptr && *folder != '\0') {
        WriteSnapshot(folder, SnapshotFileName(window.Text(), window.Handle(), frame), surface);
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

std::string SnapshotFileName(std::u16string_view title, WindowHandle handle, int frame) {
    std::string name;
    for (char16_t c : title) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'-' || c == u'_';
        name += plain ? static_cast<char>(c) : '_';
    }
    if (name.empty()) {
        name = "window-" + std::to_string(handle.value);
    }
    char number[16];
    std::snprintf(number, sizeof number, "-%06d.png", frame);
    return name + number;
}

} // namespace ui
