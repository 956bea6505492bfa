// The package in memory, as the main window keeps it for its whole life: the descrambled trailer
// and, per entry, the descrambled image and version record.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "package/Layout.h"
#include "package/Trailer.h"

namespace package {

struct FwPackage {
    std::array<uint8_t, kTrailerSize> m_package{};
    // One buffer per entry, exactly as long as the entry's image size and record size. The record
    // buffer of an empty entry has its size but holds zeros: nothing is read for it.
    std::array<std::vector<uint8_t>, kImageCount> m_pImage;
    std::array<std::vector<uint8_t>, kImageCount> m_pVerRecord;

    FW_PACKAGE_TRAILER Trailer() const { return FW_PACKAGE_TRAILER(m_package); }
    FW_IMAGE_ENTRY Entry(size_t index) const { return Trailer().Entry(index); }

    // Frees all eighteen buffers and zeroes the trailer.
    void Clear();
};

} // namespace package
