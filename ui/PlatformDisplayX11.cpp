// The platform back-end of Linux builds: X11 when DISPLAY names a display that opens. Part of the
// object library kestrel_ui_platform, so that linking it is enough to register it.
#include <cstdlib>

#include "ui/PlatformDisplay.h"

namespace ui {

namespace {

std::unique_ptr<Display> CreateX11PlatformDisplay(std::string& problem) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        problem = "DISPLAY is not set";
        return nullptr;
    }
    auto display = CreateX11Display();
    if (!display) {
        problem = std::string("cannot open display \"") + name + "\"";
    }
    return display;
}

[[maybe_unused]] const bool kRegistered = (SetPlatformDisplayFactory(&CreateX11PlatformDisplay), true);

} // namespace

} // namespace ui
