// The application object: process start-up of the updater.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

class CKestrelApp {
public:
    // Start-up, in order: the single-instance guard, the usage request, the main window with the
    // options, its modal run, and the end of the process with the window's exit code. Returns false
    // (exit code 0) for a second instance and for the usage text; otherwise it does not return.
    bool InitInstance(const std::vector<std::u16string>& args);

private:
    bool m_hMutex = false;  // the single-instance guard is held
};

} // namespace kestrel
