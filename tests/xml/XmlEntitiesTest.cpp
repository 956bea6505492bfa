// Character references: DecodeEntities and its hashed table of named references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/XmlEntityTable.h"
#include "xml/XmlTokenScanner.h"

namespace xml {
namespace {

std::string Hex(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        char buf[8];
        snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(c));
        out += buf;
    }
    return out;
}

struct DecodeCase {
    const char16_t* in;
    const char16_t* out;
};

TEST(DecodeEntities, ReplacesReferences) {
    const DecodeCase cases[] = {
        {u"&#x41;&#65;&lt;&AMP;&bogus;&", u"AA<&&bogus;&"},
        {u"a&amp;b&gt;c&quot;&apos;", u"a&b>c\"'"},
        {u"plain text", u"plain text"},
        {u"", u""},
        // Names that differ only in letter case: the exact spelling wins, other spellings fall
        // back to the first entry with the same folded name.
        {u"&uacute;&Uacute;&UACUTE;", u"\u00FA\u00DA\u00DA"},
        {u"&dagger;&Dagger;", u"\u2020\u2021"},
        {u"&larr;&lArr;&LARR;", u"\u2190\u21D0\u21D0"},
        {u"&aelig;&AElig;&Aelig;", u"\u00E6\u00C6\u00C6"},
        {u"&thetasym;&sup1;&Oslash;&oslash;", u"\u03D1\u00B9\u00D8\u00F8"},
        // Beyond the basic plane: a surrogate pair.
        {u"&#x1F600;&#128512;&#X10000;", u"\U0001F600\U0001F600\U00010000"},
        {u"&#x10FFFF;", u"\U0010FFFF"},
        // Not references: no digits, no ';', beyond Unicode, unknown, too long, non-ASCII name.
        {u"&#;&#x;&#xg;", u"&#;&#x;&#xg;"},
        {u"&amp &amp", u"&amp &amp"},
        {u"&#x110000;&#99999999;", u"&#x110000;&#99999999;"},
        {u"&#x0000041;&#x00000041;", u"A&#x00000041;"},
        {u"&\u00E9;&;", u"&\u00E9;&;"},
        {u"&&amp;", u"&&"},
        // A number stops at the first unit that is not a digit.
        {u"&#65abc;&#x41z;", u"AA"},
    };
    for (const DecodeCase& c : cases) {
        const std::u16string in = c.in;
        SCOPED_TRACE(Hex(in));
        const std::u16string out = DecodeEntities(in);
        EXPECT_EQ(Hex(out), Hex(c.out));
        EXPECT_LE(out.size(), in.size());
    }
}

TEST(DecodeEntities, NeverReadsPastTheSpan) {
    const std::u16string text = u"x&amp;";
    EXPECT_EQ(DecodeEntities(text.data(), 5), u"x&amp"); // the ';' lies outside the span
    EXPECT_EQ(DecodeEntities(text.data(), 6), u"x&");
    EXPECT_EQ(DecodeEntities(text.data(), 0), u"");
    EXPECT_EQ(DecodeEntities(nullptr, 3), u"");
}

// One parsed table entry.
struct Entry {
    std::u16string name;
    uint32_t codePoint;
};

std::vector<Entry> BucketEntries(int32_t index) {
    std::vector<Entry> entries;
    const std::u16string_view bucket = NamedReferenceBucket(index);
    size_t at = 0;
    while (at < bucket.size()) {
        const size_t length = static_cast<size_t>(bucket[at] - u'0');
        EXPECT_LE(at + 5 + length, bucket.size());
        uint32_t value = 0;
        for (size_t k = 1; k <= 4; ++k) {
            value = value * 10 + static_cast<uint32_t>(bucket[at + k] - u'0');
        }
        entries.push_back({std::u16string(bucket.substr(at + 5, length)), value});
        at += 5 + length;
    }
    return entries;
}

TEST(NamedReferenceTable, HoldsEveryNameInItsBucket) {
    EXPECT_EQ(NamedReferenceBucket(3), u"40185sup1");
    EXPECT_EQ(NamedReferenceBucket(0), u"60216Oslash60217Ugrave60248oslash60249ugrave");
    EXPECT_TRUE(NamedReferenceBucket(-1).empty());
    EXPECT_TRUE(NamedReferenceBucket(kNamedReferenceBuckets).empty());

    size_t total = 0;
    for (int32_t b = 0; b < kNamedReferenceBuckets; ++b) {
        SCOPED_TRACE(b);
        const std::vector<Entry> entries = BucketEntries(b);
        total += entries.size();
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            ASSERT_GE(e.name.size(), 2u);
            ASSERT_LE(e.name.size(), 8u);
            int32_t sum = 0;
            for (char16_t c : e.name) {
                sum += (c >= u'A' && c <= u'Z') ? c + 0x20 : c;
            }
            EXPECT_EQ(sum % kNamedReferenceBuckets, b);
            if (i > 0) {
                EXPECT_LT(entries[i - 1].name, e.name); // code-unit order of the HTML names
            }
            // Every name decodes, spelt as HTML spells it, to its own code point.
            const std::u16string decoded = DecodeEntities(u"&" + e.name + u";");
            ASSERT_EQ(decoded.size(), 1u);
            EXPECT_EQ(decoded[0], e.codePoint);
        }
    }
    EXPECT_EQ(total, 253u); // HTML 4.01's 252 references plus apos
}

} // namespace
} // namespace xml
