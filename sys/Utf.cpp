// UTF-8 <-> UTF-16 conversion at the platform edge. Unpaired surrogates and malformed UTF-8 turn
// into U+FFFD, one per maximal invalid subpart, so text from outside never breaks a conversion.
#include "sys/Process.h"

#include <cstdint>

namespace sys {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// The accepted range of the byte after a lead byte (Unicode table 3-7, well-formed UTF-8): this
// excludes overlong forms, surrogates and code points above U+10FFFF up front.
struct LeadInfo {
    int length;       // total bytes of the sequence; 0 for a byte that cannot start one
    uint8_t secondLo; // accepted range of the second byte
    uint8_t secondHi;
};

LeadInfo ClassifyLead(uint8_t lead) {
    if (lead < 0x80) return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

} // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        const LeadInfo info = ClassifyLead(lead);
        if (info.length == 1) {
            out.push_back(lead);
            ++i;
            continue;
        }
        if (info.length == 0) {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        char32_t cp = lead & (0xFF >> (info.length + 1));
        size_t used = 1;
        bool complete = true;
        for (; used < static_cast<size_t>(info.length); ++used) {
            if (i + used >= text.size()) {
                complete = false;
                break;
            }
            const uint8_t next = static_cast<uint8_t>(text[i + used]);
            const uint8_t lo = used == 1 ? info.secondLo : 0x80;
            const uint8_t hi = used == 1 ? info.secondHi : 0xBF;
            if (next < lo || next > hi) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        // A broken sequence yields one replacement; the byte that broke it starts afresh.
        AppendUtf16(out, complete ? cp : kReplacement);
        i += used;
    }
    return out;
}

} // namespace sys
