// FW_PACKAGE_TRAILER: the 2852-byte record that ends the package, as a view over its (descrambled)
// bytes. TrailerWriter fills one for the package tool.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "package/ImageEntry.h"
#include "package/Layout.h"

namespace package {

class FW_PACKAGE_TRAILER {
public:
    explicit FW_PACKAGE_TRAILER(std::span<const uint8_t, kTrailerSize> bytes) : m_bytes(bytes) {}

    std::span<const uint8_t, kHardwareIdSize> HardwareId() const;
    uint8_t MultiTarget() const;
    uint8_t FixedTarget() const;
    uint32_t IapVendorId() const;
    uint32_t IapProductId() const;
    uint32_t ApVendorId() const;
    uint32_t ApProductId() const;
    uint8_t BlockSize() const;
    // The four texts, each up to its NUL within 260 units.
    std::u16string Title() const;
    std::u16string Company() const;
    std::u16string Product() const;
    std::u16string VersionText() const;

    bool HasMarker() const;   // bytes 2841..2850 equal kMarker
    FW_IMAGE_ENTRY Entry(size_t index) const;   // index < kImageCount

    // The bytes the package occupies at the end of its file: the trailer plus every image and
    // record size, empty entries included. 64-bit, so nine pairs of u32 sizes cannot overflow.
    uint64_t TotalSize() const;

    std::span<const uint8_t, kTrailerSize> Bytes() const { return m_bytes; }

private:
    std::span<const uint8_t, kTrailerSize> m_bytes;
};

class TrailerWriter {
public:
    // Also writes the marker; every other byte is left as it is (zero for a fresh buffer).
    explicit TrailerWriter(std::span<uint8_t, kTrailerSize> bytes);

    void SetHardwareId(std::span<const uint8_t, kHardwareIdSize> id);
    void SetMultiTarget(uint8_t flag);
    void SetFixedTarget(uint8_t target);
    void SetIapIds(uint32_t vendorId, uint32_t productId);
    void SetApIds(uint32_t vendorId, uint32_t productId);
    void SetBlockSize(uint8_t size);
    // Texts of at most 259 units (room for the NUL); false (untouched) otherwise.
    bool SetTitle(std::u16string_view text);
    bool SetCompany(std::u16string_view text);
    bool SetProduct(std::u16string_view text);
    bool SetVersionText(std::u16string_view text);
    ImageEntryWriter Entry(size_t index);   // index < kImageCount

private:
    std::span<uint8_t, kTrailerSize> m_bytes;
};

} // namespace package
