// FW_IMAGE_ENTRY: one 80-byte entry of the package's image table, as a view over its bytes.
// ImageEntryWriter fills one for the package tool.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "package/Layout.h"

namespace package {

class FW_IMAGE_ENTRY {
public:
    explicit FW_IMAGE_ENTRY(std::span<const uint8_t, kEntrySize> bytes) : m_bytes(bytes) {}

    uint32_t ImageSize() const;       // 0 marks an empty entry
    uint32_t RecordSize() const;      // version record size
    bool IsEmpty() const { return ImageSize() == 0; }
    std::u16string Name() const;      // up to its NUL (all 30 units when it has none)
    bool NameHasNul() const;
    uint16_t LayoutId() const;
    uint8_t Major() const;
    uint8_t Minor() const;
    uint32_t Build() const;

    std::span<const uint8_t, kEntrySize> Bytes() const { return m_bytes; }

private:
    std::span<const uint8_t, kEntrySize> m_bytes;
};

class ImageEntryWriter {
public:
    explicit ImageEntryWriter(std::span<uint8_t, kEntrySize> bytes) : m_bytes(bytes) {}

    void SetImageSize(uint32_t size);
    void SetRecordSize(uint32_t size);
    // At most 29 units, so that the name always ends in a NUL; false (untouched) otherwise.
    bool SetName(std::u16string_view name);
    void SetLayoutId(uint16_t id);
    void SetVersion(uint8_t major, uint8_t minor, uint32_t build);

private:
    std::span<uint8_t, kEntrySize> m_bytes;
};

} // namespace package
