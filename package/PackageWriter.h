// Writing packages: what kestrel-pack appends to the updater. Each part is scrambled on its own and
// the parts are laid out in the order the reader walks them back: image 0, record 0, ..., image 8,
// record 8, trailer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "package/Layout.h"

namespace package {

struct PackageImage {
    std::u16string name;            // 1..29 UTF-16 units
    uint16_t layoutId = 0;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint32_t build = 0;
    std::vector<uint8_t> image;     // non-empty, a multiple of 4 bytes
    std::vector<uint8_t> record;    // at least 30 bytes, a multiple of 4
};

struct PackageContents {
    std::array<uint8_t, kHardwareIdSize> hardwareId{};
    uint8_t multiTarget = 0;
    uint8_t fixedTarget = 0;
    uint32_t iapVendorId = 0;
    uint32_t iapProductId = 0;
    uint32_t apVendorId = 0;
    uint32_t apProductId = 0;
    uint8_t blockSize = 0;          // 1..60
    std::u16string title;           // each text at most 259 units
    std::u16string company;
    std::u16string product;
    std::u16string versionText;
    std::array<std::optional<PackageImage>, kImageCount> images;
};

// Why `contents` cannot make a package the updater accepts, or an empty string when it can.
std::string CheckContents(const PackageContents& contents);

// The scrambled package bytes, or nothing (and the reason in *why) when CheckContents refuses.
std::optional<std::vector<uint8_t>> BuildPackage(const PackageContents& contents, std::string* why = nullptr);

// The low-level step under BuildPackage: scrambles copies of the given parts and lays them out in
// file order behind nothing, then the trailer. It writes exactly what it is given; the sizes in the
// trailer are the caller's business (tests use this to make malformed packages).
std::vector<uint8_t> AssemblePackage(std::span<const uint8_t, kTrailerSize> trailer,
                                     const std::array<std::vector<uint8_t>, kImageCount>& images,
                                     const std::array<std::vector<uint8_t>, kImageCount>& records);

} // namespace package
