// A complete update run of a 64 KiB image at block size 56 through the real transport and the
// simulated keyboard in boot mode, at real time. Prints the run's wall time against the floor the
// protocol sets (every block request costs the 3 ms pacing wait and the read thread's 10 ms pause,
// and the run adds its fixed pauses) and the process's CPU time during the run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <numeric>

#include "device/IAP_CUSBDriver.h"
#include "device/hid/HidSetup.h"
#include "device/hid/sim/SimHidBackend.h"
#include "package/Trailer.h"
#include "sim/Config.h"
#include "update/UpdateEngine.h"

namespace {

constexpr uint32_t kImageBytes = 64 * 1024;
constexpr uint32_t kRecordBytes = 120;
constexpr uint8_t kBlockSize = 56;
constexpr double kPacingMs = 3.0;
constexpr double kReadPauseMs = 10.0;
constexpr double kFixedPausesMs = kestrel::kAfterInfoPauseMs + kestrel::kAfterErasePauseMs +
                                  kestrel::kBeforeVersionPauseMs + kestrel::kAfterResetPauseMs;

class CountingView final : public kestrel::IUpdateView {
public:
    void SetProgress(int value) override { m_last = value; }
    void SetCurrentVersionText(const std::u16string&) override {}
    void InvalidateAll() override {}
    void EnableAfterRun(bool) override {}
    void HandOver(bool success) override { m_success = success; }
    int m_last = -1;
    bool m_success = false;
};

} // namespace

int main() {
    sim::ConfigResult parsed = sim::ParseConfig("keyboard=iap");
    if (!parsed) {
        std::fprintf(stderr, "bad simulation settings: %s\n", parsed.error.c_str());
        return 1;
    }
    const sim::Config config = *parsed.config;
    auto bus = hid::SimHidBackend::Create(config);
    hid::testing::HidUseBackend(bus);

    package::FwPackage pkg;
    package::TrailerWriter trailer(pkg.m_package);
    trailer.SetHardwareId(config.hardwareId);
    trailer.SetBlockSize(kBlockSize);
    trailer.SetVersionText(u"V1.2.30");
    auto entry = trailer.Entry(0);
    entry.SetImageSize(kImageBytes);
    entry.SetRecordSize(kRecordBytes);
    entry.SetLayoutId(config.layoutId);
    entry.SetVersion(1, 2, 30);
    pkg.m_pImage[0].resize(kImageBytes);
    std::iota(pkg.m_pImage[0].begin(), pkg.m_pImage[0].end(), uint8_t{7});
    pkg.m_pVerRecord[0].assign(kRecordBytes, 0x42);

    int status = 0;
    {
        device::IAP_CUSBDriver channel;
        channel.MakeCurrent();
        channel.m_slot = 1;
        if (channel.Open(config.iap.vendorId, config.iap.productId) != 1) {
            std::fprintf(stderr, "the simulated IAP device did not attach\n");
            return 1;
        }
        kestrel::KestrelOptions options;
        kestrel::UpdateState state;
        state.m_nSelImage = 0;
        CountingView view;
        kestrel::CUpdateEngine engine(state, options, pkg, view);
        kestrel::DriverChannel commands(channel);

        const std::clock_t cpuStart = std::clock();
        const auto wallStart = std::chrono::steady_clock::now();
        engine.UpdateWorker(commands, commands);
        const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

        const uint32_t blocks = (kImageBytes + kBlockSize - 1) / kBlockSize + (kRecordBytes + kBlockSize - 1) / kBlockSize;
        // The pacing wait runs while the read thread sleeps its pause, so the two overlap and the larger
        // bounds a request from below; their sum is the bound when they do not overlap at all.
        const double overlapFloorMs = blocks * std::max(kPacingMs, kReadPauseMs) + kFixedPausesMs;
        const double sumFloorMs = blocks * (kPacingMs + kReadPauseMs) + kFixedPausesMs;
        std::printf("update of %u bytes at block size %u (%u block requests): %s\n", kImageBytes, kBlockSize, blocks,
                    view.m_success ? "succeeded" : "FAILED");
        std::printf("total %.0f ms; floor %.0f ms = %u x max(%.0f ms pacing, %.0f ms read pause) + %.0f ms fixed "
                    "pauses: %.2fx floor (without overlap %.0f ms: %.2fx)\n",
                    wallMs, overlapFloorMs, blocks, kPacingMs, kReadPauseMs, kFixedPausesMs, wallMs / overlapFloorMs,
                    sumFloorMs, wallMs / sumFloorMs);
        std::printf("process CPU time during the run: %.0f ms (%.1f%% of the wall time)\n", cpuMs,
                    100.0 * cpuMs / wallMs);
        status = view.m_success ? 0 : 1;
        channel.Close();
    }
    hid::testing::HidUseBackend(nullptr);
    return status;
}
