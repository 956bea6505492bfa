// The Linux back-end for real, under umockdev: libudev enumeration of mocked hidraw devices, their
// nodes (ptys underneath, served by an ioctl handler that hands out one queued report per read and
// records every write), and hotplug through the udev monitor. Runs as `umockdev-wrapper <binary>`.
//
// The pty under a mocked node does not tell poll about our queued reports, so every queued report
// also puts one wake byte on the pty master; the read handler consumes it with the real read before
// it completes the read with the report.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid/Hid.h"
#include "device/hid/HidSetup.h"
#include "device/hid/linux/LinuxHidBackend.h"
#include "tests/device/hid/TransportHarness.h"

namespace hid::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kVendor = 0x37A1;
constexpr uint16_t kProduct = 0x0101;
constexpr uint32_t kSlot = 0;

// Vendor collection 0xFF00/1, 64-byte input and output reports, `reportId` 0: none.
Bytes VendorCollection(uint8_t reportId) {
    Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (reportId != 0) {
        d.insert(d.end(), {0x85, reportId});
    }
    d.insert(d.end(), {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01,
                       0x91, 0x02, 0xC0});
    return d;
}

// A keyboard collection (page 1, usage 6) with report id 1 and 8 input bytes.
const Bytes kKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0x00, 0x29, 0xFF,
                         0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x81, 0x00, 0xC0};

// One mocked hidraw node: its queued input reports and the writes it saw. The handlers run on
// umockdev's thread, the test on its own.
class MockNode {
public:
    // The pty master of the node, once it exists.
    void SetMaster(int master) { m_master = master; }

    void Queue(Bytes report) {
        {
            std::lock_guard lock(m_lock);
            m_reports.push_back(std::move(report));
        }
        Wake(1);
    }
    void FailReadsWith(int error) {
        {
            std::lock_guard lock(m_lock);
            m_readError = error;
        }
        Wake(1);
    }
    std::vector<Bytes> Written() {
        std::lock_guard lock(m_lock);
        return m_written;
    }

    static gboolean OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<MockNode*>(self)->HandleRead(client);
    }
    static gboolean OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<MockNode*>(self)->HandleWrite(client);
    }

private:
    void Wake(int count) {
        ASSERT_GE(m_master, 0);
        for (int i = 0; i < count; ++i) {
            const char wake = 'w';
            ASSERT_EQ(::write(m_master, &wake, 1), 1);
        }
    }

    gboolean HandleRead(UMockdevIoctlClient* client) {
        int error = 0;
        const gint consumed = umockdev_ioctl_client_execute(client, &error, nullptr);  // the wake byte(s)
        UMockdevIoctlData* data = umockdev_ioctl_client_get_arg(client);
        std::lock_guard lock(m_lock);
        if (m_readError != 0) {
            umockdev_ioctl_client_complete(client, -1, m_readError);
            return TRUE;
        }
        if (m_reports.empty() || data == nullptr) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        // Several wake bytes may come in one read; the reports behind the others get theirs back.
        Wake(consumed > 1 ? consumed - 1 : 0);
        const Bytes report = std::move(m_reports.front());
        m_reports.pop_front();
        const size_t length = std::min<size_t>(report.size(), static_cast<size_t>(data->data_len));
        std::copy_n(report.begin(), length, data->data);
        umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
        return TRUE;
    }

    gboolean HandleWrite(UMockdevIoctlClient* client) {
        UMockdevIoctlData* data = umockdev_ioctl_client_get_arg(client);
        std::lock_guard lock(m_lock);
        m_written.emplace_back(data->data, data->data + data->data_len);
        umockdev_ioctl_client_complete(client, data->data_len, 0);
        return TRUE;
    }

    std::mutex m_lock;
    std::deque<Bytes> m_reports;
    std::vector<Bytes> m_written;
    int m_readError = 0;
    int m_master = -1;
};

class HidLinuxUmockdevTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_testbed = umockdev_testbed_new();
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
        hid::testing::HidUseBackend(std::make_shared<linux_hid::LinuxHidBackend>());
        ReportRecorder::Get().Take();
    }
    void TearDown() override {
        HidClose(kSlot);
        hid::testing::HidUseBackend(nullptr);
        for (auto& [node, handler] : m_handlers) {
            umockdev_testbed_detach_ioctl(m_testbed, node.c_str(), nullptr);
            g_object_unref(handler);
        }
        g_object_unref(m_testbed);
        m_nodes.clear();
    }

    // A node the fixture keeps until its handler is detached (umockdev's thread may still use it).
    MockNode& NewNode() { return *m_nodes.emplace_back(std::make_unique<MockNode>()); }

    // Adds a hid device with `ids` and `descriptor` and its hidraw child `name`; returns the
    // child's sysfs path. The node is served by `node`.
    std::string AddHidraw(const std::string& name, const char* hidId, const Bytes& descriptor, MockNode& node) {
        const std::string hidName = std::string("0003:") + name;
        gchar* hid = umockdev_testbed_add_device(m_testbed, "hid", hidName.c_str(), nullptr, nullptr, "HID_ID", hidId,
                                                 nullptr);
        Bytes copy = descriptor;
        umockdev_testbed_set_attribute_binary(m_testbed, hid, "report_descriptor", copy.data(),
                                              static_cast<gint>(copy.size()));
        const std::string devnode = "/dev/" + name;
        UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-read", G_CALLBACK(&MockNode::OnRead), &node);
        g_signal_connect(handler, "handle-write", G_CALLBACK(&MockNode::OnWrite), &node);
        // add_device makes no device node; a described one gets a pty behind /dev/NAME.
        const std::string record = std::string("P: ") + (hid + 4) + "/" + name + "\nN: " + name +
                                   "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + devnode + "\nA: dev=246:0\n";
        GError* addError = nullptr;
        EXPECT_TRUE(umockdev_testbed_add_from_string(m_testbed, record.c_str(), &addError))
            << (addError ? addError->message : "");
        if (addError) {
            g_error_free(addError);
        }
        GError* error = nullptr;
        EXPECT_TRUE(umockdev_testbed_attach_ioctl(m_testbed, devnode.c_str(), handler, &error))
            << (error ? error->message : "");
        if (error) {
            g_error_free(error);
        }
        m_handlers.emplace_back(devnode, handler);
        node.SetMaster(umockdev_testbed_get_dev_fd(m_testbed, devnode.c_str()));
        const std::string syspath = std::string(hid) + "/" + name;
        g_free(hid);
        return syspath;
    }

    uint32_t Open(uint16_t usagePage = 0xFF00, uint16_t usage = 1) {
        HidDeviceFilter filter = FilterFor(kVendor, kProduct);
        filter.pairs[0] = {usage, usagePage};
        HidSetFilter(&filter, kSlot);
        HidSetCallback(&ReportRecorder::Callback, kSlot);
        return HidOpen(m_owner.Handle(), kNoticeMessage, kSlot);
    }

    // umockdev serves the nodes on a worker thread of its own; only our loop needs running.
    bool WaitForNotices(size_t count) {
        return PumpUntil([&] { return m_owner.notices.size() >= count; });
    }
    bool WaitForReports(size_t count) {
        return PumpUntil([&] { return ReportRecorder::Get().Count() >= count; });
    }

    UMockdevTestbed* m_testbed = nullptr;
    std::vector<std::pair<std::string, UMockdevIoctlBase*>> m_handlers;
    std::vector<std::unique_ptr<MockNode>> m_nodes;
    NoticeOwner m_owner;
};

constexpr const char* kApId = "0003:000037A1:00000101";

TEST_F(HidLinuxUmockdevTest, EnumeratesAndMatchesByIdsAndUsagePair) {
    MockNode& ap = NewNode();
    MockNode& stranger = NewNode();
    MockNode& keyboard = NewNode();
    AddHidraw("hidraw0", kApId, VendorCollection(0), ap);
    AddHidraw("hidraw1", "0003:00001234:00005678", VendorCollection(0), stranger);
    AddHidraw("hidraw2", kApId, kKeyboard, keyboard);

    EXPECT_EQ(Open(), 2u);
    EXPECT_EQ(m_owner.notices, std::vector{Attached(1, kVendor, kProduct)});
}

TEST_F(HidLinuxUmockdevTest, ReadsOneReportPerReadWithItsReportIdByte) {
    MockNode& ap = NewNode();
    AddHidraw("hidraw0", kApId, VendorCollection(0), ap);
    ASSERT_EQ(Open(), 2u);

    // hidraw hands over a report of a device without ids without the id byte.
    ap.Queue(Bytes(64, 0x11));
    ap.Queue(Bytes(64, 0x22));
    ASSERT_TRUE(WaitForReports(2));

    const auto reports = ReportRecorder::Get().Take();
    ASSERT_EQ(reports.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        Bytes expected(1000, 0);
        std::fill_n(expected.begin() + 1, 64, static_cast<uint8_t>(0x11 * (i + 1)));
        EXPECT_EQ(reports[i].bytes, expected);
        EXPECT_EQ(reports[i].length, 65u);
    }
}

TEST_F(HidLinuxUmockdevTest, WritesTheReportPaddedWithItsReportId) {
    MockNode& ap = NewNode();
    AddHidraw("hidraw0", kApId, VendorCollection(0), ap);
    ASSERT_EQ(Open(), 2u);

    const uint8_t data[3] = {0x12, 0x00, 0x7F};
    ASSERT_NE(HidWrite(1, data, 3, kSlot), 0u);
    Bytes expected(65, 0);
    std::copy_n(data, 3, expected.begin() + 1);
    EXPECT_EQ(ap.Written(), std::vector<Bytes>{expected});
}

TEST_F(HidLinuxUmockdevTest, ACollectionOfANodeWithSeveralOnlySeesItsOwnReports) {
    MockNode& node = NewNode();
    Bytes descriptor = kKeyboard;
    const Bytes vendor = VendorCollection(2);
    descriptor.insert(descriptor.end(), vendor.begin(), vendor.end());
    AddHidraw("hidraw0", kApId, descriptor, node);
    ASSERT_EQ(Open(), 2u);
    EXPECT_EQ(m_owner.notices, std::vector{Attached(1, kVendor, kProduct)});

    const uint8_t data[2] = {0xAB, 0xCD};
    ASSERT_NE(HidWrite(1, data, 2, kSlot), 0u);
    Bytes expected(65, 0);
    expected[0] = 2;
    expected[1] = 0xAB;
    expected[2] = 0xCD;
    EXPECT_EQ(node.Written(), std::vector<Bytes>{expected});

    Bytes keyboardReport(9, 0x01);  // report id 1: the keyboard's, not ours
    node.Queue(keyboardReport);
    Bytes vendorReport(65, 0x33);
    vendorReport[0] = 2;
    node.Queue(vendorReport);
    ASSERT_TRUE(WaitForReports(1));
    PumpFor(30);
    const auto reports = ReportRecorder::Get().Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].bytes[0], 2);
    EXPECT_EQ(reports[0].bytes[64], 0x33);
}

TEST_F(HidLinuxUmockdevTest, HotplugAddAndRemoveThroughTheMonitor) {
    ASSERT_EQ(Open(), 0u);
    ASSERT_EQ(m_owner.notices, std::vector{_DEVICE_STATE{}});

    MockNode& ap = NewNode();
    const std::string syspath = AddHidraw("hidraw0", kApId, VendorCollection(0), ap);
    umockdev_testbed_uevent(m_testbed, syspath.c_str(), "add");
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_EQ(m_owner.notices[1], Attached(1, kVendor, kProduct));

    umockdev_testbed_uevent(m_testbed, syspath.c_str(), "remove");
    ASSERT_TRUE(WaitForNotices(3));
    EXPECT_EQ(m_owner.notices[2], Detached(1, kVendor, kProduct));
    const uint8_t data[1] = {1};
    EXPECT_EQ(HidWrite(1, data, 1, kSlot), 0u);
}

TEST_F(HidLinuxUmockdevTest, ANodeThatReportsItsDeviceGoneIsDetached) {
    MockNode& ap = NewNode();
    AddHidraw("hidraw0", kApId, VendorCollection(0), ap);
    ASSERT_EQ(Open(), 2u);
    ap.FailReadsWith(ENODEV);
    ASSERT_TRUE(WaitForNotices(2));
    EXPECT_EQ(m_owner.notices[1], Detached(1, kVendor, kProduct));
}

} // namespace
} // namespace hid::test
