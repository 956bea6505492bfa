// The package's scrambling. Every part of a package (trailer, each image, each version record) is
// stored scrambled and is descrambled on its own, with its own length.
#pragma once

#include <cstdint>
#include <span>

namespace package {

// In place, three passes: swap b[i] and b[i + 4] for i = 0, 5, 10, ... while i + 5 < n; swap the
// bytes of each pair (0,1), (2,3), ...; then each byte's new high nibble is its low nibble minus 7
// (mod 16) and its new low nibble is its old high nibble. An empty buffer is left alone.
void Descramble(std::span<uint8_t> bytes);

// The inverse of Descramble: the nibble step undone first, then the pair swaps, then the
// five-apart swaps. Descramble(Scramble(b)) == b for every buffer.
void Scramble(std::span<uint8_t> bytes);

} // namespace package
