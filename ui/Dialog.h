// Dialogs built from templates written as data in our code: a top-level window with child controls,
// run modally (a nested loop) or as the application's main window.
//
// Keys for a dialog (InjectKey) pass PreTranslateMessage first, then the dialog's own key handling:
// Escape sends WM_COMMAND IDCANCEL; Enter sends WM_COMMAND for the focused plain push button, else
// for the default push button (BS_DEFPUSHBUTTON) when it is enabled, else for IDOK. Other keys go to
// the focused window. WM_CLOSE sends WM_COMMAND IDCANCEL, so it ends a modal run with IDCANCEL.
//
// On a display without a user (IsInteractive() false: headless), a dialog that would wait for the
// user learns it from UserCanAnswer() and ends itself, typically in OnInitDialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Window.h"

namespace ui {

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::u16string caption;
    Rect rect;            // dialog client coordinates, pixels
    uint32_t style = WS_CHILD | WS_VISIBLE;
};

struct DialogTemplate {
    int id = 0;
    std::u16string caption;
    Rect rect;            // pixels; the dialog's client size is rect's size
    uint32_t style = WS_POPUP | WS_SYSMENU;
    std::vector<ControlTemplate> controls;
};

class Dialog : public Window {
public:
    explicit Dialog(const DialogTemplate& dialogTemplate);
    ~Dialog() override;

    // Creates the dialog with its controls (owner: none for the application's main window), sends
    // WM_INITDIALOG (which calls OnInitDialog), shows it when OnInitDialog leaves it alive and runs it
    // modally until EndDialog or its destruction. While it runs, its owner is disabled. Returns the
    // EndDialog result (IDCANCEL when the dialog was destroyed or closed). UI thread.
    int DoModal(WindowHandle owner = {});

    // Ends the modal run with `result` and hides the dialog; DoModal destroys it (with its controls)
    // when the run has returned, so a control whose notification ends the dialog is still intact
    // while it returns.
    void EndDialog(int result);

    // True when a person can answer a dialog (the display is interactive). Any thread.
    static bool UserCanAnswer();

    // The dialog's standard key handling for `msg` / `key` meant for `target` (the focused window):
    // true when it was used. Called by the framework after PreTranslateMessage. Owner thread.
    bool HandleDialogKey(UINT msg, WPARAM key, WindowHandle target);

    // Centres the dialog over `over` (its owner when none), kept within the work area of the screen.
    void CenterWindow(WindowHandle over = {});

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Key messages for this dialog or its children pass here before anything else: return true to
    // swallow one. The default returns false.
    virtual bool PreTranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // After the controls exist. Return false to keep the focus where it was set.
    virtual bool OnInitDialog();
    // WM_COMMAND routing: the default runs OnOK for IDOK and OnCancel for IDCANCEL.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    // Enter (the default push button) and Escape / WM_CLOSE.
    virtual void OnOK();
    virtual void OnCancel();

    const DialogTemplate& Template() const { return m_template; }

    WindowHandle Owner() const { return m_owner; }

private:
    void CreateControls();
    void FocusFirstControl();

    DialogTemplate m_template;
    WindowHandle m_owner{};
    bool m_ended = false;                            // EndDialog was called in this run
    std::vector<std::unique_ptr<Window>> m_controls; // the template's controls of the current run
};

} // namespace ui
