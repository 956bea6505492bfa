// The scripted back-end (see FakeBackend.h).
#include "tests/device/hid/FakeBackend.h"

#include <algorithm>

#include "sys/Clock.h"

namespace hid::test {
namespace {

class FakeConnection final : public HidConnection {
public:
    FakeConnection(FakeBackend& bus, std::string path, std::shared_ptr<FakeBackend::Channel> channel)
        : m_bus(bus), m_path(std::move(path)), m_channel(std::move(channel)) {}

    HidReadResult Read(std::span<uint8_t> buffer, uint32_t timeoutMs) override {
        std::unique_lock lock(m_channel->lock);
        const bool woken = m_channel->changed.wait_until(lock, sys::RealDeadline(timeoutMs), [this] {
            return m_channel->cancelled || m_channel->gone || !m_channel->reports.empty();
        });
        if (!woken) {
            return {HidReadStatus::TimedOut, 0};
        }
        if (m_channel->cancelled) {
            return {HidReadStatus::Cancelled, 0};
        }
        if (m_channel->gone) {
            return {HidReadStatus::Gone, 0};
        }
        std::vector<uint8_t> report = std::move(m_channel->reports.front());
        m_channel->reports.pop_front();
        const size_t length = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), length, buffer.begin());
        return {HidReadStatus::Report, length};
    }

    bool Write(std::span<const uint8_t> report) override {
        m_bus.RecordWrite(m_path, {report.begin(), report.end()});
        return true;
    }

    void Cancel() override {
        std::lock_guard lock(m_channel->lock);
        m_channel->cancelled = true;
        m_channel->changed.notify_all();
    }

private:
    FakeBackend& m_bus;
    const std::string m_path;
    const std::shared_ptr<FakeBackend::Channel> m_channel;
};

class FakeWatch final : public HidWatch {
public:
    FakeWatch(FakeBackend& bus, HidEventSink& sink) : m_bus(bus), m_sink(sink) {}
    ~FakeWatch() override { m_bus.RemoveSink(&m_sink); }

private:
    FakeBackend& m_bus;
    HidEventSink& m_sink;
};

void MarkGone(const std::vector<std::shared_ptr<FakeBackend::Channel>>& channels) {
    for (const auto& channel : channels) {
        std::lock_guard lock(channel->lock);
        channel->gone = true;
        channel->changed.notify_all();
    }
}

} // namespace

HidInterfaceInfo VendorInterface(const std::string& path, uint16_t vendorId, uint16_t productId) {
    HidInterfaceInfo info;
    info.path = path;
    info.vendorId = vendorId;
    info.productId = productId;
    info.usagePage = 0xFF00;
    info.usage = 1;
    info.inputReportLength = 65;
    info.outputReportLength = 65;
    info.hasOutputItem = true;
    return info;
}

std::vector<HidInterfaceInfo> FakeBackend::Enumerate() {
    std::lock_guard lock(m_lock);
    return m_present;
}

HidOpenResult FakeBackend::Open(const HidInterfaceInfo& interface, uint32_t) {
    std::lock_guard lock(m_lock);
    ++m_opens[interface.path];
    if (auto refused = m_refused.find(interface.path); refused != m_refused.end()) {
        return {nullptr, refused->second};
    }
    const bool present = std::any_of(m_present.begin(), m_present.end(),
                                     [&](const HidInterfaceInfo& i) { return i.path == interface.path; });
    if (!present) {
        return {nullptr, HidOpenError::NotFound};
    }
    auto channel = std::make_shared<Channel>();
    m_channels[interface.path].push_back(channel);
    return {std::make_unique<FakeConnection>(*this, interface.path, channel), HidOpenError::Failed};
}

std::unique_ptr<HidWatch> FakeBackend::Watch(HidEventSink& sink) {
    std::lock_guard lock(m_lock);
    m_sinks.push_back(&sink);
    return std::make_unique<FakeWatch>(*this, sink);
}

void FakeBackend::RemoveSink(HidEventSink* sink) {
    std::lock_guard lock(m_lock);
    std::erase(m_sinks, sink);
}

bool FakeBackend::HasWatch() {
    std::lock_guard lock(m_lock);
    return !m_sinks.empty();
}

void FakeBackend::AddPresent(const HidInterfaceInfo& info) {
    std::lock_guard lock(m_lock);
    m_present.push_back(info);
}

void FakeBackend::Plug(const HidInterfaceInfo& info) {
    std::lock_guard lock(m_lock);
    m_present.push_back(info);
    for (HidEventSink* sink : m_sinks) {
        sink->OnArrival({info});
    }
}

void FakeBackend::Unplug(const std::string& path) {
    std::lock_guard lock(m_lock);
    std::erase_if(m_present, [&](const HidInterfaceInfo& i) { return i.path == path; });
    MarkGone(m_channels[path]);
    m_channels.erase(path);
    for (HidEventSink* sink : m_sinks) {
        sink->OnRemoval(path);
    }
}

void FakeBackend::FailNode(const std::string& path) {
    std::lock_guard lock(m_lock);
    MarkGone(m_channels[path]);
}

void FakeBackend::RefuseOpen(const std::string& path, HidOpenError error) {
    std::lock_guard lock(m_lock);
    m_refused[path] = error;
}

void FakeBackend::Suspend() {
    std::lock_guard lock(m_lock);
    for (HidEventSink* sink : m_sinks) {
        sink->OnSuspend();
    }
}

void FakeBackend::Resume() {
    std::lock_guard lock(m_lock);
    for (HidEventSink* sink : m_sinks) {
        sink->OnResume();
    }
}

void FakeBackend::Deliver(const std::string& path, std::vector<uint8_t> report) {
    std::lock_guard lock(m_lock);
    for (const auto& channel : m_channels[path]) {
        std::lock_guard channelLock(channel->lock);
        channel->reports.push_back(report);
        channel->changed.notify_all();
    }
}

void FakeBackend::RecordWrite(const std::string& path, std::vector<uint8_t> report) {
    std::lock_guard lock(m_lock);
    m_written[path].push_back(std::move(report));
}

std::vector<std::vector<uint8_t>> FakeBackend::Written(const std::string& path) {
    std::lock_guard lock(m_lock);
    return m_written[path];
}

int FakeBackend::OpenCount(const std::string& path) {
    std::lock_guard lock(m_lock);
    return m_opens[path];
}

} // namespace hid::test
