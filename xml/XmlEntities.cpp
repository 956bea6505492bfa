// Character reference decoding for the XML reader: numeric references (decimal and hexadecimal)
// and the named references of HTML 4.01 plus apos, looked up in a static hashed table.
#include "xml/XmlEntityTable.h"
#include "xml/XmlTokenScanner.h"

#include <string>

namespace xml {

namespace {

// A reference name is gathered up to this many units; the longest name has 8.
constexpr int32_t kMaxReferenceUnits = 9;
constexpr uint32_t kMaxCodePoint = 0x10FFFF;

constexpr char16_t FoldCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
}

int32_t DigitValue(char16_t c, int32_t base) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (base == 16 && c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

// The number at the start of digits, stopping at the first unit that is not a digit; 0 when
// there is none. The gathered name is at most 9 units, so the value cannot overflow.
uint32_t ReadNumber(std::u16string_view digits, int32_t base) {
    uint32_t value = 0;
    for (char16_t c : digits) {
        const int32_t d = DigitValue(c, base);
        if (d < 0) {
            break;
        }
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    }
    return value;
}

// The code point of a named reference, 0 when the name is unknown. The spelling as written wins;
// only when no name is spelt that way does a name that differs in letter case count.
uint32_t LookupNamed(std::u16string_view raw, std::u16string_view folded) {
    int32_t sum = 0;
    for (char16_t c : folded) {
        sum += c;
    }
    const std::u16string_view bucket = NamedReferenceBucket(sum % kNamedReferenceBuckets);
    uint32_t foldedMatch = 0;
    size_t at = 0;
    while (at + 5 <= bucket.size()) {
        const size_t length = static_cast<size_t>(bucket[at] - u'0');
        const std::u16string_view digits = bucket.substr(at + 1, 4);
        const std::u16string_view entry = bucket.substr(at + 5, length);
        at += 5 + length;
        if (length != raw.size()) {
            continue;
        }
        if (entry == raw) {
            return ReadNumber(digits, 10);
        }
        if (foldedMatch == 0) {
            bool same = true;
            for (size_t k = 0; k < length && same; ++k) {
                same = FoldCase(entry[k]) == folded[k];
            }
            if (same) {
                foldedMatch = ReadNumber(digits, 10);
            }
        }
    }
    return foldedMatch;
}

// The code point of the reference whose name (between '&' and ';') is raw; 0 when it is none.
uint32_t ReferenceValue(std::u16string_view raw, std::u16string_view folded) {
    if (!folded.empty() && folded[0] == u'#') {
        if (folded.size() >= 2 && folded[1] == u'x') {
            return ReadNumber(folded.substr(2), 16);
        }
        return ReadNumber(folded.substr(1), 10);
    }
    return LookupNamed(raw, folded);
}

} // namespace

std::u16string DecodeEntities(std::u16string_view span) {
    std::u16string out;
    out.reserve(span.size());
    size_t i = 0;
    while (i < span.size()) {
        const size_t amp = span.find(u'&', i);
        if (amp == std::u16string_view::npos) {
            out.append(span.substr(i));
            break;
        }
        out.append(span.substr(i, amp - i));
        i = amp;

        char16_t folded[kMaxReferenceUnits];
        size_t n = 0;
        size_t j = i + 1;
        while (n < kMaxReferenceUnits && j < span.size() && span[j] < 0x80 && span[j] != u';') {
            folded[n++] = FoldCase(span[j++]);
        }
        uint32_t value = 0;
        if (j < span.size() && span[j] == u';') {
            value = ReferenceValue(span.substr(i + 1, n), std::u16string_view(folded, n));
        }
        // Not a reference (unknown name, no digits, or beyond Unicode): the '&' stays as text.
        if (value == 0 || value > kMaxCodePoint) {
            out.push_back(u'&');
            ++i;
            continue;
        }
        if (value > 0xFFFF) {
            out.push_back(static_cast<char16_t>((((value - 0x10000) >> 10) & 0x3FF) | 0xD800));
            out.push_back(static_cast<char16_t>((value & 0x3FF) | 0xDC00));
        } else {
            out.push_back(static_cast<char16_t>(value));
        }
        i = j + 1;
    }
    return out;
}

std::u16string DecodeEntities(const char16_t* start, int32_t length) {
    if (start == nullptr || length <= 0) {
        return {};
    }
    return DecodeEntities(std::u16string_view(start, static_cast<size_t>(length)));
}

} // namespace xml
