// Skin layout reading: value parsers, lookups with defaults and the two windows' entry tables.
#include "skin/SkinLayout.h"

#include "sys/ByteOrder.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace skin {

namespace {

// The blanks that the C library's number conversions skip.
constexpr bool IsCBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Reads one decimal integer at text[at]: blanks, optional sign, at least one digit. Moves at past
// it. Values beyond 32 bits saturate (the digits are still consumed).
std::optional<int32_t> ScanInteger(std::u16string_view text, size_t& at) {
    size_t i = at;
    while (i < text.size() && IsCBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const size_t digits = i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - u'0'), int64_t{1} << 40);
    }
    if (i == digits) {
        return std::nullopt;
    }
    at = i;
    return Saturate(negative ? -value : value);
}

} // namespace

bool LoadSkinLayoutFromBytes(xml::CXmlDocument& doc, std::span<const uint8_t> bytes) {
    // An odd last byte is no whole unit and is left out.
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(sys::ReadLe16(bytes, 2 * i));
    }
    return doc.ParseText(text);
}

SkinElement ParseSkinElement(std::u16string_view value) {
    const size_t comma = value.find(u',');
    const std::u16string_view rest = comma == std::u16string_view::npos ? value : value.substr(comma + 1);
    // "%d,%d,%d,%d": blanks may precede a number, the comma must follow it directly.
    int32_t numbers[4] = {};
    size_t at = 0;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (at >= rest.size() || rest[at] != u',') {
                return {};
            }
            ++at;
        }
        const std::optional<int32_t> n = ScanInteger(rest, at);
        if (!n) {
            return {};
        }
        numbers[k] = *n;
    }
    SkinElement element;
    element.rect.left = numbers[0];
    element.rect.top = numbers[1];
    element.rect.right = Saturate(int64_t{numbers[0]} + numbers[2]);
    element.rect.bottom = Saturate(int64_t{numbers[1]} + numbers[3]);
    return element;
}

int32_t ParseSkinInteger(std::u16string_view value) {
    size_t at = 0;
    return ScanInteger(value, at).value_or(0);
}

SkinColor ParseSkinColor(std::u16string_view value) {
    return static_cast<SkinColor>(ParseSkinInteger(value));
}

ui::Rect ReadSkinRect(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry) {
    return ParseSkinElement(doc.GetEntryText(section, entry)).rect;
}

int32_t ReadSkinInteger(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                        int32_t fallback) {
    const std::u16string text = doc.GetEntryText(section, entry);
    return text.empty() ? fallback : ParseSkinInteger(text);
}

int32_t ReadSkinIntegerAttribute(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                                 const char16_t* attribute, int32_t fallback) {
    const std::u16string text = doc.GetEntryAttribute(section, entry, attribute);
    return text.empty() ? fallback : ParseSkinInteger(text);
}

SkinColor ReadSkinColor(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                        const char16_t* attribute, SkinColor fallback) {
    const std::u16string text = doc.GetEntryAttribute(section, entry, attribute);
    return text.empty() ? fallback : ParseSkinColor(text);
}

MainWindowLayout ReadMainWindowLayout(xml::CXmlDocument& doc) {
    MainWindowLayout layout;
    layout.rcClose = ReadSkinRect(doc, u"CONFIRM", u"BUTTON_CLOSE");
    layout.rcOk = ReadSkinRect(doc, u"CONFIRM", u"BUTTON_OK");
    layout.rcCancel = ReadSkinRect(doc, u"CONFIRM", u"BUTTON_CANCEL");
    layout.rcTitle = ReadSkinRect(doc, u"MAIN", u"RECT_TITLE");
    layout.bBarIcon = ReadSkinInteger(doc, u"UPDATE", u"BAR_ICON", 0) != 0;
    const ui::Rect strip = ReadSkinRect(doc, u"UPDATE", u"RECT_UPDATE");
    layout.ptStrip = {strip.left, strip.top};
    layout.rcLayout = ReadSkinRect(doc, u"CONFIRM", u"RECT_LAYOUT");
    layout.clrLayout = ReadSkinColor(doc, u"CONFIRM", u"RECT_LAYOUT", u"COLOR", kDefaultTextColor);
    layout.rcVer = ReadSkinRect(doc, u"CONFIRM", u"RECT_VER");
    layout.clrVer = ReadSkinColor(doc, u"CONFIRM", u"RECT_VER", u"COLOR", kDefaultTextColor);
    layout.rcCurVer = ReadSkinRect(doc, u"CONFIRM", u"RECT_CUR_VER");
    layout.clrCurVer = ReadSkinColor(doc, u"CONFIRM", u"RECT_CUR_VER", u"COLOR", kDefaultTextColor);
    layout.strFontFace = doc.GetEntryAttribute(u"CONFIRM", u"RECT_VER", u"FONT");
    layout.nFontHeight = ReadSkinIntegerAttribute(doc, u"CONFIRM", u"RECT_VER", u"SIZE", kDefaultFontHeight);
    return layout;
}

ResultDialogLayout ReadResultDialogLayout(xml::CXmlDocument& doc) {
    ResultDialogLayout layout;
    layout.rcClose = ReadSkinRect(doc, u"SUCCESS", u"BUTTON_CLOSE");
    layout.rcOk = ReadSkinRect(doc, u"SUCCESS", u"BUTTON_OK");
    return layout;
}

} // namespace skin
