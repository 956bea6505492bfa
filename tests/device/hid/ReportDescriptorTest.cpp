// The report descriptor parser: what the transport takes from real descriptor shapes, and
// rejection of malformed ones without reading past the bytes.
#include "device/hid/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace hid {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Vendor collection 0xFF00/1 with 64-byte input and output reports; `reportId` 0: none.
Bytes VendorCollection(uint8_t reportId) {
    Bytes head = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (reportId != 0) {
        head.insert(head.end(), {0x85, reportId});
    }
    return Concat({head, {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02,
                          0x09, 0x01, 0x91, 0x02, 0xC0}});
}

// A boot-style keyboard with report id 1: 8 input bytes, 5 LED bits plus padding as output.
const Bytes kKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01,
                         0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
                         0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
                         0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,
                         0x95, 0x01, 0x75, 0x03, 0x91, 0x01,
                         0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,
                         0xC0};
// Consumer control with report id 3: one 16-bit input value, nothing to write.
const Bytes kConsumer = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x03,
                         0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

struct Expected {
    uint16_t usagePage, usage;
    uint32_t input, output, feature;
    bool hasOutput;
    uint8_t outputId;
    std::vector<uint8_t> inputIds;
};

struct GoodCase {
    const char* name;
    Bytes descriptor;
    bool usesReportIds;
    std::vector<Expected> collections;
};

class ReportDescriptorGoodTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(ReportDescriptorGoodTest, GivesEachTopLevelCollectionItsLengths) {
    const GoodCase& c = GetParam();
    const Bytes exact(c.descriptor);  // a heap copy of exactly this size, so an overread shows
    const auto info = ParseReportDescriptor(exact);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->usesReportIds, c.usesReportIds);
    ASSERT_EQ(info->collections.size(), c.collections.size());
    for (size_t i = 0; i < c.collections.size(); ++i) {
        SCOPED_TRACE(i);
        const HidCollectionInfo& got = info->collections[i];
        const Expected& want = c.collections[i];
        EXPECT_EQ(got.usagePage, want.usagePage);
        EXPECT_EQ(got.usage, want.usage);
        EXPECT_EQ(got.inputReportLength, want.input);
        EXPECT_EQ(got.outputReportLength, want.output);
        EXPECT_EQ(got.featureReportLength, want.feature);
        EXPECT_EQ(got.hasOutputItem, want.hasOutput);
        if (want.hasOutput) {
            EXPECT_EQ(got.outputReportId, want.outputId);
        }
        EXPECT_EQ(got.inputReportIds, want.inputIds);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReportDescriptorGoodTest,
    ::testing::Values(
        GoodCase{"VendorWithoutReportId", VendorCollection(0), false, {{0xFF00, 1, 65, 65, 0, true, 0, {0}}}},
        GoodCase{"VendorWithReportId5", VendorCollection(5), true, {{0xFF00, 1, 65, 65, 0, true, 5, {5}}}},
        GoodCase{"SeveralTopLevelCollections", Concat({kKeyboard, VendorCollection(2), kConsumer}), true,
                 {{0x01, 6, 9, 2, 0, true, 1, {1}},
                  {0xFF00, 1, 65, 65, 0, true, 2, {2}},
                  {0x0C, 1, 3, 0, 0, false, 0, {3}}}},
        // Capabilities list buttons before values: the button item's id is the first output id.
        GoodCase{"OutputIdOfTheFirstButton",
                 {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02,
                  0x85, 0x08, 0x75, 0x01, 0x95, 0x08, 0x91, 0x02, 0xC0},
                 true, {{0xFF00, 1, 0, 5, 0, true, 8, {}}}},
        GoodCase{"FeatureOnly", {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x10, 0xB1, 0x02, 0xC0},
                 false, {{0xFF00, 1, 0, 0, 17, false, 0, {}}}},
        // A 4-byte usage carries its page; nested collections count towards their top level one;
        // a long item is skipped.
        GoodCase{"ExtendedUsageNestedAndLongItem",
                 {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xA1, 0x02, 0x75, 0x08,
                  0x95, 0x20, 0x81, 0x02, 0xC0, 0x95, 0x20, 0x81, 0x02, 0xC0},
                 false, {{0xFF00, 1, 65, 0, 0, false, 0, {0}}}},
        // Push and pop restore the report size: 8 bits + 8 bits.
        GoodCase{"PushPop",
                 {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0xA4, 0x75, 0x10, 0xB4, 0x81,
                  0x02, 0x81, 0x02, 0xC0},
                 false, {{0xFF00, 1, 3, 0, 0, false, 0, {0}}}},
        GoodCase{"Empty", {}, false, {}}),
    [](const auto& param) { return std::string(param.param.name); });

struct BadCase {
    const char* name;
    Bytes descriptor;
};

class ReportDescriptorBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReportDescriptorBadTest, IsRejected) {
    const Bytes exact(GetParam().descriptor);
    EXPECT_FALSE(ParseReportDescriptor(exact).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, ReportDescriptorBadTest,
    ::testing::Values(BadCase{"ShortItemPastTheEnd", {0x06, 0x00}},
                      BadCase{"FourByteItemPastTheEnd", {0x0B, 0x01, 0x00}},
                      BadCase{"LongItemPastTheEnd", {0xFE, 0x05, 0x10, 0xAA}},
                      BadCase{"LongItemWithoutHeader", {0xFE, 0x01}},
                      BadCase{"ReportIdZero", {0x85, 0x00}},
                      BadCase{"ReportIdAbove255", {0x86, 0x00, 0x01}},
                      BadCase{"EndWithoutCollection", {0xC0}},
                      BadCase{"CollectionLeftOpen", {0x09, 0x01, 0xA1, 0x01}},
                      BadCase{"PopWithoutPush", {0xB4}},
                      BadCase{"ReservedItemType", {0x0C}},
                      BadCase{"UnknownMainItem", {0xD0}},
                      BadCase{"ReportSizeTooLarge", {0x76, 0x01, 0x01}},
                      BadCase{"ReportTooLong", {0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x40, 0x81, 0x02, 0xC0}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ReportDescriptorTest, EveryCutOfAValidDescriptorIsRejectedOrHasFewerCollections) {
    const Bytes full = Concat({kKeyboard, VendorCollection(2), kConsumer});
    for (size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(length));
        const auto info = ParseReportDescriptor(cut);
        if (info) {
            EXPECT_LT(info->collections.size(), 3u);
        }
    }
}

} // namespace
} // namespace hid
