// Decodes arbitrary UTF-16 units as character data: the output is never longer than the input and
// nothing outside the span is read (the span is copied into a buffer of exactly its size).
#include "xml/XmlTokenScanner.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t units = size / 2;
    auto span = std::make_unique<char16_t[]>(units == 0 ? 1 : units);
    for (size_t i = 0; i < units; ++i) {
        span[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const std::u16string out = xml::DecodeEntities(std::u16string_view(span.get(), units));
    if (out.size() > units) {
        __builtin_trap();
    }
    return 0;
}
