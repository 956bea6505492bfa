// What the transport's tests share: an owner window on the test's thread that records every notice,
// a recorder behind the report callback, and a wait that keeps the test thread's loop running (the
// notification thread's notices are sent to it and wait until it handles them).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "device/hid/Hid.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

namespace hid {

// For comparing and printing notices in expectations (found by argument lookup).
inline bool operator==(const _DEVICE_STATE& a, const _DEVICE_STATE& b) {
    return a.state == b.state && a.dwDeviceID == b.dwDeviceID && a.vendorId == b.vendorId &&
           a.productId == b.productId && a.usage == b.usage && a.usagePage == b.usagePage;
}

inline void PrintTo(const _DEVICE_STATE& s, std::ostream* os) {
    *os << "{state " << s.state << ", id " << s.dwDeviceID << ", " << std::hex << s.vendorId << ":" << s.productId
        << ", usage " << s.usage << "/" << s.usagePage << std::dec << "}";
}

} // namespace hid

namespace hid::test {

inline constexpr ui::UINT kNoticeMessage = 0x502;


inline _DEVICE_STATE Attached(uint16_t id, uint16_t vendorId, uint16_t productId) {
    return _DEVICE_STATE{1, id, vendorId, productId, 1, 0xFF00};
}
inline _DEVICE_STATE Detached(uint16_t id, uint16_t vendorId, uint16_t productId) {
    return _DEVICE_STATE{0, id, vendorId, productId, 1, 0xFF00};
}

class NoticeOwner final : public ui::Window {
public:
    NoticeOwner() {
        ui::CreateParams params;
        params.hidden = true;
        Create(params);
    }
    ~NoticeOwner() override { Destroy(); }

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == kNoticeMessage) {
            EXPECT_EQ(wParam, 1u);
            notices.push_back(*reinterpret_cast<const _DEVICE_STATE*>(lParam));
            return 0;
        }
        return DefWindowProc(msg, wParam, lParam);
    }

    std::vector<_DEVICE_STATE> notices;  // test thread only
};

struct ReceivedReport {
    uint32_t deviceId = 0;
    std::vector<uint8_t> bytes;  // the whole buffer the callback was given (up to 1000 or the report)
    uint32_t length = 0;
};

// The callback is a plain function, so its recorder is one per process.
class ReportRecorder {
public:
    static ReportRecorder& Get() {
        static ReportRecorder recorder;
        return recorder;
    }
    // Device's read thread. The buffer is at least max(1000, length) bytes by contract; reading all
    // of it here is what lets the address sanitizer catch a short one.
    static void Callback(uint32_t deviceId, const uint8_t* report, uint32_t length) {
        const size_t size = std::max<size_t>(1000, length);
        std::lock_guard lock(Get().m_lock);
        Get().m_reports.push_back({deviceId, std::vector<uint8_t>(report, report + size), length});
    }
    std::vector<ReceivedReport> Take() {
        std::lock_guard lock(m_lock);
        return std::exchange(m_reports, {});
    }
    size_t Count() {
        std::lock_guard lock(m_lock);
        return m_reports.size();
    }

private:
    std::mutex m_lock;
    std::vector<ReceivedReport> m_reports;
};

// Runs the test thread's messages until `done` or about two seconds of real time.
inline bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000; ++i) {
        ui::PumpPending();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Runs the test thread's messages for a short real time, for "nothing happens" checks.
inline void PumpFor(int ms) {
    for (int i = 0; i < ms; ++i) {
        ui::PumpPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

inline HidDeviceFilter FilterFor(uint16_t vendorId, uint16_t productId) {
    HidDeviceFilter filter;
    filter.vendorId = vendorId;
    filter.productId = productId;
    filter.pairCount = 1;
    filter.pairs[0] = {1, 0xFF00};
    return filter;
}

} // namespace hid::test
