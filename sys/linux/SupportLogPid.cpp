// The process id for the support log's run line, on Linux.
#include "sys/SupportLog.h"

#include <unistd.h>

namespace sys::detail {

uint32_t SupportLogProcessId() {
    return static_cast<uint32_t>(::getpid());
}

} // namespace sys::detail
