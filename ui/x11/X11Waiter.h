// The message loop's waiter on the display's thread: sleeps on the X connection and a wake-up
// eventfd together, and hands the X events that arrive to the back-end's dispatch. Internal.
#pragma once

#include <memory>

#include "ui/Display.h"
#include "ui/x11/X11Display.h"

namespace ui::x11 {

// Nothing when no eventfd can be had (the caller falls back to the plain waiter).
std::unique_ptr<ThreadWaiter> CreateConnectionWaiter(X11Display::Impl& display);

} // namespace ui::x11
