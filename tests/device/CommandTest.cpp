// The IAP commands over the fake transport: request bytes, answer handling, results and waits.
#include "tests/device/ChannelFixture.h"

#include "sys/Pacing.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

using device::CUSBDriver;
using device::IAP_CUSBDriver;
using device::kCommandFailed;
using device::kCommandOk;
using device::Report;
using devicetest::Bytes;
using devicetest::Echo;
using devicetest::kDeviceId;

class CommandTest : public devicetest::ChannelTest {};

struct EncodingCase {
    const char* name;
    std::vector<uint8_t> request; // the request's leading bytes; the rest of the 64 are zero
    std::function<std::vector<fakehid::Answer>(const Report&)> respond;
    // Runs the command and checks what it filled in; returns the command's result.
    std::function<int(CUSBDriver&)> run;
    int expected;
};

std::vector<fakehid::Answer> Answer(Report report) {
    return {fakehid::Answer{report}};
}

std::function<std::vector<fakehid::Answer>(const Report&)> EchoWith(std::vector<uint8_t> results) {
    return [results](const Report& request) { return Answer(Echo(request, results)); };
}

std::vector<fakehid::Answer> NoAnswer(const Report&) {
    return {};
}

// Runs a command that must not wait for an answer; fails the test when it took an answer wait.
template <typename Command> int ReturnsAtOnce(Command&& command) {
    const int64_t start = sys::NowMillis();
    const int result = command();
    EXPECT_LT(sys::NowMillis() - start, 200) << "waited for an answer";
    return result;
}

TEST_F(CommandTest, RequestsAndResultsFollowTheCommandTable) {
    std::vector<uint8_t> block(56);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(0xA0 + i);
    }
    std::vector<uint8_t> writeRequest = {0x1F, 0x38, 0x00, 0x00};
    writeRequest.insert(writeRequest.end(), block.begin(), block.end());
    std::vector<uint8_t> infoResults(60);
    for (size_t i = 0; i < infoResults.size(); ++i) {
        infoResults[i] = static_cast<uint8_t>(i + 1);
    }

    const std::vector<EncodingCase> cases = {
        {"GetTarget",
         {0x10, 0x00},
         EchoWith({0x03, 0x00, 0x00, 0x00}),
         [](CUSBDriver& c) {
             uint32_t index = 99;
             const int result = c.GetTarget(index);
             EXPECT_EQ(index, 3u);
             return result;
         },
         kCommandOk},
        {"SelectTarget 2",
         {0x10, 0x01, 0x00, 0x00, 0x02},
         EchoWith({}),
         [](CUSBDriver& c) { return c.SelectTarget(2); },
         kCommandOk},
        {"GetTargetCount",
         {0x10, 0x02},
         EchoWith({0x05, 0x00, 0x00, 0x00}),
         [](CUSBDriver& c) {
             uint32_t count = 0;
             const int result = c.GetTargetCount(count);
             EXPECT_EQ(count, 5u);
             return result;
         },
         kCommandOk},
        {"EnterIap needs no answer",
         {0x11, 0x00},
         NoAnswer,
         [](CUSBDriver& c) { return ReturnsAtOnce([&] { return c.EnterIap(); }); },
         kCommandOk},
        {"ResetDevice needs no answer",
         {0x11, 0x01},
         NoAnswer,
         [](CUSBDriver& c) { return ReturnsAtOnce([&] { return c.ResetDevice(); }); },
         kCommandOk},
        {"GetFWInfo fills 0..59 and zeroes 60..63",
         {0x12, 0x00},
         EchoWith(infoResults),
         [&](CUSBDriver& c) {
             device::FWInfo info;
             info.fill(0xEE);
             const int result = c.GetFWInfo(info);
             EXPECT_TRUE(std::equal(infoResults.begin(), infoResults.end(), info.begin()));
             EXPECT_EQ(info[60] | info[61] | info[62] | info[63], 0);
             return result;
         },
         kCommandOk},
        {"GetAPInfoBlock names block 5",
         {0x12, 0x01},
         EchoWith({0x04, 0x00, 0x05, 0x00}),
         [](CUSBDriver& c) {
             uint32_t blockNo = 0;
             const int result = c.GetAPInfoBlock(blockNo);
             EXPECT_EQ(blockNo, 5u);
             return result;
         },
         kCommandOk},
        {"GetAPInfoBlock naming nothing leaves the block",
         {0x12, 0x01},
         EchoWith({0x00, 0x00, 0x05, 0x00}),
         [](CUSBDriver& c) {
             uint32_t blockNo = 77;
             const int result = c.GetAPInfoBlock(blockNo);
             EXPECT_EQ(blockNo, 77u);
             return result;
         },
         kCommandOk},
        {"ReadInfoBlock 0",
         {0x12, 0x20},
         EchoWith(infoResults),
         [&](CUSBDriver& c) {
             device::InfoBlock record{};
             const int result = c.ReadInfoBlock(0, record);
             EXPECT_TRUE(std::equal(infoResults.begin(), infoResults.end(), record.begin()));
             return result;
         },
         kCommandOk},
        {"ReadInfoBlock 3",
         {0x12, 0x23},
         EchoWith({}),
         [](CUSBDriver& c) {
             device::InfoBlock record{};
             return c.ReadInfoBlock(3, record);
         },
         kCommandOk},
        {"ReadInfoBlock 0xE0 wraps to sub-command 0",
         {0x12, 0x00},
         EchoWith({}),
         [](CUSBDriver& c) {
             device::InfoBlock record{};
             return c.ReadInfoBlock(0xE0, record);
         },
         kCommandOk},
        {"EraseFlash 0x10000",
         {0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00},
         EchoWith({}),
         [](CUSBDriver& c) { return c.EraseFlash(0x10000); },
         kCommandOk},
        {"GetFlashChecksum 0x800/0x234",
         {0x1D, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x34, 0x02, 0x00, 0x00},
         EchoWith({0x78, 0x56, 0x34, 0x12}),
         [](CUSBDriver& c) {
             uint32_t sum = 0;
             const int result = c.GetFlashChecksum(0x800, 0x234, sum);
             EXPECT_EQ(sum, 0x12345678u);
             return result;
         },
         kCommandOk},
        {"GetWritePointer sends the value passed in",
         {0x1E, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
         EchoWith({0x00, 0x10, 0x00, 0x00}),
         [](CUSBDriver& c) {
             uint32_t pointer = 0xFFFFFFFF;
             const int result = c.GetWritePointer(pointer);
             EXPECT_EQ(pointer, 0x1000u);
             return result;
         },
         kCommandOk},
        {"SetWritePointer",
         {0x1E, 0x01, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00},
         EchoWith({}),
         [](CUSBDriver& c) { return c.SetWritePointer(0x2000); },
         kCommandOk},
        {"WriteBlock of 56 answered by its echo", writeRequest, EchoWith({0x38, 0x08, 0x00, 0x00}),
         [&](CUSBDriver& c) {
             uint32_t pointer = 0;
             const int result = c.WriteBlock(block, pointer);
             EXPECT_EQ(pointer, 0x838u);
             return result;
         },
         kCommandOk},
        {"WriteBlock of 56 answered 1E 02", writeRequest,
         [](const Report&) {
             return Answer(Bytes({0x1E, 0x02, 0x00, 0x00, 0x70, 0x08, 0x00, 0x00}));
         },
         [&](CUSBDriver& c) {
             uint32_t pointer = 0;
             const int result = c.WriteBlock(block, pointer);
             EXPECT_EQ(pointer, 0x870u);
             return result;
         },
         kCommandOk},
        {"SendCommand copies the answer back",
         {0x42, 0x07, 0x00, 0x00, 0x01},
         EchoWith({0x10, 0x20, 0x30}),
         [](CUSBDriver& c) {
             Report request = Bytes({0x42, 0x07, 0x00, 0x00, 0x01});
             const int result = c.SendCommand(request, true, 0);
             EXPECT_EQ(request, Bytes({0x42, 0x07, 0x00, 0x00, 0x10, 0x20, 0x30}));
             return result;
         },
         kCommandOk},
        {"SendCommand without waiting",
         {0x42, 0x08},
         NoAnswer,
         [](CUSBDriver& c) {
             Report request = Bytes({0x42, 0x08});
             return c.SendCommand(request, false, 0);
         },
         kCommandOk},
    };

    auto channel = OpenPresent<CUSBDriver>(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakehid::Drain();
        fakehid::Reset();
        fakehid::SetPresent(0, {fakehid::Attached(kDeviceId, devicetest::kVendor, devicetest::kProduct)});
        fakehid::SetResponder(0, c.respond);
        channel->MakeCurrent();
        ASSERT_EQ(channel->Open(devicetest::kVendor, devicetest::kProduct), 1u);

        EXPECT_EQ(c.run(*channel), c.expected);

        const auto writes = fakehid::Slot(0).writes;
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].deviceId, kDeviceId);
        std::vector<uint8_t> expected = c.request;
        expected.resize(device::kReportBytes, 0);
        EXPECT_EQ(writes[0].data, expected);
    }
}

// Every command, run on a channel with no device: 1 at once, nothing written, nothing filled in.
TEST_F(CommandTest, AbsentChannelFailsAtOnceAndSendsNothing) {
    auto channel = MakeChannel<CUSBDriver>(0);
    ASSERT_EQ(channel->Open(devicetest::kVendor, devicetest::kProduct), 0u);
    uint32_t value = 0xC0FFEE;
    device::FWInfo info;
    info.fill(0xEE);
    device::InfoBlock record;
    record.fill(0xEE);
    Report request = Bytes({0x12, 0x00});
    const std::vector<uint8_t> block(8, 0x11);
    const std::vector<std::pair<const char*, std::function<int()>>> commands = {
        {"GetTarget", [&] { return channel->GetTarget(value); }},
        {"SelectTarget", [&] { return channel->SelectTarget(1); }},
        {"GetTargetCount", [&] { return channel->GetTargetCount(value); }},
        {"EnterIap", [&] { return channel->EnterIap(); }},
        {"ResetDevice", [&] { return channel->ResetDevice(); }},
        {"GetFWInfo", [&] { return channel->GetFWInfo(info); }},
        {"GetAPInfoBlock", [&] { return channel->GetAPInfoBlock(value); }},
        {"ReadInfoBlock", [&] { return channel->ReadInfoBlock(0, record); }},
        {"EraseFlash", [&] { return channel->EraseFlash(0x10000); }},
        {"GetFlashChecksum", [&] { return channel->GetFlashChecksum(0, 4, value); }},
        {"GetWritePointer", [&] { return channel->GetWritePointer(value); }},
        {"SetWritePointer", [&] { return channel->SetWritePointer(0); }},
        {"WriteBlock", [&] { return channel->WriteBlock(block, value); }},
        {"SendCommand", [&] { return channel->SendCommand(request, true, 5000); }},
    };
    for (const auto& [name, run] : commands) {
        SCOPED_TRACE(name);
        const int64_t start = sys::NowMillis();
        EXPECT_EQ(run(), kCommandFailed);
        EXPECT_LT(sys::NowMillis() - start, 100);
    }
    EXPECT_TRUE(fakehid::Slot(0).writes.empty());
    EXPECT_EQ(value, 0xC0FFEEu);
    EXPECT_EQ(info[0], 0xEE);
    EXPECT_EQ(record[0], 0xEE);
    EXPECT_EQ(request, Bytes({0x12, 0x00}));
}

struct FailureCase {
    const char* name;
    bool iapChannel;
    bool writeAccepted;
    std::function<std::vector<fakehid::Answer>(const Report&)> respond;
    bool expectFullWait; // the command can only end by its time-out
};

// Answers that must not complete a command: the command fails, leaving the variable untouched (the
// FWInfo record zeroed), after the full wait unless the error answer ends it early.
TEST_F(CommandTest, UnfitAnswersFailTheCommand) {
    const std::vector<FailureCase> cases = {
        {"no answer", false, true, NoAnswer, true},
        {"bytes 2..3 differ", false, true,
         [](const Report& r) {
             return Answer(Bytes({r[0], r[1], 0x01, 0x00, 0x42}));
         },
         true},
        {"error answer on the AP channel", false, true,
         [](const Report& r) {
             return Answer(Bytes({0xFF, 0xAA, 0x00, 0x00, r[0], r[1]}));
         },
         false},
        {"error answer on the IAP channel", true, true,
         [](const Report& r) {
             return Answer(Bytes({0xFF, 0xAA, 0x00, 0x00, r[0], r[1]}));
         },
         true},
        {"answer from another device", false, true,
         [](const Report& r) {
             return std::vector<fakehid::Answer>{fakehid::Answer{Echo(r, {0x42}), 0, 9}};
         },
         true},
        {"write refused, answer still comes", false, false,
         [](const Report& r) { return Answer(Echo(r, {0x42})); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakehid::Drain();
        fakehid::Reset();
        fakehid::SetPresent(c.iapChannel ? 1 : 0,
                            {fakehid::Attached(kDeviceId, devicetest::kVendor, devicetest::kProduct)});
        fakehid::SetResponder(c.iapChannel ? 1 : 0, c.respond);
        fakehid::SetWriteAccepted(c.writeAccepted);
        std::unique_ptr<CUSBDriver> channel;
        if (c.iapChannel) {
            channel = MakeChannel<IAP_CUSBDriver>(1);
        } else {
            channel = MakeChannel<CUSBDriver>(0);
        }
        ASSERT_EQ(channel->Open(devicetest::kVendor, devicetest::kProduct), 1u);

        device::FWInfo info;
        info.fill(0xEE);
        const int64_t start = sys::NowMillis();
        EXPECT_EQ(channel->GetFWInfo(info), kCommandFailed);
        const int64_t elapsed = sys::NowMillis() - start;
        EXPECT_EQ(info, device::FWInfo{});
        if (c.expectFullWait) {
            EXPECT_GE(elapsed, 490);
        } else {
            EXPECT_LT(elapsed, 400);
        }
    }
}

TEST_F(CommandTest, OversizedBlockIsRefusedUnsent) {
    auto channel = OpenPresent<CUSBDriver>(0);
    fakehid::SetResponder(0, EchoWith({}));
    uint32_t pointer = 7;
    const std::vector<uint8_t> fits(60, 0x5A);
    const std::vector<uint8_t> tooLong(61, 0x5A);
    EXPECT_EQ(channel->WriteBlock(tooLong, pointer), kCommandFailed);
    EXPECT_TRUE(fakehid::Slot(0).writes.empty());
    EXPECT_EQ(channel->WriteBlock(fits, pointer), kCommandOk);
    ASSERT_EQ(fakehid::Slot(0).writes.size(), 1u);
    EXPECT_EQ(fakehid::Slot(0).writes[0].data[1], 60);
}

TEST(EraseTimeout, OneSecondPerWhole10240BytesAndAtLeast500) {
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {0, 500},      {0x1000, 500},     {10239, 500},    {10240, 1000},
        {20479, 1000}, {3 * 10240, 3000}, {0x10000, 6000}, {0xFFFFFFFF, 419430000},
    };
    for (const auto& [count, wait] : cases) {
        EXPECT_EQ(CUSBDriver::EraseTimeout(count), wait) << "count " << count;
    }
}

// The erase waits as long as its count asks: an unanswered erase fails after that wait, not sooner.
TEST_F(CommandTest, EraseWaitsItsTimeoutForTheAnswer) {
    auto channel = OpenPresent<CUSBDriver>(0);
    for (const auto& [count, wait] :
         std::vector<std::pair<uint32_t, int64_t>>{{0x1000, 500}, {10240, 1000}, {0x10000, 6000}}) {
        SCOPED_TRACE(count);
        const int64_t start = sys::NowMillis();
        EXPECT_EQ(channel->EraseFlash(count), kCommandFailed);
        const int64_t elapsed = sys::NowMillis() - start;
        EXPECT_GE(elapsed, wait - 10);
        EXPECT_LT(elapsed, wait + wait / 2 + 100);
    }
    // Answered late but within its wait, a long erase succeeds.
    fakehid::SetResponder(0, [](const Report& r) { return std::vector<fakehid::Answer>{{Echo(r), 4000}}; });
    EXPECT_EQ(channel->EraseFlash(0x10000), kCommandOk);
}

// The answer crosses from the read thread to the requester while more reports keep arriving; each
// result must be one answer copied whole (every byte from the same report), never a mix.
TEST_F(CommandTest, AnswersAreCopiedWholeWhileReportsKeepArriving) {
    auto channel = OpenPresent<CUSBDriver>(0);
    // Each request carries a tag; the device answers it three times, each answer filled with one value.
    fakehid::SetResponder(0, [](const Report& r) {
        std::vector<fakehid::Answer> answers;
        for (uint8_t copy = 0; copy < 3; ++copy) {
            Report answer = Echo(r);
            std::fill(answer.begin() + 4, answer.end(), static_cast<uint8_t>(r[4] + copy));
            answers.push_back(fakehid::Answer{answer});
        }
        return answers;
    });
    for (int i = 0; i < 300; ++i) {
        Report request = Bytes({0x42, 0x00, 0x00, 0x00, static_cast<uint8_t>(i)});
        ASSERT_EQ(channel->SendCommand(request, true, 500), kCommandOk);
        const uint8_t first = request[4];
        for (size_t b = 5; b < request.size(); ++b) {
            ASSERT_EQ(request[b], first) << "torn answer at byte " << b << " of request " << i;
        }
    }
}

// The pause after a request overlaps the answer wait, but the next request still leaves at least
// 3 ms after the last one, however soon the answer came; a fire-and-forget request is paced too.
TEST_F(CommandTest, ConsecutiveRequestsStayThreeMillisecondsApart) {
    for (const uint32_t delayMs : {0u, 1u, 5u}) {
        SCOPED_TRACE("answer after " + std::to_string(delayMs) + " ms");
        fakehid::Reset();
        auto channel = OpenPresent<CUSBDriver>(0);
        fakehid::SetResponder(0, [delayMs](const Report& r) {
            return std::vector<fakehid::Answer>{{Echo(r), delayMs}};
        });
        for (int i = 0; i < 6; ++i) {
            uint32_t pointer = 0xFFFFFFFF;
            ASSERT_EQ(channel->GetWritePointer(pointer), kCommandOk);
        }
        ASSERT_EQ(channel->EnterIap(), kCommandOk);
        uint32_t pointer = 0xFFFFFFFF;
        ASSERT_EQ(channel->GetWritePointer(pointer), kCommandOk);
        const std::vector<fakehid::Write> writes = fakehid::Slot(0).writes;
        ASSERT_EQ(writes.size(), 8u);
        for (size_t i = 1; i < writes.size(); ++i) {
            EXPECT_GE(writes[i].atMicros - writes[i - 1].atMicros, sys::kPacingMicros) << "request " << i;
        }
    }
}

} // namespace
