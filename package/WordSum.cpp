// WordSum: 32-bit little-endian word sum.
#include "package/WordSum.h"

#include "sys/ByteOrder.h"

namespace package {

uint32_t WordSum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    const size_t whole = bytes.size() / 4 * 4;
    for (size_t i = 0; i < whole; i += 4) {
        sum += sys::ReadLe32(bytes, i);
    }
    // A last partial word: its missing high bytes are zero.
    uint32_t last = 0;
    for (size_t i = whole; i < bytes.size(); ++i) {
        last |= static_cast<uint32_t>(bytes[i]) << (8 * (i - whole));
    }
    return sum + last;
}

} // namespace package
