// CKestrelDlg: the updater's main window. It holds the command-line options and the exit code, reads
// the firmware package during its initialisation, and is run modally by start-up.
#pragma once

#include <filesystem>

#include "package/FwPackage.h"
#include "package/ReadPackageUi.h"
#include "ui/Window.h"
#include "update/KestrelOptions.h"

namespace kestrel {

class CKestrelDlg : public ui::Window, public KestrelOptions, public package::FwPackage {
public:
    CKestrelDlg();
    ~CKestrelDlg() override;

    // Creates the window, initialises it and runs it modally until it closes. UI thread.
    int DoModal();

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

protected:
    // Dialog initialisation; false when the window closes unseen.
    virtual bool OnInitDialog();

private:
    std::filesystem::path m_programFolder;
};

} // namespace kestrel
