// The simulated keyboard's state, shared by its request handling (sim/Commands.cpp) and its
// threading (sim/Keyboard.cpp), and readable by tests through Keyboard::Inspect.
//
// Every member below `lock` is guarded by it. The lock is never held during a call to the host.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sim/Config.h"
#include "sim/FlashMemory.h"
#include "sim/Keyboard.h"

namespace sim {

// One update target behind the AP device. Target 0 is the keyboard itself, the one the IAP identity
// (its boot loader) writes; other targets take flash commands on the AP identity directly.
struct Target {
    FlashMemory memory;
    uint32_t writePointer = 0;
    std::optional<FirmwareVersion> version;  // what its APInfo reports
    std::array<uint8_t, 16> hardwareId{};
    bool versionWritten = false;  // the version area was written since the identity was plugged
};

// A host call that the keyboard's thread makes when it is due.
struct PendingSwitch {
    std::chrono::steady_clock::time_point due;
    bool plug = false;  // plug `identity`, else unplug it
    Identity identity = Identity::Ap;
};

struct Counters {
    std::array<uint32_t, 2> requests{};  // requests received by the present identity, [Ap], [Iap]
    uint32_t ignoredRequests = 0;        // requests written to an identity that is not present
    uint32_t answers = 0;                // real answers delivered (error answers included)
    uint32_t errorAnswers = 0;           // FF AA answers among them
    uint32_t droppedAnswers = 0;         // answers held back by a drop fault
    uint32_t noiseReports = 0;
    uint32_t blockWrites = 0;            // block write requests accepted (also a faulted one)
    uint32_t checksumQueries = 0;
    uint32_t versionReadbacks = 0;       // reads of info block 0 after a version write
    uint32_t enterIap = 0;
    uint32_t resets = 0;
    uint32_t iapFlashBytes = 0;          // bytes the IAP identity wrote to the application flash since it was plugged
    bool unplugFaultDone = false;
};

inline size_t IdentityIndex(Identity identity) { return identity == Identity::Ap ? 0 : 1; }

struct Keyboard::State {
    explicit State(Config cfg);

    const Config config;

    mutable std::mutex lock;
    KeyboardHost* host = nullptr;
    bool connected = false;
    std::optional<Identity> identity;  // the identity that answers; none while switching
    std::optional<Identity> plugged;   // the identity the host was told about
    uint32_t selectedTarget = 0;
    std::vector<Target> targets;
    Counters counters;

    std::vector<PendingSwitch> pending;  // in order of `due`
    std::condition_variable wake;        // the switch thread: a switch was queued, or stop
    std::thread switcher;
    uint32_t hostCallsInFlight = 0;      // Deliver calls made by request handlers right now
    std::condition_variable hostCallsDone;

    // The target a request to `on` addresses: target 0 for the IAP identity, else the selected one.
    Target& TargetFor(Identity on) { return targets[on == Identity::Iap ? 0 : selectedTarget]; }
    // The target the package updates (the one reporting the configured hardware id).
    const Target& HardwareTarget() const { return targets[config.hardwareTarget]; }
};

} // namespace sim
