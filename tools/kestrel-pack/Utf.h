// UTF-8 <-> UTF-16 for kestrel-pack: manifests are UTF-8, the package stores UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kpack {

// Nothing for malformed UTF-8 (bad sequences, overlong forms, surrogates, beyond U+10FFFF).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace kpack
