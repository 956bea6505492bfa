// The headless display back-end: windows exist and keep their state, nothing is drawn on a screen.
// Message boxes write their caption and text to standard error (UTF-8) and answer IDOK. Used by the
// tests and by the silent mode when no display is available.
//
// Presented frames are kept (the last one per window) for tests to read pixels from. With the
// environment variable KESTREL_SNAPSHOT_DIR naming a folder, every presented frame of a top-level
// window is also written there as "<title or window-handle>-<frame number, 6 digits>.png", so the
// files of one window sort in the order they were shown.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Display.h"
#include "ui/gfx/Surface.h"

namespace ui {

class HeadlessDisplay final : public Display {
public:
    // Where message boxes go: one UTF-8 line per box, "caption: text". Default: standard error.
    using TextSink = std::function<void(const std::string& utf8)>;

    HeadlessDisplay() = default;
    explicit HeadlessDisplay(TextSink sink) : m_sink(std::move(sink)) {}

    // What the back-end knows of a top-level window, for tests.
    struct WindowState {
        std::u16string title;
        bool visible = false;
        Rect rect{};                  // as last moved (screen coordinates)
        std::vector<Rect> region;     // as last set; empty: none
        bool pointerGrabbed = false;
        int moveDrags = 0;            // BeginNativeMoveDrag calls
        Point lastDragStart{};
        uint32_t exStyle = 0;
        uint32_t icon = 0;
        int frames = 0;               // presented frames
        Rect lastDirty{};
    };
    // Any thread. nullopt when the window has no native side here.
    std::optional<WindowState> State(WindowHandle handle) const;
    // The window's last presented surface; nullopt before the first present. Any thread.
    std::optional<Surface> Presented(WindowHandle handle) const;

    // Tests drive dialogs that wait for a user by making the display interactive. Any thread.
    void SetInteractive(bool interactive) { m_interactive.store(interactive); }

    std::string_view Name() const override { return "headless"; }
    bool CreateNativeWindow(Window& window) override;
    void DestroyNativeWindow(Window& window) override;
    void ShowNativeWindow(Window& window, bool visible) override;
    void SetNativeTitle(Window& window, std::u16string_view title) override;
    int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                       uint32_t flags) override;

    bool IsInteractive() const override { return m_interactive.load(); }
    void MoveNativeWindow(Window& window, const Rect& screenRect) override;
    bool SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) override;
    void PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) override;
    void SetNativeIcon(Window& window, uint32_t iconResourceId) override;
    void SetNativeExStyle(Window& window, uint32_t exStyle) override;
    void BeginNativeMoveDrag(Window& window, Point screen) override;
    void SetNativePointerGrab(Window& window, bool grab) override;

private:
    // Runs fn(WindowState&) under the lock when the window is known here.
    template <typename Fn>
    void Update(const Window& window, Fn&& fn);

    TextSink m_sink;
    std::atomic<bool> m_interactive{false};

    mutable std::mutex m_lock;
    std::unordered_map<uint64_t, WindowState> m_windows; // guarded by m_lock
    std::unordered_map<uint64_t, Surface> m_presented;   // guarded by m_lock
};

// The message box line the headless back-end writes: "caption: text" and one newline (a text
// that already ends in a newline gets no second one).
std::string FormatHeadlessMessageBox(std::u16string_view caption, std::u16string_view text);

// The snapshot file name of a window's frame: its title with everything but letters, digits, '-'
// and '_' replaced by '_' ("window-<handle>" when the title is empty), '-', the frame number in six
// digits, ".png".
std::string SnapshotFileName(std::u16string_view title, WindowHandle handle, int frame);

} // namespace ui
