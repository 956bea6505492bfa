// The program's X11 display: window-system events go to the framework's input entry points.
#include "ui/Input.h"
#include "ui/x11/X11Display.h"

namespace ui {
namespace {

class FrameworkInputSink final : public X11InputSink {
public:
    void Mouse(WindowHandle topLevel, UINT msg, Point client, WPARAM keys) override {
        InjectMouse(topLevel, msg, client, keys);
    }
    void Key(WindowHandle topLevel, UINT msg, WPARAM virtualKey) override { InjectKey(topLevel, msg, virtualKey); }
    void Exposed(WindowHandle topLevel, const Rect& client) override { InjectExpose(topLevel, client); }
    void CloseRequest(WindowHandle topLevel) override { InjectCloseRequest(topLevel); }
    void Activation(WindowHandle topLevel, bool active) override { InjectActivation(topLevel, active); }
    void Moved(WindowHandle topLevel, Point screen) override { InjectMoved(topLevel, screen); }
};

} // namespace

std::unique_ptr<X11InputSink> CreateFrameworkInputSink() { return std::make_unique<FrameworkInputSink>(); }

std::unique_ptr<Display> CreateX11Display() { return X11Display::Open(CreateFrameworkInputSink()); }

} // namespace ui
