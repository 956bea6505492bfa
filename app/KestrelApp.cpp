// Process start-up: refuses to run twice, prints the usage text when asked, turns the command line
// into the main window's options, runs the main window and ends the process with its exit code.
#include "app/KestrelApp.h"

#include "app/CommandLine.h"
#include <cstdio>

#include "sys/Process.h"
#include "ui/Display.h"
#include "update/KestrelDlg.h"

namespace kestrel {

namespace {
constexpr char16_t kMutexName[] = u"HALVERN_FW_UPDATE_MUTEX";
}

bool CKestrelApp::InitInstance(const std::vector<std::u16string>& args) {
    // The guard comes first: a second instance ends silently, before the command line is looked at.
    m_hMutex = sys::AcquireSingleInstance(kMutexName);
    if (!m_hMutex) {
        return false;
    }
    if (IsUsageRequest(args)) {
        sys::WriteToParentConsole(UsageText());
        return false;
    }

    CKestrelDlg dlg;
    ApplyOptions(args, dlg);
    // A window nobody can see would wait for a click for ever; a silent run needs no screen.
    if (!dlg.m_bSilent && !ui::DisplayAvailable()) {
        const std::string message = ui::NoDisplayMessage() + "\n";
        std::fputs(message.c_str(), stderr);
        sys::ExitProcess(0);
    }
    dlg.DoModal();
    sys::ExitProcess(dlg.m_nExitCode);
}

} // namespace kestrel
