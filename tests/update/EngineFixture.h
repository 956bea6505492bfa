// The engine's test fixture: a package in memory, the controller state, a scripted keyboard, a
// recording view and a fast clock.
#pragma once

#include <gtest/gtest.h>

#include <numeric>

#include "package/Trailer.h"
#include "sys/Clock.h"
#include "tests/update/FakeChannel.h"
#include "update/UpdateEngine.h"

namespace updatetest {

inline constexpr std::array<uint8_t, 16> kHardwareId = {'O', 'R', 'V', 'A', 'N', 'E', '-', 'K',
                                                        'S', '7', '5', '-', 'H', 'W', '0', '1'};

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        sys::SetTimeScale(2000);
        package::TrailerWriter trailer(m_package.m_package);
        trailer.SetHardwareId(kHardwareId);
        trailer.SetBlockSize(56);
        trailer.SetVersionText(u"V1.2.30");
        AddImage(0, 0x0409, 100, 32);
        std::copy(kHardwareId.begin(), kHardwareId.end(), m_channel.m_fwInfo.begin() + 4);
        sys::WriteLe16(m_channel.m_fwInfo, device::fwinfo::kLayoutIdOffset, 0x0409);
    }
    void TearDown() override { sys::SetTimeScale(1); }

    // Entry `index` with an image of `size` bytes (a counting pattern) and a record of `recordSize`.
    void AddImage(size_t index, uint16_t layout, uint32_t size, uint32_t recordSize) {
        package::TrailerWriter trailer(m_package.m_package);
        auto entry = trailer.Entry(index);
        entry.SetImageSize(size);
        entry.SetRecordSize(recordSize);
        entry.SetLayoutId(layout);
        entry.SetVersion(1, 2, 30);
        entry.SetName(u"Layout");
        m_package.m_pImage[index].resize(size);
        std::iota(m_package.m_pImage[index].begin(), m_package.m_pImage[index].end(), uint8_t(index * 16 + 1));
        m_package.m_pVerRecord[index].assign(recordSize, 0xC3);
    }
    void SetBlockSize(uint8_t size) { package::TrailerWriter(m_package.m_package).SetBlockSize(size); }

    void Run() { m_engine.UpdateWorker(m_channel, m_channel); }

    package::FwPackage m_package;
    kestrel::KestrelOptions m_options;
    kestrel::UpdateState m_state;
    RecordingView m_view;
    FakeChannel m_channel;
    kestrel::CUpdateEngine m_engine{m_state, m_options, m_package, m_view};
};

// True when every consecutive pair of calls is at least `pauseMs` program time apart.
inline bool PausedBetween(const std::vector<Call>& calls, int64_t pauseMs) {
    for (size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].atMs - calls[i - 1].atMs < pauseMs) {
            return false;
        }
    }
    return true;
}

} // namespace updatetest
