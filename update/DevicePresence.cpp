// The main window's reaction to the keyboard: presence changes of the two channels, the search for
// the update target, the start of an update with its checks, and the start of the update thread.
// All of it runs on the user-interface thread.
#include <string>

#include "device/Messages.h"
#include "skin/CWarning.h"
#include "sys/Clock.h"
#include "sys/Process.h"
#include "sys/SupportLog.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"
#include "update/KestrelDlg.h"
#include "update/KestrelDlgTemplate.h"

namespace kestrel {

namespace {

constexpr uint32_t kRepostPauseMs = 1;
constexpr uint32_t kBeforeThreadPauseMs = 100;
constexpr uint32_t kEnterIapPauseMs = 500;
constexpr uint32_t kAfterEnterIapPauseMs = 500;
constexpr uint32_t kPointerPollPauseMs = 1000;
constexpr int kPointerPolls = 20;
constexpr uint32_t kPointerQuery = 0xFFFFFFFFu;

bool Ok(int result) { return result == device::kCommandOk; }

void ShowError(ui::WindowHandle owner, const std::u16string& text) {
    ui::MessageBox(owner, text, u"Error", ui::MB_OK | ui::MB_ICONERROR);
}

// Support log: one decision of the update start.
void LogStart(const std::string& text) {
    sys::SupportLog("start", text);
}

std::u16string SelectionError(int sel) {
    switch (sel) {
    case kSelNoLayout:
        return u"Layout Fail!";
    case kSelHwMismatch:
        return u"HW Setup Error!";
    default:
        return u"Get Info Error!";
    }
}

} // namespace

void CKestrelDlg::OnDevicePresence(ui::WPARAM wParam, ui::LPARAM lParam) {
    const ui::WindowHandle self = Handle();
    const bool ap = m_apChannel.m_presence.load() != 0;
    const bool iap = m_iapChannel.m_presence.load() != 0;

    if (lParam == 0) {
        if (!ap && !iap) {
            ui::SetDlgItemText(self, IDC_CUR_VERSION, u"");
            SetUiBusy(m_bWaitIap, false);
        }
        return;
    }
    ui::Send(ui::GetDlgItem(self, IDC_PROGRESS), ui::PBM_SETPOS, 0);

    if (ap && iap) {
        // Between identities: look again once one of them has gone.
        ui::Post(self, device::WM_DEVICE_PRESENCE, wParam, lParam);
        sys::Sleep(kRepostPauseMs);
        return;
    }
    if (ap) {
        m_nTarget = 0;
        TargetSearch();
        SetWaitIap(false);
        ui::EnableCloseItem(self, true);
        ui::EnableWindow(m_btnClose.Handle(), true);
        EnableStartControls(true);
        if (m_bAutoStart) {
            m_bAutoStart = false;
            StartUpdate();
        }
        return;
    }
    if (iap) {
        if (IsUpdating()) {
            return;  // the run owns the boot-mode channel; a second run must not start beside it
        }
        m_nTarget = 0;
        if (!m_bWaitIap) {
            SetUiBusy(false, true);
        }
        m_engine.GetInfo(m_iapCommands);
        if (m_bWaitIap || m_bAutoStart) {
            ui::EnableCloseItem(self, false);
            ui::EnableWindow(m_btnClose.Handle(), false);
            EnableStartControls(false);
            sys::Sleep(kBeforeThreadPauseMs);
            m_bAutoStart = false;
            StartUpdateThread();
        }
        SetWaitIap(false);
        return;
    }
    SetUiBusy(m_bWaitIap, false);
}

void CKestrelDlg::TargetSearch() {
    const package::FW_PACKAGE_TRAILER trailer = Trailer();
    const int retry = m_nRetry;
    if (trailer.MultiTarget() == 1) {
        uint32_t count = 0;
        bool counted = false;
        for (int i = 0; i < retry && !counted; ++i) {
            counted = Ok(m_apChannel.GetTargetCount(count));
        }
        if (!counted) {
            m_engine.GetInfo(m_apCommands);
            return;
        }
        for (uint32_t j = 0; j < count; ++j) {
            bool selected = false;
            for (int i = 0; i < retry && !selected; ++i) {
                uint32_t readBack = 0;
                selected = Ok(m_apChannel.SelectTarget(j)) && Ok(m_apChannel.GetTarget(readBack));
            }
            if (!selected) {
                continue;
            }
            m_engine.GetInfo(m_apCommands);
            if (m_nSelImage >= 0) {
                m_nTarget = static_cast<int>(j);
                return;
            }
        }
        return;
    }

    const uint32_t target = trailer.FixedTarget();
    m_nTarget = static_cast<int>(target);
    uint32_t count = 0;
    if (Ok(m_apChannel.GetTargetCount(count)) && count > 0 && target < count) {
        bool selected = false;
        for (int i = 0; i < retry && !selected; ++i) {
            uint32_t readBack = 0;
            selected = Ok(m_apChannel.SelectTarget(target)) && Ok(m_apChannel.GetTarget(readBack)) &&
                       readBack == target;
        }
    }
    m_engine.GetInfo(m_apCommands);
}

void CKestrelDlg::EndSilentRun(int code) {
    if (m_bSilent) {
        ui::Post(Handle(), device::WM_EXIT_WITH_CODE, static_cast<ui::WPARAM>(code));
    }
}

void CKestrelDlg::StartUpdate() {
    const ui::WindowHandle self = Handle();
    const int sel = m_nSelImage;
    if (sel < 0) {
        LogStart("refused: " + sys::ToUtf8(SelectionError(sel)));
        if (m_bSilent) {
            ui::Post(self, device::WM_EXIT_WITH_CODE, kExitRefused);
        } else {
            ShowError(self, SelectionError(sel));
        }
        return;
    }
    if (sel >= static_cast<int>(package::kImageCount) || Entry(static_cast<size_t>(sel)).ImageSize() == 0) {
        const std::u16string text = u"Image " + sys::FromUtf8(std::to_string(sel)) + u": Empty Bin File!";
        LogStart("refused: " + sys::ToUtf8(text));
        ShowError(self, text);
        EndSilentRun(kExitRefused);
        return;
    }
    if (!m_bForce && !m_engine.IsNewerThanDevice() && m_nBinSelect == -1) {
        LogStart("refused: the keyboard already has the latest firmware");
        skin::CWarning latest;
        latest.m_nResult = skin::WARNING_LATEST;
        latest.DoModal(self);
        EndSilentRun(kExitRefused);
        return;
    }

    const bool ap = m_apChannel.m_presence.load() != 0;
    const bool iap = m_iapChannel.m_presence.load() != 0;
    LogStart("entry " + std::to_string(sel) + " accepted; keyboard in " +
             (iap ? "boot mode" : ap ? "application mode, target " + std::to_string(m_nTarget) : "no mode"));
    if (iap) {
        StartUpdateThread();
    } else if (ap && m_nTarget == 0) {
        // The keyboard restarts as the boot-mode device; its announcement starts the thread.
        int tries = 0;
        bool entered = false;
        for (int i = 0; i < m_nRetry && !entered; ++i) {
            ++tries;
            entered = Ok(m_apChannel.EnterIap());
            if (!entered) {
                sys::Sleep(kEnterIapPauseMs);
            }
        }
        LogStart(std::string("switch to boot mode ") + (entered ? "sent" : "not sent") + " after " +
                 std::to_string(tries) + (tries == 1 ? " try" : " tries"));
    } else if (ap && !StartThroughTarget()) {
        LogStart("refused: target " + std::to_string(m_nTarget) + " does not take flash commands");
        skin::CWarning latest;
        latest.m_nResult = skin::WARNING_LATEST;
        latest.DoModal(self);
        EndSilentRun(kExitRefused);
        return;
    }
    m_bWaitIap = true;
    SetUiBusy(true, false);
    // Only a run that still needs the boot-mode device waits for it, and not for ever.
    if (!IsUpdating()) {
        SetWaitIap(true);
    }
}

bool CKestrelDlg::StartThroughTarget() {
    uint32_t pointer = kPointerQuery;
    if (Ok(m_apChannel.GetWritePointer(pointer))) {
        StartUpdateThread();  // the target takes flash commands already
        return true;
    }
    bool entered = false;
    for (int i = 0; i < m_nRetry && !entered; ++i) {
        entered = Ok(m_apChannel.EnterIap());
        if (!entered) {
            sys::Sleep(kEnterIapPauseMs);
        }
    }
    sys::Sleep(kAfterEnterIapPauseMs);
    if (!entered) {
        return false;
    }
    for (int poll = 0; poll < kPointerPolls; ++poll) {
        pointer = kPointerQuery;
        if (Ok(m_apChannel.GetWritePointer(pointer))) {
            StartUpdateThread();
            return true;
        }
        sys::Sleep(kPointerPollPauseMs);
    }
    return false;
}

void CKestrelDlg::StartUpdateThread() {
    // One update at a time: a second announcement while a run is active starts nothing.
    if (m_bUpdating.exchange(true)) {
        return;
    }
    if (m_worker.joinable()) {
        m_worker.join();  // the previous run has ended; its thread is only returning
    }
    LogStart("update thread starts");
    m_worker = std::thread([this] {
        m_engine.UpdateWorker(m_apCommands, m_iapCommands);
        m_bUpdating = false;
    });
}

void CKestrelDlg::SetWaitIap(bool wait) {
    if (wait) {
        ui::SetTimer(Handle(), TIMER_WAIT_IAP, kWaitIapMs);
        return;
    }
    m_bWaitIap = false;
    ui::KillTimer(Handle(), TIMER_WAIT_IAP);
}

void CKestrelDlg::OnWaitIapExpired() {
    ui::KillTimer(Handle(), TIMER_WAIT_IAP);
    if (!m_bWaitIap || IsUpdating()) {
        return;
    }
    // The boot-mode device never came: nothing was written, so there is nothing to erase; the
    // request ends as a failed update instead of leaving the window busy for ever.
    LogStart("the keyboard did not come back in boot mode in time");
    m_bWaitIap = false;
    EnableAfterRun(m_apChannel.m_presence.load() != 0);
    HandOver(false);
}

} // namespace kestrel
