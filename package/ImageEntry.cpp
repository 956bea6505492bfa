// FW_IMAGE_ENTRY accessors and the writer.
#include "package/ImageEntry.h"

#include "package/WideText.h"
#include "sys/ByteOrder.h"

namespace package {

uint32_t FW_IMAGE_ENTRY::ImageSize() const { return sys::ReadLe32(m_bytes, kEntryImageSizeOffset); }
uint32_t FW_IMAGE_ENTRY::RecordSize() const { return sys::ReadLe32(m_bytes, kEntryRecordSizeOffset); }
std::u16string FW_IMAGE_ENTRY::Name() const { return ReadWideText(m_bytes, kEntryNameOffset, kEntryNameUnits); }
bool FW_IMAGE_ENTRY::NameHasNul() const { return HasWideNul(m_bytes, kEntryNameOffset, kEntryNameUnits); }
uint16_t FW_IMAGE_ENTRY::LayoutId() const { return sys::ReadLe16(m_bytes, kEntryLayoutIdOffset); }
uint8_t FW_IMAGE_ENTRY::Major() const { return m_bytes[kEntryMajorOffset]; }
uint8_t FW_IMAGE_ENTRY::Minor() const { return m_bytes[kEntryMinorOffset]; }
uint32_t FW_IMAGE_ENTRY::Build() const { return sys::ReadLe32(m_bytes, kEntryBuildOffset); }

void ImageEntryWriter::SetImageSize(uint32_t size) { sys::WriteLe32(m_bytes, kEntryImageSizeOffset, size); }
void ImageEntryWriter::SetRecordSize(uint32_t size) { sys::WriteLe32(m_bytes, kEntryRecordSizeOffset, size); }
bool ImageEntryWriter::SetName(std::u16string_view name) {
    return WriteWideText(m_bytes, kEntryNameOffset, kEntryNameUnits, name);
}
void ImageEntryWriter::SetLayoutId(uint16_t id) { sys::WriteLe16(m_bytes, kEntryLayoutIdOffset, id); }
void ImageEntryWriter::SetVersion(uint8_t major, uint8_t minor, uint32_t build) {
    m_bytes[kEntryMajorOffset] = major;
    m_bytes[kEntryMinorOffset] = minor;
    sys::WriteLe32(m_bytes, kEntryBuildOffset, build);
}

} // namespace package
