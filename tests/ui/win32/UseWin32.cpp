// These tests run on the Windows back-end: it is set before any test creates a window or a loop.
#include <memory>

#include "ui/Display.h"
#include "ui/win32/Win32Display.h"

namespace {

[[maybe_unused]] const bool kWin32 = [] {
    ui::SetDisplay(ui::CreateWin32Display());
    return true;
}();

} // namespace
