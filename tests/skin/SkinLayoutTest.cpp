// The skin layout: value parsers, defaults, and the shipped layout resource read through the
// windows' lookups.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/SkinLayout.h"

namespace skin {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

std::vector<uint8_t> ReadShippedLayout() {
    std::ifstream file(KESTREL_LAYOUT_XML, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct ElementCase {
    const char16_t* value;
    ui::Rect rect;
};

TEST(ParseSkinElement, ReadsFourNumbersAfterTheName) {
    const ElementCase cases[] = {
        {u"RECT_FAIL,117,35,266,37,Fail,FALSE", {117, 35, 383, 72}},
        {u",279,99,97,16,,FALSE", {279, 99, 376, 115}},
        {u",348, 148,97, 16,,FALSE", {348, 148, 445, 164}},
        {u"RECT_UPDATE,0,368,500,16, FALSE,FALSE", {0, 368, 500, 384}},
        {u"x,-5,+6,10,20", {-5, 6, 5, 26}},
        {u"x,\t1,\r\n2,3,4", {1, 2, 4, 6}},
        {u"x,1,2,3,4junk", {1, 2, 4, 6}},
        {u"x,2147483647,0,10,0", {INT_MAX, 0, INT_MAX, 0}},
        {u"x,99999999999,-99999999999,1,-1", {INT_MAX, INT_MIN, INT_MAX, INT_MIN}},
        // Fewer than four numbers: the zero rectangle.
        {u"", {}},
        {u"noComma", {}},
        {u"1,2,3,4", {}}, // the 1 is the name
        {u"x,1,2,3", {}},
        {u"x,1 ,2,3,4", {}}, // the comma must follow the number directly
        {u"x,1,2,,4", {}},
        {u"x,1,2,3,- 4", {}},
    };
    for (const ElementCase& c : cases) {
        SCOPED_TRACE(Narrow(c.value));
        EXPECT_EQ(ParseSkinElement(c.value).rect, c.rect);
    }
}

TEST(ParseSkinInteger, ReadsLikeTheCLibrary) {
    const struct {
        const char16_t* text;
        int32_t value;
    } cases[] = {
        {u"15", 15},   {u"  -7x", -7}, {u"\t42", 42}, {u"+3", 3}, {u"", 0},
        {u"abc", 0},   {u"0x1F", 0},   {u"- 1", 0},   {u"99999999999", INT_MAX},
        {u"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        EXPECT_EQ(ParseSkinInteger(c.text), c.value);
    }
    EXPECT_EQ(ParseSkinColor(u"12555496"), 0xBF94E8u); // red 232, green 148, blue 191
    EXPECT_EQ(ParseSkinColor(u"11892106"), 0xB5758Au); // red 138, green 117, blue 181
    EXPECT_EQ(ParseSkinColor(u"0x00FF00"), 0u);
}

TEST(ShippedLayout, IsUtf16WithAByteOrderMarkAndNoTerminator) {
    const std::vector<uint8_t> bytes = ReadShippedLayout();
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(bytes[bytes.size() - 2], '>');
    EXPECT_EQ(bytes[bytes.size() - 1], 0);

    xml::CXmlDocument doc;
    ASSERT_TRUE(LoadSkinLayoutFromBytes(doc, bytes));
    EXPECT_EQ(doc.Text().size(), bytes.size() / 2);
    EXPECT_EQ(doc.Text().substr(0, 40), u"\uFEFF<?xml version=\"1.0\" encoding=\"utf-16\"?>");
    EXPECT_EQ(doc.Diagnostics(), u"");

    // The top-level element and its sections, in order.
    ASSERT_TRUE(doc.FindNextElement());
    EXPECT_EQ(doc.Text().substr(static_cast<size_t>(doc.Record(doc.MainPosition()).start), 6), u"<root>");
    std::vector<std::string> sections;
    while (doc.FindNextChild()) {
        const auto& r = doc.Record(doc.ChildPosition());
        const std::u16string tag = doc.Text().substr(static_cast<size_t>(r.start) + 1, r.StartTagLength() - 2);
        sections.push_back(Narrow(tag));
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"MAIN", "FAIL", "UPDATE", "SUCCESS", "FAIL", "CONFIRM"}));
}

struct EntryCase {
    const char16_t* section;
    const char16_t* entry;
    const char16_t* attribute; // null: the entry's text
    const char* value;
};

TEST(ShippedLayout, HoldsEveryEntryTheWindowsRead) {
    const EntryCase cases[] = {
        {u"MAIN", u"RECT_TITLE", nullptr, "RECT_FAIL,117,35,266,37,Fail,FALSE"},
        {u"FAIL", u"RECT_FAIL", nullptr, "RECT_FAIL,70,38,58,20,Fail,FALSE"},
        {u"UPDATE", u"BAR_ICON", nullptr, "0"},
        {u"UPDATE", u"RECT_UPDATE", nullptr, "RECT_UPDATE,0,368,500,16, FALSE,FALSE"},
        {u"SUCCESS", u"BUTTON_OK", nullptr, "BUTTON_OK,190,222,65,26,,FALSE"},
        {u"SUCCESS", u"BUTTON_CLOSE", nullptr, "BUTTON_CLOSE,411,6,20,20,,FALSE"},
        {u"FAIL", u"BUTTON_OK", nullptr, ""}, // only in the second FAIL section, never reached
        {u"FAIL", u"BUTTON_CLOSE", nullptr, ""},
        {u"CONFIRM", u"BUTTON_OK", nullptr, "BUTTON_OK,210,329,94,34,,FALSE"},
        {u"CONFIRM", u"BUTTON_CANCEL", nullptr, "BUTTON_CANCEL,0,0,0,0,,FALSE"},
        {u"CONFIRM", u"BUTTON_CLOSE", nullptr, "BUTTON_CLOSE,474,7,22,22,,FALSE"},
        {u"CONFIRM", u"RECT_LAYOUT", nullptr, ",279,99,97,16,,FALSE"},
        {u"CONFIRM", u"RECT_LAYOUT", u"COLOR", "12555496"},
        {u"CONFIRM", u"RECT_VER", nullptr, ",270,124,97,16,,FALSE"},
        {u"CONFIRM", u"RECT_VER", u"FONT", "Verdana"},
        {u"CONFIRM", u"RECT_VER", u"SIZE", "15"},
        {u"CONFIRM", u"RECT_VER", u"COLOR", "11892106"},
        {u"CONFIRM", u"RECT_CUR_VER", nullptr, ",348, 148,97, 16,,FALSE"},
        {u"CONFIRM", u"RECT_CUR_VER", u"COLOR", "14131817"},
    };
    const std::vector<uint8_t> bytes = ReadShippedLayout();
    // Both ways in: the raw resource bytes, and the text handed to ParseText directly.
    xml::CXmlDocument fromBytes;
    ASSERT_TRUE(LoadSkinLayoutFromBytes(fromBytes, bytes));
    xml::CXmlDocument fromText;
    ASSERT_TRUE(fromText.ParseText(fromBytes.Text()));
    for (xml::CXmlDocument* doc : {&fromBytes, &fromText}) {
        for (const EntryCase& c : cases) {
            SCOPED_TRACE(Narrow(c.section) + "/" + Narrow(c.entry) + (c.attribute ? "/" + Narrow(c.attribute) : ""));
            const std::u16string value = c.attribute ? doc->GetEntryAttribute(c.section, c.entry, c.attribute)
                                                      : doc->GetEntryText(c.section, c.entry);
            EXPECT_EQ(Narrow(value), c.value);
        }
    }
}

TEST(ShippedLayout, GivesTheWindowsTheirBoxesColoursAndFont) {
    xml::CXmlDocument doc;
    ASSERT_TRUE(LoadSkinLayoutFromBytes(doc, ReadShippedLayout()));

    const MainWindowLayout main = ReadMainWindowLayout(doc);
    EXPECT_EQ(main.rcTitle, (ui::Rect{117, 35, 383, 72}));
    EXPECT_EQ(main.rcLayout, (ui::Rect{279, 99, 376, 115}));
    EXPECT_EQ(main.rcVer, (ui::Rect{270, 124, 367, 140}));
    EXPECT_EQ(main.rcCurVer, (ui::Rect{348, 148, 445, 164}));
    EXPECT_EQ(main.rcClose, (ui::Rect{474, 7, 496, 29}));
    EXPECT_EQ(main.rcOk, (ui::Rect{210, 329, 304, 363}));
    EXPECT_EQ(main.rcCancel, (ui::Rect{0, 0, 0, 0}));
    EXPECT_EQ(main.ptStrip, (ui::Point{0, 368}));
    EXPECT_FALSE(main.bBarIcon);
    EXPECT_EQ(main.clrLayout, 12555496u);
    EXPECT_EQ(main.clrVer, 11892106u);
    EXPECT_EQ(main.clrCurVer, 14131817u);
    EXPECT_EQ(main.strFontFace, u"Verdana");
    EXPECT_EQ(main.nFontHeight, 15);

    const ResultDialogLayout dialog = ReadResultDialogLayout(doc);
    EXPECT_EQ(dialog.rcClose, (ui::Rect{411, 6, 431, 26}));
    EXPECT_EQ(dialog.rcOk, (ui::Rect{190, 222, 255, 248}));
}

TEST(SkinLayoutDefaults, ApplyOnlyToAbsentOrEmptyValues) {
    xml::CXmlDocument doc;
    // Nothing at all: an empty resource.
    EXPECT_FALSE(LoadSkinLayoutFromBytes(doc, {}));
    MainWindowLayout none = ReadMainWindowLayout(doc);
    EXPECT_EQ(none.rcClose, ui::Rect{});
    EXPECT_EQ(none.rcTitle, ui::Rect{});
    EXPECT_EQ(none.ptStrip, ui::Point{});
    EXPECT_EQ(none.rcVer, ui::Rect{});
    EXPECT_FALSE(none.bBarIcon);
    EXPECT_EQ(none.clrLayout, kDefaultTextColor);
    EXPECT_EQ(none.clrVer, kDefaultTextColor);
    EXPECT_EQ(none.clrCurVer, kDefaultTextColor);
    EXPECT_EQ(none.strFontFace, u"");
    EXPECT_EQ(none.nFontHeight, kDefaultFontHeight);
    EXPECT_EQ(ReadResultDialogLayout(doc).rcOk, ui::Rect{});

    // Present but not numeric: 0, not the default.
    ASSERT_TRUE(doc.ParseText(u"<root><UPDATE><BAR_ICON>7</BAR_ICON><RECT_UPDATE>S,5,6,1</RECT_UPDATE></UPDATE>"
                              u"<CONFIRM><RECT_LAYOUT COLOR=0x00FF00 /><RECT_VER COLOR=red SIZE=big FONT='Deja Vu'/>"
                              u"<RECT_CUR_VER COLOR=''>,1,2,3,4</RECT_CUR_VER></CONFIRM></root>"));
    const MainWindowLayout odd = ReadMainWindowLayout(doc);
    EXPECT_TRUE(odd.bBarIcon);
    EXPECT_EQ(odd.ptStrip, ui::Point{}); // three numbers only
    EXPECT_EQ(odd.clrLayout, 0u);
    EXPECT_EQ(odd.clrVer, 0u);
    EXPECT_EQ(odd.nFontHeight, 0);
    EXPECT_EQ(odd.strFontFace, u"Deja Vu");
    EXPECT_EQ(odd.clrCurVer, kDefaultTextColor); // empty is absent
    EXPECT_EQ(odd.rcCurVer, (ui::Rect{1, 2, 4, 6}));

    const struct {
        const char16_t* text;
        bool icon;
    } icons[] = {{u"0", false}, {u"", false}, {u"x1", false}, {u" 2", true}, {u"-1", true}};
    for (const auto& c : icons) {
        SCOPED_TRACE(Narrow(c.text));
        ASSERT_TRUE(doc.ParseText(u"<r><UPDATE><BAR_ICON>" + std::u16string(c.text) + u"</BAR_ICON></UPDATE></r>"));
        EXPECT_EQ(ReadMainWindowLayout(doc).bBarIcon, c.icon);
    }
}

TEST(LoadSkinLayoutFromBytes, TakesWholeLittleEndianUnits) {
    xml::CXmlDocument doc;
    const uint8_t bytes[] = {0xFF, 0xFE, '<', 0, 'a', 0, '/', 0, '>', 0, 'x'};
    EXPECT_TRUE(LoadSkinLayoutFromBytes(doc, bytes));
    EXPECT_EQ(doc.Text(), u"\uFEFF<a/>");
}

} // namespace
} // namespace skin
