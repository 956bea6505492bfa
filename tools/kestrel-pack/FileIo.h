// Whole-file reads and writes for kestrel-pack.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "tools/kestrel-pack/Expected.h"

namespace kpack {

Expected<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& path);

// Writes through a temporary file beside `path` and renames it into place, so that a failed run
// never leaves half a file under the final name.
Status WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// The path as UTF-8, for messages.
std::string PathText(const std::filesystem::path& path);

} // namespace kpack
