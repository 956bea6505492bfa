// The transport's rules through its five operations, over the scripted back-end.
#include <gtest/gtest.h>

#include <memory>

#include "device/hid/Hid.h"
#include "device/hid/HidSetup.h"
#include "tests/device/hid/FakeBackend.h"
#include "tests/device/hid/TransportHarness.h"

namespace hid::test {
namespace {

constexpr uint16_t kVendor = 0x37A1;
constexpr uint16_t kProduct = 0x0101;
constexpr uint32_t kSlot = 0;

class HidTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        hid::testing::HidUseBackend(m_bus);
        ReportRecorder::Get().Take();
    }
    void TearDown() override {
        HidClose(kSlot);
        HidClose(1);
        hid::testing::HidUseBackend(nullptr);
    }

    uint32_t OpenWith(const HidDeviceFilter& filter, uint32_t slot = kSlot) {
        HidSetFilter(&filter, slot);
        HidSetCallback(&ReportRecorder::Callback, slot);
        return HidOpen(m_owner.Handle(), kNoticeMessage, slot);
    }
    uint32_t Open() { return OpenWith(FilterFor(kVendor, kProduct)); }

    bool WaitForNotices(size_t count) {
        return PumpUntil([&] { return m_owner.notices.size() >= count; });
    }

    std::shared_ptr<FakeBackend> m_bus = std::make_shared<FakeBackend>();
    NoticeOwner m_owner;
};

TEST_F(HidTransportTest, TwoMatchingDevicesGetIdsOneAndTwoAndOpenReturnsThree) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    m_bus->AddPresent(VendorInterface("other", kVendor, 0x0F01));
    m_bus->AddPresent(VendorInterface("b", kVendor, kProduct));

    EXPECT_EQ(Open(), 3u);
    EXPECT_EQ(m_owner.notices, (std::vector{Attached(1, kVendor, kProduct), Attached(2, kVendor, kProduct)}));
    EXPECT_EQ(m_bus->OpenCount("other"), 0);
}

TEST_F(HidTransportTest, NothingMatchingSendsTheAllZeroNotice) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));

    EXPECT_EQ(OpenWith(HidDeviceFilter{}), 0u);
    EXPECT_EQ(m_owner.notices, std::vector{_DEVICE_STATE{}});
}

struct MatchCase {
    const char* name;
    HidDeviceFilter filter;
    HidInterfaceInfo device;
    bool matches;
};

HidDeviceFilter WithPairs(std::initializer_list<HidUsagePair> pairs, uint32_t pairCount) {
    HidDeviceFilter filter = FilterFor(kVendor, kProduct);
    filter.pairCount = pairCount;
    size_t i = 0;
    for (const HidUsagePair& pair : pairs) {
        filter.pairs[i++] = pair;
    }
    return filter;
}

HidInterfaceInfo WithUsage(uint16_t usagePage, uint16_t usage) {
    HidInterfaceInfo info = VendorInterface("d", kVendor, kProduct);
    info.usagePage = usagePage;
    info.usage = usage;
    return info;
}

class HidMatchTest : public HidTransportTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(HidMatchTest, AttachesExactlyTheMatchingDevices) {
    const MatchCase& c = GetParam();
    m_bus->AddPresent(c.device);
    EXPECT_EQ(OpenWith(c.filter), c.matches ? 2u : 0u);
    ASSERT_EQ(m_owner.notices.size(), 1u);
    EXPECT_EQ(m_owner.notices[0].state, c.matches ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, HidMatchTest,
    ::testing::Values(
        MatchCase{"SameIdsAndPair", FilterFor(kVendor, kProduct), VendorInterface("d", kVendor, kProduct), true},
        MatchCase{"OtherVendor", FilterFor(kVendor, kProduct), VendorInterface("d", 0x1234, kProduct), false},
        MatchCase{"OtherProduct", FilterFor(kVendor, kProduct), VendorInterface("d", kVendor, 0x0F01), false},
        MatchCase{"OtherUsage", FilterFor(kVendor, kProduct), WithUsage(0xFF00, 2), false},
        MatchCase{"OtherUsagePage", FilterFor(kVendor, kProduct), WithUsage(0x0001, 1), false},
        MatchCase{"LaterPair", WithPairs({{6, 1}, {2, 0xFF01}}, 2), WithUsage(0xFF01, 2), true},
        MatchCase{"PairBeyondCount", WithPairs({{6, 1}, {2, 0xFF01}}, 1), WithUsage(0xFF01, 2), false},
        MatchCase{"CountAboveTenIsTen", WithPairs({{9, 9}, {9, 9}, {9, 9}, {9, 9}, {9, 9}, {9, 9}, {9, 9}, {9, 9}, {9, 9}, {1, 0xFF00}}, 99),
                  VendorInterface("d", kVendor, kProduct), true},
        MatchCase{"ZeroPairs", WithPairs({{1, 0xFF00}}, 0), VendorInterface("d", kVendor, kProduct), false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(HidTransportTest, HotplugAttachesTheNextIdAndIgnoresOthers) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);

    m_bus->Plug(VendorInterface("stranger", 0x1234, 0x5678));
    m_bus->Plug(VendorInterface("b", kVendor, kProduct));
    // Events are worked off in order, so once b's notice is here the stranger was looked at.
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_EQ(m_owner.notices[1], Attached(2, kVendor, kProduct));
    EXPECT_EQ(m_bus->OpenCount("stranger"), 0);
    PumpFor(20);
    EXPECT_EQ(m_owner.notices.size(), 2u);
}

TEST_F(HidTransportTest, ArrivalOfAnAttachedNodeDoesNotAttachItTwice) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    m_bus->Plug(VendorInterface("a", kVendor, kProduct));  // e.g. seen by the monitor and the listing
    m_bus->Plug(VendorInterface("b", kVendor, kProduct));
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_EQ(m_owner.notices[1], Attached(2, kVendor, kProduct));
    EXPECT_EQ(m_bus->OpenCount("a"), 1);
}

TEST_F(HidTransportTest, UnplugSendsStateZeroAndLaterWritesFailWithoutIo) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    m_bus->AddPresent(VendorInterface("b", kVendor, kProduct));
    ASSERT_EQ(Open(), 3u);

    m_bus->Unplug("a");
    ASSERT_TRUE(WaitForNotices(3));
    EXPECT_EQ(m_owner.notices[2], Detached(1, kVendor, kProduct));

    const uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(HidWrite(1, data, 4, kSlot), 0u);
    EXPECT_TRUE(m_bus->Written("a").empty());
    EXPECT_NE(HidWrite(2, data, 4, kSlot), 0u);
}

TEST_F(HidTransportTest, ANodeThatFailsItsReadsIsDetachedAsRemoved) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    m_bus->FailNode("a");
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_EQ(m_owner.notices[1], Detached(1, kVendor, kProduct));
    PumpFor(20);
    EXPECT_EQ(m_owner.notices.size(), 2u);  // one removal, not one per failed read
}

struct WriteCase {
    const char* name;
    uint32_t deviceId;
    std::vector<uint8_t> data;
    bool written;
};

class HidWriteTest : public HidTransportTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(HidWriteTest, WritesOneReportPaddedWithItsReportId) {
    const WriteCase& c = GetParam();
    HidInterfaceInfo info = VendorInterface("a", kVendor, kProduct);
    info.outputReportId = 5;
    m_bus->AddPresent(info);
    ASSERT_EQ(Open(), 2u);

    const uint32_t result = HidWrite(c.deviceId, c.data.data(), static_cast<uint32_t>(c.data.size()), kSlot);
    const auto written = m_bus->Written("a");
    if (!c.written) {
        EXPECT_EQ(result, 0u);
        EXPECT_TRUE(written.empty());
        return;
    }
    EXPECT_NE(result, 0u);
    ASSERT_EQ(written.size(), 1u);
    std::vector<uint8_t> expected(65, 0);
    expected[0] = 5;
    std::copy(c.data.begin(), c.data.end(), expected.begin() + 1);
    EXPECT_EQ(written[0], expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, HidWriteTest,
    ::testing::Values(WriteCase{"Short", 1, {0x12, 0x00, 0x7F}, true},
                      WriteCase{"FullReport", 1, std::vector<uint8_t>(64, 0xA5), true},
                      WriteCase{"Empty", 1, {}, true},
                      WriteCase{"OneByteTooLong", 1, std::vector<uint8_t>(65, 0xA5), false},
                      WriteCase{"IdZero", 0, {1}, false},
                      WriteCase{"UnknownId", 2, {1}, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(HidTransportTest, WriteToADeviceWithoutOutputItemFails) {
    HidInterfaceInfo info = VendorInterface("a", kVendor, kProduct);
    info.hasOutputItem = false;
    m_bus->AddPresent(info);
    ASSERT_EQ(Open(), 2u);
    const uint8_t data[1] = {1};
    EXPECT_EQ(HidWrite(1, data, 1, kSlot), 0u);
    EXPECT_TRUE(m_bus->Written("a").empty());
}

TEST_F(HidTransportTest, SuspendDetachesWithNoticesAndResumeReattachesFromIdOne) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    m_bus->AddPresent(VendorInterface("b", kVendor, kProduct));
    ASSERT_EQ(Open(), 3u);

    m_bus->Suspend();
    ASSERT_TRUE(WaitForNotices(4));
    EXPECT_EQ(m_owner.notices[2], Detached(1, kVendor, kProduct));
    EXPECT_EQ(m_owner.notices[3], Detached(2, kVendor, kProduct));
    const uint8_t data[1] = {1};
    EXPECT_EQ(HidWrite(1, data, 1, kSlot), 0u);
    m_bus->Plug(VendorInterface("c", kVendor, kProduct));  // ignored while suspended

    m_bus->Unplug("a");
    m_bus->Resume();
    ASSERT_TRUE(WaitForNotices(6));
    EXPECT_EQ(m_owner.notices[4], Attached(1, kVendor, kProduct));  // b
    EXPECT_EQ(m_owner.notices[5], Attached(2, kVendor, kProduct));  // c, listed on resume
    EXPECT_NE(HidWrite(1, data, 1, kSlot), 0u);
    EXPECT_EQ(m_bus->Written("b").size(), 1u);
}

TEST_F(HidTransportTest, ResumeWithNothingPresentSendsTheAllZeroNotice) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    hid::testing::HidInjectPowerEvent(kSlot, true);
    ASSERT_TRUE(WaitForNotices(2));
    m_bus->Unplug("a");
    hid::testing::HidInjectPowerEvent(kSlot, false);
    ASSERT_TRUE(WaitForNotices(3));
    EXPECT_EQ(m_owner.notices[2], _DEVICE_STATE{});
}

TEST_F(HidTransportTest, CloseSendsNoNoticesAndTheSlotOpensAgain) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    HidClose(kSlot);
    EXPECT_FALSE(m_bus->HasWatch());
    PumpFor(20);
    EXPECT_EQ(m_owner.notices.size(), 1u);
    const uint8_t data[1] = {1};
    EXPECT_EQ(HidWrite(1, data, 1, kSlot), 0u);

    EXPECT_EQ(Open(), 2u);
    EXPECT_EQ(m_owner.notices.back(), Attached(1, kVendor, kProduct));
}

TEST_F(HidTransportTest, TwoSlotsAreIndependent) {
    m_bus->AddPresent(VendorInterface("ap", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    EXPECT_EQ(OpenWith(FilterFor(kVendor, 0x0F01), 1), 0u);
    m_bus->Plug(VendorInterface("iap", kVendor, 0x0F01));
    ASSERT_TRUE(WaitForNotices(3));
    EXPECT_EQ(m_owner.notices[2], Attached(1, kVendor, 0x0F01));  // slot 1 counts its own ids
}

TEST_F(HidTransportTest, APermissionRefusalIsRecordedAndTheNodeSkipped) {
    m_bus->AddPresent(VendorInterface("locked", kVendor, kProduct));
    m_bus->RefuseOpen("locked", HidOpenError::PermissionDenied);
    m_bus->AddPresent(VendorInterface("gone", kVendor, kProduct));
    m_bus->RefuseOpen("gone", HidOpenError::NotFound);

    EXPECT_EQ(Open(), 0u);
    EXPECT_EQ(m_owner.notices, std::vector{_DEVICE_STATE{}});
    EXPECT_EQ(HidPermissionDeniedNodes(kSlot), std::vector<std::string>{"locked"});
}

struct InputCase {
    const char* name;
    uint32_t inputLength;
    size_t reportBytes;  // what the device hands over (at most inputLength)
};

class HidInputTest : public HidTransportTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(HidInputTest, AReportReachesTheCallbackWholeInAZeroFilledBuffer) {
    const InputCase& c = GetParam();
    HidInterfaceInfo info = VendorInterface("a", kVendor, kProduct);
    info.inputReportLength = c.inputLength;
    m_bus->AddPresent(info);
    ASSERT_EQ(Open(), 2u);

    std::vector<uint8_t> report(c.reportBytes);
    for (size_t i = 0; i < report.size(); ++i) {
        report[i] = static_cast<uint8_t>(i % 251 + 1);
    }
    report[0] = 0;
    m_bus->Deliver("a", report);
    ASSERT_TRUE(PumpUntil([] { return ReportRecorder::Get().Count() >= 1; }));
    const ReceivedReport got = ReportRecorder::Get().Take().at(0);

    EXPECT_EQ(got.deviceId, 1u);
    EXPECT_EQ(got.length, c.inputLength);
    std::vector<uint8_t> expected(std::max<size_t>(1000, c.inputLength), 0);
    std::copy(report.begin(), report.end(), expected.begin());
    EXPECT_EQ(got.bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(Reports, HidInputTest,
                         ::testing::Values(InputCase{"VendorReport", 65, 65}, InputCase{"ShortRead", 65, 9},
                                           InputCase{"LongerThanTheBuffer", 1500, 1500}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(HidTransportTest, ACallbackChangeAfterAttachDoesNotReachAttachedDevices) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    HidSetCallback(nullptr, kSlot);
    m_bus->Deliver("a", std::vector<uint8_t>(65, 7));
    ASSERT_TRUE(PumpUntil([] { return ReportRecorder::Get().Count() >= 1; }));
}

TEST_F(HidTransportTest, CloseWhileANoticeWaitsForTheClosingThreadEnds) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    m_bus->Unplug("a");
    // Not handling messages here lets the notification thread get stuck in its removal notice to
    // this thread, which then closes the slot.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    HidClose(kSlot);
    EXPECT_FALSE(m_bus->HasWatch());
    ASSERT_GE(m_owner.notices.size(), 1u);
    EXPECT_LE(m_owner.notices.size(), 2u);  // the removal notice, if it was delivered during the close
}

TEST_F(HidTransportTest, ClosingWhileReportsAndWritesRunEndsCleanly) {
    m_bus->AddPresent(VendorInterface("a", kVendor, kProduct));
    ASSERT_EQ(Open(), 2u);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const uint8_t data[2] = {1, 2};
        while (!stop) {
            HidWrite(1, data, 2, kSlot);
        }
    });
    for (int i = 0; i < 50; ++i) {
        m_bus->Deliver("a", std::vector<uint8_t>(65, static_cast<uint8_t>(i)));
    }
    m_bus->Unplug("a");
    HidClose(kSlot);
    stop = true;
    writer.join();
    const uint8_t data[1] = {1};
    EXPECT_EQ(HidWrite(1, data, 1, kSlot), 0u);
}

} // namespace
} // namespace hid::test
