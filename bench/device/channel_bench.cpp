// Round trips of IAP commands through the real transport and the simulated keyboard, at real time:
// 1,000 GetWritePointer and 500 WriteBlock of 56 bytes on the IAP channel. Prints the time per
// command against its floor (the 3 ms pacing wait after each request and the read thread's 10 ms
// pause before each read; the two overlap, so the larger one bounds a round trip from below) and
// the process's CPU time per command.
#include "device/hid/HidSetup.h"
#include "device/hid/sim/SimHidBackend.h"
#include "device/IAP_CUSBDriver.h"
#include "sim/Config.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr double kPacingMs = 3.0;
constexpr double kReadPauseMs = 10.0;

struct Result {
    double wallMsPerCommand;
    double cpuMsPerCommand;
    int failures;
};

Result Measure(int count, const std::function<int()>& command) {
    int failures = 0;
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        failures += command() != device::kCommandOk ? 1 : 0;
    }
    const auto wall = std::chrono::steady_clock::now() - wallStart;
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return Result{std::chrono::duration<double, std::milli>(wall).count() / count, cpuMs / count, failures};
}

void Print(const char* name, int count, const Result& r) {
    const double floorMs = kReadPauseMs > kPacingMs ? kReadPauseMs : kPacingMs;
    std::printf("%-22s %5d commands: %7.3f ms/command (floor %.1f ms: pacing %.0f ms, read pause %.0f ms; "
                "%.2fx floor), CPU %.3f ms/command, %d failed\n",
                name, count, r.wallMsPerCommand, floorMs, kPacingMs, kReadPauseMs,
                r.wallMsPerCommand / floorMs, r.cpuMsPerCommand, r.failures);
}

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

    int status = 0;
    {
        device::IAP_CUSBDriver channel;
        channel.MakeCurrent();
        channel.m_slot = 1;
        if (channel.Open(config.iap.vendorId, config.iap.productId) != 1) {
            std::fprintf(stderr, "the simulated IAP device did not attach\n");
            return 1;
        }

        const Result pointer = Measure(1000, [&] {
            uint32_t value = 0xFFFFFFFF;
            return channel.GetWritePointer(value);
        });
        Print("GetWritePointer", 1000, pointer);

        const std::vector<uint8_t> block(56, 0x5A);
        if (channel.SetWritePointer(0x1000) != device::kCommandOk) {
            std::fprintf(stderr, "SetWritePointer failed\n");
            status = 1;
        }
        const Result write = Measure(500, [&] {
            uint32_t value = 0;
            return channel.WriteBlock(block, value);
        });
        Print("WriteBlock (56 bytes)", 500, write);
        status |= pointer.failures + write.failures > 0 ? 1 : 0;
        channel.Close();
    }
    hid::testing::HidUseBackend(nullptr);
    return status;
}
