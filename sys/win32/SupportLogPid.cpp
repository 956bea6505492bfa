// The process id for the support log's run line, on Windows.
#include "sys/SupportLog.h"
#include "sys/win32/Windows.h"

namespace sys::detail {

uint32_t SupportLogProcessId() {
    return static_cast<uint32_t>(::GetCurrentProcessId());
}

} // namespace sys::detail
