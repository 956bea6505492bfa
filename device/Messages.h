// The program's private window messages and timer ids, shared by the device channels and the
// update engine. The standard messages (WM_TIMER, ...) live in ui/Types.h.
#pragma once

#include "ui/Types.h"

#include <cstdint>

namespace device {

// Posted to the main window to end the program with the exit code in wParam (silent mode).
inline constexpr ui::UINT WM_EXIT_WITH_CODE = 0x4400;
// Posted by a channel to its owner: wParam 0, lParam the channel's presence value (0: gone).
inline constexpr ui::UINT WM_DEVICE_PRESENCE = 0x5401;
// Sent by the HID transport to a channel's window: wParam 1, lParam the address of a _DEVICE_STATE.
inline constexpr ui::UINT WM_HID_DEVICE_NOTICE = 0x502;
// Posted by the HID transport to its own notification window to drop a handle registration.
inline constexpr ui::UINT WM_HID_UNREGISTER_HANDLE = 0x5F5;

// One-shot timers of the main window that show the result of an update run.
inline constexpr uintptr_t TIMER_SHOW_SUCCESS = 0x1011;
inline constexpr uintptr_t TIMER_SHOW_FAILURE = 0x1012;
// A channel's presence timer: announces an arrival one second after its notice.
inline constexpr uintptr_t TIMER_DEVICE_PRESENCE = 0x10001;
inline constexpr uint32_t kPresenceDelayMs = 1000;

} // namespace device
