// The channels' slot handling, device list and presence announcements over the fake transport.
#include "tests/device/ChannelFixture.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using device::CUSBDriver;
using device::IAP_CUSBDriver;
using devicetest::kProduct;
using devicetest::kVendor;
using devicetest::PumpFor;
using devicetest::PumpUntil;

class PresenceTest : public devicetest::ChannelTest {
protected:
    const std::vector<devicetest::PresenceRecorder::Notice>& Notices() const { return m_recorder.m_notices; }
};

TEST_F(PresenceTest, OpenInstallsFilterAndCallbackAndReusesTheLastIds) {
    auto ap = MakeChannel<CUSBDriver>(0);
    auto iap = MakeChannel<IAP_CUSBDriver>(1);
    ap->Open(kVendor, kProduct);
    iap->Open(0x1111, 0x2222);

    for (const auto& [slot, vendor, product] :
         std::vector<std::tuple<uint32_t, uint32_t, uint32_t>>{{0, kVendor, kProduct}, {1, 0x1111, 0x2222}}) {
        SCOPED_TRACE(slot);
        const auto view = fakehid::Slot(slot);
        EXPECT_EQ(view.filter.vendorId, vendor);
        EXPECT_EQ(view.filter.productId, product);
        EXPECT_EQ(view.filter.pairCount, 1u);
        EXPECT_EQ(view.filter.pairs[0].usage, 1u);
        EXPECT_EQ(view.filter.pairs[0].usagePage, 0xFF00u);
        EXPECT_NE(view.callback, nullptr);
        EXPECT_EQ(view.owner, slot == 0 ? ap->Handle() : iap->Handle());
        EXPECT_EQ(view.noticeMessage, device::WM_HID_DEVICE_NOTICE);
    }
    // Each class has its own callback: the AP one takes the error answer, the IAP one does not.
    EXPECT_NE(fakehid::Slot(0).callback, fakehid::Slot(1).callback);

    iap->Open(0, 0);
    EXPECT_EQ(fakehid::Slot(1).filter.vendorId, 0x1111u);
    EXPECT_EQ(fakehid::Slot(1).filter.productId, 0x2222u);

    EXPECT_EQ(ap->Close(), 1u);
    const auto closed = fakehid::Slot(0);
    EXPECT_EQ(closed.filter.pairCount, 0u);
    EXPECT_EQ(closed.filter.vendorId, 0u);
    EXPECT_EQ(closed.callback, nullptr);
    EXPECT_EQ(closed.closeCount, 1);
}

TEST_F(PresenceTest, OpenWithoutDeviceAnnouncesAbsenceAtOnce) {
    auto channel = MakeChannel<CUSBDriver>(0);
    EXPECT_EQ(channel->Open(kVendor, kProduct), 0u);
    EXPECT_EQ(channel->m_presence.load(), 0u);
    EXPECT_EQ(channel->GetDeviceId(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !Notices().empty(); }, 200));
    EXPECT_EQ(Notices()[0].value, 0);
    PumpFor(1200);
    EXPECT_EQ(Notices().size(), 1u);
}

TEST_F(PresenceTest, ArrivalIsAnnouncedAboutOneSecondLater) {
    fakehid::SetPresent(0, {fakehid::Attached(4, kVendor, kProduct)});
    auto channel = MakeChannel<CUSBDriver>(0);
    const int64_t opened = sys::NowMillis();
    EXPECT_EQ(channel->Open(kVendor, kProduct), 1u);
    EXPECT_EQ(channel->m_presence.load(), 1u);
    EXPECT_EQ(channel->GetDeviceId(), 4);
    PumpFor(500);
    EXPECT_TRUE(Notices().empty());
    ASSERT_TRUE(PumpUntil([&] { return !Notices().empty(); }, 2000));
    EXPECT_EQ(Notices()[0].value, 1);
    EXPECT_GE(Notices()[0].atMs - opened, 950);
    EXPECT_LT(Notices()[0].atMs - opened, 1600);
    PumpFor(1200);
    EXPECT_EQ(Notices().size(), 1u); // one-shot
}

// The transport sends notices from its own window thread; the channel's window handles them on the
// user-interface thread while that thread pumps.
TEST_F(PresenceTest, NoticesFromTheTransportThreadAreHandledOnTheChannelThread) {
    auto channel = MakeChannel<IAP_CUSBDriver>(1);
    channel->Open(kVendor, kProduct);
    ASSERT_TRUE(PumpUntil([&] { return Notices().size() == 1; }, 200));

    std::atomic<bool> sent{false};
    std::thread transport([&] {
        fakehid::Notify(1, fakehid::Attached(2, kVendor, kProduct));
        sent = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return sent.load(); }, 1000));
    transport.join();
    EXPECT_EQ(channel->m_presence.load(), 1u);
    EXPECT_EQ(channel->GetDeviceId(), 2);
    ASSERT_TRUE(PumpUntil([&] { return Notices().size() == 2; }, 2000));
    EXPECT_EQ(Notices()[1].value, 1);
}

TEST_F(PresenceTest, DeviceThatComesAndGoesWithinASecondIsAnnouncedOnlyAsGone) {
    auto channel = MakeChannel<CUSBDriver>(0);
    channel->Open(kVendor, kProduct);
    ASSERT_TRUE(PumpUntil([&] { return Notices().size() == 1; }, 200)); // the absence found by Open

    fakehid::Notify(0, fakehid::Attached(1, kVendor, kProduct));
    PumpFor(400);
    fakehid::Notify(0, fakehid::Detached(1, kVendor, kProduct));
    EXPECT_EQ(channel->m_presence.load(), 0u);
    PumpFor(1500);
    ASSERT_EQ(Notices().size(), 2u);
    EXPECT_EQ(Notices()[1].value, 0);
}

TEST_F(PresenceTest, TwoMatchingDevicesKeepOneEntry) {
    fakehid::SetPresent(0,
                        {fakehid::Attached(1, kVendor, kProduct), fakehid::Attached(2, kVendor, kProduct)});
    for (const uint16_t unplugged : {uint16_t{1}, uint16_t{2}}) {
        SCOPED_TRACE(unplugged);
        m_recorder.m_notices.clear();
        auto channel = MakeChannel<CUSBDriver>(0);
        EXPECT_EQ(channel->Open(kVendor, kProduct), 1u);
        EXPECT_EQ(channel->GetDeviceId(), 2); // the later device took the entry
        ASSERT_TRUE(PumpUntil([&] { return Notices().size() == 1; }, 2000));
        EXPECT_EQ(Notices()[0].value, 1);

        fakehid::Notify(0, fakehid::Detached(unplugged, kVendor, kProduct));
        EXPECT_EQ(channel->m_presence.load(), 0u);
        EXPECT_EQ(channel->GetDeviceId(), 0);
        ASSERT_TRUE(PumpUntil([&] { return Notices().size() == 2; }, 200));
        EXPECT_EQ(Notices()[1].value, 0);
    }
}

TEST_F(PresenceTest, CloseAnnouncesAPresentDeviceAsGoneOnlyOnce) {
    struct Case {
        const char* name;
        bool devicePresent;
        uint32_t waitBeforeClose; // program ms: while arriving or once present
        std::vector<ui::LPARAM> expected;
    };
    const std::vector<Case> cases = {
        {"present", true, 1500, {1, 1}},
        {"arriving", true, 0, {1}},
        {"absent", false, 0, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakehid::Reset();
        if (c.devicePresent) {
            fakehid::SetPresent(0, {fakehid::Attached(1, kVendor, kProduct)});
        }
        m_recorder.m_notices.clear();
        auto channel = MakeChannel<CUSBDriver>(0);
        channel->Open(kVendor, kProduct);
        PumpFor(c.waitBeforeClose);
        EXPECT_EQ(channel->Close(), 1u);
        EXPECT_EQ(channel->m_presence.load(), 0u);
        EXPECT_EQ(channel->GetDeviceId(), 0);
        PumpFor(1500); // the presence timer must not fire after Close
        std::vector<ui::LPARAM> values;
        for (const auto& notice : Notices()) {
            values.push_back(notice.value);
        }
        EXPECT_EQ(values, c.expected);
    }
}

TEST_F(PresenceTest, ReopeningAPresentChannelClosesTheSlotFirst) {
    fakehid::SetPresent(0, {fakehid::Attached(1, kVendor, kProduct)});
    auto channel = MakeChannel<CUSBDriver>(0);
    channel->Open(kVendor, kProduct);
    EXPECT_EQ(fakehid::Slot(0).closeCount, 0);
    fakehid::SetPresent(0, {fakehid::Attached(3, kVendor, kProduct)});
    EXPECT_EQ(channel->Open(0, 0), 1u);
    EXPECT_EQ(fakehid::Slot(0).closeCount, 1);
    EXPECT_EQ(channel->GetDeviceId(), 3);
}

TEST_F(PresenceTest, NoOwnerMeansNoPosts) {
    fakehid::SetPresent(0, {fakehid::Attached(1, kVendor, kProduct)});
    auto channel = MakeChannel<CUSBDriver>(0);
    channel->m_owner = ui::WindowHandle{};
    channel->Open(kVendor, kProduct);
    PumpFor(1500);
    fakehid::Notify(0, fakehid::Detached(1, kVendor, kProduct));
    PumpFor(100);
    EXPECT_TRUE(Notices().empty());
}

// Reports reach only the current channel of the callback's class, and only from the listed device.
TEST_F(PresenceTest, ReportsFromUnlistedDevicesAreDropped) {
    auto channel = OpenPresent<CUSBDriver>(0);
    fakehid::Notify(0, fakehid::Detached(devicetest::kDeviceId, kVendor, kProduct));
    ASSERT_EQ(channel->GetDeviceId(), 0);
    // A waiting request with an empty list: even a device id of 0 must not pass as the listed one.
    channel->m_presence = 1;
    fakehid::SetResponder(0, [](const device::Report& r) {
        return std::vector<fakehid::Answer>{{devicetest::Echo(r), 0, 0}};
    });
    uint32_t target = 9;
    EXPECT_EQ(channel->GetTarget(target), device::kCommandFailed);
    EXPECT_EQ(target, 9u);
}

} // namespace
