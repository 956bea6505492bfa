// The static hashed table of named character references used by DecodeEntities.
#pragma once

#include <cstdint>
#include <string_view>

namespace xml {

inline constexpr int32_t kNamedReferenceBuckets = 130;

// The entries of one bucket, concatenated: each is '0' + name length, four decimal digits of the
// code point, then the name in its HTML spelling. Empty for an index outside the table.
std::u16string_view NamedReferenceBucket(int32_t index);

} // namespace xml
