// CXmlDocument's navigation, element text, attribute values and the entry lookups.
#include <gtest/gtest.h>

#include <string>

#include "xml/XmlDocument.h"

namespace xml {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

struct Positions {
    int32_t parent;
    int32_t main;
    int32_t child;
    int32_t kind;
};

void ExpectPositions(const CXmlDocument& doc, Positions p) {
    EXPECT_EQ(doc.ParentPosition(), p.parent);
    EXPECT_EQ(doc.MainPosition(), p.main);
    EXPECT_EQ(doc.ChildPosition(), p.child);
    EXPECT_EQ(doc.NodeKind(), p.kind);
}

// Records: r 1, a 2, b 3, c 4, d 5.
constexpr const char16_t* kTree = u"<r><a><b/><c/></a><d/></r>";

TEST(CXmlDocumentNavigation, MovesThreePositionsOverTheTree) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(kTree));

    ASSERT_TRUE(doc.FindNextElement());
    ExpectPositions(doc, {0, 1, 0, 1});
    EXPECT_FALSE(doc.FindNextElement()); // r has no sibling
    ExpectPositions(doc, {0, 1, 0, 1});

    ASSERT_TRUE(doc.FindNextChild());
    ExpectPositions(doc, {0, 1, 2, 1});
    ASSERT_TRUE(doc.FindNextChild(u"d"));
    ExpectPositions(doc, {0, 1, 5, 1});
    EXPECT_FALSE(doc.FindNextChild(u"a")); // searches on after d only
    ExpectPositions(doc, {0, 1, 5, 1});

    doc.ResetPosition();
    ASSERT_TRUE(doc.FindNextChild(u"a")); // with no main position, the first top-level element
    ExpectPositions(doc, {0, 1, 2, 1});
    doc.StepInto();
    ExpectPositions(doc, {1, 2, 0, 1});
    ASSERT_TRUE(doc.FindNextChild());
    ExpectPositions(doc, {1, 2, 3, 1});
    ASSERT_TRUE(doc.FindNextChild(u"c"));
    ExpectPositions(doc, {1, 2, 4, 1});
    EXPECT_FALSE(doc.FindNextChild());
    ASSERT_TRUE(doc.FindNextElement(u"d")); // a's next sibling
    ExpectPositions(doc, {1, 5, 0, 1});

    doc.StepInto(); // d has no current child: the main position becomes none
    ExpectPositions(doc, {5, 0, 0, 0});
    doc.StepInto(); // not an element position: nothing happens
    ExpectPositions(doc, {5, 0, 0, 0});
    EXPECT_EQ(doc.GetChildAttribute(u"x"), u"");
}

TEST(CXmlDocumentNavigation, NamesCompareCaseSensitively) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<r><Ab/><ab/><abc/></r>"));
    ASSERT_TRUE(doc.FindNextChild(u"ab"));
    EXPECT_EQ(doc.ChildPosition(), 3);
    doc.ResetPosition();
    EXPECT_FALSE(doc.FindNextChild(u"AB"));
    EXPECT_FALSE(doc.FindNextChild(u"a"));
}

TEST(CXmlDocumentNavigation, EmptyDocumentFindsNothing) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.FindNextElement());
    EXPECT_FALSE(doc.FindNextChild());
    ExpectPositions(doc, {0, 0, 0, 0});
    EXPECT_EQ(doc.GetChildText(), u"");
    EXPECT_EQ(doc.GetEntryText(u"A", u"B"), u"");
    EXPECT_EQ(doc.GetEntryAttribute(u"A", u"B", u"C"), u"");
}

struct TextCase {
    const char16_t* element; // the only child of <r>
    const char16_t* text;
};

TEST(CXmlDocumentNavigation, ChildTextJoinsTextAndCdata) {
    const TextCase cases[] = {
        {u"<a> x <![CDATA[<y>]]> z </a>", u" x <y> z "},
        {u"<a> <![CDATA[y]]> </a>", u"y"},
        {u"<a><b/>t</a>", u""},
        {u"<a/>", u""},
        {u"<a></a>", u""},
        {u"<a>&lt;&amp;&#x263A;</a>", u"<&\u263A"},
        {u"<a>x<!-- c -->y<?p?>z</a>", u"xyz"},
        {u"<a>x > y</a>", u"x > y"},
        {u"<a><![CDATA[&lt;]]>&lt;</a>", u"&lt;<"},
        {u"<a>\r\n\tRECT,1,2\r\n</a>", u"\r\n\tRECT,1,2\r\n"},
        {u"<a>x</r>", u""}, // a is closed without an end tag: no text
    };
    CXmlDocument doc;
    for (const TextCase& c : cases) {
        const std::u16string text = u"<r>" + std::u16string(c.element) + u"</r>";
        SCOPED_TRACE(Narrow(text));
        doc.ParseText(text);
        ASSERT_TRUE(doc.FindNextChild(u"a"));
        EXPECT_EQ(Narrow(doc.GetChildText()), Narrow(c.text));
    }
}

TEST(CXmlDocumentNavigation, ChildAttributeIsDecoded) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<r><a x=\"&lt;1&gt;\" y=2 FLAG z='a b'/></r>"));
    EXPECT_EQ(doc.GetChildAttribute(u"x"), u""); // no current child yet
    ASSERT_TRUE(doc.FindNextChild(u"a"));
    const struct {
        const char16_t* name;
        const char16_t* value;
    } cases[] = {{u"x", u"<1>"}, {u"y", u"2"}, {u"FLAG", u"FLAG"}, {u"z", u"a b"}, {u"w", u""}, {u"a", u""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        EXPECT_EQ(doc.GetChildAttribute(c.name), c.value);
    }
    EXPECT_EQ(doc.GetChildAttribute(nullptr), u"");
}

constexpr const char16_t* kSections =
    u"\uFEFF<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n"
    u"<root>\r\n"
    u"\t<FAIL>\r\n\t\t<RECT_FAIL>RECT_FAIL,70,38,58,20,Fail,FALSE</RECT_FAIL>\r\n\t</FAIL>\r\n"
    u"\t<SUCCESS>\r\n\t\t<BUTTON_OK>BUTTON_OK,190,222,65,26,,FALSE</BUTTON_OK>\r\n\t</SUCCESS>\r\n"
    u"\t<FAIL>\r\n\t\t<BUTTON_OK>BUTTON_OK,1,2,3,4,,FALSE</BUTTON_OK>\r\n\t</FAIL>\r\n"
    u"\t<CONFIRM>\r\n\t\t<RECT_VER FONT=Verdana SIZE=15 COLOR=11892106>,270,124,97,16,,FALSE</RECT_VER>\r\n"
    u"\t</CONFIRM>\r\n"
    u"</root>";

struct EntryCase {
    const char16_t* section;
    const char16_t* entry;
    const char16_t* attribute; // null: the entry's text
    const char* value;
};

TEST(CXmlDocumentNavigation, EntryLookupsSearchOnlyTheFirstSectionOfAName) {
    const EntryCase cases[] = {
        {u"SUCCESS", u"BUTTON_OK", nullptr, "BUTTON_OK,190,222,65,26,,FALSE"},
        {u"FAIL", u"RECT_FAIL", nullptr, "RECT_FAIL,70,38,58,20,Fail,FALSE"},
        // The first FAIL lacks BUTTON_OK; the second one is never reached.
        {u"FAIL", u"BUTTON_OK", nullptr, ""},
        {u"CONFIRM", u"RECT_VER", u"SIZE", "15"},
        {u"CONFIRM", u"RECT_VER", u"FONT", "Verdana"},
        {u"CONFIRM", u"RECT_VER", u"COLOR", "11892106"},
        {u"CONFIRM", u"RECT_VER", u"WEIGHT", ""},
        {u"CONFIRM", u"RECT_VER", nullptr, ",270,124,97,16,,FALSE"},
        {u"MAIN", u"RECT_TITLE", nullptr, ""},
        {u"root", u"FAIL", nullptr, ""}, // the top-level element is no section
        {u"success", u"BUTTON_OK", nullptr, ""},
    };
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(kSections));
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(Narrow(c.section) + "/" + Narrow(c.entry));
        const std::u16string value = c.attribute == nullptr ? doc.GetEntryText(c.section, c.entry)
                                                            : doc.GetEntryAttribute(c.section, c.entry, c.attribute);
        EXPECT_EQ(Narrow(value), c.value);
    }
}

TEST(CXmlDocumentNavigation, EntryLookupGoesOnIntoANestedSectionOfTheSameName) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<top><S><X/><S><E>deep</E></S></S><S><E>later</E></S></top>"));
    EXPECT_EQ(doc.GetEntryText(u"S", u"E"), u"deep");
    // Whatever the top-level element is called.
    ASSERT_TRUE(doc.ParseText(u"<anything><S><E k=v>x</E></S></anything>"));
    EXPECT_EQ(doc.GetEntryAttribute(u"S", u"E", u"k"), u"v");
}

} // namespace
} // namespace xml
