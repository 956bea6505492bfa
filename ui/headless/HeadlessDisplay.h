// The headless display back-end: windows exist and keep their state, nothing is drawn on a screen.
// Message boxes write their caption and text to standard error (UTF-8) and answer IDOK. Used by the
// tests and by the silent mode when no display is available.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "ui/Display.h"

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
    };
    // Any thread. nullopt when the window has no native side here.
    std::optional<WindowState> State(WindowHandle handle) const;

    std::string_view Name() const override { return "headless"; }
    bool CreateNativeWindow(Window& window) override;
    void DestroyNativeWindow(Window& window) override;
    void ShowNativeWindow(Window& window, bool visible) override;
    void SetNativeTitle(Window& window, std::u16string_view title) override;
    int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                       uint32_t flags) override;

private:
    TextSink m_sink;

    mutable std::mutex m_lock;
    std::unordered_map<uint64_t, WindowState> m_windows; // guarded by m_lock
};

// The message box line the headless back-end writes: "caption: text" and one newline (a text
// that already ends in a newline gets no second one).
std::string FormatHeadlessMessageBox(std::u16string_view caption, std::u16string_view text);

} // namespace ui
