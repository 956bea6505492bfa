// The transport over the simulated bus with the simulated keyboard plugged in: the AP identity on
// one slot, the IAP identity on the other, requests answered through the read threads.
#include <gtest/gtest.h>

#include "device/hid/BackendFactory.h"
#include "device/hid/Hid.h"
#include "device/hid/HidSetup.h"
#include "device/hid/sim/SimHidBackend.h"
#include "sim/Config.h"
#include "sim/Protocol.h"
#include "sys/Clock.h"
#include "tests/device/hid/TransportHarness.h"

namespace hid::test {
namespace {

constexpr uint32_t kApSlot = 0;
constexpr uint32_t kIapSlot = 1;

class HidSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ConfigResult parsed = sim::ParseConfig("time-scale=50");
        ASSERT_TRUE(parsed) << parsed.error;
        m_config = *parsed.config;
        m_bus = SimHidBackend::Create(m_config);
        hid::testing::HidUseBackend(m_bus);
        ReportRecorder::Get().Take();
    }
    void TearDown() override {
        HidClose(kApSlot);
        HidClose(kIapSlot);
        hid::testing::HidUseBackend(nullptr);
        m_bus.reset();
        sys::SetTimeScale(1);
    }

    uint32_t OpenSlot(uint32_t slot, sim::UsbId id) {
        const HidDeviceFilter filter = FilterFor(id.vendorId, id.productId);
        HidSetFilter(&filter, slot);
        HidSetCallback(&ReportRecorder::Callback, slot);
        return HidOpen(m_owner.Handle(), kNoticeMessage, slot);
    }

    sim::Config m_config;
    std::shared_ptr<SimHidBackend> m_bus;
    NoticeOwner m_owner;
};

TEST_F(HidSimTest, TheApIdentityAnswersARequest) {
    ASSERT_EQ(OpenSlot(kApSlot, m_config.ap), 2u);
    EXPECT_EQ(m_owner.notices, std::vector{Attached(1, m_config.ap.vendorId, m_config.ap.productId)});

    uint8_t request[64] = {sim::protocol::kTargetGroup, sim::protocol::kGetTargetCount};
    ASSERT_NE(HidWrite(1, request, sizeof request, kApSlot), 0u);
    ASSERT_TRUE(PumpUntil([] { return ReportRecorder::Get().Count() >= 1; }));
    const ReceivedReport answer = ReportRecorder::Get().Take().at(0);
    EXPECT_EQ(answer.length, 65u);
    EXPECT_EQ(answer.bytes[0], 0);  // report id
    EXPECT_EQ(answer.bytes[1], sim::protocol::kTargetGroup);
    EXPECT_EQ(answer.bytes[2], sim::protocol::kGetTargetCount);
    EXPECT_EQ(answer.bytes[5], m_config.targetCount);
    EXPECT_EQ(answer.bytes[65], 0);  // zero fill behind the report
}

TEST_F(HidSimTest, EnterIapMovesTheKeyboardFromOneSlotToTheOther) {
    ASSERT_EQ(OpenSlot(kApSlot, m_config.ap), 2u);
    ASSERT_EQ(OpenSlot(kIapSlot, m_config.iap), 0u);  // the all-zero notice

    uint8_t request[64] = {sim::protocol::kModeGroup, sim::protocol::kEnterIap};
    ASSERT_NE(HidWrite(1, request, sizeof request, kApSlot), 0u);
    ASSERT_TRUE(PumpUntil([&] { return m_owner.notices.size() >= 4; }));
    EXPECT_EQ(m_owner.notices[2], Detached(1, m_config.ap.vendorId, m_config.ap.productId));
    EXPECT_EQ(m_owner.notices[3], Attached(1, m_config.iap.vendorId, m_config.iap.productId));
    EXPECT_EQ(HidWrite(1, request, sizeof request, kApSlot), 0u);  // the AP device has gone
}

TEST_F(HidSimTest, InjectedSuspendAndResumeReachTheSlot) {
    ASSERT_EQ(OpenSlot(kApSlot, m_config.ap), 2u);
    m_bus->InjectPower(true);
    ASSERT_TRUE(PumpUntil([&] { return m_owner.notices.size() >= 2; }));
    EXPECT_EQ(m_owner.notices[1], Detached(1, m_config.ap.vendorId, m_config.ap.productId));
    m_bus->InjectPower(false);
    ASSERT_TRUE(PumpUntil([&] { return m_owner.notices.size() >= 3; }));
    EXPECT_EQ(m_owner.notices[2], Attached(1, m_config.ap.vendorId, m_config.ap.productId));
}

TEST(HidSimFactoryTest, ABadConfigIsReturnedAsAnError) {
    const BackendChoice choice = CreateSimHidBackend("no-such-key=1");
    EXPECT_EQ(choice.backend, nullptr);
    EXPECT_NE(choice.error.find("KESTREL_SIM"), std::string::npos);
}

} // namespace
} // namespace hid::test
