// The simulated HID bus (see SimHidBackend.h).
#include "device/hid/sim/SimHidBackend.h"

#include <algorithm>
#include <condition_variable>
#include <deque>

#include "sys/Clock.h"

namespace hid {

// The report queue of one open connection; the bus fills it, the read thread drains it.
struct SimHidBackend::Channel {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> reports;
    bool gone = false;
    bool cancelled = false;
};

class SimHidBackend::Connection final : public HidConnection {
public:
    Connection(std::weak_ptr<SimHidBackend> bus, sim::Identity identity, uint64_t generation,
               std::shared_ptr<Channel> channel)
        : m_bus(std::move(bus)), m_identity(identity), m_generation(generation), m_channel(std::move(channel)) {}

    // The device's read thread.
    HidReadResult Read(std::span<uint8_t> buffer, uint32_t timeoutMs) override {
        std::unique_lock lock(m_channel->lock);
        const auto ready = [this] { return m_channel->cancelled || m_channel->gone || !m_channel->reports.empty(); };
        if (!m_channel->changed.wait_until(lock, sys::RealDeadline(timeoutMs), ready)) {
            return {HidReadStatus::TimedOut, 0};
        }
        if (m_channel->cancelled) {
            return {HidReadStatus::Cancelled, 0};
        }
        if (m_channel->reports.empty()) {
            return {HidReadStatus::Gone, 0};
        }
        const std::vector<uint8_t> report = std::move(m_channel->reports.front());
        m_channel->reports.pop_front();
        const size_t length = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), length, buffer.begin());
        return {HidReadStatus::Report, length};
    }

    bool Write(std::span<const uint8_t> report) override {
        auto bus = m_bus.lock();
        return bus && bus->HandleWrite(m_identity, m_generation, report);
    }

    void Cancel() override {
        std::lock_guard lock(m_channel->lock);
        m_channel->cancelled = true;
        m_channel->changed.notify_all();
    }

private:
    const std::weak_ptr<SimHidBackend> m_bus;
    const sim::Identity m_identity;
    const uint64_t m_generation;
    const std::shared_ptr<Channel> m_channel;
};

class SimHidBackend::WatchHandle final : public HidWatch {
public:
    WatchHandle(std::shared_ptr<SimHidBackend> bus, HidEventSink& sink) : m_bus(std::move(bus)), m_sink(sink) {}
    ~WatchHandle() override { m_bus->RemoveSink(&m_sink); }

private:
    const std::shared_ptr<SimHidBackend> m_bus;
    HidEventSink& m_sink;
};

std::shared_ptr<SimHidBackend> SimHidBackend::Create(sim::Config config) {
    sys::SetTimeScale(config.timeScale);
    std::shared_ptr<SimHidBackend> bus(new SimHidBackend(std::move(config)));
    bus->ConnectKeyboard();
    return bus;
}

SimHidBackend::SimHidBackend(sim::Config config) : m_keyboard(std::move(config)) {}

SimHidBackend::~SimHidBackend() {
    m_keyboard.Disconnect();
}

void SimHidBackend::ConnectKeyboard() {
    m_keyboard.Connect(*this);
}

void SimHidBackend::DisconnectKeyboard() {
    m_keyboard.Disconnect();
}

std::vector<HidInterfaceInfo> SimHidBackend::Enumerate() {
    std::lock_guard lock(m_lock);
    std::vector<HidInterfaceInfo> present;
    for (const Port& port : m_ports) {
        if (port.plugged) {
            present.push_back(port.info);
        }
    }
    return present;
}

HidOpenResult SimHidBackend::Open(const HidInterfaceInfo& interface, uint32_t) {
    std::lock_guard lock(m_lock);
    for (size_t i = 0; i < 2; ++i) {
        Port& port = m_ports[i];
        if (!port.plugged || port.info.path != interface.path) {
            continue;
        }
        auto channel = std::make_shared<Channel>();
        std::erase_if(port.channels, [](const std::weak_ptr<Channel>& c) { return c.expired(); });
        port.channels.push_back(channel);
        const sim::Identity identity = i == 0 ? sim::Identity::Ap : sim::Identity::Iap;
        return HidOpenResult{std::make_unique<Connection>(weak_from_this(), identity, port.generation, channel), {}};
    }
    return HidOpenResult{nullptr, HidOpenError::NotFound};
}

std::unique_ptr<HidWatch> SimHidBackend::Watch(HidEventSink& sink) {
    std::lock_guard lock(m_lock);
    m_sinks.push_back(&sink);
    return std::make_unique<WatchHandle>(shared_from_this(), sink);
}

void SimHidBackend::RemoveSink(HidEventSink* sink) {
    std::lock_guard lock(m_lock);
    std::erase(m_sinks, sink);
}

void SimHidBackend::InjectPower(bool suspend) {
    std::lock_guard lock(m_lock);
    for (HidEventSink* sink : m_sinks) {
        suspend ? sink->OnSuspend() : sink->OnResume();
    }
}

bool SimHidBackend::HandleWrite(sim::Identity identity, uint64_t generation, std::span<const uint8_t> report) {
    {
        std::lock_guard lock(m_lock);
        const Port& port = PortOf(identity);
        if (!port.plugged || port.generation != generation) {
            return false;  // written to an interface that has gone
        }
    }
    if (report.size() != kReportLength) {
        return false;
    }
    // Outside the lock: the keyboard may answer (Deliver) or switch identity from inside.
    m_keyboard.HandleRequest(identity, report.subspan(1));
    return true;
}

void SimHidBackend::Plug(sim::Identity identity, uint16_t vendorId, uint16_t productId) {
    std::lock_guard lock(m_lock);
    Port& port = PortOf(identity);
    port.plugged = true;
    port.generation = m_nextGeneration++;
    port.channels.clear();
    HidInterfaceInfo& info = port.info;
    info = HidInterfaceInfo{};
    info.path = std::string("sim/") + (identity == sim::Identity::Ap ? "ap/" : "iap/") + std::to_string(port.generation);
    info.vendorId = vendorId;
    info.productId = productId;
    info.usagePage = kUsagePage;
    info.usage = kUsage;
    info.inputReportLength = kReportLength;
    info.outputReportLength = kReportLength;
    info.outputReportId = 0;
    info.hasOutputItem = true;
    for (HidEventSink* sink : m_sinks) {
        sink->OnArrival({info});
    }
}

void SimHidBackend::Unplug(sim::Identity identity) {
    std::lock_guard lock(m_lock);
    Port& port = PortOf(identity);
    if (!port.plugged) {
        return;
    }
    port.plugged = false;
    for (const auto& weak : port.channels) {
        if (auto channel = weak.lock()) {
            std::lock_guard channelLock(channel->lock);
            channel->gone = true;
            channel->changed.notify_all();
        }
    }
    port.channels.clear();
    for (HidEventSink* sink : m_sinks) {
        sink->OnRemoval(port.info.path);
    }
}

void SimHidBackend::Deliver(sim::Identity identity, std::span<const uint8_t> report) {
    std::vector<uint8_t> withId(report.size() + 1, 0);  // report id 0, then the data
    std::copy(report.begin(), report.end(), withId.begin() + 1);
    std::lock_guard lock(m_lock);
    DeliverLocked(PortOf(identity), std::move(withId));
}

void SimHidBackend::InjectReport(sim::Identity identity, std::vector<uint8_t> report) {
    std::lock_guard lock(m_lock);
    DeliverLocked(PortOf(identity), std::move(report));
}

void SimHidBackend::DeliverLocked(Port& port, std::vector<uint8_t> report) {
    if (!port.plugged) {
        return;  // an answer racing the identity's unplug
    }
    for (const auto& weak : port.channels) {
        if (auto channel = weak.lock()) {
            std::lock_guard channelLock(channel->lock);
            channel->reports.push_back(report);
            channel->changed.notify_all();
        }
    }
}

} // namespace hid
