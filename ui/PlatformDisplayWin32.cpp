// The platform back-end of Windows builds: native windows through USER32 and GDI, when a window can
// be created at all (wine needs an X display for that). Part of the
// object library kestrel_ui_platform, so that linking it is enough to register it.
#include "ui/PlatformDisplay.h"
#include "ui/win32/Win32Display.h"

namespace ui {

namespace {

std::unique_ptr<Display> CreateWin32PlatformDisplay(std::string& problem) {
    auto display = CreateWin32Display();
    if (!display) {
        problem = "no window can be created on this desktop";
    }
    return display;
}

[[maybe_unused]] const bool kRegistered = (SetPlatformDisplayFactory(&CreateWin32PlatformDisplay), true);

} // namespace

} // namespace ui
