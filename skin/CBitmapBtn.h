// CBitmapBtn: the picture button of the main window and the result dialog. An owner-drawn push
// button child, created with control id 0, whose four looks (normal, hover, pressed, disabled) are
// cut out of full-window pictures at the button's own rectangle, so that a button in its normal
// state cannot be told from the background under it.
//
// What the parents rely on: a click sends WM_COMMAND with BN_CLICKED, a right press WM_COMMAND with
// code 0xFF, both with the button's own handle in lParam (parents tell their buttons apart by
// handle, whatever the code); every mouse move the button handles is posted on to the parent as
// WM_MOUSEMOVE with the point in screen coordinates. The keyboard never presses it.
//
// Hover tracking: the button takes the mouse capture when the pointer enters it, so it keeps
// receiving moves after the pointer has left and can end the hover look itself.
//
// Threads: created and driven on the user-interface thread; Handle() may be read from any thread.
#pragma once

#include "skin/SkinPicture.h"
#include "ui/Controls.h"

namespace skin {

// The notification code of a right press, sent besides the click's BN_CLICKED.
inline constexpr uint16_t kRightPressCode = 0xFF;

// Which of its four pictures a button shows.
enum class ButtonLook { Normal, Hover, Pressed, Disabled };

// The look for owner-draw state bits and the hover flag: disabled wins over pressed, pressed over
// hovered.
ButtonLook ChooseButtonLook(uint32_t itemState, bool hover);

class CBitmapBtn : public ui::Button {
public:
    CBitmapBtn() = default;
    ~CBitmapBtn() override;

    // Creates the button as a visible owner-drawn child of `parent` at `rect` (parent client
    // coordinates), with an empty caption and control id 0. UI thread.
    bool Create(ui::WindowHandle parent, const ui::Rect& rect);

    // Cuts the four looks out of full-window pictures at `rect` (the button's rectangle in the
    // parent's client coordinates). An empty source leaves its look as it was. UI thread.
    void SetStatePictures(const SkinPicture& normal, const SkinPicture& hover, const SkinPicture& pressed,
                          const SkinPicture& disabled, const ui::Rect& rect);

    // UI thread.
    bool IsHover() const { return m_bHover; }
    const SkinPicture& Look(ButtonLook look) const;

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;
    void OnDrawItem(const ui::DrawItem& item) override;

private:
    // Owner draw whatever style the button was created with, and no tab stop.
    void SetUpOwnerDraw();
    void OnMouseMove(ui::WPARAM keys, ui::LPARAM lParam);

    SkinPicture m_bmpNormal;
    SkinPicture m_bmpHover;
    SkinPicture m_bmpPressed;
    SkinPicture m_bmpDisabled;
    bool m_bHover = false;  // the pointer is over the button (it holds the capture for that)
};

} // namespace skin
