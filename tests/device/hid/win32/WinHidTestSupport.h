// What the Windows back-end's tests share: wine's own HID devices (vendor 0x845E: a mouse with
// usage 1/2 and a keyboard with usage 1/6), broadcast records to send to a notification window,
// and a sink that records the back-end's events.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/win32/WinApi.h"
#include "device/hid/HidBackend.h"
#include "device/hid/win32/WinHidBackend.h"
#include "sys/ByteOrder.h"

namespace hid::win32::test {

inline constexpr uint16_t kWineVendor = 0x845E;
inline constexpr uint16_t kGenericDesktop = 0x01;
inline constexpr uint16_t kMouseUsage = 0x02;
inline constexpr uint16_t kKeyboardUsage = 0x06;

// The wine device with this top-level usage, as the back-end lists it.
inline std::optional<HidInterfaceInfo> WineDevice(uint16_t usage) {
    WinHidBackend backend;
    for (HidInterfaceInfo& info : backend.Enumerate()) {
        if (info.vendorId == kWineVendor && info.usagePage == kGenericDesktop && info.usage == usage) {
            return info;
        }
    }
    return std::nullopt;
}

inline GUID HidClassGuid() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

// A DEV_BROADCAST_DEVICEINTERFACE_A record for `path` of the interface class `guid`, as bytes.
inline std::vector<uint8_t> InterfaceRecord(const GUID& guid, const std::string& path) {
    constexpr size_t kGuidOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid);
    constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<uint8_t> record(kNameOffset + path.size() + 1, 0);
    sys::WriteLe32(record, 0, static_cast<uint32_t>(record.size()));
    sys::WriteLe32(record, 4, DBT_DEVTYP_DEVICEINTERFACE);
    sys::WriteLe32(record, kGuidOffset, guid.Data1);
    sys::WriteLe16(record, kGuidOffset + 4, guid.Data2);
    sys::WriteLe16(record, kGuidOffset + 6, guid.Data3);
    for (size_t i = 0; i < 8; ++i) {
        record[kGuidOffset + 8 + i] = guid.Data4[i];
    }
    std::copy(path.begin(), path.end(), record.begin() + kNameOffset);
    return record;
}

// A DEV_BROADCAST_HANDLE record for `file`, as bytes.
inline std::vector<uint8_t> HandleRecord(HANDLE file) {
    constexpr size_t kHandleOffset = offsetof(DEV_BROADCAST_HANDLE, dbch_handle);
    std::vector<uint8_t> record(sizeof(DEV_BROADCAST_HANDLE), 0);
    const auto value = reinterpret_cast<uint64_t>(file);
    sys::WriteLe32(record, 0, static_cast<uint32_t>(record.size()));
    sys::WriteLe32(record, 4, DBT_DEVTYP_HANDLE);
    sys::WriteLe32(record, kHandleOffset, static_cast<uint32_t>(value));
    sys::WriteLe32(record, kHandleOffset + 4, static_cast<uint32_t>(value >> 32));
    return record;
}

inline void SendDeviceChange(HWND window, WPARAM event, std::vector<uint8_t>& record) {
    ::SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.data()));
}

// Records every event as a line: "arrival <path> <usage page>/<usage>", "removal <path>",
// "suspend", "resume". Called on the watch's thread, read on the test's.
class RecordingSink final : public HidEventSink {
public:
    void OnArrival(std::vector<HidInterfaceInfo> interfaces) override {
        for (const HidInterfaceInfo& info : interfaces) {
            Add("arrival " + info.path + " " + std::to_string(info.usagePage) + "/" + std::to_string(info.usage));
        }
    }
    void OnRemoval(const std::string& path) override { Add("removal " + path); }
    void OnSuspend() override { Add("suspend"); }
    void OnResume() override { Add("resume"); }

    std::vector<std::string> Take() {
        std::lock_guard lock(m_lock);
        return std::exchange(m_events, {});
    }

private:
    void Add(std::string event) {
        std::lock_guard lock(m_lock);
        m_events.push_back(std::move(event));
    }
    std::mutex m_lock;
    std::vector<std::string> m_events;
};

inline std::string ToUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

} // namespace hid::win32::test
