// Message boxes on the headless back-end: caption and text on standard error as UTF-8, answer IDOK.
#include <gtest/gtest.h>

#include <string>

#include "ui/MessageBox.h"
#include "ui/headless/HeadlessDisplay.h"

namespace ui {
namespace {

TEST(HeadlessMessageBoxTest, WritesCaptionAndTextToStandardErrorAndAnswersOk) {
    testing::internal::CaptureStderr();
    const int answer = MessageBox(WindowHandle{}, u"Fail to read Program file!", u"Error", MB_OK | MB_ICONERROR);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(written, "Error: Fail to read Program file!\n");
}

TEST(HeadlessMessageBoxTest, FormatsAsUtf8WithOneNewline) {
    struct Case {
        const char* name;
        std::u16string caption;
        std::u16string text;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", u"Error", u"Layout Fail!", "Error: Layout Fail!\n"},
        {"text ends in a newline", u"Kestrel", u"Can not open Program file!\n", "Kestrel: Can not open Program file!\n"},
        {"empty", u"", u"", ": \n"},
        {"two and three byte forms", u"\u00c9tat", u"50 \u20ac", "\xc3\x89tat: 50 \xe2\x82\xac\n"},
        {"surrogate pair", u"k", u"\U0001F600", "k: \xf0\x9f\x98\x80\n"},
        {"unpaired surrogates", u"k", std::u16string{u'\xD800', u'x', u'\xDC00'}, "k: \xef\xbf\xbdx\xef\xbf\xbd\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatHeadlessMessageBox(c.caption, c.text), c.expected);
    }
}

TEST(HeadlessMessageBoxTest, GoesToTheGivenSinkInstead) {
    std::string seen;
    HeadlessDisplay display([&seen](const std::string& line) { seen += line; });
    EXPECT_EQ(display.ShowMessageBox(WindowHandle{}, u"error", u"Kestrel", MB_OK), IDOK);
    EXPECT_EQ(seen, "Kestrel: error\n");
}

} // namespace
} // namespace ui
