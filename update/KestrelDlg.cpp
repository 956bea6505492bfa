// The main window: initialisation (package first), the exit code, and the modal run.
#include "update/KestrelDlg.h"

#include "sys/Process.h"
#include "ui/MessageLoop.h"

namespace kestrel {

CKestrelDlg::CKestrelDlg() = default;

CKestrelDlg::~CKestrelDlg() = default;

int CKestrelDlg::DoModal() {
    ui::CreateParams params;
    params.rect = {0, 0, 500, 384};
    if (!Create(params)) {
        return ui::IDCANCEL;
    }
    const ui::WindowHandle self = Handle();
    if (!OnInitDialog() && !ui::IsWindow(self)) {
        return ui::IDCANCEL;
    }
    return ui::RunModal(*this);
}

bool CKestrelDlg::OnInitDialog() {
    const std::filesystem::path exe = sys::ExecutablePath();
    m_programFolder = exe.parent_path();

    if (!package::ReadPackage(*this, exe, Handle())) {
        // Closes before it is ever shown. A silent caller must not read that as a successful update.
        if (m_bSilent) {
            m_nExitCode = 1;
        }
        ui::Post(Handle(), ui::WM_CLOSE);
        return false;
    }
    return true;
}

ui::LRESULT CKestrelDlg::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    return ui::Window::WindowProc(msg, wParam, lParam);
}

} // namespace kestrel
