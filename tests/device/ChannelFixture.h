// Shared pieces of the channel tests: an owner window that records WM_DEVICE_PRESENCE with the
// program time it arrived, message pumping in program time, and a fixture that speeds the clock up
// and resets the fake transport.
#pragma once

#include "device/CUSBDriver.h"
#include "device/IAP_CUSBDriver.h"
#include "device/Messages.h"
#include "sys/Clock.h"
#include "tests/device/FakeHid.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace devicetest {

inline constexpr uint16_t kVendor = 0x1234;
inline constexpr uint16_t kProduct = 0x5678;
inline constexpr uint16_t kDeviceId = 1;

class PresenceRecorder : public ui::Window {
public:
    struct Notice {
        ui::LPARAM value;
        int64_t atMs;
    };

    PresenceRecorder() {
        ui::CreateParams params;
        params.hidden = true;
        Create(params);
    }

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == device::WM_DEVICE_PRESENCE) {
            m_notices.push_back(Notice{lParam, sys::NowMillis()});
            return 0;
        }
        return Window::WindowProc(msg, wParam, lParam);
    }

    std::vector<Notice> m_notices;
};

// Pumps the calling thread's messages until `done` or `programMs` have passed; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, uint32_t programMs) {
    const int64_t end = sys::NowMillis() + programMs;
    while (!done()) {
        if (sys::NowMillis() >= end) {
            return done();
        }
        ui::PumpPending();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

inline void PumpFor(uint32_t programMs) {
    PumpUntil([] { return false; }, programMs);
}

// Answers that echo the request's first four bytes, followed by `results` from byte 4 on.
inline device::Report Echo(const device::Report& request, std::vector<uint8_t> results = {}) {
    device::Report answer{};
    std::copy_n(request.begin(), 4, answer.begin());
    std::copy(results.begin(), results.end(), answer.begin() + 4);
    return answer;
}

inline device::Report Bytes(std::vector<uint8_t> bytes) {
    device::Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

class ChannelTest : public testing::Test {
protected:
    static constexpr double kTimeScale = 10.0;

    void SetUp() override {
        fakehid::Reset();
        sys::SetTimeScale(kTimeScale);
    }

    void TearDown() override {
        fakehid::Drain();
        sys::SetTimeScale(1.0);
    }

    // A channel of the given class, current, owned by the recorder, on `slot`, not yet opened.
    template <typename Channel> std::unique_ptr<Channel> MakeChannel(uint32_t slot) {
        auto channel = std::make_unique<Channel>();
        channel->MakeCurrent();
        channel->m_owner = m_recorder.Handle();
        channel->m_slot = slot;
        return channel;
    }

    // A channel with one device present on `slot`, opened, its presence announcement pumped away.
    template <typename Channel> std::unique_ptr<Channel> OpenPresent(uint32_t slot) {
        fakehid::SetPresent(slot, {fakehid::Attached(kDeviceId, kVendor, kProduct)});
        auto channel = MakeChannel<Channel>(slot);
        EXPECT_EQ(channel->Open(kVendor, kProduct), 1u);
        return channel;
    }

    PresenceRecorder m_recorder;
};

} // namespace devicetest
