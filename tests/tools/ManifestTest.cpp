// The manifest parser and loader of kestrel-pack, and its UTF-8 conversion.
#include <gtest/gtest.h>

#include <string>

#include "tests/package/TempDir.h"
#include "tools/kestrel-pack/Manifest.h"
#include "tools/kestrel-pack/Utf.h"

namespace {

const std::string kHeader =
    "hardware_id = 00112233445566778899AABBCCDDEEFF\n"   // line 1
    "iap_vid = 0x1234\n"                                  // 2
    "iap_pid = 4660\n"                                    // 3
    "ap_vid = 0xABCD\n"                                   // 4
    "ap_pid = 0x0001\n"                                   // 5
    "block_size = 60\n"                                   // 6
    "title = A title with  spaces\n"                      // 7
    "company = C\n"                                       // 8
    "product = P\n"                                       // 9
    "version = V1\n";                                     // 10
const std::string kImage =
    "[image 3]\n"                                         // 11
    "name = Fran\xC3\xA7" "ais\n"                         // 12
    "layout_id = 0x040C\n"                                // 13
    "major = 1\n"                                         // 14
    "minor = 2\n"                                         // 15
    "build = 4294967295\n"                                // 16
    "image = a.bin\n"                                     // 17
    "record_size = 32\n";                                 // 18

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(Manifest, ParsesEveryField) {
    const auto m = kpack::ParseManifest("# comment\r\n" + Replace(kHeader, "block_size = 60\n", "") +
                                            "block_size = 60\r\nmulti_target = 1\nfixed_target = 7\n\n" + kImage,
                                        "m", "/base");
    ASSERT_TRUE(m) << m.error();
    const auto& h = m->header;
    EXPECT_EQ(h.hardwareId[0], 0x00);
    EXPECT_EQ(h.hardwareId[10], 0xAA);
    EXPECT_EQ(h.hardwareId[15], 0xFF);
    EXPECT_EQ(h.iapVendorId, 0x1234u);
    EXPECT_EQ(h.iapProductId, 4660u);
    EXPECT_EQ(h.apVendorId, 0xABCDu);
    EXPECT_EQ(h.apProductId, 1u);
    EXPECT_EQ(h.blockSize, 60);
    EXPECT_EQ(h.multiTarget, 1);
    EXPECT_EQ(h.fixedTarget, 7);
    EXPECT_EQ(h.title, u"A title with  spaces");
    EXPECT_EQ(h.versionText, u"V1");
    ASSERT_EQ(m->images.size(), 1u);
    const auto& image = m->images[0];
    EXPECT_EQ(image.slot, 3u);
    EXPECT_EQ(image.fields.name, u"Fran\u00e7ais");
    EXPECT_EQ(image.fields.layoutId, 0x040C);
    EXPECT_EQ(image.fields.build, 4294967295u);
    EXPECT_EQ(image.imageFile, std::filesystem::path("/base/a.bin"));
    EXPECT_FALSE(image.recordFile);
    EXPECT_EQ(image.recordSize, 32u);

    const auto ascii = kpack::ParseManifest(Replace(kHeader + kImage, "00112233445566778899AABBCCDDEEFF",
                                                    "ORVANE-KS75-HW01"), "m", "/base");
    ASSERT_TRUE(ascii) << ascii.error();
    EXPECT_EQ(std::string(ascii->header.hardwareId.begin(), ascii->header.hardwareId.end()), "ORVANE-KS75-HW01");
    EXPECT_EQ(ascii->header.multiTarget, 0) << "defaults to 0";
}

TEST(Manifest, ErrorsNameTheLine) {
    const std::string good = kHeader + kImage;
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {Replace(good, "block_size = 60", "block_size = 61"), "m:6: 'block_size' must be a number from 1 to 60"},
        {Replace(good, "block_size = 60", "block_size = 0"), "m:6: 'block_size' must be a number from 1 to 60"},
        {Replace(good, "block_size = 60", "block_size = 5x"), "m:6: 'block_size' must be a number"},
        {Replace(good, "ap_vid = 0xABCD", "ap_vid = 0x10000"), "m:4: 'ap_vid' must be a number from 0 to 65535"},
        {Replace(good, "ap_vid = 0xABCD", "ap_vid = -1"), "m:4: 'ap_vid' must be a number"},
        {Replace(good, "iap_pid = 4660\n", ""), "m: 'iap_pid' is missing"},
        {Replace(good, "00112233445566778899AABBCCDDEEFF", "0011"), "m:1: 'hardware_id' must be 16 printable ASCII"},
        {Replace(good, "00112233445566778899AABBCCDDEEFF", "00112233445566778899AABBCCDDEEFG"),
         "m:1: 'hardware_id' must be 16"},
        {Replace(good, "company = C", "compnay = C"), "m:8: unknown key 'compnay'"},
        {Replace(good, "company = C", "company C"), "m:8: expected 'key = value'"},
        {Replace(good, "company = C", "title = again"), "m:8: 'title' given twice (first on line 7)"},
        {Replace(good, "title = A title with  spaces", "title = " + std::string(260, 't')),
         "m:7: 'title' must have 0 to 259 UTF-16 units"},
        {Replace(good, "title = A title with  spaces", "title = bad \xC3("), "m:7: 'title' is not valid UTF-8"},
        {kHeader, "m: no [image N] section"},
        {Replace(good, "[image 3]", "[image 9]"), "m:11: expected a section line '[image N]'"},
        {Replace(good, "[image 3]", "[picture 3]"), "m:11: expected a section line"},
        {good + "[image 3]\n", "m:19: [image 3] appears twice"},
        {Replace(good, "name = Fran\xC3\xA7" "ais", "name = " + std::string(30, 'n')),
         "m:12: 'name' must have 1 to 29 UTF-16 units"},
        {Replace(good, "name = Fran\xC3\xA7" "ais", "name ="), "m:12: 'name' must have 1 to 29"},
        {Replace(good, "major = 1", "major = 256"), "m:14: 'major' must be a number from 0 to 255"},
        {Replace(good, "build = 4294967295", "build = 4294967296"), "m:16: 'build' must be a number"},
        {Replace(good, "layout_id = 0x040C\n", ""), "m:11: 'layout_id' is missing in [image 3]"},
        {Replace(good, "image = a.bin\n", ""), "m:11: 'image' is missing in [image 3]"},
        {Replace(good, "record_size = 32\n", ""), "m:11: [image 3] needs exactly one of 'record'"},
        {good + "record = r.bin\n", "m:11: [image 3] needs exactly one of 'record'"},
        {Replace(good, "record_size = 32", "record_size = 30"), "m:18: 'record_size' must be a number from 32"},
        {Replace(good, "record_size = 32", "record_size = 34"), "m:18: 'record_size' must be a multiple of 4"},
        {Replace(good, "version = V1", "[image 1]\nversion = V1"), "m:11: unknown key 'version' in an [image N]"},
    };
    for (const auto& c : cases) {
        const auto m = kpack::ParseManifest(c.text, "m", "/base");
        ASSERT_FALSE(m) << c.error;
        EXPECT_EQ(m.error().substr(0, c.error.size()), c.error) << "got: " << m.error();
    }
}

TEST(Manifest, LoadingChecksTheFiles) {
    testing_pkg::TempDir dir;
    dir.Write("a.bin", std::vector<uint8_t>(64, 0x5A));
    dir.Write("odd.bin", std::vector<uint8_t>(63, 0x5A));
    dir.Write("empty.bin", {});
    dir.Write("r28.bin", std::vector<uint8_t>(28, 1));
    dir.Write("r36.bin", std::vector<uint8_t>(36, 2));
    const std::string good = kHeader + kImage;
    const struct {
        std::string text;
        std::string error;   // empty: loads
    } cases[] = {
        {good, ""},
        {Replace(good, "record_size = 32", "record = r36.bin"), ""},
        {Replace(good, "a.bin", "missing.bin"), "m:17: image: cannot read"},
        {Replace(good, "a.bin", "odd.bin"), "m:17: image '"},
        {Replace(good, "a.bin", "empty.bin"), "m:17: image '"},
        {Replace(good, "record_size = 32", "record = r28.bin"), "m:18: record '"},
        {Replace(good, "record_size = 32", "record = none.bin"), "m:18: record: cannot read"},
    };
    for (const auto& c : cases) {
        const auto m = kpack::ParseManifest(c.text, "m", dir.Path());
        ASSERT_TRUE(m) << m.error();
        const auto contents = kpack::LoadContents(*m, "m");
        if (c.error.empty()) {
            ASSERT_TRUE(contents) << contents.error();
            ASSERT_TRUE(contents->images[3]);
            EXPECT_EQ(contents->images[3]->image, std::vector<uint8_t>(64, 0x5A));
            EXPECT_GE(contents->images[3]->record.size(), 32u);
        } else {
            ASSERT_FALSE(contents) << c.error;
            EXPECT_EQ(contents.error().substr(0, c.error.size()), c.error) << "got: " << contents.error();
        }
    }
}

TEST(Utf, Conversions) {
    EXPECT_EQ(kpack::Utf8ToUtf16("Fran\xC3\xA7" "ais"), u"Fran\u00e7ais");
    EXPECT_EQ(kpack::Utf8ToUtf16("\xE2\x82\xAC \xF0\x9F\x98\x80"), u"\u20AC \U0001F600");
    for (const char* bad : {"\xC3", "\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\xE2\x82"}) {
        EXPECT_FALSE(kpack::Utf8ToUtf16(bad)) << "accepted a malformed sequence";
    }
    EXPECT_EQ(kpack::Utf16ToUtf8(u"Fran\u00e7ais \U0001F600"), "Fran\xC3\xA7" "ais \xF0\x9F\x98\x80");
    EXPECT_EQ(kpack::Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

} // namespace
