// Message boxes: the program's error and notice boxes. Each display back-end answers them its own
// way (X11: a small modal window; headless: the text on standard error).
#pragma once

#include <string_view>

#include "ui/Types.h"

namespace ui {

inline constexpr uint32_t MB_OK = 0x0000;
inline constexpr uint32_t MB_ICONERROR = 0x0010;

// Shows a modal message box owned by `owner` (may be none). Returns IDOK.
int MessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t flags);

} // namespace ui
