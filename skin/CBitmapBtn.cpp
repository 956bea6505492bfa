// The picture button: owner-drawn looks, hover tracking by capture, the right-press command and no
// keys.
#include "skin/CBitmapBtn.h"

#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"

namespace skin {

ButtonLook ChooseButtonLook(uint32_t itemState, bool hover) {
    if ((itemState & ui::ODS_DISABLED) != 0) {
        return ButtonLook::Disabled;
    }
    if ((itemState & ui::ODS_SELECTED) != 0) {
        return ButtonLook::Pressed;
    }
    return hover ? ButtonLook::Hover : ButtonLook::Normal;
}

CBitmapBtn::~CBitmapBtn() { Destroy(); }

bool CBitmapBtn::Create(ui::WindowHandle parent, const ui::Rect& rect) {
    return CreateButton(parent, rect, u"", ui::WS_CHILD | ui::WS_VISIBLE | ui::BS_OWNERDRAW, 0);
}

void CBitmapBtn::SetUpOwnerDraw() {
    const ui::WindowHandle self = Handle();
    ui::Send(self, ui::BM_SETSTYLE, (ui::GetWindowStyle(self) & 0xFFFFu) | ui::BS_OWNERDRAW, 1);
    ui::SetWindowStyle(self, ui::GetWindowStyle(self) & ~ui::WS_TABSTOP);
}

void CBitmapBtn::SetStatePictures(const SkinPicture& normal, const SkinPicture& hover, const SkinPicture& pressed,
                                  const SkinPicture& disabled, const ui::Rect& rect) {
    CropPicture(m_bmpNormal, normal, rect);
    CropPicture(m_bmpHover, hover, rect);
    CropPicture(m_bmpPressed, pressed, rect);
    CropPicture(m_bmpDisabled, disabled, rect);
    const ui::WindowHandle self = Handle();
    ui::SetWindowStyle(self, ui::GetWindowStyle(self) & ~(ui::WS_BORDER | ui::WS_TABSTOP));
}

const SkinPicture& CBitmapBtn::Look(ButtonLook look) const {
    switch (look) {
    case ButtonLook::Hover:
        return m_bmpHover;
    case ButtonLook::Pressed:
        return m_bmpPressed;
    case ButtonLook::Disabled:
        return m_bmpDisabled;
    case ButtonLook::Normal:
        break;
    }
    return m_bmpNormal;
}

void CBitmapBtn::OnDrawItem(const ui::DrawItem& item) {
    if (item.painter == nullptr) {
        return;
    }
    // A look that is empty draws nothing: what lies under the button (its parent's picture) stays.
    const SkinPicture& look = Look(ChooseButtonLook(item.itemState, m_bHover));
    if (const ui::Surface* picture = look.Get()) {
        item.painter->Copy(ui::Point{0, 0}, *picture, ui::Rect{0, 0, item.rect.Width(), item.rect.Height()});
    }
}

void CBitmapBtn::OnMouseMove(ui::WPARAM keys, ui::LPARAM lParam) {
    const ui::WindowHandle self = Handle();
    const bool leftDown = (keys & ui::MK_LBUTTON) != 0;
    if (leftDown && !m_bHover) {
        return;  // a press that began elsewhere is dragged over the button: no hover
    }
    const ui::Point client{ui::XFromLParam(lParam), ui::YFromLParam(lParam)};
    const ui::Point screen = ui::ClientToScreen(self, client);
    if (ui::GetCapture() != self && ui::GetActiveWindow() && Parent()) {
        // The pointer enters: hold the capture so that the leave can be seen.
        m_bHover = true;
        ui::SetCapture(self);
        ui::InvalidateRect(self, nullptr, true);
    } else if (ui::WindowFromPoint(screen) != self) {
        // Left: onto another window, or off the program's windows altogether (no window there).
        if (m_bHover) {
            m_bHover = false;
            ui::InvalidateRect(self, nullptr, true);
        }
        if (!leftDown && ui::GetCapture() == self) {
            ui::ReleaseCapture();
        }
    }
    ui::Post(Parent(), ui::WM_MOUSEMOVE, keys, ui::MakeLParam(screen.x, screen.y));
}

ui::LRESULT CBitmapBtn::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    switch (msg) {
    case ui::WM_CREATE:
        SetUpOwnerDraw();
        break;
    case ui::WM_MOUSEMOVE:
        ui::Button::WindowProc(msg, wParam, lParam);
        OnMouseMove(wParam, lParam);
        return 0;
    case ui::WM_CAPTURECHANGED:
        // Another window took the capture from the hover (lParam names it): the leave can no longer
        // be seen, so the hover ends here. Its capture is left alone.
        if (m_bHover && lParam != 0 && static_cast<uint64_t>(lParam) != Handle().value) {
            m_bHover = false;
            ui::InvalidateRect(Handle(), nullptr, true);
        }
        break;
    case ui::WM_KILLFOCUS: {
        const ui::LRESULT result = ui::Button::WindowProc(msg, wParam, lParam);
        m_bHover = false;
        return result;
    }
    case ui::WM_LBUTTONDOWN:
        if (Parent() != ui::GetActiveWindow()) {
            ui::SetFocus(Parent());
        }
        break;
    case ui::WM_RBUTTONDOWN:
        // Id 0: the parent looks at the handle only, so a right press acts like a click there.
        ui::Send(Parent(), ui::WM_COMMAND, ui::MakeWParam(0, kRightPressCode), static_cast<ui::LPARAM>(Handle().value));
        break;
    case ui::WM_KEYDOWN:
    case ui::WM_KEYUP:
        return 0;  // the keyboard never presses the button
    case ui::WM_ERASEBKGND:
        return 0;  // the look covers the whole button
    default:
        break;
    }
    return ui::Button::WindowProc(msg, wParam, lParam);
}

} // namespace skin
