// The picture button's base: the standard push button with a right-press notification and no keys.
#include "skin/CBitmapBtn.h"

#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"

namespace skin {

CBitmapBtn::~CBitmapBtn() { Destroy(); }

bool CBitmapBtn::Create(ui::WindowHandle parent, const ui::Rect& rect) {
    return CreateButton(parent, rect, u"", ui::WS_CHILD | ui::WS_VISIBLE | ui::BS_OWNERDRAW, 0);
}

ui::LRESULT CBitmapBtn::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    switch (msg) {
    case ui::WM_RBUTTONDOWN:
        // Id 0: the parent looks at the handle only, so a right press acts like a click there.
        ui::Send(Parent(), ui::WM_COMMAND, ui::MakeWParam(0, kRightPressCode), static_cast<ui::LPARAM>(Handle().value));
        break;
    case ui::WM_KEYDOWN:
    case ui::WM_KEYUP:
        return 0;  // the keyboard never presses the button
    default:
        break;
    }
    return ui::Button::WindowProc(msg, wParam, lParam);
}

} // namespace skin
