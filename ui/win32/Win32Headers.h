// <windows.h> for the Windows display back-end, through the gfx back-end's include (which keeps our
// own FindResource and DrawText). Include it after every header of ours: ui/Types.h, ui/Controls.h
// and ui/MessageBox.h name constants (WM_PAINT, BN_CLICKED, MB_OK, ...) that <windows.h> defines as
// macros. Its macros that rename the framework's own functions (MessageBox, SetWindowText,
// GetWindowText, SetDlgItemText, Window::DefWindowProc) are undefined; this back-end calls the
// platform by the W names.
#pragma once

// clang-format off
#include "ui/gfx/win32/WinHeaders.h"
// clang-format on

#undef MessageBox
#undef SetWindowText
#undef GetWindowText
#undef SetDlgItemText
#undef DefWindowProc
