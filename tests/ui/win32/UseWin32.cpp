// These tests run on the Windows back-end: it is set before any test creates a window or a loop.
// Without it (wine with no X display) nothing here can run, and the binary says so.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ui/Display.h"
#include "ui/win32/Win32Display.h"

namespace {

[[maybe_unused]] const bool kWin32 = [] {
    auto display = ui::CreateWin32Display();
    if (!display) {
        std::fputs("ui_win32_display_test: no window can be created (wine needs DISPLAY)\n", stderr);
        std::exit(1);
    }
    ui::SetDisplay(std::move(display));
    return true;
}();

} // namespace
