// UTF-8 <-> UTF-16: round trips including surrogate pairs, and malformed input on either side.
#include <string>

#include <gtest/gtest.h>

#include "sys/Process.h"

namespace {

TEST(UtfTest, WellFormedTextRoundTrips) {
    const struct {
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {u"", ""},
        {u"Kestrel 1.00\n", "Kestrel 1.00\n"},
        {u"caf\u00E9", "caf\xC3\xA9"},
        {u"\u20AC5", "\xE2\x82\xAC" "5"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {std::u16string{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},  // U+1F600, a surrogate pair
        {std::u16string{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last code point
        {std::u16string{u'a', 0xD800, 0xDC00, u'b'}, "a\xF0\x90\x80\x80" "b"},
        {std::u16string(1, u'\0'), std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys::ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(sys::FromUtf8(c.utf8), c.utf16) << c.utf8;
    }
}

TEST(UtfTest, UnpairedSurrogatesBecomeReplacementCharacters) {
    const struct {
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {std::u16string{0xD83D}, "\xEF\xBF\xBD"},                         // high at the end
        {std::u16string{0xDE00, u'x'}, "\xEF\xBF\xBDx"},                  // lone low
        {std::u16string{0xD83D, u'x'}, "\xEF\xBF\xBDx"},                  // high, then no low
        {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},     // wrong order
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys::ToUtf8(c.utf16), c.utf8);
    }
}

TEST(UtfTest, MalformedUtf8BecomesOneReplacementPerBrokenPart) {
    const std::u16string r(1, u'\uFFFD');
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"\xFF", r},
        {"\x80", r},                              // continuation byte without a lead
        {"\xC0\xAF", r + r},                      // overlong '/'
        {"\xE0\x80\x80", r + r + r},              // overlong NUL
        {"\xED\xA0\x80", r + r + r},              // an encoded surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},      // above U+10FFFF
        {"\xF5\x80", r + r},
        {"\xE2\x82", r},                          // cut off at the end
        {"a\xF0\x9F\x98", u"a" + r},
        {"\xE2\x82" "A", r + u"A"},               // the breaking byte starts afresh
        {"\xC3" "\xC3\xA9", r + u"\u00E9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys::FromUtf8(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
    }
}

} // namespace
