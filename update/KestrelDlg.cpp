// The main window: initialisation, messages and timers, command routing, the keyboard filter, the
// result hand-over from the update thread, the chained program, and the teardown.
#include "update/KestrelDlg.h"

#include <utility>

#include "device/Messages.h"
#include "package/ReadPackageUi.h"
#include "skin/CWarning.h"
#include "skin/MainWindowPaint.h"
#include "skin/SkinLayout.h"
#include "skin/WindowShape.h"
#include "sys/Clock.h"
#include "sys/Process.h"
#include "ui/Controls.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/WindowApi.h"
#include "ui/gfx/Resource.h"
#include "update/ChainProgram.h"
#include "update/KestrelDlgTemplate.h"

namespace kestrel {

namespace {

constexpr uint32_t kIconResourceId = 128;
constexpr uint32_t kWsExAppWindow = 0x00040000u;
constexpr uint32_t kChainLaunchPauseMs = 5;
constexpr uint32_t kResultTimerMs = 10;

} // namespace

CKestrelDlg::CKestrelDlg()
    : ui::Dialog(KestrelDlgTemplate()), m_engine(*this, *this, *this, *this) {}

CKestrelDlg::~CKestrelDlg() {
    Destroy();
    JoinWorker();
}

int CKestrelDlg::DoModal(ui::WindowHandle owner) {
    const int result = ui::Dialog::DoModal(owner);
    JoinWorker();
    return result;
}

void CKestrelDlg::JoinWorker() {
    // Only once the window is gone: every window call of the worker then returns at once, so it
    // cannot be waiting for this thread.
    if (m_worker.joinable()) {
        m_worker.join();
    }
    Clear();
}

std::filesystem::path CKestrelDlg::PackagePath() const { return sys::ExecutablePath(); }

bool CKestrelDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    const ui::WindowHandle self = Handle();
    ui::SetWindowIcon(self, kIconResourceId);

    const std::filesystem::path path = PackagePath();
    m_programFolder = sys::ProgramFolder();
    if (!package::ReadPackage(*this, path, self)) {
        // Closes before it is ever shown. A silent caller must not read that as a successful update.
        if (m_bSilent) {
            m_nExitCode = kExitFailure;
        }
        ui::Post(self, ui::WM_CLOSE);
        ui::MoveWindow(self, {1, 1, 2, 2}, false);
        return false;
    }

    SetupSkin();
    const package::FW_PACKAGE_TRAILER trailer = Trailer();
    SetText(trailer.Title());
    ui::SetDlgItemText(self, IDC_FW_VERSION, trailer.VersionText());
    SetUiBusy(m_bWaitIap, false);
    m_engine.SelectImage();
    OpenChannels();
    AddPrivateFont();
    if (m_bSilent) {
        ui::SetWindowExStyle(self, (ui::GetWindowExStyle(self) & ~kWsExAppWindow) | ui::WS_EX_TOOLWINDOW);
        ui::MoveWindow(self, {0, 0, 0, 0}, true);
    }
    return true;
}

void CKestrelDlg::SetupSkin() {
    const ui::WindowHandle self = Handle();
    xml::CXmlDocument doc;
    skin::LoadSkinLayout(doc);
    const skin::MainWindowLayout layout = skin::ReadMainWindowLayout(doc);

    // The hover and disabled sources live only until the buttons have cut their looks.
    skin::SkinPicture hoverSource;
    skin::SkinPicture disabledSource;
    skin::LoadPictureResource(skin::kPictureResourceType, skin::kMainBackgroundId, m_skin.m_bmpBackground);
    skin::LoadPictureResource(skin::kPictureResourceType, skin::kMainHoverSourceId, hoverSource);
    skin::LoadPictureResource(skin::kPictureResourceType, skin::kMainDisabledSourceId, disabledSource);
    const std::pair<skin::CBitmapBtn*, ui::Rect> buttons[] = {
        {&m_btnClose, layout.rcClose}, {&m_btnOk, layout.rcOk}, {&m_btnCancel, layout.rcCancel}};
    for (const auto& [button, rect] : buttons) {
        button->Create(self, rect);
        button->SetStatePictures(m_skin.m_bmpBackground, hoverSource, hoverSource, disabledSource, rect);
    }
    skin::LoadMainWindowSkin(layout, m_skin);

    for (int id = kFirstControlId; id <= kLastControlId; ++id) {
        ui::ShowWindow(ui::GetDlgItem(self, id), false);
    }
    // At the screen's top-left corner, never centred. Without a background the template's size stays.
    ui::Rect rect = ui::GetClientRect(self);
    if (!m_skin.m_bmpBackground.IsEmpty()) {
        rect = ui::Rect{0, 0, m_skin.m_bmpBackground.Width(), m_skin.m_bmpBackground.Height()};
    }
    ui::MoveWindow(self, rect, true);
    if (!m_skin.m_bmpBackground.IsEmpty()) {
        skin::ApplyWindowShape(self, skin::kMainWindowMaskId);
    }
}

void CKestrelDlg::AddPrivateFont() {
    uint32_t fonts = 0;
    m_hFontRes = ui::AddPrivateFont(ui::FindResource(skin::kFontResourceType, skin::kTitleFontId), &fonts);
}

void CKestrelDlg::RemovePrivateFont() {
    if (m_hFontRes) {
        ui::RemovePrivateFont(m_hFontRes);
        m_hFontRes = {};
    }
}

void CKestrelDlg::OnPaint() {
    const ui::WindowHandle self = Handle();
    ui::PaintContext paint = ui::BeginPaint(*this);
    skin::MainWindowState state;
    state.title = Trailer().Title();
    state.nSelImage = m_nSelImage.load();
    if (state.nSelImage >= 0 && state.nSelImage < skin::kImageSlots) {
        state.layoutName = Entry(static_cast<size_t>(state.nSelImage)).Name();
    }
    state.version = ui::GetWindowText(ui::GetDlgItem(self, IDC_FW_VERSION));
    state.curVersion = ui::GetWindowText(ui::GetDlgItem(self, IDC_CUR_VERSION));
    state.busy = !ui::IsWindowEnabled(m_btnClose.Handle());
    state.progress = static_cast<int>(ui::Send(ui::GetDlgItem(self, IDC_PROGRESS), ui::PBM_GETPOS));
    skin::PaintMainWindow(paint.painter, m_skin, state);
    ui::EndPaint(*this, paint);
}

void CKestrelDlg::OpenChannels() {
    const package::FW_PACKAGE_TRAILER trailer = Trailer();
    const ui::WindowHandle self = Handle();
    m_apChannel.MakeCurrent();
    m_apChannel.m_owner = self;
    m_apChannel.m_slot = 0;
    const uint32_t apOpened = m_apChannel.Open(trailer.ApVendorId(), trailer.ApProductId());
    m_iapChannel.MakeCurrent();
    m_iapChannel.m_owner = self;
    m_iapChannel.m_slot = 1;
    const uint32_t iapOpened = m_iapChannel.Open(trailer.IapVendorId(), trailer.IapProductId());
    if (apOpened == 1 || iapOpened == 1) {
        ui::InvalidateRect(self, nullptr, true);
    } else if (m_bSilent) {
        ui::Post(self, device::WM_EXIT_WITH_CODE, kExitNoKeyboard);
    }
}

bool CKestrelDlg::IsBusy() const { return !ui::IsWindowEnabled(m_btnClose.Handle()); }

void CKestrelDlg::EnableStartControls(bool enable) {
    ui::EnableWindow(ui::GetDlgItem(Handle(), IDC_START), enable);
    ui::EnableWindow(m_btnOk.Handle(), enable);
    ui::EnableWindow(m_btnCancel.Handle(), enable);
}

void CKestrelDlg::SetUiBusy(bool busy, bool enableStart) {
    ui::EnableCloseItem(Handle(), !busy);
    ui::EnableWindow(m_btnClose.Handle(), !busy);
    EnableStartControls(enableStart);
    ShowStripState();
}

void CKestrelDlg::ShowStripState() {
    // The strip shows exactly while the close button is disabled; a change of that state repaints
    // the strip box, or the strip of an ended run would stay on the screen.
    ui::InvalidateRect(Handle(), &m_skin.m_rcStrip, true);
}

bool CKestrelDlg::OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) {
    // The picture buttons all have id 0: they are told apart by handle, whatever the notification.
    const auto from = static_cast<uint64_t>(lParam);
    if (from != 0 && from == m_btnOk.Handle().value) {
        StartUpdate();
    } else if (from != 0 && (from == m_btnClose.Handle().value || from == m_btnCancel.Handle().value)) {
        ui::PostQuit(0);
    } else if (ui::LoWord(wParam) == IDC_START) {
        StartUpdate();
    }
    return ui::Dialog::OnCommand(wParam, lParam);
}

bool CKestrelDlg::PreTranslateMessage(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    if (msg == ui::WM_KEYDOWN && wParam == ui::VK_ESCAPE && IsBusy()) {
        return true;
    }
    if (msg == ui::WM_KEYDOWN && wParam == ui::VK_RETURN) {
        if (IsBusy()) {
            return true;
        }
        if (ui::IsWindowEnabled(m_btnOk.Handle())) {
            StartUpdate();
            return true;
        }
    }
    return ui::Dialog::PreTranslateMessage(msg, wParam, lParam);
}

ui::LRESULT CKestrelDlg::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    switch (msg) {
    case device::WM_EXIT_WITH_CODE:
        m_nExitCode = static_cast<int>(wParam);
        ui::Post(Handle(), ui::WM_CLOSE);
        return 1;
    case device::WM_DEVICE_PRESENCE:
        OnDevicePresence(wParam, lParam);
        return 0;
    case ui::WM_TIMER:
        if (wParam == device::TIMER_SHOW_SUCCESS || wParam == device::TIMER_SHOW_FAILURE) {
            OnShowResult(wParam);
            return 0;
        }
        if (wParam == TIMER_WAIT_IAP) {
            OnWaitIapExpired();
            return 0;
        }
        break;
    case ui::WM_QUERYDRAGICON:
        return static_cast<ui::LRESULT>(kIconResourceId);
    case ui::WM_PAINT:
        OnPaint();
        return 0;
    case ui::WM_ERASEBKGND:
        return 1;  // the paint covers the whole window from its back buffer
    case ui::WM_LBUTTONDOWN:
        // A press on any point that is not a button moves the window, as its caption would.
        ui::Post(Handle(), ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, lParam);
        break;
    case ui::WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return ui::Dialog::WindowProc(msg, wParam, lParam);
}

void CKestrelDlg::OnShowResult(uintptr_t timer) {
    const ui::WindowHandle self = Handle();
    ui::KillTimer(self, timer);
    skin::CWarning warning;
    warning.m_nResult = timer == device::TIMER_SHOW_SUCCESS ? skin::WARNING_SUCCESS : skin::WARNING_FAILURE;
    warning.DoModal(self);
    if (timer == device::TIMER_SHOW_SUCCESS && !m_strChainProgram.empty()) {
        LaunchChainProgram();
    }
    ui::Post(self, ui::WM_CLOSE);
}

void CKestrelDlg::LaunchChainProgram() {
    // The name is stored lower-cased; where names are case-sensitive the file may be spelt otherwise.
    const auto program = FindChainProgram(m_programFolder, m_strChainProgram);
    ui::SetForegroundWindow(Handle());
    if (program) {
        sys::LaunchProgram(*program, u"true");
    }
    sys::Sleep(kChainLaunchPauseMs);
}

void CKestrelDlg::OnDestroy() {
    ui::KillTimer(Handle(), TIMER_WAIT_IAP);
    RemovePrivateFont();
    m_apChannel.Close();
    m_iapChannel.Close();
    // A worker still finishing its last window calls may read the package: it is freed with the window
    // object after the worker has been joined.
    if (!m_bUpdating) {
        Clear();
    }
}

// --- What the update engine does to the window (worker or UI thread).

void CKestrelDlg::SetProgress(int value) {
    const ui::WindowHandle self = Handle();
    ui::Send(ui::GetDlgItem(self, IDC_PROGRESS), ui::PBM_SETPOS, static_cast<ui::WPARAM>(value));
    ui::InvalidateRect(self, &m_skin.m_rcStrip, true);
    ui::UpdateWindow(self);
}

void CKestrelDlg::SetCurrentVersionText(const std::u16string& text) {
    ui::SetDlgItemText(Handle(), IDC_CUR_VERSION, text);
}

void CKestrelDlg::InvalidateAll() { ui::InvalidateRect(Handle(), nullptr, true); }

void CKestrelDlg::EnableAfterRun(bool enableStart) {
    ui::EnableCloseItem(Handle(), true);
    ui::EnableWindow(m_btnClose.Handle(), true);
    EnableStartControls(enableStart);
    ShowStripState();
}

void CKestrelDlg::HandOver(bool success) {
    const ui::WindowHandle self = Handle();
    if (m_bSilent) {
        ui::Post(self, device::WM_EXIT_WITH_CODE, success ? kExitSuccess : kExitFailure);
        return;
    }
    ui::UpdateWindow(self);
    ui::SetTimer(self, success ? device::TIMER_SHOW_SUCCESS : device::TIMER_SHOW_FAILURE, kResultTimerMs);
}

} // namespace kestrel
