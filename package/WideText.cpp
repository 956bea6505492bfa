// UTF-16LE text fields inside byte records.
#include "package/WideText.h"

#include "sys/ByteOrder.h"

namespace package {

std::u16string ReadWideText(std::span<const uint8_t> bytes, size_t offset, size_t units) {
    std::u16string text;
    for (size_t i = 0; i < units; ++i) {
        const char16_t unit = static_cast<char16_t>(sys::ReadLe16(bytes, offset + 2 * i));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

bool HasWideNul(std::span<const uint8_t> bytes, size_t offset, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        if (sys::ReadLe16(bytes, offset + 2 * i) == 0) {
            return true;
        }
    }
    return false;
}

bool WriteWideText(std::span<uint8_t> bytes, size_t offset, size_t units, std::u16string_view text) {
    if (text.size() >= units || text.find(u'\0') != std::u16string_view::npos) {
        return false;
    }
    for (size_t i = 0; i < units; ++i) {
        sys::WriteLe16(bytes, offset + 2 * i, i < text.size() ? static_cast<uint16_t>(text[i]) : 0);
    }
    return true;
}

} // namespace package
