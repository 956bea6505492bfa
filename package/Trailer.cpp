// FW_PACKAGE_TRAILER accessors and the writer.
#include "package/Trailer.h"

#include <algorithm>
#include <cassert>

#include "package/WideText.h"
#include "sys/ByteOrder.h"

namespace package {

std::span<const uint8_t, kHardwareIdSize> FW_PACKAGE_TRAILER::HardwareId() const {
    return m_bytes.subspan<kHardwareIdOffset, kHardwareIdSize>();
}
uint8_t FW_PACKAGE_TRAILER::MultiTarget() const { return m_bytes[kMultiTargetOffset]; }
uint8_t FW_PACKAGE_TRAILER::FixedTarget() const { return m_bytes[kFixedTargetOffset]; }
uint32_t FW_PACKAGE_TRAILER::IapVendorId() const { return sys::ReadLe32(m_bytes, kIapVendorIdOffset); }
uint32_t FW_PACKAGE_TRAILER::IapProductId() const { return sys::ReadLe32(m_bytes, kIapProductIdOffset); }
uint32_t FW_PACKAGE_TRAILER::ApVendorId() const { return sys::ReadLe32(m_bytes, kApVendorIdOffset); }
uint32_t FW_PACKAGE_TRAILER::ApProductId() const { return sys::ReadLe32(m_bytes, kApProductIdOffset); }
uint8_t FW_PACKAGE_TRAILER::BlockSize() const { return m_bytes[kBlockSizeOffset]; }
std::u16string FW_PACKAGE_TRAILER::Title() const { return ReadWideText(m_bytes, kTitleOffset, kTextUnits); }
std::u16string FW_PACKAGE_TRAILER::Company() const { return ReadWideText(m_bytes, kCompanyOffset, kTextUnits); }
std::u16string FW_PACKAGE_TRAILER::Product() const { return ReadWideText(m_bytes, kProductOffset, kTextUnits); }
std::u16string FW_PACKAGE_TRAILER::VersionText() const {
    return ReadWideText(m_bytes, kVersionTextOffset, kTextUnits);
}

bool FW_PACKAGE_TRAILER::HasMarker() const {
    const auto marker = m_bytes.subspan<kMarkerOffset, kMarkerSize>();
    return std::equal(marker.begin(), marker.end(), kMarker.begin());
}

FW_IMAGE_ENTRY FW_PACKAGE_TRAILER::Entry(size_t index) const {
    assert(index < kImageCount);
    return FW_IMAGE_ENTRY(std::span<const uint8_t, kEntrySize>(m_bytes.data() + EntryOffset(index), kEntrySize));
}

uint64_t FW_PACKAGE_TRAILER::TotalSize() const {
    uint64_t total = kTrailerSize;
    for (size_t i = 0; i < kImageCount; ++i) {
        total += uint64_t{Entry(i).ImageSize()} + Entry(i).RecordSize();
    }
    return total;
}

TrailerWriter::TrailerWriter(std::span<uint8_t, kTrailerSize> bytes) : m_bytes(bytes) {
    std::copy(kMarker.begin(), kMarker.end(), m_bytes.begin() + kMarkerOffset);
}

void TrailerWriter::SetHardwareId(std::span<const uint8_t, kHardwareIdSize> id) {
    std::copy(id.begin(), id.end(), m_bytes.begin() + kHardwareIdOffset);
}
void TrailerWriter::SetMultiTarget(uint8_t flag) { m_bytes[kMultiTargetOffset] = flag; }
void TrailerWriter::SetFixedTarget(uint8_t target) { m_bytes[kFixedTargetOffset] = target; }
void TrailerWriter::SetIapIds(uint32_t vendorId, uint32_t productId) {
    sys::WriteLe32(m_bytes, kIapVendorIdOffset, vendorId);
    sys::WriteLe32(m_bytes, kIapProductIdOffset, productId);
}
void TrailerWriter::SetApIds(uint32_t vendorId, uint32_t productId) {
    sys::WriteLe32(m_bytes, kApVendorIdOffset, vendorId);
    sys::WriteLe32(m_bytes, kApProductIdOffset, productId);
}
void TrailerWriter::SetBlockSize(uint8_t size) { m_bytes[kBlockSizeOffset] = size; }
bool TrailerWriter::SetTitle(std::u16string_view text) { return WriteWideText(m_bytes, kTitleOffset, kTextUnits, text); }
bool TrailerWriter::SetCompany(std::u16string_view text) {
    return WriteWideText(m_bytes, kCompanyOffset, kTextUnits, text);
}
bool TrailerWriter::SetProduct(std::u16string_view text) {
    return WriteWideText(m_bytes, kProductOffset, kTextUnits, text);
}
bool TrailerWriter::SetVersionText(std::u16string_view text) {
    return WriteWideText(m_bytes, kVersionTextOffset, kTextUnits, text);
}

ImageEntryWriter TrailerWriter::Entry(size_t index) {
    assert(index < kImageCount);
    return ImageEntryWriter(std::span<uint8_t, kEntrySize>(m_bytes.data() + EntryOffset(index), kEntrySize));
}

} // namespace package
