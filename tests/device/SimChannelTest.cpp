// The channels and commands over the real transport with the simulated keyboard on its bus: the
// information query on the AP device, the switch into IAP mode, a short flash sequence, and the
// reset back into the application.
#include "device/hid/HidSetup.h"
#include "device/hid/sim/SimHidBackend.h"
#include "sim/Config.h"
#include "sys/ByteOrder.h"
#include "tests/device/ChannelFixture.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using device::CUSBDriver;
using device::IAP_CUSBDriver;
using device::kCommandOk;
using devicetest::PresenceRecorder;
using devicetest::PumpUntil;

uint32_t WordSum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (size_t offset = 0; offset + 4 <= bytes.size(); offset += 4) {
        sum += sys::ReadLe32(bytes, offset);
    }
    return sum;
}

class SimChannelTest : public testing::Test {
protected:
    void SetUp() override {
        sim::ConfigResult parsed = sim::ParseConfig("time-scale=50");
        ASSERT_TRUE(parsed) << parsed.error;
        m_config = *parsed.config;
        m_bus = hid::SimHidBackend::Create(m_config);
        hid::testing::HidUseBackend(m_bus);

        m_ap.MakeCurrent();
        m_ap.m_owner = m_apOwner.Handle();
        m_ap.m_slot = 0;
        m_iap.MakeCurrent();
        m_iap.m_owner = m_iapOwner.Handle();
        m_iap.m_slot = 1;
    }

    void TearDown() override {
        m_ap.Close();
        m_iap.Close();
        hid::testing::HidUseBackend(nullptr);
        m_bus.reset();
        sys::SetTimeScale(1);
    }

    static bool LastPresenceIs(const PresenceRecorder& owner, ui::LPARAM value) {
        return !owner.m_notices.empty() && owner.m_notices.back().value == value;
    }

    sim::Config m_config;
    std::shared_ptr<hid::SimHidBackend> m_bus;
    PresenceRecorder m_apOwner;
    PresenceRecorder m_iapOwner;
    CUSBDriver m_ap;
    IAP_CUSBDriver m_iap;
};

TEST_F(SimChannelTest, QueriesSwitchesFlashesAndResets) {
    ASSERT_EQ(m_ap.Open(m_config.ap.vendorId, m_config.ap.productId), 1u);
    EXPECT_EQ(m_iap.Open(m_config.iap.vendorId, m_config.iap.productId), 0u);
    ASSERT_TRUE(PumpUntil([&] { return LastPresenceIs(m_apOwner, 1); }, 3000));

    device::FWInfo info;
    ASSERT_EQ(m_ap.GetFWInfo(info), kCommandOk);
    const auto hardwareId = device::fwinfo::HardwareId(info);
    EXPECT_TRUE(std::equal(hardwareId.begin(), hardwareId.end(), m_config.hardwareId.begin()));
    EXPECT_EQ(device::fwinfo::LayoutId(info), m_config.layoutId);
    uint32_t count = 0;
    ASSERT_EQ(m_ap.GetTargetCount(count), kCommandOk);
    EXPECT_EQ(count, m_config.targetCount);

    ASSERT_EQ(m_ap.EnterIap(), kCommandOk);
    ASSERT_TRUE(PumpUntil([&] { return LastPresenceIs(m_iapOwner, 1); }, 5000));
    EXPECT_TRUE(LastPresenceIs(m_apOwner, 0));
    EXPECT_EQ(m_ap.m_presence.load(), 0u);

    ASSERT_EQ(m_iap.GetFWInfo(info), kCommandOk);
    const uint32_t appStart = device::fwinfo::AppStart(info);
    const uint32_t eraseCount =
        uint32_t{device::fwinfo::EraseFactorA(info)} * device::fwinfo::EraseFactorB(info);
    ASSERT_GT(eraseCount, 0u);
    ASSERT_EQ(m_iap.EraseFlash(eraseCount), kCommandOk);
    ASSERT_EQ(m_iap.SetWritePointer(appStart), kCommandOk);
    uint32_t pointer = 0xFFFFFFFF;
    ASSERT_EQ(m_iap.GetWritePointer(pointer), kCommandOk);
    EXPECT_EQ(pointer, appStart);

    std::vector<uint8_t> image(112);
    std::iota(image.begin(), image.end(), uint8_t{3});
    for (size_t offset = 0; offset < image.size(); offset += 56) {
        ASSERT_EQ(m_iap.WriteBlock(std::span(image).subspan(offset, 56), pointer), kCommandOk);
        EXPECT_EQ(pointer, appStart + offset + 56);
    }
    uint32_t sum = 0;
    ASSERT_EQ(m_iap.GetFlashChecksum(appStart, static_cast<uint32_t>(image.size()), sum), kCommandOk);
    EXPECT_EQ(sum, WordSum(image));

    // The version area: erased, rewritten from address 0 and read back as info block 0.
    std::vector<uint8_t> version(30, 0);
    sys::WriteLe32(version, 0, 26);
    for (size_t i = 4; i < version.size(); i += 2) {
        version[i] = static_cast<uint8_t>('0' + i);
    }
    ASSERT_EQ(m_iap.EraseFlash(appStart), kCommandOk);
    ASSERT_EQ(m_iap.SetWritePointer(0), kCommandOk);
    ASSERT_EQ(m_iap.WriteBlock(version, pointer), kCommandOk);
    device::InfoBlock block;
    ASSERT_EQ(m_iap.ReadInfoBlock(0, block), kCommandOk);
    EXPECT_TRUE(std::equal(version.begin(), version.end(), block.begin()));

    ASSERT_EQ(m_iap.ResetDevice(), kCommandOk);
    ASSERT_TRUE(PumpUntil([&] { return LastPresenceIs(m_apOwner, 1); }, 5000));
    EXPECT_TRUE(LastPresenceIs(m_iapOwner, 0));
    ASSERT_EQ(m_ap.GetFWInfo(info), kCommandOk);
}

} // namespace
