// Appending a package to an executable, and finding one that is already there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "tools/kestrel-pack/Expected.h"

namespace kpack {

// True when the last 2852 bytes descramble to a trailer with the package marker.
bool EndsInPackage(std::span<const uint8_t> file);

// Writes `exe` followed by `package` to `output` (which may be `exe` itself) and makes it
// executable. A file that already ends in a package is refused unless `replace` is set; then the
// old package (its trailer's total size) is cut off first.
Status AppendPackage(const std::filesystem::path& exe, const std::filesystem::path& output,
                     std::span<const uint8_t> package, bool replace);

} // namespace kpack
