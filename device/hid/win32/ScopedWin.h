// RAII holders for the Windows objects the HID back-end uses: kernel handles, SetupAPI device
// sets, HID preparsed data and device-notification registrations.
#pragma once

#include "device/hid/win32/WinApi.h"

#include <utility>

namespace hid::win32 {

// Owns one kernel handle (a file or an event); INVALID_HANDLE_VALUE and null both mean "none".
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_handle, nullptr));
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        if (IsValid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

// Owns a SetupAPI device information set.
class ScopedDevInfo {
public:
    explicit ScopedDevInfo(HDEVINFO set) : m_set(set) {}
    ~ScopedDevInfo() {
        if (IsValid()) {
            ::SetupDiDestroyDeviceInfoList(m_set);
        }
    }
    ScopedDevInfo(const ScopedDevInfo&) = delete;
    ScopedDevInfo& operator=(const ScopedDevInfo&) = delete;

    HDEVINFO Get() const { return m_set; }
    bool IsValid() const { return m_set != INVALID_HANDLE_VALUE && m_set != nullptr; }

private:
    HDEVINFO m_set;
};

// Owns the preparsed data of one opened HID interface.
class ScopedPreparsed {
public:
    ScopedPreparsed() = default;
    ~ScopedPreparsed() {
        if (m_data != nullptr) {
            ::HidD_FreePreparsedData(m_data);
        }
    }
    ScopedPreparsed(const ScopedPreparsed&) = delete;
    ScopedPreparsed& operator=(const ScopedPreparsed&) = delete;

    PHIDP_PREPARSED_DATA Get() const { return m_data; }
    // Where HidD_GetPreparsedData stores its result; only on an empty holder.
    PHIDP_PREPARSED_DATA* Out() { return &m_data; }

private:
    PHIDP_PREPARSED_DATA m_data = nullptr;
};

} // namespace hid::win32
