// The support log's platform parts on Linux: the process id and the file, opened close-on-exec so
// that a program the updater launches does not inherit it.
#include <cstdio>
#include <unistd.h>

#include "sys/SupportLog.h"

namespace sys::detail {

uint32_t SupportLogProcessId() {
    return static_cast<uint32_t>(::getpid());
}

std::FILE* OpenSupportLogFile(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "abe");
}

} // namespace sys::detail
