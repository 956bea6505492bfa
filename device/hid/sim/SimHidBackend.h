// The simulated HID bus: an in-process back-end with the simulated keyboard plugged in. Each
// identity the keyboard plugs appears as one interface (usage page 0xFF00, usage 1, input and output
// reports of 65 bytes with report id 0); requests written to it go to the keyboard, its answers come
// back as input reports to every open connection of that identity.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/HidBackend.h"
#include "sim/Keyboard.h"

namespace hid {

class SimHidBackend final : public HidBackend,
                            private sim::KeyboardHost,
                            public std::enable_shared_from_this<SimHidBackend> {
public:
    static constexpr uint16_t kUsagePage = 0xFF00;
    static constexpr uint16_t kUsage = 1;
    static constexpr uint32_t kReportLength = 65;  // report id 0 + 64 data bytes

    // Applies the config's time scale (the only place that does) and plugs the keyboard in.
    static std::shared_ptr<SimHidBackend> Create(sim::Config config);
    ~SimHidBackend() override;

    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const HidInterfaceInfo& interface, uint32_t retryMs) override;
    std::unique_ptr<HidWatch> Watch(HidEventSink& sink) override;

    // Unplugs the keyboard (every identity goes, no switch follows) / plugs it in again.
    void DisconnectKeyboard();
    void ConnectKeyboard();
    // Reports a system suspend or resume to every watch.
    void InjectPower(bool suspend);
    // A report of the identity's interface that does not come from the keyboard (any length).
    void InjectReport(sim::Identity identity, std::vector<uint8_t> report);

    sim::Keyboard& Keyboard() { return m_keyboard; }

    struct Channel;
    class Connection;
    class WatchHandle;
    // A request written to a connection of `identity`, plug `generation`. Writer's thread.
    bool HandleWrite(sim::Identity identity, uint64_t generation, std::span<const uint8_t> report);
    void RemoveSink(HidEventSink* sink);

private:
    explicit SimHidBackend(sim::Config config);

    // sim::KeyboardHost: any thread.
    void Plug(sim::Identity identity, uint16_t vendorId, uint16_t productId) override;
    void Unplug(sim::Identity identity) override;
    void Deliver(sim::Identity identity, std::span<const uint8_t> report) override;

    struct Port {
        bool plugged = false;
        uint64_t generation = 0;
        HidInterfaceInfo info;
        std::vector<std::weak_ptr<Channel>> channels;
    };
    Port& PortOf(sim::Identity identity) { return m_ports[identity == sim::Identity::Ap ? 0 : 1]; }
    void DeliverLocked(Port& port, std::vector<uint8_t> report);

    sim::Keyboard m_keyboard;
    // Guards the ports and the sinks; sink calls are made under it, so a watch's removal waits for
    // a running call. Never held while calling the keyboard.
    std::mutex m_lock;
    Port m_ports[2];
    uint64_t m_nextGeneration = 1;
    std::vector<HidEventSink*> m_sinks;
};

} // namespace hid
