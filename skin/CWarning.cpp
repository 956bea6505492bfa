// The result dialog: template 140 under a skin of the result kind's pictures, and the two buttons
// that close it.
#include "skin/CWarning.h"

#include "skin/MainWindowSkin.h"
#include "skin/SkinLayout.h"
#include "skin/WindowShape.h"
#include "ui/Display.h"
#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/WindowApi.h"
#include "xml/XmlDocument.h"

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

} // namespace

std::optional<WarningPictures> WarningPicturesOf(int result) {
    switch (result) {
    case WARNING_SUCCESS:
        return WarningPictures{149, 148, 147};
    case WARNING_FAILURE:
        return WarningPictures{152, 151, 150};
    case WARNING_LATEST:
        return WarningPictures{144, 146, 145};
    default:
        return std::nullopt;
    }
}

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
    const ui::WindowHandle self = Handle();
    xml::CXmlDocument doc;
    LoadSkinLayout(doc);
    const ResultDialogLayout layout = ReadResultDialogLayout(doc);

    SkinPicture hoverSource;
    SkinPicture disabledSource;
    if (const auto pictures = WarningPicturesOf(m_nResult)) {
        LoadPictureResource(kPictureResourceType, pictures->background, m_bmpBackground);
        LoadPictureResource(kPictureResourceType, pictures->hover, hoverSource);
        LoadPictureResource(kPictureResourceType, pictures->disabled, disabledSource);
    }
    m_btnClose.Create(self, layout.rcClose);
    m_btnClose.SetStatePictures(m_bmpBackground, hoverSource, hoverSource, disabledSource, layout.rcClose);
    m_btnOk.Create(self, layout.rcOk);
    m_btnOk.SetStatePictures(m_bmpBackground, hoverSource, hoverSource, disabledSource, layout.rcOk);

    // The hidden static keeps the result as text; the picture says it to the user.
    ui::SetDlgItemText(self, kWarningTextId, WarningText(m_nResult));
    if (m_bmpBackground.IsEmpty()) {
        // No picture to carry the message: the plain template stays, its text and OK button visible.
        return;
    }
    ui::MoveWindow(self, ui::Rect{0, 0, m_bmpBackground.Width(), m_bmpBackground.Height()}, true);
    ui::ShowWindow(ui::GetDlgItem(self, kWarningTextId), false);
    ui::ShowWindow(ui::GetDlgItem(self, ui::IDOK), false);
    ApplyWindowShape(self, kResultDialogMaskId);
}

bool CWarning::OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) {
    // Any notification of either picture button (a click or a right press) closes the dialog.
    const auto from = static_cast<uint64_t>(lParam);
    if (from != 0 && (from == m_btnClose.Handle().value || from == m_btnOk.Handle().value)) {
        ui::Post(Handle(), ui::WM_CLOSE);
    }
    return ui::Dialog::OnCommand(wParam, lParam);
}

void CWarning::OnPaint() {
    ui::PaintContext paint = ui::BeginPaint(*this);
    if (const ui::Surface* background = m_bmpBackground.Get()) {
        paint.painter.Copy(ui::Point{0, 0}, *background);
    } else {
        paint.painter.FillRect(paint.painter.Target().Bounds(), ui::kFaceColor);
    }
    ui::EndPaint(*this, paint);
}

ui::LRESULT CWarning::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    switch (msg) {
    case ui::WM_PAINT:
        OnPaint();
        return 0;
    case ui::WM_ERASEBKGND:
        return 1;  // the background picture covers the whole dialog
    case ui::WM_LBUTTONDOWN:
        // A press on any point that is not a button moves the dialog, as its caption would.
        ui::Post(Handle(), ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, lParam);
        break;
    case ui::WM_DESTROY: {
        const ui::LRESULT result = ui::Dialog::WindowProc(msg, wParam, lParam);
        m_bmpBackground.Reset();
        return result;
    }
    default:
        break;
    }
    return ui::Dialog::WindowProc(msg, wParam, lParam);
}

} // namespace skin
