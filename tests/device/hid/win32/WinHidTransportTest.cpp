// The transport's five operations over the Windows back-end and wine's own HID devices: filters
// that match none of them (ours) and one that matches wine's keyboard by its ids and usage pair;
// and arrival, removal, suspend and resume arriving through the back-end's real notification window.
#include <gtest/gtest.h>

#include <memory>

// The window framework's headers come before any Windows header: <windows.h> renames names such
// as DefWindowProc by macros, which must not reach the framework's declarations.
#include "device/hid/Hid.h"
#include "device/hid/HidSetup.h"
#include "tests/device/hid/TransportHarness.h"

#include "device/hid/win32/WinHidWatch.h"
#include "tests/device/hid/win32/WinHidTestSupport.h"

namespace hid::win32::test {
namespace {

using hid::test::kNoticeMessage;
using hid::test::NoticeOwner;
using hid::test::PumpFor;
using hid::test::PumpUntil;

constexpr uint16_t kOurVendor = 0x0416;
constexpr uint16_t kOurProduct = 0xA0F8;

HidDeviceFilter Filter(uint16_t vendorId, uint16_t productId, std::vector<HidUsagePair> pairs) {
    HidDeviceFilter filter{};
    filter.vendorId = vendorId;
    filter.productId = productId;
    filter.pairCount = static_cast<uint32_t>(pairs.size());
    std::copy(pairs.begin(), pairs.end(), filter.pairs);
    return filter;
}

_DEVICE_STATE Notice(uint32_t state, uint16_t id, const HidInterfaceInfo& info) {
    return _DEVICE_STATE{state, id, info.vendorId, info.productId, info.usage, info.usagePage};
}

class WinHidTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        hid::testing::HidUseBackend(std::make_shared<WinHidBackend>());
        m_keyboard = WineDevice(kKeyboardUsage);
        m_mouse = WineDevice(kMouseUsage);
        ASSERT_TRUE(m_keyboard && m_mouse);
    }
    void TearDown() override {
        for (uint32_t slot = 0; slot < kSlotCount; ++slot) {
            HidClose(slot);
        }
        hid::testing::HidUseBackend(nullptr);
    }

    uint32_t Open(const HidDeviceFilter& filter, uint32_t slot) {
        HidSetFilter(&filter, slot);
        HidSetCallback(&hid::test::ReportRecorder::Callback, slot);
        return HidOpen(m_owner.Handle(), kNoticeMessage, slot);
    }

    // Waits (handling the notices sent to this thread) until `count` notices have come.
    bool AwaitNotices(size_t count) {
        return PumpUntil([&] { return m_owner.notices.size() >= count; });
    }

    NoticeOwner m_owner;
    std::optional<HidInterfaceInfo> m_keyboard;
    std::optional<HidInterfaceInfo> m_mouse;
};

TEST_F(WinHidTransportTest, OnlyAFilterWithTheDevicesIdsAndUsagePairAttachesIt) {
    const HidUsagePair keyboardPair{kKeyboardUsage, kGenericDesktop};
    const HidUsagePair mousePair{kMouseUsage, kGenericDesktop};
    const HidUsagePair vendorPair{0x01, 0xFF00};
    const uint16_t vendor = m_keyboard->vendorId;
    const uint16_t product = m_keyboard->productId;
    struct Case {
        const char* name;
        HidDeviceFilter filter;
        uint32_t opened;
        bool attaches;  // else the one all-zero notice
    };
    const Case cases[] = {
        {"our keyboard's ids", Filter(kOurVendor, kOurProduct, {vendorPair, keyboardPair}), 0, false},
        {"all-zero filter", HidDeviceFilter{}, 0, false},
        {"wine's ids, no pairs", Filter(vendor, product, {}), 0, false},
        {"wine's ids, another usage", Filter(vendor, product, {mousePair, vendorPair}), 0, false},
        {"wine's vendor, another product", Filter(vendor, static_cast<uint16_t>(product ^ 0x100), {keyboardPair}), 0,
         false},
        {"wine's keyboard, second pair", Filter(vendor, product, {vendorPair, keyboardPair}), 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_owner.notices.clear();
        EXPECT_EQ(Open(c.filter, 0), c.opened);
        const std::vector<_DEVICE_STATE> expected = {c.attaches ? Notice(1, 1, *m_keyboard) : _DEVICE_STATE{}};
        EXPECT_EQ(m_owner.notices, expected);
        HidClose(0);
        PumpFor(30);
        EXPECT_EQ(m_owner.notices, expected);  // a close sends nothing
    }
}

TEST_F(WinHidTransportTest, WritesToWinesKeyboardAreRefusedWithoutAnOutputReport) {
    ASSERT_EQ(Open(Filter(m_keyboard->vendorId, m_keyboard->productId, {{kKeyboardUsage, kGenericDesktop}}), 0), 2u);
    const uint8_t data[1] = {0x55};
    for (const uint32_t id : {0u, 1u, 2u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(HidWrite(id, data, sizeof data, 0), 0u);
    }
}

TEST_F(WinHidTransportTest, TheNotificationWindowsMessagesReachTheSlot) {
    ASSERT_EQ(Open(Filter(m_keyboard->vendorId, m_keyboard->productId, {{kKeyboardUsage, kGenericDesktop}}), 0), 2u);
    const HWND window = ::FindWindowA(kWatchClassName, kWatchWindowTitle);
    ASSERT_NE(window, nullptr);
    std::vector<_DEVICE_STATE> expected = {Notice(1, 1, *m_keyboard)};

    // The broadcast's path is spelled differently from SetupAPI's; it names the same interface.
    std::vector<uint8_t> record = InterfaceRecord(HidClassGuid(), ToUpper(m_keyboard->path));
    SendDeviceChange(window, DBT_DEVICEREMOVECOMPLETE, record);
    expected.push_back(Notice(0, 1, *m_keyboard));
    ASSERT_TRUE(AwaitNotices(expected.size()));
    EXPECT_EQ(m_owner.notices, expected);

    SendDeviceChange(window, DBT_DEVICEARRIVAL, record);
    expected.push_back(Notice(1, 2, *m_keyboard));
    ASSERT_TRUE(AwaitNotices(expected.size()));
    EXPECT_EQ(m_owner.notices, expected);

    // A suspend detaches; the resume enumerates again with ids from 1.
    ::SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    expected.push_back(Notice(0, 2, *m_keyboard));
    ASSERT_TRUE(AwaitNotices(expected.size()));
    const uint8_t data[1] = {0};
    EXPECT_EQ(HidWrite(2, data, sizeof data, 0), 0u);
    ::SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    expected.push_back(Notice(1, 1, *m_keyboard));
    ASSERT_TRUE(AwaitNotices(expected.size()));
    EXPECT_EQ(m_owner.notices, expected);

    // The mouse's arrival is not for this slot.
    std::vector<uint8_t> mouse = InterfaceRecord(HidClassGuid(), m_mouse->path);
    SendDeviceChange(window, DBT_DEVICEARRIVAL, mouse);
    PumpFor(50);
    EXPECT_EQ(m_owner.notices, expected);
}

TEST_F(WinHidTransportTest, TwoOpenSlotsHaveWindowsOfTwoClasses) {
    ASSERT_EQ(Open(Filter(m_keyboard->vendorId, m_keyboard->productId, {{kKeyboardUsage, kGenericDesktop}}), 0), 2u);
    ASSERT_EQ(Open(Filter(m_mouse->vendorId, m_mouse->productId, {{kMouseUsage, kGenericDesktop}}), 1), 2u);
    const std::vector<_DEVICE_STATE> expected = {Notice(1, 1, *m_keyboard), Notice(1, 1, *m_mouse)};
    EXPECT_EQ(m_owner.notices, expected);
    const HWND first = ::FindWindowA("Thread In DLL", kWatchWindowTitle);
    const HWND second = ::FindWindowA("Thread In DLL_0", kWatchWindowTitle);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(first, second);
    HidClose(0);
    HidClose(1);
    EXPECT_EQ(::FindWindowA("Thread In DLL", kWatchWindowTitle), nullptr);
    EXPECT_EQ(::FindWindowA("Thread In DLL_0", kWatchWindowTitle), nullptr);
}

} // namespace
} // namespace hid::win32::test
