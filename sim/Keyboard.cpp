// The simulated keyboard's life: connecting to the host, request handling across threads, the
// identity switch thread, and the dump files.
//
// Locking: State::lock guards all state and is never held during a host call. A request handler
// computes its reports under the lock and delivers them after releasing it; the switch thread
// likewise changes the identity under the lock and then calls Plug/Unplug. Disconnect waits for
// both (it joins the thread and waits for deliveries in progress), so it must not be called from a
// host call or while holding a lock that the host's calls take.
#include "sim/Keyboard.h"

#include <algorithm>
#include <cassert>
#include <fstream>

#include "sim/Commands.h"
#include "sim/KeyboardState.h"
#include "sim/VersionRecord.h"

namespace sim {
namespace {

UsbId IdsOf(const Config& config, Identity identity) { return identity == Identity::Ap ? config.ap : config.iap; }

// The identity `identity` has just been plugged: a new session of it begins.
void BeginSession(Keyboard::State& s, Identity identity) {
    s.identity = identity;
    s.plugged = identity;
    for (Target& target : s.targets) {
        target.versionWritten = false;
    }
    if (identity == Identity::Ap) {
        s.selectedTarget = 0;
    } else {
        s.counters.iapFlashBytes = 0;
    }
}

// Runs on the keyboard's switch thread from Connect to Disconnect: makes each queued plug or unplug
// when it is due. Waits on a condition variable so that Disconnect wakes it at once.
void RunSwitches(Keyboard::State& s) {
    std::unique_lock lock(s.lock);
    while (s.connected) {
        if (s.pending.empty()) {
            s.wake.wait(lock);
            continue;
        }
        const auto due = s.pending.front().due;
        if (std::chrono::steady_clock::now() < due) {
            s.wake.wait_until(lock, due);
            continue;
        }
        const PendingSwitch next = s.pending.front();
        s.pending.erase(s.pending.begin());
        if (next.plug) {
            BeginSession(s, next.identity);
        } else if (s.plugged == next.identity) {
            s.plugged.reset();
        } else {
            continue;
        }
        KeyboardHost* host = s.host;
        const UsbId ids = IdsOf(s.config, next.identity);
        lock.unlock();
        if (next.plug) {
            host->Plug(next.identity, ids.vendorId, ids.productId);
        } else {
            host->Unplug(next.identity);
        }
        lock.lock();
    }
}

bool WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

} // namespace

Keyboard::State::State(Config cfg) : config(std::move(cfg)) {
    targets.resize(config.targetCount);
    for (uint32_t i = 0; i < targets.size(); ++i) {
        Target& target = targets[i];
        target.hardwareId = config.hardwareId;
        if (i != config.hardwareTarget) {
            target.hardwareId.back() ^= 0xFF;  // a different keyboard's hardware
        }
        target.version = config.version;
        if (config.version) {
            WriteVersionText(target.memory.MutableVersionArea(), *config.version);
        }
    }
    identity = config.start;
}

Keyboard::Keyboard(Config config) : m_state(std::make_unique<State>(std::move(config))) {}

Keyboard::~Keyboard() { Disconnect(); }

void Keyboard::Connect(KeyboardHost& host) {
    State& s = *m_state;
    std::optional<Identity> plug;
    {
        std::lock_guard lock(s.lock);
        if (s.connected) {
            return;
        }
        s.host = &host;
        s.connected = true;
        s.plugged = s.identity;
        plug = s.identity;
        s.switcher = std::thread(RunSwitches, std::ref(s));
    }
    if (plug) {
        const UsbId ids = IdsOf(s.config, *plug);
        host.Plug(*plug, ids.vendorId, ids.productId);
    }
}

void Keyboard::Disconnect() {
    State& s = *m_state;
    std::thread switcher;
    {
        std::lock_guard lock(s.lock);
        if (!s.connected) {
            return;
        }
        s.connected = false;
        s.pending.clear();
        switcher = std::move(s.switcher);
    }
    s.wake.notify_all();
    assert(switcher.get_id() != std::this_thread::get_id());
    if (switcher.joinable()) {
        switcher.join();
    }
    std::optional<Identity> unplug;
    KeyboardHost* host = nullptr;
    {
        std::unique_lock lock(s.lock);
        s.hostCallsDone.wait(lock, [&s] { return s.hostCallsInFlight == 0; });
        unplug = s.plugged;
        s.plugged.reset();
        host = s.host;
        s.host = nullptr;
    }
    if (unplug) {
        host->Unplug(*unplug);
    }
}

void Keyboard::HandleRequest(Identity identity, std::span<const uint8_t> request) {
    State& s = *m_state;
    // A short request reads as zero-padded, a longer one is cut to the report size.
    Report bytes{};
    std::copy_n(request.begin(), std::min(request.size(), bytes.size()), bytes.begin());

    std::vector<Report> reports;
    KeyboardHost* host = nullptr;
    {
        std::lock_guard lock(s.lock);
        if (!s.connected) {
            ++s.counters.ignoredRequests;
            return;
        }
        const size_t pendingBefore = s.pending.size();
        reports = ExecuteRequest(s, identity, bytes);
        if (s.pending.size() != pendingBefore) {
            s.wake.notify_all();
        }
        if (reports.empty()) {
            return;
        }
        ++s.hostCallsInFlight;
        host = s.host;
    }
    for (const Report& report : reports) {
        host->Deliver(identity, report);
    }
    {
        std::lock_guard lock(s.lock);
        if (--s.hostCallsInFlight == 0) {
            s.hostCallsDone.notify_all();
        }
    }
}

bool Keyboard::WriteDump() const {
    const State& s = *m_state;
    if (s.config.dumpPath.empty()) {
        return false;
    }
    std::vector<uint8_t> flash;
    std::vector<uint8_t> version;
    {
        std::lock_guard lock(s.lock);
        const FlashMemory& memory = s.HardwareTarget().memory;
        const auto flashEnd = memory.FlashWrittenEnd();
        const auto versionEnd = memory.VersionWrittenEnd();
        if (flashEnd) {
            const auto bytes = memory.Flash().first(*flashEnd - protocol::kAppStart);
            flash.assign(bytes.begin(), bytes.end());
        }
        if (versionEnd) {
            const auto bytes = memory.VersionArea().first(*versionEnd);
            version.assign(bytes.begin(), bytes.end());
        }
    }
    const bool flashWritten = WriteFile(s.config.dumpPath, flash);
    const bool versionWritten = WriteFile(s.config.dumpPath + ".ver", version);
    return flashWritten && versionWritten;
}

const Config& Keyboard::GetConfig() const { return m_state->config; }

const Keyboard::State& Keyboard::Inspect() const { return *m_state; }

} // namespace sim
