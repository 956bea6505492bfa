// The demo package's inputs: deterministic images and version records and the manifest that packs
// them, written by `kestrel-pack --demo-images DIR` so that the build needs no checked-in binaries.
// Its identities and sizes are the simulated keyboard's defaults.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/kestrel-pack/Expected.h"

namespace kpack {

inline constexpr const char* kDemoManifestName = "kestrel-demo.manifest";

// `size` bytes of xorshift32 output seeded by the entry index, each word little-endian.
std::vector<uint8_t> DemoImage(size_t index, size_t size);

// A 120-byte version record: 30 zero bytes (the update overwrites them) and then the text
// "Kestrel demo record N " repeated.
std::vector<uint8_t> DemoRecord(size_t index);

// The manifest text (UTF-8) naming the files WriteDemo writes beside it.
std::string DemoManifest();

// Writes the manifest, image<N>.bin and record<N>.bin into `dir`, creating it.
Status WriteDemo(const std::filesystem::path& dir);

} // namespace kpack
