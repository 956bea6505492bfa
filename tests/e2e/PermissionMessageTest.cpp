// The message that names a keyboard node the transport may not open, through the real transport over
// the scripted back-end (as root, a node of mode 000 still opens, so the refusal is scripted).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "device/hid/Hid.h"
#include "device/hid/HidSetup.h"
#include "sys/Process.h"
#include "tests/device/hid/FakeBackend.h"
#include "tests/device/hid/TransportHarness.h"

namespace hid::test {
namespace {

constexpr uint16_t kVendor = 0x37A1;
constexpr uint16_t kProduct = 0x0101;
constexpr uint32_t kSlot = 0;

struct Node {
    std::string path;
    uint16_t productId = kProduct;
    std::optional<HidOpenError> refusal;
};

struct PermissionCase {
    const char* name;
    std::vector<Node> nodes;
    std::vector<std::string> named;  // the nodes the message names, in order
};

class PermissionMessageTest : public ::testing::Test {
protected:
    void SetUp() override { hid::testing::HidUseBackend(m_bus); }
    void TearDown() override {
        HidClose(kSlot);
        hid::testing::HidUseBackend(nullptr);
    }
    // Opens the slot for the keyboard's ids and returns what the open wrote to standard error.
    std::string OpenAndCaptureStderr() {
        const HidDeviceFilter filter = FilterFor(kVendor, kProduct);
        HidSetFilter(&filter, kSlot);
        HidSetCallback(&ReportRecorder::Callback, kSlot);
        ::testing::internal::CaptureStderr();
        HidOpen(m_owner.Handle(), kNoticeMessage, kSlot);
        return ::testing::internal::GetCapturedStderr();
    }

    std::shared_ptr<FakeBackend> m_bus = std::make_shared<FakeBackend>();
    NoticeOwner m_owner;
};

TEST_F(PermissionMessageTest, ARefusedKeyboardNodeIsNamedWithTheRuleToInstall) {
    const PermissionCase cases[] = {
        {"one node refused", {{"/dev/hidraw7", kProduct, HidOpenError::PermissionDenied}}, {"/dev/hidraw7"}},
        {"two nodes refused",
         {{"/dev/hidraw3", kProduct, HidOpenError::PermissionDenied},
          {"/dev/hidraw4", kProduct, HidOpenError::PermissionDenied}},
         {"/dev/hidraw3", "/dev/hidraw4"}},
        {"gone, not refused", {{"/dev/hidraw9", kProduct, HidOpenError::NotFound}}, {}},
        {"another keyboard's node refused", {{"/dev/hidraw10", 0x0F01, HidOpenError::PermissionDenied}}, {}},
        {"a refused node beside one that opens",
         {{"/dev/hidraw11", kProduct, HidOpenError::PermissionDenied}, {"/dev/hidraw12", kProduct, std::nullopt}},
         {}},
    };
    const std::string program = sys::ExecutablePath().string();
    for (const PermissionCase& c : cases) {
        SCOPED_TRACE(c.name);
        HidClose(kSlot);
        m_bus = std::make_shared<FakeBackend>();
        hid::testing::HidUseBackend(m_bus);
        for (const Node& node : c.nodes) {
            m_bus->AddPresent(VendorInterface(node.path, kVendor, node.productId));
            if (node.refusal) {
                m_bus->RefuseOpen(node.path, *node.refusal);
            }
        }

        const std::string err = OpenAndCaptureStderr();
        std::string expected;
        for (const std::string& node : c.named) {
            expected += "kestrel: " + node +
                        " matches this keyboard (37a1:0101) but cannot be opened: permission denied.\n"
                        "kestrel: install the udev rule: kestrel-pack --udev-rules " + program +
                        " | sudo tee /etc/udev/rules.d/70-kestrel-hid-permission-message-test.rules"
                        " && sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw\n";
        }
        EXPECT_EQ(err, expected);
    }
}

TEST_F(PermissionMessageTest, ANodeIsNamedOnceForTheWholeRun) {
    m_bus->AddPresent(VendorInterface("/dev/hidraw20", kVendor, kProduct));
    m_bus->RefuseOpen("/dev/hidraw20", HidOpenError::PermissionDenied);

    EXPECT_NE(OpenAndCaptureStderr().find("/dev/hidraw20 matches"), std::string::npos);
    HidClose(kSlot);
    EXPECT_EQ(OpenAndCaptureStderr(), "");
    EXPECT_EQ(HidPermissionDeniedNodes(kSlot), std::vector<std::string>{"/dev/hidraw20"});
}

} // namespace
} // namespace hid::test
