// The standard controls that dialogs hold as child windows: static text, push button, group box and
// progress control, with the messages and notification codes the program uses (Windows values).
// They draw themselves plainly (face, frame, text, bar) so that a dialog without a skin is still
// readable; text is drawn where the build has a text engine.
//
// Every control lives on its parent's thread; its WindowProc runs there. Other threads reach it
// through ui::Send (PBM_SETPOS from a worker) or the calls of WindowApi.h.
#pragma once

#include <string_view>

#include "ui/Types.h"
#include "ui/Window.h"
#include "ui/gfx/Painter.h"

namespace ui {

enum class ControlKind { Static, PushButton, DefPushButton, GroupBox, Progress };

// Button styles and notifications.
inline constexpr uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr uint32_t BS_GROUPBOX = 0x7;
inline constexpr uint32_t BS_OWNERDRAW = 0xB;
inline constexpr uint32_t BS_TYPEMASK = 0xF;
inline constexpr uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr uint32_t WS_BORDER = 0x00800000u;
inline constexpr uint16_t BN_CLICKED = 0;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr UINT BM_SETSTATE = 0x00F3;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr WPARAM BST_PUSHED = 0x0004;
inline constexpr WPARAM BST_FOCUS = 0x0008;

// Owner draw: WM_DRAWITEM to the parent, lParam -> DrawItem; state bits.
inline constexpr UINT WM_DRAWITEM = 0x002B;
inline constexpr uint32_t ODT_BUTTON = 4;
inline constexpr uint32_t ODA_DRAWENTIRE = 0x0001;
inline constexpr uint32_t ODS_SELECTED = 0x0001;
inline constexpr uint32_t ODS_DISABLED = 0x0004;
inline constexpr uint32_t ODS_FOCUS = 0x0010;

// Progress control: range 0..100 by default.
inline constexpr UINT PBM_SETRANGE = 0x0401;  // lParam: MakeLParam(min, max); returns the old range so
inline constexpr UINT PBM_SETPOS = 0x0402;    // wParam: position, kept within the range; returns the old one
inline constexpr UINT PBM_GETPOS = 0x0408;

// What an owner-drawn button asks its parent to draw (WM_DRAWITEM, wParam = control id). Valid for
// the duration of the message only.
struct DrawItem {
    uint32_t ctlType = ODT_BUTTON;
    int ctlId = 0;
    uint32_t itemAction = ODA_DRAWENTIRE;
    uint32_t itemState = 0;      // ODS_SELECTED (pressed), ODS_DISABLED, ODS_FOCUS
    WindowHandle item;           // the button
    Rect rect;                   // the button's client rectangle
    Painter* painter = nullptr;  // draws into the button's area, button client coordinates
};

// The push button. Its WindowProc is the standard button behaviour: a left press captures the
// mouse, takes the focus and shows the pressed state while the pointer stays over the button; the
// release over it sends WM_COMMAND (MakeWParam(id, BN_CLICKED), lParam = the button's handle value)
// to the parent; the space bar does the same from the keyboard. A derived button (a picture button)
// overrides WindowProc and calls Button::WindowProc for the parts it keeps, as a subclassed Windows
// button calls the original procedure.
//
// With BS_OWNERDRAW the button does not draw itself: WM_PAINT sends WM_DRAWITEM to the parent, whose
// default handling (Window::DefWindowProc) hands the record back to OnDrawItem.
class Button : public Window {
public:
    // A child push button. `style` carries WS_* bits and the button type in its low bits.
    bool CreateButton(WindowHandle parent, const Rect& rect, std::u16string_view caption, uint32_t style, int id);

    // Owner thread.
    bool IsPushed() const { return m_pushed; }
    bool IsOwnerDraw() const { return (Style() & BS_TYPEMASK) == BS_OWNERDRAW; }
    bool IsDefault() const { return (Style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Owner draw. The default draws the plain button.
    virtual void OnDrawItem(const DrawItem& item);

protected:
    void DrawPlain(Painter& painter);

private:
    void SetPushed(bool pushed);
    void EndTracking();
    void NotifyClicked();

    bool m_pushed = false;    // owner thread
    bool m_tracking = false;  // a left press (or the space bar) is in progress
    bool m_spaceDown = false;
};

// Static text (left-aligned, broken only at the line breaks it holds).
class StaticText : public Window {
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A frame with its caption at the top-left corner.
class GroupBox : public Window {
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A horizontal bar filled in proportion to its position in its range.
class ProgressBar : public Window {
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int m_min = 0;     // owner thread, as m_max and m_pos
    int m_max = 100;
    int m_pos = 0;
};

} // namespace ui
