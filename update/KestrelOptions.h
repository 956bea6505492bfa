// The options that the command line sets; the main window holds them as its own members.
#pragma once

#include <string>

namespace kestrel {

struct KestrelOptions {
    bool m_bSilent = false;            // -silent: no visible window, result as exit code
    bool m_bForce = false;             // -force: no version refusal
    int m_nBinSelect = -1;             // bin:N, 1..9: install image N, no version refusal
    bool m_bAutoStart = false;         // -silent or true: start without a click
    std::u16string m_strChainProgram;  // the argument after true, lower-cased
    int m_nExitCode = 0;               // left by the main window for the process
};

} // namespace kestrel
