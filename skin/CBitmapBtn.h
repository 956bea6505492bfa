// CBitmapBtn: the picture button of the main window and the result dialog. This is its base, which
// the skin completes with the four looks (normal, hover, pressed, disabled), their drawing and the
// hover tracking: an owner-drawn push-button child created with control id 0 that tells its parent
// about a click (WM_COMMAND with BN_CLICKED) and about a right press (WM_COMMAND with code 0xFF),
// both with the button's own handle in lParam, so parents tell their buttons apart by handle. The
// keyboard never presses it.
//
// Threads: created and driven on the user-interface thread; Handle() may be read from any thread.
#pragma once

#include "ui/Controls.h"

namespace skin {

// The notification code of a right press, sent besides the click's BN_CLICKED.
inline constexpr uint16_t kRightPressCode = 0xFF;

class CBitmapBtn : public ui::Button {
public:
    CBitmapBtn() = default;
    ~CBitmapBtn() override;

    // Creates the button as a visible owner-drawn child of `parent` at `rect` (parent client
    // coordinates), with an empty caption and control id 0. UI thread.
    bool Create(ui::WindowHandle parent, const ui::Rect& rect);

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;
};

} // namespace skin
