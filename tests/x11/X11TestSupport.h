// Shared pieces of the X11 back-end tests: the back-end under test with a recording input sink
// (installed as the process's display before any test runs) and helpers to wait for events and
// to drive xdotool.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Window.h"
#include "X11Probe.h"
#include "ui/x11/X11Display.h"

namespace x11_testing {

struct Recorded {
    enum class Kind { Mouse, Key, Exposed, Close, Activation, Moved } kind;
    ui::WindowHandle window;
    ui::UINT msg = 0;
    ui::Point point{};
    ui::WPARAM value = 0; // keys, virtual key, or activation
    ui::Rect rect{};
};

class RecordingSink final : public ui::X11InputSink {
public:
    void Mouse(ui::WindowHandle w, ui::UINT msg, ui::Point client, ui::WPARAM keys) override {
        events.push_back({Recorded::Kind::Mouse, w, msg, client, keys, {}});
    }
    void Key(ui::WindowHandle w, ui::UINT msg, ui::WPARAM vk) override {
        events.push_back({Recorded::Kind::Key, w, msg, {}, vk, {}});
    }
    void Exposed(ui::WindowHandle w, const ui::Rect& r) override {
        events.push_back({Recorded::Kind::Exposed, w, 0, {}, 0, r});
    }
    void CloseRequest(ui::WindowHandle w) override { events.push_back({Recorded::Kind::Close, w, 0, {}, 0, {}}); }
    void Activation(ui::WindowHandle w, bool active) override {
        events.push_back({Recorded::Kind::Activation, w, 0, {}, active ? 1u : 0u, {}});
    }
    void Moved(ui::WindowHandle w, ui::Point screen) override {
        events.push_back({Recorded::Kind::Moved, w, 0, screen, 0, {}});
    }

    std::vector<Recorded> Of(Recorded::Kind kind) const;
    std::vector<Recorded> events; // display thread (the test's main thread)
};

// The back-end under test and its sink; the display is the process's display.
ui::X11Display& TestDisplay();
RecordingSink& Sink();

// Handles X events of the back-end until `done` holds or `timeout` passes; true when it held.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A plain top-level window of the framework, at `rect` on the screen.
class TopLevel : public ui::Window {
public:
    bool Open(const ui::Rect& rect, std::u16string title = u"test", uint32_t exStyle = 0);
    ::Window NativeId() const { return TestDisplay().NativeWindowId(Handle()); }
};

} // namespace x11_testing
