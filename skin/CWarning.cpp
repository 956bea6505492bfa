// The result dialog: template 140, the result text, the two buttons that close it.
#include "skin/CWarning.h"

#include "ui/Display.h"
#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"

namespace skin {

namespace {

// Template 140: a popup with a system menu holding the default push button IDOK and the static 1017,
// 436 x 269 pixels as the result pictures are.
const ui::DialogTemplate& WarningTemplate() {
    static const ui::DialogTemplate kTemplate = [] {
        ui::DialogTemplate t;
        t.id = kWarningTemplateId;
        t.caption = u"Kestrel";
        t.rect = {0, 0, 436, 269};
        t.style = ui::WS_POPUP | ui::WS_SYSMENU;
        t.controls = {
            {ui::IDOK, ui::ControlKind::DefPushButton, u"OK", {190, 222, 255, 248}, ui::WS_CHILD | ui::WS_VISIBLE},
            {kWarningTextId, ui::ControlKind::Static, u"", {20, 40, 416, 200}, ui::WS_CHILD | ui::WS_VISIBLE},
        };
        return t;
    }();
    return kTemplate;
}

// The shipped layout's places of the close and OK buttons ("SUCCESS" section).
constexpr ui::Rect kCloseRect{411, 6, 431, 26};
constexpr ui::Rect kOkRect{190, 222, 255, 248};

} // namespace

std::u16string WarningText(int result) {
    switch (result) {
    case WARNING_SUCCESS:
        return u"Update complete: the new firmware has been installed.";
    case WARNING_FAILURE:
        return u"Update failed. Please plug in the keyboard and run the update again.";
    case WARNING_LATEST:
        return u"No update needed: the latest firmware is already installed.";
    default:
        return {};
    }
}

CWarning::CWarning() : ui::Dialog(WarningTemplate()) {}

CWarning::~CWarning() { Destroy(); }

bool CWarning::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    SetupSkin();
    CenterWindow();
    if (!UserCanAnswer()) {
        // Nobody can see or close it: say the result where a message box would, and answer OK.
        ui::GetDisplay().ShowMessageBox(Owner(), WarningText(m_nResult), Template().caption, ui::MB_OK);
        EndDialog(ui::IDOK);
    }
    return true;
}

void CWarning::SetupSkin() {
    m_btnClose.Create(Handle(), kCloseRect);
    m_btnOk.Create(Handle(), kOkRect);
    ui::SetDlgItemText(Handle(), kWarningTextId, WarningText(m_nResult));
    // The skinned dialog hides its template button; the picture buttons take its place.
    ui::ShowWindow(ui::GetDlgItem(Handle(), ui::IDOK), false);
}

bool CWarning::OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) {
    // Any notification of either picture button (a click or a right press) closes the dialog.
    const auto from = static_cast<uint64_t>(lParam);
    if (from != 0 && (from == m_btnClose.Handle().value || from == m_btnOk.Handle().value)) {
        ui::Post(Handle(), ui::WM_CLOSE);
    }
    return ui::Dialog::OnCommand(wParam, lParam);
}

ui::LRESULT CWarning::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    return ui::Dialog::WindowProc(msg, wParam, lParam);
}

} // namespace skin
