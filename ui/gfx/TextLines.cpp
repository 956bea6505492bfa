// UTF-16 decoding and line splitting for text drawing.
#include "ui/gfx/TextLines.h"

namespace ui {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes the code point at `i` and moves `i` past it.
char32_t NextCodePoint(std::u16string_view text, size_t& i) {
    const char16_t c = text[i++];
    if (IsHighSurrogate(c)) {
        if (i < text.size() && IsLowSurrogate(text[i])) {
            const char16_t low = text[i++];
            return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
        }
        return kReplacement;
    }
    if (IsLowSurrogate(c)) {
        return kReplacement;
    }
    return c;
}

} // namespace

std::vector<std::u32string> SplitTextLines(std::u16string_view text) {
    std::vector<std::u32string> lines;
    if (text.empty()) {
        return lines;
    }
    lines.emplace_back();
    size_t i = 0;
    while (i < text.size()) {
        const char32_t cp = NextCodePoint(text, i);
        if (cp == U'\r' || cp == U'\n') {
            if (cp == U'\r' && i < text.size() && text[i] == u'\n') {
                ++i;
            }
            lines.emplace_back();
            continue;
        }
        lines.back().push_back(cp);
    }
    return lines;
}


} // namespace ui
