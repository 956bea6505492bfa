// Our own X11 message box (see X11MessageBox.h).
#include "ui/x11/X11MessageBox.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"
#include "ui/gfx/TextLines.h"
#include "ui/headless/HeadlessDisplay.h"
#include "ui/x11/X11DisplayImpl.h"

namespace ui::x11 {
namespace {

constexpr int32_t kLineHeight = 16;
constexpr int32_t kMargin = 16;
constexpr int32_t kIconSide = 32;
constexpr int32_t kIconGap = 12;
constexpr int32_t kButtonWidth = 88;
constexpr int32_t kButtonHeight = 26;
constexpr int32_t kButtonGap = 18;
constexpr int32_t kBottomMargin = 12;
constexpr int32_t kMinWidth = 220;
constexpr int32_t kMaxTextWidth = 900;
constexpr int32_t kMaxLines = 40; // more is clipped rather than making the box taller than a screen

constexpr Pixel kFacePixel = MakePixel(0xF0, 0xF0, 0xF0);
constexpr ColorRef kTextColor = MakeColorRef(0, 0, 0);
constexpr Pixel kButtonBorder = MakePixel(0x00, 0x78, 0xD7);
constexpr Pixel kButtonNormal = MakePixel(0xE1, 0xE1, 0xE1);
constexpr Pixel kButtonHover = MakePixel(0xE5, 0xF1, 0xFB);
constexpr Pixel kButtonPressed = MakePixel(0xCC, 0xE4, 0xF7);
constexpr Pixel kIconRed = MakePixel(0xE8, 0x11, 0x23);
constexpr Pixel kIconWhite = MakePixel(0xFF, 0xFF, 0xFF);

// The widest extent of `text` in the body font: drawn white on black into a scratch surface, the
// rightmost lit column is the width (the text interface draws, it does not measure).
int32_t MeasureTextWidth(std::u16string_view text, size_t lineCount) {
    size_t longest = 0;
    for (const auto& line : SplitTextLines(text)) {
        longest = std::max(longest, line.size());
    }
    const auto width = static_cast<int32_t>(std::min<size_t>(longest * kLineHeight + kLineHeight, 2 * kMaxTextWidth));
    const auto height = static_cast<int32_t>(std::min<size_t>(lineCount, kMaxLines)) * kLineHeight;
    Surface scratch(width, height);
    if (scratch.IsEmpty()) {
        return 0;
    }
    Painter painter(scratch);
    DrawText(painter, text, scratch.Bounds(), MessageBoxFont(), MakeColorRef(255, 255, 255), TextAlign::Left);
    int32_t right = 0;
    for (int32_t y = 0; y < scratch.Height(); ++y) {
        const auto row = scratch.Row(y);
        for (int32_t x = scratch.Width() - 1; x >= right; --x) {
            if (row[static_cast<size_t>(x)] != 0) {
                right = x + 1;
                break;
            }
        }
    }
    return right;
}

void FrameRect(Painter& painter, const Rect& r, Pixel color) {
    painter.FillRect({r.left, r.top, r.right, r.top + 1}, color);
    painter.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    painter.FillRect({r.left, r.top, r.left + 1, r.bottom}, color);
    painter.FillRect({r.right - 1, r.top, r.right, r.bottom}, color);
}

float Coverage(float inside) { return std::clamp(inside + 0.5f, 0.0f, 1.0f); }

// A hidden window whose modal run is the box's: the thread's loop keeps dispatching meanwhile.
class ModalToken final : public Window {
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CLOSE) {
            EndModal(Handle(), IDOK);
            return 0;
        }
        return DefWindowProc(msg, wParam, lParam);
    }
};

class MessageBoxWindow final : public EventTarget {
public:
    MessageBoxWindow(NativeWindow& native, const MessageBoxLayout& layout, WindowHandle token)
        : m_native(native), m_layout(layout), m_token(token), m_surface(layout.width, layout.height) {
        Repaint();
    }

    void HandleEvent(const XEvent& event) override {
        switch (event.type) {
        case MotionNotify:
            Track(Point{event.xmotion.x, event.xmotion.y});
            break;
        case LeaveNotify:
            Track(Point{-1, -1});
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 && m_layout.button.Contains(Point{event.xbutton.x, event.xbutton.y})) {
                m_pressed = true;
                Track(Point{event.xbutton.x, event.xbutton.y});
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && m_pressed) {
                m_pressed = false;
                if (m_layout.button.Contains(Point{event.xbutton.x, event.xbutton.y})) {
                    Close();
                } else {
                    Track(Point{event.xbutton.x, event.xbutton.y});
                }
            }
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(const_cast<XKeyEvent*>(&event.xkey), 0);
            if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) {
                Close();
            }
            break;
        }
        case ClientMessage:
            Close(); // WM_DELETE_WINDOW is the only protocol the window takes part in
            break;
        default:
            break;
        }
    }

private:
    void Track(Point pointer) {
        const bool inside = m_layout.button.Contains(pointer);
        const ButtonLook look = inside ? (m_pressed ? ButtonLook::Pressed : ButtonLook::Hover) : ButtonLook::Normal;
        if (look != m_look) {
            m_look = look;
            Repaint();
        }
    }

    void Repaint() {
        PaintMessageBox(m_surface, m_layout, m_look);
        m_native.Present(m_surface, m_surface.Bounds());
    }

    void Close() {
        if (!m_closed) {
            m_closed = true;
            EndModal(m_token, IDOK);
        }
    }

    NativeWindow& m_native;
    const MessageBoxLayout& m_layout;
    const WindowHandle m_token;
    Surface m_surface;
    ButtonLook m_look = ButtonLook::Normal;
    bool m_pressed = false;
    bool m_closed = false;
};

int WriteToStandardError(std::u16string_view text, std::u16string_view caption) {
    static std::mutex lock;
    const std::string line = FormatHeadlessMessageBox(caption, text);
    std::lock_guard guard(lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}

} // namespace

FontSpec MessageBoxFont() { return FontSpec{u"DejaVu Sans", kLineHeight, kFontWeightNormal}; }

MessageBoxLayout LayoutMessageBox(std::u16string_view text, uint32_t flags) {
    MessageBoxLayout layout;
    layout.body.assign(text);
    layout.hasIcon = (flags & MB_ICONERROR) != 0;

    const size_t lines = std::max<size_t>(SplitTextLines(text).size(), 1);
    const int32_t textWidth = std::clamp(MeasureTextWidth(text, lines) + 2, 1, kMaxTextWidth);
    const int32_t textHeight = static_cast<int32_t>(std::min<size_t>(lines, kMaxLines)) * kLineHeight;
    const int32_t contentHeight = std::max(textHeight, layout.hasIcon ? kIconSide : 0);
    const int32_t textLeft = layout.hasIcon ? kMargin + kIconSide + kIconGap : kMargin;

    layout.width = std::max(kMinWidth, textLeft + textWidth + kMargin);
    const int32_t buttonTop = kMargin + contentHeight + kButtonGap;
    layout.height = buttonTop + kButtonHeight + kBottomMargin;

    const int32_t textTop = kMargin + (contentHeight - textHeight) / 2;
    layout.text = Rect{textLeft, textTop, textLeft + textWidth, textTop + textHeight};
    if (layout.hasIcon) {
        const int32_t iconTop = kMargin + (contentHeight - kIconSide) / 2;
        layout.icon = Rect{kMargin, iconTop, kMargin + kIconSide, iconTop + kIconSide};
    }
    const int32_t buttonLeft = (layout.width - kButtonWidth) / 2;
    layout.button = Rect{buttonLeft, buttonTop, buttonLeft + kButtonWidth, buttonTop + kButtonHeight};
    return layout;
}

void DrawErrorIcon(Painter& painter, const Rect& box) {
    const int32_t side = std::min(box.Width(), box.Height());
    if (side <= 0) {
        return;
    }
    const float centre = static_cast<float>(side) / 2.0f;
    const float radius = centre - 0.5f;
    const float arm = static_cast<float>(side) * 0.22f;
    const float halfThickness = std::max(1.0f, static_cast<float>(side) * 0.06f);
    const auto size = static_cast<size_t>(side);
    std::vector<uint8_t> circle(size * size);
    std::vector<uint8_t> cross(size * size);
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - centre;
            const float dy = static_cast<float>(y) + 0.5f - centre;
            const size_t i = static_cast<size_t>(y) * size + static_cast<size_t>(x);
            circle[i] = static_cast<uint8_t>(255.0f * Coverage(radius - std::hypot(dx, dy)));
            // The two diagonals, each a bar of the arm's length.
            const float u = (dx + dy) / std::sqrt(2.0f);
            const float v = (dx - dy) / std::sqrt(2.0f);
            const float bar1 = Coverage(halfThickness - std::abs(v)) * Coverage(arm - std::abs(u));
            const float bar2 = Coverage(halfThickness - std::abs(u)) * Coverage(arm - std::abs(v));
            cross[i] = static_cast<uint8_t>(255.0f * std::max(bar1, bar2));
        }
    }
    const Point at{box.left, box.top};
    painter.BlendMask(at, circle, side, side, side, kIconRed);
    painter.BlendMask(at, cross, side, side, side, kIconWhite);
}

void PaintMessageBox(Surface& surface, const MessageBoxLayout& layout, ButtonLook look) {
    Painter painter(surface);
    painter.FillRect(surface.Bounds(), kFacePixel);
    if (layout.hasIcon) {
        DrawErrorIcon(painter, layout.icon);
    }
    DrawText(painter, layout.body, layout.text, MessageBoxFont(), kTextColor, TextAlign::Left);

    const Rect& b = layout.button;
    const Pixel face = look == ButtonLook::Pressed ? kButtonPressed : look == ButtonLook::Hover ? kButtonHover
                                                                                                : kButtonNormal;
    painter.FillRect(b, face);
    FrameRect(painter, b, kButtonBorder);
    const int32_t labelTop = b.top + (b.Height() - kLineHeight) / 2;
    DrawText(painter, u"OK", Rect{b.left, labelTop, b.right, labelTop + kLineHeight}, MessageBoxFont(), kTextColor,
             TextAlign::Center);
}

Rect PlaceMessageBox(int32_t width, int32_t height, const Rect& owner, const Rect& workArea) {
    const Rect& over = owner.IsEmpty() ? workArea : owner;
    int32_t left = over.left + (over.Width() - width) / 2;
    int32_t top = over.top + (over.Height() - height) / 2;
    // Keep it on the work area: the right and bottom edges first, then the left and top, so that
    // a box larger than the area shows its top-left part.
    left = std::max(std::min(left, workArea.right - width), workArea.left);
    top = std::max(std::min(top, workArea.bottom - height), workArea.top);
    return Rect{left, top, left + width, top + height};
}

int RunMessageBox(X11Display::Impl& display, WindowHandle owner, std::u16string_view text,
                  std::u16string_view caption, uint32_t flags) {
    if (!display.OnDisplayThread()) {
        return WriteToStandardError(text, caption);
    }
    const MessageBoxLayout layout = LayoutMessageBox(text, flags);
    NativeWindow* ownerWindow = display.Find(owner);
    const Rect ownerRect = ownerWindow != nullptr && ownerWindow->IsShown() ? ownerWindow->ScreenRect() : Rect{};
    const Rect rect = PlaceMessageBox(layout.width, layout.height, ownerRect, display.WorkArea());

    auto native = NativeWindow::Create(display.Conn(), rect);
    ModalToken token;
    CreateParams params;
    params.hidden = true;
    if (!native || !token.Create(params)) {
        return WriteToStandardError(text, caption);
    }
    native->SetKind(WindowKind::Dialog, false);
    native->SetTitle(caption);
    native->SetTransientFor(ownerWindow != nullptr ? ownerWindow->Id() : 0);

    MessageBoxWindow box(*native, layout, token.Handle());
    display.AddTarget(native->Id(), box);
    native->Show(true);
    RunModal(token);
    display.RemoveTarget(native->Id());
    native.reset();
    // With no window manager the focus fell back to the root window: give it back to the owner,
    // whose keys (Enter, Escape) would otherwise go nowhere.
    if (NativeWindow* back = display.Find(owner);
        back != nullptr && back->IsShown() && !display.Conn().HasWindowManager()) {
        XSetInputFocus(display.Conn().Dpy(), back->Id(), RevertToParent, CurrentTime);
        XFlush(display.Conn().Dpy());
    }
    return IDOK;
}

} // namespace ui::x11
