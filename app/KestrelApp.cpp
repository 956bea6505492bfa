// Process start-up: refuses to run twice, prints the usage text when asked, turns the command line
// into the main window's options, runs the main window and ends the process with its exit code.
#include "app/KestrelApp.h"

#include "app/CommandLine.h"
#include <cstdio>
#include <string>

#include "sys/Process.h"
#include "sys/SupportLog.h"
#include "ui/Display.h"
#include "update/KestrelDlg.h"

namespace kestrel {

namespace {
constexpr char16_t kMutexName[] = u"HALVERN_FW_UPDATE_MUTEX";

// Support log: the command line and what the option scan made of it.
void LogOptions(const std::vector<std::u16string>& args, const KestrelOptions& options) {
    if (!sys::SupportLogEnabled()) {
        return;
    }
    std::string line;
    for (const std::u16string& arg : args) {
        line += (line.empty() ? "" : " ") + sys::ToUtf8(arg);
    }
    sys::SupportLog("options", "command line: " + line);
    sys::SupportLog("options", std::string("silent ") + (options.m_bSilent ? "yes" : "no") + ", force " +
                                   (options.m_bForce ? "yes" : "no") + ", bin " +
                                   std::to_string(options.m_nBinSelect) + ", auto start " +
                                   (options.m_bAutoStart ? "yes" : "no") + ", chain program \"" +
                                   sys::ToUtf8(options.m_strChainProgram) + "\"");
}

// Support log: the run's last line.
void LogExit(const std::string& how, int code) {
    sys::SupportLog("exit", how + ", exit code " + std::to_string(code));
}
} // namespace

bool CKestrelApp::InitInstance(const std::vector<std::u16string>& args) {
    // The guard comes first: a second instance ends silently, before the command line is looked at.
    m_hMutex = sys::AcquireSingleInstance(kMutexName);
    if (!m_hMutex) {
        LogExit("another instance is running", 0);
        return false;
    }
    if (IsUsageRequest(args)) {
        sys::WriteToParentConsole(UsageText());
        LogExit("usage text shown", 0);
        return false;
    }

    CKestrelDlg dlg;
    ApplyOptions(args, dlg);
    LogOptions(args, dlg);
    // A window nobody can see would wait for a click for ever; a silent run needs no screen.
    if (!dlg.m_bSilent && !ui::DisplayAvailable()) {
        const std::string message = ui::NoDisplayMessage() + "\n";
        std::fputs(message.c_str(), stderr);
        LogExit("no display for the window", 0);
        sys::ExitProcess(0);
    }
    const int result = dlg.DoModal();
    LogExit(dlg.m_bSilent ? "silent run ended" : "window closed with result " + std::to_string(result),
            dlg.m_nExitCode);
    sys::ExitProcess(dlg.m_nExitCode);
}

} // namespace kestrel
