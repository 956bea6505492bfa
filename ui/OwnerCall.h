// Carrying a window call to the window's owner thread, as a sent message is carried. Internal to
// the window framework (WindowApi.cpp, Input.cpp).
#pragma once

#include <functional>

#include "ui/Types.h"

namespace ui {

class Window;

// Runs fn(window) on the owner thread of `target`: at once when the caller is that thread,
// otherwise queued there like a Send, the caller waiting (and answering what is sent to its own
// windows) until it has run. False, without running fn, when the window is gone. Any thread.
bool CallOnOwner(WindowHandle target, const std::function<void(Window&)>& fn);

} // namespace ui
