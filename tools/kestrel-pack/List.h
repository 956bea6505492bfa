// `kestrel-pack --list`: what the package at the end of a file holds, read with the updater's own
// reader.
#pragma once

#include <filesystem>
#include <ostream>

namespace kpack {

// Prints the package to `out` and returns 0, or prints the reader's message to `err` and returns 1.
int ListPackage(const std::filesystem::path& file, std::ostream& out, std::ostream& err);

} // namespace kpack
