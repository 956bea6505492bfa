// <windows.h> for the gfx back-end. Include it after every header of ours: ui/Types.h names the
// standard messages (WM_PAINT, ...) that <windows.h> defines as macros, and ui::FindResource and
// ui::DrawText share their names with the macros FindResource and DrawText, undefined here so that
// our own functions keep their names (the Windows calls are made by their W names).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef FindResource
#undef DrawText
