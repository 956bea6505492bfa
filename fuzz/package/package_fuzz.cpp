// Fuzzes the package reader over whole files held in memory.
//
// The reader compares the marker after descrambling, which a fuzzer cannot see through, so the
// first input byte chooses how the rest is used: bit 0 scrambles the last 2852 bytes first (the
// fuzzer then edits the plain trailer), bit 1 also plants the marker in it (the fuzzer then
// explores the image table and the walk). After every read the result must be consistent.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/ReadPackage.h"
#include "package/Scramble.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t mode = data[0];
    std::vector<uint8_t> file(data + 1, data + size);
    if ((mode & 1) && file.size() >= package::kTrailerSize) {
        const std::span<uint8_t> trailer = std::span<uint8_t>(file).last(package::kTrailerSize);
        if (mode & 2) {
            std::copy(package::kMarker.begin(), package::kMarker.end(), trailer.begin() + package::kMarkerOffset);
        }
        package::Scramble(trailer);
    }

    package::FwPackage pkg;
    size_t messages = 0;
    const bool ok = package::ReadPackage(pkg, file, [&messages](std::u16string_view text, std::u16string_view,
                                                                uint32_t) {
        Require(!text.empty());
        ++messages;
    });
    Require(messages == (ok ? 0u : 1u));
    for (size_t i = 0; i < package::kImageCount; ++i) {
        if (!ok) {
            Require(pkg.m_pImage[i].empty() && pkg.m_pVerRecord[i].empty());
            continue;
        }
        const package::FW_IMAGE_ENTRY entry = pkg.Entry(i);
        Require(pkg.m_pImage[i].size() == entry.ImageSize());
        Require(pkg.m_pVerRecord[i].size() == entry.RecordSize());
        if (!entry.IsEmpty()) {
            Require(entry.RecordSize() >= package::kMinVerRecordSize);
            Require(entry.Name().size() < package::kEntryNameUnits);
        }
    }
    if (ok) {
        const package::FW_PACKAGE_TRAILER trailer = pkg.Trailer();
        Require(trailer.HasMarker());
        Require(trailer.BlockSize() >= 1 && trailer.BlockSize() <= package::kMaxBlockSize);
        Require(trailer.TotalSize() <= file.size());
        Require(trailer.Title().size() <= package::kTextUnits);
    }
    return 0;
}
