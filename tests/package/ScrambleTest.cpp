// Descramble, Scramble and WordSum on small known buffers.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "package/Layout.h"
#include "package/Scramble.h"
#include "package/WordSum.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct DescrambleCase {
    const char* what;
    Bytes input;
    Bytes expected;
};

TEST(Descramble, KnownBuffers) {
    const DescrambleCase cases[] = {
        {"empty", {}, {}},
        {"one byte 0x7A, nibble step only", {0x7A}, {0x37}},
        {"one byte 0x00", {0x00}, {0x90}},
        {"one byte 0x12", {0x12}, {0xB1}},
        // Five bytes: the pair swaps (0,1) (2,3) and the nibble step; no five-apart swap yet.
        {"five bytes", {0x01, 0x02, 0x03, 0x04, 0x05}, {0xB0, 0xA0, 0xD0, 0xC0, 0xE0}},
        // Six bytes: b[0] and b[4] are exchanged first.
        {"six bytes", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, {0xB0, 0xE0, 0xD0, 0xC0, 0xF0, 0xA0}},
    };
    for (const auto& c : cases) {
        Bytes buffer = c.input;
        package::Descramble(buffer);
        EXPECT_EQ(buffer, c.expected) << c.what;
    }
}

// Where one marked byte of a trailer-sized buffer ends up; the last five-apart swap is 2845/2849.
TEST(Descramble, TrailerSizedBufferMovesBytes) {
    const struct {
        size_t from;
        size_t to;
    } cases[] = {{0, 5}, {4, 1}, {2849, 2844}, {2845, 2848}, {2850, 2851}, {2851, 2850}};
    for (const auto& c : cases) {
        Bytes buffer(package::kTrailerSize, 0x00);
        buffer[c.from] = 0x7A;
        package::Descramble(buffer);
        EXPECT_EQ(buffer[c.to], 0x37) << "from " << c.from;
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0x90), static_cast<long>(package::kTrailerSize - 1))
            << "from " << c.from;
    }
}

TEST(Scramble, IsTheInverseOfDescramble) {
    for (size_t length : {0u, 1u, 2u, 5u, 6u, 7u, 11u, 80u, 2852u, 4099u}) {
        Bytes original(length);
        std::iota(original.begin(), original.end(), uint8_t{3});
        Bytes buffer = original;
        package::Scramble(buffer);
        if (length > 1) {
            EXPECT_NE(buffer, original) << length;
        }
        package::Descramble(buffer);
        EXPECT_EQ(buffer, original) << "Descramble(Scramble(b)), length " << length;
        package::Descramble(buffer);
        package::Scramble(buffer);
        EXPECT_EQ(buffer, original) << "Scramble(Descramble(b)), length " << length;
    }
}

TEST(WordSum, KnownBuffers) {
    const struct {
        const char* what;
        Bytes input;
        uint32_t expected;
    } cases[] = {
        {"empty", {}, 0},
        {"1 + 2", {0x01, 0, 0, 0, 0x02, 0, 0, 0}, 3},
        {"wraps modulo 2^32", Bytes(8, 0xFF), 0xFFFFFFFEu},
        {"little-endian words", {0x01, 0x02, 0x03, 0x04}, 0x04030201u},
        {"partial last word, missing bytes zero", {0x01, 0x02, 0x03, 0x04, 0x05}, 0x04030206u},
        {"partial word of three", {0, 0, 0, 0, 0xAA, 0xBB, 0xCC}, 0xCCBBAAu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(package::WordSum(c.input), c.expected) << c.what;
    }
}

} // namespace
