// The standard controls (see Controls.h).
#include "ui/Controls.h"

#include <algorithm>

#include "ui/ControlDrawing.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/WindowApi.h"

namespace ui {

namespace {

Rect ClientRectOf(const Window& window) {
    const Rect& r = window.Params().rect;
    return {0, 0, r.Width(), r.Height()};
}

Rect Inset(const Rect& r, int32_t by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

Pixel TextColorOf(const Window& window) { return window.IsEnabled() ? kTextColor : kGrayTextColor; }

} // namespace

void DrawFrame(Painter& painter, const Rect& r, Pixel color) {
    if (r.IsEmpty()) {
        return;
    }
    painter.FillRect({r.left, r.top, r.right, r.top + 1}, color);
    painter.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    painter.FillRect({r.left, r.top, r.left + 1, r.bottom}, color);
    painter.FillRect({r.right - 1, r.top, r.right, r.bottom}, color);
}

// --- Button ---------------------------------------------------------------------------------------

bool Button::CreateButton(WindowHandle parent, const Rect& rect, std::u16string_view caption, uint32_t style,
                          int id) {
    CreateParams params;
    params.parent = parent;
    params.rect = rect;
    params.style = style | WS_CHILD;
    params.text.assign(caption);
    params.id = id;
    return Create(params);
}

void Button::SetPushed(bool pushed) {
    if (m_pushed == pushed) {
        return;
    }
    m_pushed = pushed;
    InvalidateRect(Handle(), nullptr, false);
}

void Button::EndTracking() {
    m_tracking = false;
    m_spaceDown = false;
    SetPushed(false);
}

void Button::NotifyClicked() {
    const WindowHandle self = Handle();
    Send(Parent(), WM_COMMAND, MakeWParam(static_cast<uint32_t>(ControlId()), BN_CLICKED),
         static_cast<LPARAM>(self.value));
    // The parent may have destroyed the button: nothing of it is touched after this.
}

LRESULT Button::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const Point point{XFromLParam(lParam), YFromLParam(lParam)};
    switch (msg) {
    case WM_LBUTTONDOWN:
        SetCapture(Handle());
        SetFocus(Handle());
        m_tracking = true;
        SetPushed(true);
        return 0;
    case WM_MOUSEMOVE:
        if (m_tracking && !m_spaceDown && (wParam & MK_LBUTTON) != 0 && GetCapture() == Handle()) {
            SetPushed(ClientRectOf(*this).Contains(point));
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!m_tracking || m_spaceDown) {
            return 0;
        }
        const bool clicked = m_pushed && ClientRectOf(*this).Contains(point);
        m_tracking = false; // before the release, so WM_CAPTURECHANGED finds nothing to cancel
        SetPushed(false);
        if (GetCapture() == Handle()) {
            ReleaseCapture();
        }
        if (clicked) {
            NotifyClicked();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (m_tracking && !m_spaceDown) {
            EndTracking();
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !m_tracking) {
            m_tracking = true;
            m_spaceDown = true;
            SetPushed(true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && m_spaceDown) {
            const bool clicked = m_pushed;
            EndTracking();
            if (clicked) {
                NotifyClicked();
            }
        }
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(Handle(), nullptr, false);
        return 0;
    case WM_KILLFOCUS:
        if (m_tracking) {
            const bool captured = GetCapture() == Handle();
            EndTracking();
            if (captured) {
                ReleaseCapture();
            }
        }
        InvalidateRect(Handle(), nullptr, false);
        return 0;
    case WM_ENABLE:
        if (wParam == 0 && m_tracking) {
            EndTracking();
        }
        return 0;
    case BM_GETSTATE:
        return static_cast<LRESULT>((m_pushed ? BST_PUSHED : 0) | (GetFocus() == Handle() ? BST_FOCUS : 0));
    case BM_SETSTATE:
        SetPushed(wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const uint32_t style = (Style() & 0xFFFF0000u) | static_cast<uint32_t>(wParam & 0xFFFF);
        SetWindowStyle(Handle(), style);
        if (lParam != 0) {
            InvalidateRect(Handle(), nullptr, true);
        }
        return 0;
    }
    case WM_PAINT: {
        PaintContext paint = BeginPaint(*this);
        if (IsOwnerDraw()) {
            DrawItem item;
            item.ctlId = ControlId();
            item.itemState = (m_pushed ? ODS_SELECTED : 0) | (IsEnabled() ? 0 : ODS_DISABLED) |
                             (GetFocus() == Handle() ? ODS_FOCUS : 0);
            item.item = Handle();
            item.rect = ClientRectOf(*this);
            item.painter = &paint.painter;
            Send(Parent(), WM_DRAWITEM, static_cast<WPARAM>(ControlId()), reinterpret_cast<LPARAM>(&item));
        } else {
            DrawPlain(paint.painter);
        }
        EndPaint(*this, paint);
        return 0;
    }
    default:
        return DefWindowProc(msg, wParam, lParam);
    }
}

void Button::OnDrawItem(const DrawItem& item) {
    if (item.painter != nullptr) {
        DrawPlain(*item.painter);
    }
}

void Button::DrawPlain(Painter& painter) {
    const Rect client = ClientRectOf(*this);
    painter.FillRect(client, m_pushed ? kPressedFaceColor : kFaceColor);
    DrawFrame(painter, client, IsDefault() || GetFocus() == Handle() ? kDarkFrameColor : kFrameColor);
    const int32_t shift = m_pushed ? 1 : 0;
    const Rect box{client.left + 2 + shift, client.top + 3 + shift, client.right - 2 + shift, client.bottom - 2};
    DrawControlText(painter, Text(), box, TextColorOf(*this), true);
}

// --- Static text, group box, progress bar -----------------------------------------------------------

LRESULT StaticText::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) {
        return DefWindowProc(msg, wParam, lParam);
    }
    PaintContext paint = BeginPaint(*this);
    const Rect client = ClientRectOf(*this);
    paint.painter.FillRect(client, kFaceColor);
    DrawControlText(paint.painter, Text(), client, TextColorOf(*this), false);
    EndPaint(*this, paint);
    return 0;
}

LRESULT GroupBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        return 1; // a frame over whatever is behind it
    }
    if (msg != WM_PAINT) {
        return DefWindowProc(msg, wParam, lParam);
    }
    constexpr int32_t kCaptionHalfHeight = 8;
    constexpr int32_t kCaptionIndent = 8;
    PaintContext paint = BeginPaint(*this);
    const Rect client = ClientRectOf(*this);
    DrawFrame(paint.painter, {client.left, client.top + kCaptionHalfHeight, client.right, client.bottom}, kFrameColor);
    if (!Text().empty()) {
        // Room for the caption over the frame's top line: about one body-font character per 7 pixels.
        const int32_t width = std::min<int32_t>(client.Width() - 2 * kCaptionIndent,
                                                static_cast<int32_t>(Text().size()) * 7 + 4);
        const Rect caption{kCaptionIndent, 0, kCaptionIndent + std::max(width, 0), 2 * kCaptionHalfHeight};
        paint.painter.FillRect(caption, kFaceColor);
        DrawControlText(paint.painter, Text(), Inset(caption, 0), TextColorOf(*this), false);
    }
    EndPaint(*this, paint);
    return 0;
}

LRESULT ProgressBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case PBM_SETPOS: {
        const int previous = m_pos;
        m_pos = std::clamp(static_cast<int>(static_cast<intptr_t>(wParam)), m_min, m_max);
        if (m_pos != previous) {
            InvalidateRect(Handle(), nullptr, false);
        }
        return previous;
    }
    case PBM_GETPOS:
        return m_pos;
    case PBM_SETRANGE: {
        const LRESULT previous = MakeLParam(m_min, m_max);
        const int low = static_cast<int16_t>(LoWord(static_cast<uintptr_t>(lParam)));
        const int high = static_cast<int16_t>(HiWord(static_cast<uintptr_t>(lParam)));
        if (low < high) {
            m_min = low;
            m_max = high;
            m_pos = std::clamp(m_pos, m_min, m_max);
            InvalidateRect(Handle(), nullptr, false);
        }
        return previous;
    }
    case WM_PAINT: {
        PaintContext paint = BeginPaint(*this);
        const Rect client = ClientRectOf(*this);
        DrawFrame(paint.painter, client, kFrameColor);
        const Rect inside = Inset(client, 1);
        paint.painter.FillRect(inside, kFaceColor);
        if (!inside.IsEmpty() && m_max > m_min) {
            const int64_t filled = static_cast<int64_t>(inside.Width()) * (m_pos - m_min) / (m_max - m_min);
            paint.painter.FillRect({inside.left, inside.top, inside.left + static_cast<int32_t>(filled), inside.bottom},
                                   kProgressColor);
        }
        EndPaint(*this, paint);
        return 0;
    }
    default:
        return DefWindowProc(msg, wParam, lParam);
    }
}

} // namespace ui
