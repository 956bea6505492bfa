// The Windows back-end against wine's own HID devices: enumeration and description, opening and
// overlapped reads with cancellation, the notification window's class names, and what its
// device-change and power messages report.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/hid/win32/WinHidBroadcast.h"
#include "device/hid/win32/WinHidConnection.h"
#include "device/hid/win32/WinHidHandleRegistry.h"
#include "device/hid/win32/WinHidWatch.h"
#include "sys/Clock.h"
#include "tests/device/hid/win32/WinHidTestSupport.h"

namespace hid::win32::test {
namespace {

std::string Arrival(const HidInterfaceInfo& info) {
    return "arrival " + info.path + " " + std::to_string(info.usagePage) + "/" + std::to_string(info.usage);
}

HWND FindWatchWindow(const char* className) {
    return ::FindWindowA(className, kWatchWindowTitle);
}

TEST(WinHidBackendTest, EnumerationDescribesWinesMouseAndKeyboard) {
    WinHidBackend backend;
    std::vector<HidInterfaceInfo> wine;
    for (const HidInterfaceInfo& info : backend.Enumerate()) {
        if (info.vendorId == kWineVendor) {
            wine.push_back(info);
        }
    }
    ASSERT_GE(wine.size(), 2u);
    for (const HidInterfaceInfo& info : wine) {
        SCOPED_TRACE(info.path);
        EXPECT_EQ(info.path.rfind("\\\\?\\hid#", 0), 0u);
        EXPECT_EQ(info.path, NormalizeDevicePath(info.path));
        EXPECT_EQ(info.collection, 0u);
        EXPECT_EQ(info.usagePage, kGenericDesktop);
        EXPECT_GT(info.inputReportLength, 0u);
    }
    const std::optional<HidInterfaceInfo> mouse = WineDevice(kMouseUsage);
    const std::optional<HidInterfaceInfo> keyboard = WineDevice(kKeyboardUsage);
    ASSERT_TRUE(mouse && keyboard);
    EXPECT_NE(mouse->productId, keyboard->productId);
    EXPECT_NE(mouse->path, keyboard->path);
    // Neither has an output report, so neither can be written to.
    EXPECT_FALSE(keyboard->hasOutputItem);
    EXPECT_EQ(keyboard->outputReportLength, 0u);
}

TEST(WinHidBackendTest, OpeningGivesAConnectionOnlyForAPresentInterface) {
    WinHidBackend backend;
    const std::optional<HidInterfaceInfo> keyboard = WineDevice(kKeyboardUsage);
    ASSERT_TRUE(keyboard);
    // Paths compare case-insensitively: the upper-cased path of a broadcast opens the same device.
    HidInterfaceInfo upper = *keyboard;
    upper.path = ToUpper(upper.path);
    HidInterfaceInfo missing = *keyboard;
    missing.path = "\\\\?\\hid#vid_0000&pid_0000#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    HidInterfaceInfo otherDevice = *keyboard;
    otherDevice.usage = kMouseUsage;  // listed as something the node is not (any more)
    struct Case {
        const char* name;
        HidInterfaceInfo info;
        bool opens;
        HidOpenError error;
    };
    const Case cases[] = {
        {"listed path", *keyboard, true, HidOpenError::Failed},
        {"upper-cased path", upper, true, HidOpenError::Failed},
        {"no such device", missing, false, HidOpenError::NotFound},
        {"another interface now", otherDevice, false, HidOpenError::NotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HidOpenResult result = backend.Open(c.info, 0);
        EXPECT_EQ(result.connection != nullptr, c.opens);
        if (!c.opens) {
            EXPECT_EQ(result.error, c.error);
        }
    }
}

TEST(WinHidBackendTest, ReadsTimeOutAndACancelEndsAWaitingRead) {
    WinHidBackend backend;
    const std::optional<HidInterfaceInfo> keyboard = WineDevice(kKeyboardUsage);
    ASSERT_TRUE(keyboard);
    HidOpenResult opened = backend.Open(*keyboard, 0);
    ASSERT_TRUE(opened.connection);
    HidConnection& connection = *opened.connection;
    std::vector<uint8_t> buffer(keyboard->inputReportLength);

    // Nobody types on wine's virtual keyboard: a short read finds nothing, and a second one
    // (collecting the read left pending by the first) neither.
    EXPECT_EQ(connection.Read(buffer, 30).status, HidReadStatus::TimedOut);
    EXPECT_EQ(connection.Read(buffer, 30).status, HidReadStatus::TimedOut);

    const auto start = std::chrono::steady_clock::now();
    std::thread canceller([&connection] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        connection.Cancel();
    });
    const HidReadResult waited = connection.Read(buffer, sys::kInfinite);
    canceller.join();
    EXPECT_EQ(waited.status, HidReadStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // Once cancelled, every read and write ends at once.
    EXPECT_EQ(connection.Read(buffer, sys::kInfinite).status, HidReadStatus::Cancelled);
    const uint8_t report[1] = {0};
    EXPECT_FALSE(connection.Write(report));
}

TEST(WinHidBackendTest, WatchWindowsTakeTheBaseClassNameAndThenNumberedOnes) {
    auto registry = std::make_shared<HandleRegistry>();
    RecordingSink sink;
    {
        std::unique_ptr<WinHidWatch> first = WinHidWatch::Start(sink, registry);
        std::unique_ptr<WinHidWatch> second = WinHidWatch::Start(sink, registry);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->ClassName(), "Thread In DLL");
        EXPECT_EQ(second->ClassName(), "Thread In DLL_0");
        EXPECT_EQ(FindWatchWindow("Thread In DLL"), first->Window());
        EXPECT_EQ(FindWatchWindow("Thread In DLL_0"), second->Window());
        EXPECT_FALSE(::IsWindowVisible(first->Window()));
    }
    // Both windows and their classes are gone: the next watch gets the base name again.
    EXPECT_EQ(FindWatchWindow("Thread In DLL"), nullptr);
    EXPECT_EQ(FindWatchWindow("Thread In DLL_0"), nullptr);
    std::unique_ptr<WinHidWatch> again = WinHidWatch::Start(sink, registry);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->ClassName(), "Thread In DLL");
    EXPECT_TRUE(sink.Take().empty());
}

TEST(WinHidBackendTest, PowerBroadcastsReportSuspendAndEveryResume) {
    auto registry = std::make_shared<HandleRegistry>();
    RecordingSink sink;
    std::unique_ptr<WinHidWatch> watch = WinHidWatch::Start(sink, registry);
    ASSERT_TRUE(watch);
    const struct {
        WPARAM event;
        std::vector<std::string> reported;
    } cases[] = {
        {PBT_APMSUSPEND, {"suspend"}},
        {PBT_APMQUERYSUSPENDFAILED, {"resume"}},
        {PBT_APMRESUMECRITICAL, {"resume"}},
        {PBT_APMRESUMESUSPEND, {"resume"}},
        {PBT_APMRESUMEAUTOMATIC, {"resume"}},
        {PBT_APMQUERYSUSPEND, {}},
        {PBT_APMPOWERSTATUSCHANGE, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        EXPECT_EQ(::SendMessageA(watch->Window(), WM_POWERBROADCAST, c.event, 0), TRUE);
        EXPECT_EQ(sink.Take(), c.reported);
    }
}

TEST(WinHidBackendTest, DeviceChangesReportHidInterfacesAndOurHandles) {
    WinHidBackend backend;
    RecordingSink sink;
    std::unique_ptr<HidWatch> watchBase = backend.Watch(sink);
    auto* watch = dynamic_cast<WinHidWatch*>(watchBase.get());
    ASSERT_TRUE(watch);
    const std::optional<HidInterfaceInfo> keyboard = WineDevice(kKeyboardUsage);
    ASSERT_TRUE(keyboard);
    HidOpenResult opened = backend.Open(*keyboard, 0);
    ASSERT_TRUE(opened.connection);
    const HANDLE file = dynamic_cast<WinHidConnection&>(*opened.connection).FileHandle();

    GUID otherClass = HidClassGuid();
    otherClass.Data1 ^= 1;
    const std::string missing = "\\\\?\\hid#vid_0000&pid_0000#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    std::vector<uint8_t> truncated = InterfaceRecord(HidClassGuid(), keyboard->path);
    sys::WriteLe32(truncated, 0, 8);
    struct Case {
        const char* name;
        WPARAM event;
        std::vector<uint8_t> record;
        std::vector<std::string> reported;
    };
    std::vector<Case> cases = {
        {"arrival, described anew", DBT_DEVICEARRIVAL, InterfaceRecord(HidClassGuid(), ToUpper(keyboard->path)),
         {Arrival(*keyboard)}},
        {"arrival of a device that is not there", DBT_DEVICEARRIVAL, InterfaceRecord(HidClassGuid(), missing), {}},
        {"arrival of another class", DBT_DEVICEARRIVAL, InterfaceRecord(otherClass, keyboard->path), {}},
        {"arrival with a broken size", DBT_DEVICEARRIVAL, truncated, {}},
        {"interface removal", DBT_DEVICEREMOVECOMPLETE, InterfaceRecord(HidClassGuid(), ToUpper(keyboard->path)),
         {"removal " + keyboard->path}},
        {"removal of our handle", DBT_DEVICEREMOVECOMPLETE, HandleRecord(file), {"removal " + keyboard->path}},
        {"removal of a handle not ours", DBT_DEVICEREMOVECOMPLETE, HandleRecord(::GetCurrentProcess()), {}},
        {"query before removal", DBT_DEVICEQUERYREMOVE, HandleRecord(file), {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendDeviceChange(watch->Window(), c.event, c.record);
        EXPECT_EQ(sink.Take(), c.reported);
    }
    ::SendMessageA(watch->Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_TRUE(sink.Take().empty());
}

TEST(WinHidBackendTest, EveryOpenedHandleIsRegisteredWithEveryLiveWatch) {
    WinHidBackend backend;
    RecordingSink sink;
    const std::optional<HidInterfaceInfo> keyboard = WineDevice(kKeyboardUsage);
    ASSERT_TRUE(keyboard);
    HANDLE file = nullptr;
    {
        std::unique_ptr<HidWatch> before = backend.Watch(sink);
        ASSERT_TRUE(before);
        HidOpenResult opened = backend.Open(*keyboard, 0);
        ASSERT_TRUE(opened.connection);
        file = dynamic_cast<WinHidConnection&>(*opened.connection).FileHandle();
        EXPECT_EQ(backend.Registry()->PathOf(file), keyboard->path);
        EXPECT_EQ(backend.Registry()->RegistrationCount(file), 1u);
        {
            std::unique_ptr<HidWatch> after = backend.Watch(sink);  // a watch that starts later
            ASSERT_TRUE(after);
            EXPECT_EQ(backend.Registry()->RegistrationCount(file), 2u);
        }
        EXPECT_EQ(backend.Registry()->RegistrationCount(file), 1u);
    }
    // The connection is gone: its handle is no longer known.
    EXPECT_FALSE(backend.Registry()->PathOf(file));
}

} // namespace
} // namespace hid::win32::test
