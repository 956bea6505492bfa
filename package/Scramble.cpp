// Descramble and its inverse.
#include "package/Scramble.h"

#include <utility>

namespace package {
namespace {

void SwapFiveApart(std::span<uint8_t> b) {
    for (size_t i = 0; i + 5 < b.size(); i += 5) {
        std::swap(b[i], b[i + 4]);
    }
}

void SwapPairs(std::span<uint8_t> b) {
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        std::swap(b[i], b[i + 1]);
    }
}

} // namespace

void Descramble(std::span<uint8_t> bytes) {
    SwapFiveApart(bytes);
    SwapPairs(bytes);
    for (uint8_t& b : bytes) {
        const unsigned low = b & 0x0Fu;
        const unsigned high = b >> 4;
        b = static_cast<uint8_t>((((low - 7u) & 0x0Fu) << 4) | high);
    }
}

void Scramble(std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) {
        const unsigned low = b & 0x0Fu;
        const unsigned high = b >> 4;
        b = static_cast<uint8_t>((low << 4) | ((high + 7u) & 0x0Fu));
    }
    SwapPairs(bytes);
    SwapFiveApart(bytes);
}

} // namespace package
