// A package put together here byte by byte from the documented layout, with its own scrambling,
// so that a wrong offset or constant in the package code cannot hide behind the same mistake in
// the package writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/ReadPackage.h"
#include "package/WordSum.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Scrambling written from the rules: the nibble step undone (low = high + 7, high = low), then the
// pair swaps, then the five-apart swaps.
void ScrambleHere(Bytes& b) {
    for (uint8_t& x : b) {
        x = static_cast<uint8_t>(((x & 0x0F) << 4) | (((x >> 4) + 7) & 0x0F));
    }
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        std::swap(b[i], b[i + 1]);
    }
    for (size_t i = 0; i + 5 < b.size(); i += 5) {
        std::swap(b[i], b[i + 4]);
    }
}

void Put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
void PutText(Bytes& b, size_t at, const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        Put16(b, at + 2 * i, text[i]);
    }
}

TEST(IndependentPackage, AcceptedWithEveryField) {
    Bytes trailer(2852, 0);
    const char* hardwareId = "0123456789ABCDEF";
    for (size_t i = 0; i < 16; ++i) {
        trailer[i] = static_cast<uint8_t>(hardwareId[i]);
    }
    trailer[16] = 1;
    trailer[17] = 2;
    Put32(trailer, 20, 0x1111);
    Put32(trailer, 24, 0x2222);
    Put32(trailer, 28, 0x3333);
    Put32(trailer, 32, 0x4444);
    trailer[36] = 48;
    PutText(trailer, 38, u"Window title");
    PutText(trailer, 558, u"Company");
    const std::u16string fullProduct(260, u'P');   // fills its field: read up to the field's end
    PutText(trailer, 1078, fullProduct);
    PutText(trailer, 1598, u"V9.8.7");
    // Entry 4 only: 16-byte image, 32-byte record.
    const size_t entry = 2120 + 80 * 4;
    Put32(trailer, entry + 0, 16);
    Put32(trailer, entry + 4, 32);
    PutText(trailer, entry + 8, u"Nederlands");
    Put16(trailer, entry + 68, 0x0413);
    trailer[entry + 70] = 3;
    trailer[entry + 71] = 4;
    Put32(trailer, entry + 72, 70000);
    const std::string marker = ".maaV102";
    for (size_t i = 0; i < marker.size(); ++i) {
        trailer[2841 + i] = static_cast<uint8_t>(marker[i]);
    }

    Bytes image = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    Bytes record(32);
    for (size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<uint8_t>(0xC0 + i);
    }
    Bytes file = {'M', 'Z', 0x90, 0x00};
    for (Bytes part : {image, record, trailer}) {
        ScrambleHere(part);
        file.insert(file.end(), part.begin(), part.end());
    }

    package::FwPackage pkg;
    std::vector<std::u16string> messages;
    ASSERT_TRUE(package::ReadPackage(pkg, file, [&](std::u16string_view text, std::u16string_view, uint32_t) {
        messages.emplace_back(text);
    }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Bytes(pkg.m_package.begin(), pkg.m_package.end()), trailer);
    EXPECT_EQ(pkg.m_pImage[4], image);
    EXPECT_EQ(pkg.m_pVerRecord[4], record);
    EXPECT_EQ(package::WordSum(pkg.m_pImage[4]), 10u);

    const auto t = pkg.Trailer();
    EXPECT_EQ(std::string(t.HardwareId().begin(), t.HardwareId().end()), hardwareId);
    EXPECT_EQ(t.MultiTarget(), 1);
    EXPECT_EQ(t.FixedTarget(), 2);
    EXPECT_EQ(t.IapVendorId(), 0x1111u);
    EXPECT_EQ(t.IapProductId(), 0x2222u);
    EXPECT_EQ(t.ApVendorId(), 0x3333u);
    EXPECT_EQ(t.ApProductId(), 0x4444u);
    EXPECT_EQ(t.BlockSize(), 48);
    EXPECT_EQ(t.Title(), u"Window title");
    EXPECT_EQ(t.Company(), u"Company");
    EXPECT_EQ(t.Product(), fullProduct);
    EXPECT_EQ(t.VersionText(), u"V9.8.7");
    const auto e = pkg.Entry(4);
    EXPECT_EQ(e.ImageSize(), 16u);
    EXPECT_EQ(e.RecordSize(), 32u);
    EXPECT_EQ(e.Name(), u"Nederlands");
    EXPECT_EQ(e.LayoutId(), 0x0413);
    EXPECT_EQ(e.Major(), 3);
    EXPECT_EQ(e.Minor(), 4);
    EXPECT_EQ(e.Build(), 70000u);
    EXPECT_EQ(pkg.Trailer().TotalSize(), 2852u + 16 + 32);
}

} // namespace
