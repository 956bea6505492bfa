// Line splitting and UTF-16 decoding ahead of text drawing.
#include <gtest/gtest.h>

#include <string>

#include "sys/Process.h"
#include "ui/gfx/TextLines.h"

namespace {

TEST(SplitTextLines, BreaksAtEachKindOfLineBreakOnly) {
    const struct {
        std::u16string text;
        std::vector<std::u32string> lines;
    } cases[] = {
        {u"", {}},
        {u"one", {U"one"}},
        {u"a\r\nb", {U"a", U"b"}},
        {u"a\nb", {U"a", U"b"}},
        {u"a\rb", {U"a", U"b"}},
        {u"a\n\rb", {U"a", U"", U"b"}}, // LF CR is two breaks
        {u"a\r\n\r\nb", {U"a", U"", U"b"}},
        {u"end\r\n", {U"end", U""}},
        {u"\n", {U"", U""}},
        {u"tab\tstays", {U"tab\tstays"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ui::SplitTextLines(c.text), c.lines) << sys::ToUtf8(c.text);
    }
}

TEST(SplitTextLines, DecodesSurrogatePairsAndReplacesLoneOnes) {
    const std::u16string pair = {u'x', 0xD83D, 0xDE00, u'y'};      // U+1F600
    const std::u16string loneHigh = {u'x', 0xD83D, u'y'};
    const std::u16string loneLow = {u'x', 0xDE00, u'y'};
    const std::u16string highAtEnd = {u'x', 0xD83D};
    const std::u16string highBeforeBreak = {0xD83D, u'\n', u'z'};
    EXPECT_EQ(ui::SplitTextLines(pair), std::vector<std::u32string>{U"x\U0001F600y"});
    EXPECT_EQ(ui::SplitTextLines(loneHigh), std::vector<std::u32string>{U"x\uFFFDy"});
    EXPECT_EQ(ui::SplitTextLines(loneLow), std::vector<std::u32string>{U"x\uFFFDy"});
    EXPECT_EQ(ui::SplitTextLines(highAtEnd), std::vector<std::u32string>{U"x\uFFFD"});
    EXPECT_EQ(ui::SplitTextLines(highBeforeBreak), (std::vector<std::u32string>{U"\uFFFD", U"z"}));
}

TEST(FontNameUtf8, EncodesEveryLength) {
    const std::u16string text = {u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xDC00};
    EXPECT_EQ(sys::ToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

} // namespace
