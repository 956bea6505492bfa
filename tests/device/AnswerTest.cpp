// Answer recognition and the channels' debug line formats: pure functions over bytes.
#include "device/Answer.h"

#include "device/DebugLines.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using device::AnswerRules;
using device::Report;

Report Bytes(std::vector<uint8_t> bytes) {
    Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

struct RecognitionCase {
    const char* name;
    Report request;
    Report answer;
    bool acceptedOnAp;
    bool acceptedOnIap;
};

TEST(AnswerRecognition, FollowsTheEchoBlockWriteAndErrorRules) {
    const std::vector<RecognitionCase> cases = {
        {"echo of bytes 0..3", Bytes({0x12, 0x00}), Bytes({0x12, 0x00, 0x00, 0x00, 0x99}), true, true},
        {"echo with arguments", Bytes({0x1D, 0x01, 0, 0, 0x00, 0x08}), Bytes({0x1D, 0x01, 0, 0, 0x44}), true,
         true},
        {"byte 1 differs", Bytes({0x12, 0x00}), Bytes({0x12, 0x01}), false, false},
        {"byte 2 differs", Bytes({0x12, 0x00}), Bytes({0x12, 0x00, 0x01, 0x00}), false, false},
        {"byte 3 differs", Bytes({0x12, 0x00}), Bytes({0x12, 0x00, 0x00, 0x01}), false, false},
        {"block write answered 1E 02", Bytes({0x1F, 0x38}), Bytes({0x1E, 0x02, 0, 0, 0x40}), true, true},
        {"1E 02 to a pointer request", Bytes({0x1E, 0x00}), Bytes({0x1E, 0x02}), false, false},
        {"1E 02 to an info request", Bytes({0x12, 0x00}), Bytes({0x1E, 0x02}), false, false},
        {"1E 03 to a block write", Bytes({0x1F, 0x38}), Bytes({0x1E, 0x03}), false, false},
        {"error answer naming the request", Bytes({0x12, 0x00}), Bytes({0xFF, 0xAA, 0, 0, 0x12, 0x00}), true,
         false},
        {"error answer naming another group", Bytes({0x12, 0x00}), Bytes({0xFF, 0xAA, 0, 0, 0x10, 0x00}),
         false, false},
        {"error answer naming another sub-command", Bytes({0x12, 0x00}),
         Bytes({0xFF, 0xAA, 0, 0, 0x12, 0x01}), false, false},
        {"FF AB is no error answer", Bytes({0x12, 0x00}), Bytes({0xFF, 0xAB, 0, 0, 0x12, 0x00}), false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(device::IsAnswerTo(c.request, c.answer, AnswerRules::ApChannel), c.acceptedOnAp);
        EXPECT_EQ(device::IsAnswerTo(c.request, c.answer, AnswerRules::IapChannel), c.acceptedOnIap);
    }
}

TEST(AnswerRecognition, ErrorAnswerIsTheFfAaPrefix) {
    EXPECT_TRUE(device::IsErrorAnswer(Bytes({0xFF, 0xAA})));
    EXPECT_FALSE(device::IsErrorAnswer(Bytes({0xFF, 0xAB})));
    EXPECT_FALSE(device::IsErrorAnswer(Bytes({0xAA, 0xFF})));
}

TEST(AnswerFromInputReport, DropsTheReportIdAndReadsNoFurtherThanTheReport) {
    struct Case {
        const char* name;
        std::vector<uint8_t> input;
        Report expected;
    };
    std::vector<uint8_t> full(65);
    std::vector<uint8_t> longer(200, 0xEE);
    Report fullAnswer{};
    for (size_t i = 0; i < full.size(); ++i) {
        full[i] = static_cast<uint8_t>(i);
    }
    for (size_t i = 0; i < fullAnswer.size(); ++i) {
        fullAnswer[i] = static_cast<uint8_t>(i + 1);
    }
    Report longAnswer{};
    longAnswer.fill(0xEE);
    const std::vector<Case> cases = {
        {"65-byte report", full, fullAnswer},
        {"longer report keeps 64 bytes", longer, longAnswer},
        {"short report is zero-padded", {0x00, 0x12, 0x00, 0x00}, Bytes({0x12, 0x00, 0x00})},
        {"report id only", {0x07}, Report{}},
        {"empty report", {}, Report{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(device::AnswerFromInputReport(c.input), c.expected);
    }
}

TEST(DebugLines, NoticeLinesKeepTheirExactFormat) {
    hid::_DEVICE_STATE state;
    state.state = 1;
    state.dwDeviceID = 0x1A;
    state.usage = 1;
    state.usagePage = 0xFF00;
    EXPECT_EQ(device::FormatNoticeLine(true, state), "MONITOROPEN:dwDeviceID=1a,usage:0x1,uagePage:0xff00\n");
    EXPECT_EQ(device::FormatNoticeLine(false, hid::_DEVICE_STATE{}),
              "MONITORCLOSE:dwDeviceID=0,usage:0x0,uagePage:0x0\n");
}

TEST(DebugLines, ReportLinesShowIdAddressLengthAndNineBytes) {
    const auto* address = reinterpret_cast<const void*>(static_cast<uintptr_t>(0xBEEF0));
    EXPECT_EQ(device::FormatReportHeaderLine(2, address, 0x41), "ID:2,pBuffer=beef0 , Length=41\n");
    const std::vector<uint8_t> report = {0x00, 0x12, 0x00, 0x00, 0x00, 0xAB, 0x0C, 0x01, 0xFF, 0x77};
    EXPECT_EQ(device::FormatReportBytesLine(report), "00 12 00 00 00 ab 0c 01 ff\n");
    const std::vector<uint8_t> shortReport = {0x00, 0x1E};
    EXPECT_EQ(device::FormatReportBytesLine(shortReport), "00 1e 00 00 00 00 00 00 00\n");
}

} // namespace
