// The support log's platform parts on Windows: the process id and the file, opened with a wide
// path and not inheritable, so that a program the updater launches does not get it.
#include <cstdio>

#include "sys/SupportLog.h"
#include "sys/win32/Windows.h"

namespace sys::detail {

uint32_t SupportLogProcessId() {
    return static_cast<uint32_t>(::GetCurrentProcessId());
}

std::FILE* OpenSupportLogFile(const std::filesystem::path& path) {
    return ::_wfopen(path.c_str(), L"abN");
}

} // namespace sys::detail
