// CXmlDocument's index: records, tree links, diagnostics, the well-formed flag, the segmented
// record store and the packing limits.
#include <gtest/gtest.h>

#include <string>

#include "xml/XmlDocument.h"

namespace xml {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

std::u16string Repeat(const std::u16string& piece, size_t times) {
    std::u16string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(CXmlDocument, NewDocumentIsAnEmptyParse) {
    CXmlDocument doc;
    EXPECT_EQ(doc.RecordCapacity(), 8);
    EXPECT_EQ(doc.FreeRecord(), 1);
    EXPECT_EQ(doc.Diagnostics(), u"Empty document");
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_EQ(doc.Record(0).firstChild, 0);
}

struct DiagnosticCase {
    const char16_t* text;
    bool wellFormed;
    const char* diagnostics;
};

TEST(CXmlDocument, ReportsTheFirstProblem) {
    const DiagnosticCase cases[] = {
        {u"", false, "Empty document"},
        {u"<!-- only a comment -->", false, "No root element"},
        {u"text", false, "No root element"},
        {u"<a/><b/>", false, "Root element has sibling"},
        {u"< b><a/><b/>", false, "Root element has sibling"}, // replaces the builder's sentence
        {u"<r><a>", false, "Element 'a' at offset 3 not ended"},
        // Children of a root left open move up beside it; that is no second root of the text.
        {u"<r><a/><b/>", false, "Element 'r' at offset 0 not ended"},
        {u"<a x=1/>", false, "Element 'a' at offset 0 not ended"},
        {u"<r></x></r>", false, "No start tag for end tag 'x' at offset 3"},
        {u"<r></x></y></r>", false, "No start tag for end tag 'x' at offset 3"},
        {u"<r><a><b><c/></a></r>", false, "End tag 'a' at offset 14 does not match start tag 'b' at offset 6"},
        {u"<r>< b></r>", false, "Incorrect tag name character at offset 3"},
        {u"<r/><", false, "tag at offset 4 unterminated"},
        {u"<r><ab></a></ab></r>", false, "No start tag for end tag 'a' at offset 7"},
        {u"\uFEFF<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<root>\r\n\t<A>x</A>\r\n</root>", true, ""},
        {u"<r><a>x</a><!-- c --><![CDATA[<z>]]></r>\r\n", true, ""},
        {u"<!DOCTYPE r [<!ELEMENT r ANY>]><r/>", true, ""},
    };
    CXmlDocument doc;
    for (const DiagnosticCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        EXPECT_EQ(doc.ParseText(c.text), c.wellFormed);
        EXPECT_EQ(doc.IsWellFormed(), c.wellFormed);
        EXPECT_EQ(Narrow(doc.Diagnostics()), c.diagnostics);
        EXPECT_EQ(doc.MainPosition(), 0);
    }
}

struct RecordCase {
    const char16_t* text;
    int32_t start;
    int32_t length;
    uint32_t startTag;
    uint32_t endTag;
};

TEST(CXmlDocument, RecordsTagLengths) {
    const RecordCase cases[] = {
        {u"<a/>", 0, 4, 4, 0},
        {u"<a></a>", 0, 7, 3, 4},
        {u"<a x='1'>text</a >", 0, 18, 9, 5},
        {u"\uFEFF<a/>", 1, 4, 4, 0},
        {u"<a x=1/>", 0, 8, 8, 0}, // closed without an end tag
    };
    CXmlDocument doc;
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        doc.ParseText(c.text);
        ASSERT_EQ(doc.FreeRecord(), 2);
        const XmlElementRecord& r = doc.Record(1);
        EXPECT_EQ(r.start, c.start);
        EXPECT_EQ(r.length, c.length);
        EXPECT_EQ(r.StartTagLength(), c.startTag);
        EXPECT_EQ(r.EndTagLength(), c.endTag);
        EXPECT_EQ(r.Level(), 0u);
        EXPECT_EQ(r.parent, 0);
        EXPECT_EQ(doc.Record(0).firstChild, 1);
        EXPECT_EQ(doc.Record(0).length, static_cast<int32_t>(std::u16string(c.text).size()));
    }
}

TEST(CXmlDocument, LinksSiblingsWithTheLastInTheFirstChildsPrev) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<r><a/><b/><c/></r>"));
    const XmlElementRecord& r = doc.Record(1);
    const XmlElementRecord& a = doc.Record(2);
    const XmlElementRecord& b = doc.Record(3);
    const XmlElementRecord& c = doc.Record(4);
    EXPECT_EQ(r.firstChild, 2);
    EXPECT_EQ(r.length, 19);
    EXPECT_EQ(a.next, 3);
    EXPECT_EQ(b.next, 4);
    EXPECT_EQ(c.next, 0);
    EXPECT_EQ(a.prev, 4);
    EXPECT_EQ(b.prev, 2);
    EXPECT_EQ(c.prev, 3);
    EXPECT_EQ(a.flags, ELEM_FIRST_CHILD | 1u);
    EXPECT_EQ(b.flags, 1u);
    EXPECT_EQ(r.flags, ELEM_FIRST_CHILD);
    for (int32_t i = 2; i <= 4; ++i) {
        EXPECT_EQ(doc.Record(i).parent, 1);
    }
}

// <r><a><b><c/></a></r>: b has no end tag, so </a> closes it; its child c moves up beside it.
TEST(CXmlDocument, ClosesUnendedElementsAndRelinksTheirChildren) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(u"<r><a><b><c/></a></r>"));
    const XmlElementRecord& root = doc.Record(0);
    const XmlElementRecord& r = doc.Record(1);
    const XmlElementRecord& a = doc.Record(2);
    const XmlElementRecord& b = doc.Record(3);
    const XmlElementRecord& c = doc.Record(4);
    EXPECT_NE(root.flags & DOC_ILL_FORMED, 0u);
    EXPECT_EQ(root.length, 21);
    EXPECT_EQ(r.length, 21);
    EXPECT_EQ(a.length, 14);
    EXPECT_EQ(a.EndTagLength(), 4u);
    EXPECT_EQ(a.firstChild, 3);
    EXPECT_EQ(b.length, 3);
    EXPECT_EQ(b.EndTagLength(), 0u);
    EXPECT_NE(b.flags & ELEM_NOT_ENDED, 0u);
    EXPECT_EQ(b.firstChild, 0);
    EXPECT_EQ(b.next, 4);
    EXPECT_EQ(c.parent, 2);
    EXPECT_EQ(c.prev, 3);
    EXPECT_EQ(c.next, 0);
    EXPECT_EQ(c.length, 4);
    EXPECT_EQ(a.flags & ELEM_NOT_ENDED, 0u);
}

TEST(CXmlDocument, LoneEndTagChangesNothingButTheFlags) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(u"<r></x></r>"));
    EXPECT_NE(doc.Record(0).flags & DOC_ILL_FORMED, 0u);
    EXPECT_EQ(doc.Record(1).length, 11);
    EXPECT_EQ(doc.Record(1).EndTagLength(), 4u);
    EXPECT_NE(doc.Record(1).flags & ELEM_ILL_DATA, 0u);
}

TEST(CXmlDocument, IllDataMovesToTheParentOfAnUnendedElement) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(u"<r><a>< b></r>"));
    EXPECT_EQ(doc.Record(2).flags & ELEM_ILL_DATA, 0u);
    EXPECT_NE(doc.Record(2).flags & ELEM_NOT_ENDED, 0u);
    EXPECT_NE(doc.Record(1).flags & ELEM_ILL_DATA, 0u);
    EXPECT_EQ(Narrow(doc.Diagnostics()), "Incorrect tag name character at offset 6");
}

TEST(CXmlDocument, UnendedElementsAtTheEndBecomeSiblings) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(u"<r><a/><b>"));
    EXPECT_EQ(Narrow(doc.Diagnostics()), "Element 'b' at offset 7 not ended");
    // r is not ended either: its children follow it at the top level.
    EXPECT_EQ(doc.Record(1).firstChild, 0);
    EXPECT_EQ(doc.Record(1).next, 2);
    EXPECT_EQ(doc.Record(2).next, 3);
    EXPECT_EQ(doc.Record(2).parent, 0);
    EXPECT_EQ(doc.Record(3).parent, 0);
}

TEST(CXmlDocument, GrowsByHalfOfTheUsedRecords) {
    // 87 units give 87 / 64 + 8 = 9 records; 22 are needed: 9 -> 13 -> 19 -> 28.
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<r>" + Repeat(u"<a/>", 20) + u"</r>"));
    EXPECT_EQ(doc.FreeRecord(), 22);
    EXPECT_EQ(doc.RecordCapacity(), 28);
    EXPECT_EQ(doc.SegmentSlots(), 4);

    // The store only grows; a new parse starts again at record 1.
    ASSERT_TRUE(doc.ParseText(u"<r/>"));
    EXPECT_EQ(doc.FreeRecord(), 2);
    EXPECT_EQ(doc.RecordCapacity(), 28);
}

TEST(CXmlDocument, SpreadsRecordsOverSegmentsWithStableIndexes) {
    // The root plus 65,536 children: 65,537 elements in records 1 to 65,537.
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(u"<r>" + Repeat(u"<a/>", 65536) + u"</r>"));
    EXPECT_EQ(doc.FreeRecord(), 65538);
    // 262,151 units: 4,104 records at first, then half as many again each time.
    EXPECT_EQ(doc.RecordCapacity(), 70119);
    ASSERT_NE(doc.Segment(1), nullptr);
    EXPECT_EQ(&doc.Record(65536), doc.Segment(1));
    EXPECT_EQ(&doc.Record(65535), doc.Segment(0) + 65535);
    EXPECT_EQ(doc.Segment(2), nullptr);

    int32_t count = 0;
    int32_t previous = 0;
    for (int32_t i = doc.Record(1).firstChild; i != 0; i = doc.Record(i).next) {
        ++count;
        EXPECT_EQ(i, count + 1);
        EXPECT_EQ(doc.Record(i).parent, 1);
        EXPECT_EQ(doc.Record(i).start, 3 + 4 * (count - 1));
        if (previous != 0) {
            EXPECT_EQ(doc.Record(i).prev, previous);
        }
        previous = i;
        if (count > 65536) {
            break;
        }
    }
    EXPECT_EQ(count, 65536);
    EXPECT_EQ(doc.Record(2).prev, 65537);
}

TEST(CXmlDocument, OneGrowthStepAddsAtMostOneSegment) {
    // 9,000,000 units would ask for 140,633 records at once; the first step stops at two segments.
    CXmlDocument doc;
    std::u16string text = u"<r>";
    text.append(9000000, u' ');
    text += u"</r>";
    ASSERT_TRUE(doc.ParseText(text));
    EXPECT_EQ(doc.RecordCapacity(), 2 * kSegmentRecords);
    EXPECT_NE(doc.Segment(1), nullptr);
    EXPECT_EQ(doc.Record(1).length, static_cast<int32_t>(text.size()));
}

TEST(CXmlDocument, CapsWhatTheRecordCannotHold) {
    CXmlDocument doc;

    // A start tag longer than the 22 bits hold: the length is capped, the text still found.
    std::u16string longStart = u"<r><a";
    longStart.append(kMaxStartTagLength + 10, u' ');
    longStart += u">x</a></r>";
    ASSERT_TRUE(doc.ParseText(longStart));
    EXPECT_EQ(doc.Record(2).StartTagLength(), kMaxStartTagLength);
    EXPECT_EQ(doc.Record(2).EndTagLength(), 4u);
    EXPECT_EQ(doc.Record(2).length, static_cast<int32_t>(kMaxStartTagLength) + 10 + 2 + 1 + 1 + 4);
    ASSERT_TRUE(doc.FindNextChild(u"a"));
    EXPECT_EQ(doc.GetChildText(), u"x");

    // An end tag longer than the 10 bits hold.
    std::u16string longEnd = u"<r><a>y</a";
    longEnd.append(2000, u' ');
    longEnd += u"></r>";
    ASSERT_TRUE(doc.ParseText(longEnd));
    EXPECT_EQ(doc.Record(2).EndTagLength(), kMaxEndTagLength);
    EXPECT_EQ(doc.Record(2).StartTagLength(), 3u);
    EXPECT_EQ(doc.Record(2).length, 3 + 1 + 2004);
    ASSERT_TRUE(doc.FindNextChild(u"a"));
    EXPECT_EQ(doc.GetChildText(), u"y");

    // Nesting deeper than 16 bits: the level stays at its largest value and the bits above it
    // stay clear.
    const size_t depth = kMaxLevel + 10;
    ASSERT_TRUE(doc.ParseText(Repeat(u"<a>", depth) + Repeat(u"</a>", depth)));
    const XmlElementRecord& deepest = doc.Record(static_cast<int32_t>(depth));
    EXPECT_EQ(deepest.Level(), kMaxLevel);
    EXPECT_EQ(deepest.flags & ~(ELEM_LEVEL_MASK | ELEM_FIRST_CHILD), 0u);
    EXPECT_EQ(doc.Record(static_cast<int32_t>(kMaxLevel)).Level(), kMaxLevel - 1);
    EXPECT_EQ(deepest.length, 7);
}

} // namespace
} // namespace xml
