// CKestrelDlg: the updater's main window and controller. It reads the firmware package during its
// initialisation, opens the AP and IAP device channels, reacts to the keyboard coming and going,
// starts updates (by its OK button, Enter, or auto-start), runs the update engine on a worker
// thread, shows the result and leaves the exit code for start-up.
//
// Threads: everything runs on the user-interface thread (the one that constructs the window and
// runs it modally) except the update run, which runs on its own thread and reaches the window only
// through window calls (IUpdateView, implemented here), posted messages and one-shot timers.
#pragma once

#include <atomic>
#include <filesystem>
#include <thread>

#include "device/CUSBDriver.h"
#include "device/IAP_CUSBDriver.h"
#include "package/FwPackage.h"
#include "skin/CBitmapBtn.h"
#include "skin/MainWindowSkin.h"
#include "ui/Dialog.h"
#include "ui/gfx/Text.h"
#include "update/KestrelOptions.h"
#include "update/UpdateChannel.h"
#include "update/UpdateEngine.h"
#include "update/UpdateState.h"
#include "update/UpdateView.h"

namespace kestrel {

// How long a requested update waits for the boot-mode device before it ends as a failure, and the
// timer that keeps that bound (program milliseconds).
inline constexpr uintptr_t TIMER_WAIT_IAP = 0x1013;
inline constexpr uint32_t kWaitIapMs = 30000;

// Exit codes of a silent run.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoKeyboard = 2;
inline constexpr int kExitRefused = 3;

class CKestrelDlg : public ui::Dialog,
                    public KestrelOptions,
                    public package::FwPackage,
                    public UpdateState,
                    private IUpdateView {
public:
    CKestrelDlg();
    // Destroys the window (teardown) and then joins a worker that is still running. UI thread.
    ~CKestrelDlg() override;

    // Runs the window modally (ui::Dialog::DoModal); once the window is destroyed, joins an update
    // thread that is still ending, before start-up ends the process. UI thread.
    int DoModal(ui::WindowHandle owner = {});

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;
    // Escape and Enter: swallowed while busy; Enter starts the update when the OK button is enabled.
    bool PreTranslateMessage(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

    // UI thread. Reacts to a channel's presence change (WM_DEVICE_PRESENCE).
    void OnDevicePresence(ui::WPARAM wParam, ui::LPARAM lParam);
    // UI thread. Checks the selection and the version, and starts the update.
    void StartUpdate();
    // UI thread. The close item and close button enabled unless busy; start controls as asked.
    void SetUiBusy(bool busy, bool enableStart);

    // For tests and the controller: whether an update thread runs now. Any thread.
    bool IsUpdating() const { return m_bUpdating.load(); }
    bool IsWaitingForIap() const { return m_bWaitIap; }
    ui::WindowHandle OkButton() const { return m_btnOk.Handle(); }
    ui::WindowHandle CloseButton() const { return m_btnClose.Handle(); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) override;

    // The package source: the running executable. Tests read another file.
    virtual std::filesystem::path PackagePath() const;

    device::CUSBDriver m_apChannel;       // AP identity, transport slot 0
    device::IAP_CUSBDriver m_iapChannel;  // IAP identity, transport slot 1

private:
    // The skin set-up: the layout, the pictures, the three picture buttons with their looks, the
    // text boxes, every template control hidden, the background's size at (0, 0) and its shape.
    void SetupSkin();
    // The title's private font, added after the skin set-up and removed in the teardown.
    void AddPrivateFont();
    void RemovePrivateFont();
    // WM_PAINT: the whole window composed from the skin and the controls' current state.
    void OnPaint();
    // Repaints the strip box after the close button's enabled state changed. Any thread.
    void ShowStripState();

    void OpenChannels();
    void TargetSearch();
    // Starts the update thread unless one runs already. UI thread.
    void StartUpdateThread();
    // Starts a nonzero target through the AP channel; false when it takes no flash commands.
    bool StartThroughTarget();
    // Ends a silent run with `code` after a refusal (nothing happens in the window mode).
    void EndSilentRun(int code);
    // The wait for the boot-mode device: started with the request, stopped by its arrival.
    void SetWaitIap(bool wait);
    void OnWaitIapExpired();
    void OnShowResult(uintptr_t timer);
    void LaunchChainProgram();
    void OnDestroy();
    void JoinWorker();
    void EnableStartControls(bool enable);
    bool IsBusy() const;

    // IUpdateView, called by the engine on the worker or the UI thread.
    void SetProgress(int value) override;
    void SetCurrentVersionText(const std::u16string& text) override;
    void InvalidateAll() override;
    void EnableAfterRun(bool enableStart) override;
    void HandOver(bool success) override;

    skin::CBitmapBtn m_btnClose;
    skin::CBitmapBtn m_btnOk;
    skin::CBitmapBtn m_btnCancel;
    // The skin's pictures, boxes, colours and font; filled by SetupSkin, read-only afterwards (the
    // worker reads the strip box to repaint it).
    skin::MainWindowSkin m_skin;
    ui::PrivateFontHandle m_hFontRes;  // the title font; UI thread

    bool m_bWaitIap = false;  // an update was requested and the boot-mode device is awaited; UI thread
    std::filesystem::path m_programFolder;

    DriverChannel m_apCommands{m_apChannel};
    DriverChannel m_iapCommands{m_iapChannel};
    CUpdateEngine m_engine;

    std::atomic<bool> m_bUpdating{false};  // set by the UI thread at the start, cleared by the worker at its end
    std::thread m_worker;                  // UI thread only
};

} // namespace kestrel
