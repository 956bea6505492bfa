// Template dialogs: creation with their controls, modal runs, key handling, centring (see Dialog.h).
#include "ui/Dialog.h"

#include <algorithm>

#include "ui/Display.h"
#include "ui/InputState.h"
#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"

namespace ui {

namespace {

std::unique_ptr<Window> MakeControl(ControlKind kind, uint32_t& style) {
    switch (kind) {
    case ControlKind::Static:
        return std::make_unique<StaticText>();
    case ControlKind::PushButton:
        style = (style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
        return std::make_unique<Button>();
    case ControlKind::DefPushButton:
        style = (style & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON;
        return std::make_unique<Button>();
    case ControlKind::GroupBox:
        style = (style & ~BS_TYPEMASK) | BS_GROUPBOX;
        return std::make_unique<GroupBox>();
    case ControlKind::Progress:
        return std::make_unique<ProgressBar>();
    }
    return nullptr;
}

} // namespace

Dialog::Dialog(const DialogTemplate& dialogTemplate) : m_template(dialogTemplate) {}

Dialog::~Dialog() { Destroy(); } // WM_DESTROY still reaches the derived dialog's WindowProc

bool Dialog::UserCanAnswer() { return GetDisplay().IsInteractive(); }

void Dialog::CreateControls() {
    for (const ControlTemplate& item : m_template.controls) {
        uint32_t style = item.style | WS_CHILD;
        std::unique_ptr<Window> control = MakeControl(item.kind, style);
        if (!control) {
            continue;
        }
        CreateParams params;
        params.parent = Handle();
        params.rect = item.rect;
        params.style = style;
        params.text = item.caption;
        params.id = item.id;
        if (control->Create(params)) {
            m_controls.push_back(std::move(control));
        }
    }
}

void Dialog::FocusFirstControl() {
    for (WindowHandle handle : Children()) {
        Window* child = FromHandle(handle);
        if (child != nullptr && child->IsVisible() && child->IsEnabled() && (child->Style() & WS_TABSTOP) != 0) {
            SetFocus(handle);
            return;
        }
    }
    SetFocus(Handle());
}

int Dialog::DoModal(WindowHandle owner) {
    if (IsAlive()) {
        return IDCANCEL; // already running
    }
    m_owner = owner;
    m_ended = false;
    m_controls.clear();
    CreateParams params;
    params.rect = m_template.rect;
    params.style = m_template.style & ~WS_VISIBLE; // shown once initialised
    params.text = m_template.caption;
    params.id = m_template.id;
    if (!Create(params)) {
        return IDCANCEL;
    }
    const WindowHandle self = Handle();
    CreateControls();

    // The owner stays disabled for the whole run, as a modal dialog's owner does.
    const bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) {
        EnableWindow(owner, false);
    }
    const bool setFocus = WindowProc(WM_INITDIALOG, 0, 0) != 0;
    // Shown whatever the template's style says, as a modal dialog is, unless it ended already.
    if (IsWindow(self) && !m_ended) {
        Show(true);
        Window* focus = FromHandle(GetFocus());
        if (setFocus && IsWindow(self) && (focus == nullptr || !IsWithin(*focus, self))) {
            FocusFirstControl();
        }
    }
    const int result = IsWindow(self) ? RunModal(*this) : IDCANCEL;

    if (disabledOwner) {
        EnableWindow(owner, true);
    }
    if (owner && IsWindowVisible(owner)) {
        SetForegroundWindow(owner);
    }
    Destroy();
    return result;
}

void Dialog::EndDialog(int result) {
    const WindowHandle self = Handle();
    if (!self) {
        return;
    }
    m_ended = true;
    EndModal(self, result);
    Show(false);
}

void Dialog::CenterWindow(WindowHandle over) {
    const WindowHandle reference = over ? over : m_owner;
    const Rect work = GetDisplay().WorkArea();
    const Rect mine = GetWindowRect(Handle());
    const int32_t width = mine.Width();
    const int32_t height = mine.Height();
    const Rect base = IsWindow(reference) && IsWindowVisible(reference) ? GetWindowRect(reference) : work;
    int32_t left = base.left + (base.Width() - width) / 2;
    int32_t top = base.top + (base.Height() - height) / 2;
    // Held within the work area; when the dialog is larger than it, its top-left corner stays inside.
    left = std::max(std::min(left, work.right - width), work.left);
    top = std::max(std::min(top, work.bottom - height), work.top);
    MoveWindow(Handle(), Rect{left, top, left + width, top + height}, false);
}

bool Dialog::HandleDialogKey(UINT msg, WPARAM key, WindowHandle target) {
    if (msg != WM_KEYDOWN) {
        return false;
    }
    if (key == VK_ESCAPE) {
        WindowProc(WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(GetDlgItem(Handle(), IDCANCEL).value));
        return true;
    }
    if (key != VK_RETURN) {
        return false;
    }
    // The focused plain push button, else the default push button, else IDOK.
    Button* pressed = nullptr;
    if (auto* focused = dynamic_cast<Button*>(FromHandle(target));
        focused != nullptr && focused->Parent() == Handle() && !focused->IsOwnerDraw()) {
        pressed = focused;
    }
    if (pressed == nullptr) {
        for (WindowHandle handle : Children()) {
            if (auto* button = dynamic_cast<Button*>(FromHandle(handle)); button != nullptr && button->IsDefault()) {
                pressed = button;
                break;
            }
        }
    }
    int id = IDOK;
    WindowHandle from = GetDlgItem(Handle(), IDOK);
    if (pressed != nullptr) {
        id = pressed->ControlId();
        from = pressed->Handle();
    }
    if (Window* button = FromHandle(from); button != nullptr && !button->IsEnabled()) {
        return true; // a disabled default button takes the key and does nothing
    }
    WindowProc(WM_COMMAND, MakeWParam(static_cast<uint32_t>(id), BN_CLICKED), static_cast<LPARAM>(from.value));
    return true;
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog() ? 1 : 0;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_CLOSE:
        // As a dialog's default procedure does: closing is the cancel command.
        WindowProc(WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(GetDlgItem(Handle(), IDCANCEL).value));
        return 0;
    default:
        return DefWindowProc(msg, wParam, lParam);
    }
}

bool Dialog::PreTranslateMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return false; }

bool Dialog::OnInitDialog() { return true; }

bool Dialog::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    switch (LoWord(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

} // namespace ui
