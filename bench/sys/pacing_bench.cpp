// Measures the request pacing wait as the update run uses it: the spacing of consecutive waits
// (median and 99th percentile) and the CPU time it costs per wall-clock time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "sys/Pacing.h"

namespace {

constexpr int kWaits = 1000;
constexpr double kGoalP99Ms = 3.2;
constexpr double kGoalCpuShare = 0.25;

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Percentile(const std::vector<double>& sorted, double share) {
    const size_t index = std::min(sorted.size() - 1, static_cast<size_t>(share * static_cast<double>(sorted.size())));
    return sorted[index];
}

} // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    std::vector<double> spacingMs;
    spacingMs.reserve(kWaits);

    sys::PacingWait(); // warm-up: first-use costs (timer creation, page faults) are not pacing
    const double cpuStart = ProcessCpuSeconds();
    const Clock::time_point wallStart = Clock::now();
    Clock::time_point previous = wallStart;
    for (int i = 0; i < kWaits; ++i) {
        sys::PacingWait();
        const Clock::time_point now = Clock::now();
        spacingMs.push_back(std::chrono::duration<double, std::milli>(now - previous).count());
        previous = now;
    }
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const double cpuShare = (ProcessCpuSeconds() - cpuStart) / wallSeconds;

    std::sort(spacingMs.begin(), spacingMs.end());
    const double median = Percentile(spacingMs, 0.5);
    const double p99 = Percentile(spacingMs, 0.99);
    std::printf("pacing_bench: %d consecutive waits\n", kWaits);
    std::printf("  spacing min %.3f ms, median %.3f ms, p99 %.3f ms, max %.3f ms   (goal: p99 <= %.1f ms)  %s\n",
                spacingMs.front(), median, p99, spacingMs.back(), kGoalP99Ms, p99 <= kGoalP99Ms ? "met" : "MISSED");
    const auto over = std::count_if(spacingMs.begin(), spacingMs.end(), [](double ms) { return ms > kGoalP99Ms; });
    std::printf("  %ld of %d spacings above %.1f ms\n", static_cast<long>(over), kWaits, kGoalP99Ms);
    std::printf("  CPU %.1f%% of one core over %.3f s wall   (goal: CPU <= %.0f%% of one core)  %s\n", cpuShare * 100.0,
                wallSeconds, kGoalCpuShare * 100.0, cpuShare <= kGoalCpuShare ? "met" : "MISSED");
    return 0;
}
