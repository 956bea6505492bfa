// A scripted HID back-end for the transport's tests: devices are plugged and unplugged by the test,
// reports are queued by the test, writes are recorded.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid/HidBackend.h"

namespace hid::test {

// A device of the fake bus: usage page 0xFF00, usage 1, 65-byte reports, report id 0 by default.
HidInterfaceInfo VendorInterface(const std::string& path, uint16_t vendorId, uint16_t productId);

class FakeBackend final : public HidBackend {
public:
    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const HidInterfaceInfo& interface, uint32_t retryMs) override;
    std::unique_ptr<HidWatch> Watch(HidEventSink& sink) override;

    // Present before the slot opens (no event) or plugged later (arrival event).
    void AddPresent(const HidInterfaceInfo& info);
    void Plug(const HidInterfaceInfo& info);
    // Removal event for the path; its open connections report Gone from then on.
    void Unplug(const std::string& path);
    // The node fails its reads with Gone, without any removal event.
    void FailNode(const std::string& path);
    void RefuseOpen(const std::string& path, HidOpenError error);
    void Suspend();
    void Resume();

    // Queues one input report (byte 0 = report id) for every open connection of `path`.
    void Deliver(const std::string& path, std::vector<uint8_t> report);
    std::vector<std::vector<uint8_t>> Written(const std::string& path);
    int OpenCount(const std::string& path);
    bool HasWatch();

    struct Channel {
        std::mutex lock;
        std::condition_variable changed;
        std::deque<std::vector<uint8_t>> reports;
        bool gone = false;
        bool cancelled = false;
    };
    void RecordWrite(const std::string& path, std::vector<uint8_t> report);
    void RemoveSink(HidEventSink* sink);

private:
    std::mutex m_lock;  // guards everything below; sink calls are made under it
    std::vector<HidInterfaceInfo> m_present;
    std::map<std::string, HidOpenError> m_refused;
    std::map<std::string, std::vector<std::shared_ptr<Channel>>> m_channels;
    std::map<std::string, std::vector<std::vector<uint8_t>>> m_written;
    std::map<std::string, int> m_opens;
    std::vector<HidEventSink*> m_sinks;
};

} // namespace hid::test
