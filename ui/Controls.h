// The standard controls that dialogs hold as child windows: static text, push button, group box and
// progress control, with the messages and notification codes the program uses (Windows values).
#pragma once

#include "ui/Types.h"

namespace ui {

enum class ControlKind { Static, PushButton, DefPushButton, GroupBox, Progress };

// Button styles and notifications.
inline constexpr uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr uint32_t BS_OWNERDRAW = 0xB;
inline constexpr uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr uint32_t WS_BORDER = 0x00800000u;
inline constexpr uint16_t BN_CLICKED = 0;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr WPARAM BST_PUSHED = 0x0004;

// Owner draw: WM_DRAWITEM to the parent, lParam -> DrawItem; state bits.
inline constexpr UINT WM_DRAWITEM = 0x002B;
inline constexpr uint32_t ODS_SELECTED = 0x0001;
inline constexpr uint32_t ODS_DISABLED = 0x0004;
inline constexpr uint32_t ODS_FOCUS = 0x0010;

// Progress control: range 0..100 by default.
inline constexpr UINT PBM_SETRANGE = 0x0401;
inline constexpr UINT PBM_SETPOS = 0x0402;
inline constexpr UINT PBM_GETPOS = 0x0408;

} // namespace ui
