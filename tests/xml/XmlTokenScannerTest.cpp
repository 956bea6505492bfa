// Node scanning, names and attributes of the XML token scanner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/XmlTokenScanner.h"

namespace xml {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

struct ScannedNode {
    int32_t type;
    int32_t start;
    int32_t length;
    bool empty;
    std::string name; // checked when not empty
};

std::vector<ScannedNode> ScanAll(const std::u16string& text) {
    std::vector<ScannedNode> nodes;
    XmlTokenCursor cursor(text.c_str());
    XmlNode node;
    while (true) {
        node.name.clear();
        const int32_t type = ScanNode(cursor, node);
        if (type == NODE_END) {
            break;
        }
        EXPECT_EQ(node.type, type);
        EXPECT_EQ(cursor.next, node.start + node.length);
        nodes.push_back({type, node.start, node.length, (node.flags & NODE_EMPTY_ELEMENT) != 0, Narrow(node.name)});
        if (nodes.size() > text.size() + 1) {
            ADD_FAILURE() << "scan does not advance";
            break;
        }
    }
    return nodes;
}

struct ScanCase {
    const char16_t* text;
    std::vector<ScannedNode> nodes;
};

TEST(ScanNode, ClassifiesNodes) {
    const ScanCase cases[] = {
        {u"<a/>", {{NODE_ELEMENT, 0, 4, true, "a"}}},
        {u"<br />", {{NODE_ELEMENT, 0, 6, true, "br"}}},
        {u"<a x='1'/>", {{NODE_ELEMENT, 0, 10, true, "a"}}},
        {u"<a x=\"/\"/>", {{NODE_ELEMENT, 0, 10, true, "a"}}},
        // The slash belongs to the unquoted value.
        {u"<a x=1/>", {{NODE_ELEMENT, 0, 8, false, "a"}}},
        {u"<a/ >", {{NODE_ELEMENT, 0, 5, false, "a"}}},
        {u"<a>t</a>", {{NODE_ELEMENT, 0, 3, false, "a"}, {NODE_TEXT, 3, 1, false, ""}, {NODE_END_TAG, 4, 4, false, ""}}},
        {u"<a\tb='1'>", {{NODE_ELEMENT, 0, 9, false, "a"}}},
        // A quoted value hides '>', but only a quote after '=' opens one.
        {u"<a x=\"a>b\">", {{NODE_ELEMENT, 0, 11, false, "a"}}},
        {u"<a x= 'a>b'>", {{NODE_ELEMENT, 0, 12, false, "a"}}},
        {u"<a \"x>y\">", {{NODE_ELEMENT, 0, 6, false, "a"}, {NODE_TEXT, 6, 3, false, ""}}},
        {u"a > b", {{NODE_TEXT, 0, 3, false, ""}, {NODE_TEXT, 3, 2, false, ""}}},
        {u"  <a/>", {{NODE_WHITESPACE, 0, 2, false, ""}, {NODE_ELEMENT, 2, 4, true, "a"}}},
        {u" \r\n\t", {{NODE_WHITESPACE, 0, 4, false, ""}}},
        {u" x <a/>", {{NODE_TEXT, 0, 3, false, ""}, {NODE_ELEMENT, 3, 4, true, "a"}}},
        {u"\uFEFF<a/>", {{NODE_TEXT, 0, 1, false, ""}, {NODE_ELEMENT, 1, 4, true, "a"}}},
        {u"<!-- x -->", {{NODE_COMMENT, 0, 10, false, ""}}},
        {u"<!-- a>b -- c -->", {{NODE_COMMENT, 0, 17, false, ""}}},
        {u"<![CDATA[x]]>", {{NODE_CDATA, 0, 13, false, ""}}},
        {u"<![CDATA[<a>]]>", {{NODE_CDATA, 0, 15, false, ""}}},
        {u"<?xml version=\"1.0\"?>", {{NODE_PROCESSING, 0, 21, false, "xml"}}},
        {u"<?pi a>b?>", {{NODE_PROCESSING, 0, 10, false, "pi"}}},
        {u"<!ELEMENT r ANY>", {{NODE_DOCTYPE, 0, 16, false, ""}}},
        {u"<!ATTLIST r a CDATA \"x>\">", {{NODE_DOCTYPE, 0, 25, false, ""}}},
        // Declarations of an internal subset are part of the DOCTYPE node.
        {u"<!DOCTYPE r [<!ENTITY e \"a>b\"><!-- c> -->]><r/>",
         {{NODE_DOCTYPE, 0, 43, false, ""}, {NODE_ELEMENT, 43, 4, true, "r"}}},
        {u"<!DOCTYPE r><r/>", {{NODE_DOCTYPE, 0, 12, false, ""}, {NODE_ELEMENT, 12, 4, true, "r"}}},
        {u"<{x}>", {{NODE_ELEMENT, 0, 5, false, "{x}"}}},
        {u"<\u00E9t\u00E9/>", {{NODE_ELEMENT, 0, 6, true, "\xE9t\xE9"}}},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        const std::vector<ScannedNode> nodes = ScanAll(c.text);
        ASSERT_EQ(nodes.size(), c.nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(nodes[i].type, c.nodes[i].type);
            EXPECT_EQ(nodes[i].start, c.nodes[i].start);
            EXPECT_EQ(nodes[i].length, c.nodes[i].length);
            EXPECT_EQ(nodes[i].empty, c.nodes[i].empty);
            if (!c.nodes[i].name.empty()) {
                EXPECT_EQ(nodes[i].name, c.nodes[i].name);
            }
        }
    }
}

struct ErrorCase {
    const char16_t* text;
    int32_t start;
    int32_t length;
    int32_t type;
    const char* message;
};

TEST(ScanNode, MalformedNodesCarryTheirSentence) {
    const ErrorCase cases[] = {
        {u"< b>", 0, 4, NODE_ERROR, "Incorrect tag name character at offset 0"},
        {u"x<5 a='>'>", 1, 9, NODE_ERROR, "Incorrect tag name character at offset 1"},
        {u"<!X>", 0, 4, NODE_ERROR, "Incorrect ! tag at offset 0"},
        {u"<!-x>", 0, 5, NODE_ERROR, "Incorrect comment tag at offset 0"},
        {u"<![X>", 0, 5, NODE_ERROR, "Incorrect tag at offset 0"},
        {u"x<", 1, 1, NODE_ERROR, "tag at offset 1 unterminated"},
        {u"< b", 0, 3, NODE_ERROR, "tag at offset 0 unterminated"},
        {u"<a x='1'", 0, 8, NODE_ERROR, "Element tag at offset 0 unterminated"},
        {u"<a", 0, 2, NODE_ERROR, "Element tag at offset 0 unterminated"},
        {u"</a", 0, 3, NODE_ERROR, "Element end tag at offset 0 unterminated"},
        {u"<![CDATA[x]>", 0, 12, NODE_ERROR, "CDATA Section at offset 0 unterminated"},
        {u"<?pi x>", 0, 7, NODE_ERROR, "Processing instruction at offset 0 unterminated"},
        {u"<!-- x ->", 0, 9, NODE_ERROR, "Comment at offset 0 unterminated"},
        {u"<!DOCTYPE r [", 0, 13, NODE_ERROR, "Doctype at offset 0 unterminated"},
        {u"<!ENTITY a", 0, 10, NODE_ERROR, "Doctype at offset 0 unterminated"},
        // Inside an internal subset the offset is that of the last '>' passed.
        {u"<!DOCTYPE r [<!ENTITY a 'x'><5>]>", 0, 33, NODE_DOCTYPE,
         "Incorrect tag name character at offset 27"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        const std::u16string text = c.text;
        XmlTokenCursor cursor(text.c_str());
        cursor.next = c.start;
        XmlNode node;
        EXPECT_EQ(ScanNode(cursor, node), c.type);
        EXPECT_EQ(node.start, c.start);
        EXPECT_EQ(node.length, c.length);
        EXPECT_EQ(cursor.next, c.start + c.length);
        EXPECT_EQ(Narrow(node.name), c.message);
    }
}

TEST(ScanNode, EndOfTextAndEndTagName) {
    const std::u16string text = u"</ab  >";
    XmlTokenCursor cursor(text.c_str());
    XmlNode node;
    node.name = u"kept";
    EXPECT_EQ(ScanNode(cursor, node), NODE_END_TAG);
    EXPECT_EQ(TokenText(cursor), u"ab");
    EXPECT_EQ(node.name, u"kept"); // an end tag's name goes to the cursor only
    EXPECT_EQ(cursor.next, 7);
    EXPECT_EQ(ScanNode(cursor, node), NODE_END);
    EXPECT_EQ(node.type, 0);
    EXPECT_EQ(node.start, 7);
    EXPECT_EQ(node.length, 0);
}

struct FindNameCase {
    const char16_t* text;
    int32_t from;
    bool found;
    int32_t nameStart;
    int32_t nameEnd;
    int32_t next;
};

TEST(FindName, DelimitsOneToken) {
    const FindNameCase cases[] = {
        {u"  abc=1", 0, true, 2, 4, 5},
        {u"abc", 0, true, 0, 2, 3},
        {u"=x", 0, true, 0, 0, 1},
        {u" \\x", 0, true, 1, 1, 2},
        {u"a;b", 0, true, 0, 0, 1},
        {u"a'b", 0, true, 0, 0, 1},
        {u"\u00E9!", 0, true, 0, 0, 1},
        {u"   ", 0, false, 3, 2, 3},
        {u"", 0, false, 0, -1, 0},
    };
    for (const FindNameCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        const std::u16string text = c.text;
        XmlTokenCursor cursor(text.c_str());
        cursor.next = c.from;
        EXPECT_EQ(FindName(cursor), c.found);
        EXPECT_EQ(cursor.nameStart, c.nameStart);
        EXPECT_EQ(cursor.nameEnd, c.nameEnd);
        EXPECT_EQ(cursor.next, c.next);
    }
}

TEST(MatchName, TokenMustBeTheWholeNameOrASuffixedOne) {
    const std::u16string text = u"BUTTON";
    XmlTokenCursor cursor(text.c_str());
    cursor.nameStart = 0;
    cursor.nameEnd = 5;
    const struct {
        const char16_t* name;
        bool match;
    } cases[] = {
        {u"BUTTON", true},   {u"BUTTON OK", true}, {u"BUTTON=1", true}, {u"BUTTON/x", true},
        {u"BUTTON[1]", true}, {u"BUTTON]", true},  {u"BUTTON_OK", false}, {u"BUTTO", false},
        {u"button", false},  {u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        EXPECT_EQ(MatchName(cursor, c.name), c.match);
    }
    cursor.nameEnd = -1; // an empty token matches only an empty (or suffix-only) name
    EXPECT_TRUE(MatchName(cursor, u""));
    EXPECT_FALSE(MatchName(cursor, u"A"));
}

struct AttributeCase {
    const char16_t* tag;
    const char16_t* name;
    bool found;
    const char* value;
    bool quoted;
};

TEST(FindAttribute, ReadsValuesInPlace) {
    const AttributeCase cases[] = {
        {u"<RECT_VER FONT=Verdana SIZE=15 COLOR=11892106>", u"SIZE", true, "15", false},
        {u"<RECT_VER FONT=Verdana SIZE=15 COLOR=11892106>", u"FONT", true, "Verdana", false},
        {u"<RECT_VER FONT=Verdana SIZE=15 COLOR=11892106>", u"COLOR", true, "11892106", false},
        {u"<RECT_VER FONT=Verdana SIZE=15 COLOR=11892106>", u"COLOUR", false, "", false},
        {u"<A FLAG>", u"FLAG", true, "FLAG", false},
        {u"<A FLAG B=1>", u"FLAG", true, "FLAG", false},
        {u"<A FLAG/>", u"FLAG", true, "FLAG", false},
        {u"<A FLAG", u"FLAG", true, "FLAG", false},
        {u"<a x=1/>", u"x", true, "1/", false},
        {u"<a x=\"q v\" y='z'>", u"x", true, "q v", true},
        {u"<a x=\"q v\" y='z'>", u"y", true, "z", true},
        {u"<a x=\"open", u"x", true, "open", true},
        {u"<a x = 1>", u"x", true, "1", false},
        {u"<a xy=1 x=2>", u"x", true, "2", false},
        {u"<a b=x x=y>", u"x", true, "y", false},
        {u"<a x=>", u"x", true, "", false},
        {u"<a b=1>", u"a", false, "", false}, // the tag's own name is no attribute
        {u"<a b=1>", u"c", false, "", false},
        {u"<a/> b=1", u"b", false, "", false}, // the search ends with the tag
        {u"<?xml version=\"1.0\" encoding=\"utf-16\"?>", u"encoding", true, "utf-16", true},
    };
    for (const AttributeCase& c : cases) {
        SCOPED_TRACE(Narrow(c.tag) + " / " + Narrow(c.name));
        const std::u16string text = c.tag;
        XmlTokenCursor cursor(text.c_str());
        cursor.next = text[1] == u'?' ? 2 : 1;
        EXPECT_EQ(FindAttribute(cursor, c.name), c.found);
        if (c.found) {
            EXPECT_EQ(Narrow(TokenText(cursor)), c.value);
            EXPECT_EQ((cursor.flags & TOKEN_QUOTED) != 0, c.quoted);
        }
    }
}

TEST(FindAttribute, RemembersTheSpaceBeforeTheName) {
    const std::u16string text = u"<a  x=1 y=2>";
    XmlTokenCursor cursor(text.c_str());
    cursor.next = 1;
    ASSERT_TRUE(FindAttribute(cursor, u"x"));
    EXPECT_EQ(cursor.spaceStart, 2);
    EXPECT_EQ(cursor.spaceLength, 2);

    XmlTokenCursor atEnd(text.c_str());
    atEnd.next = 1;
    EXPECT_FALSE(FindAttribute(atEnd, u"z"));
    EXPECT_EQ(atEnd.next, 11); // put back before the '>' that ended the search
}

TEST(TokenText, EmptyWhenStartPassesEnd) {
    const std::u16string text = u"abc";
    XmlTokenCursor cursor(text.c_str());
    cursor.nameStart = 1;
    cursor.nameEnd = 0;
    EXPECT_EQ(TokenText(cursor), u"");
    cursor.nameEnd = 2;
    EXPECT_EQ(TokenText(cursor), u"bc");
}

} // namespace
} // namespace xml
