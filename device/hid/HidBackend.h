// The platform side of the HID transport: only I/O, no rules. A back-end lists the present HID
// interfaces, opens one, reads and writes whole reports, and reports arrival, removal, suspend and
// resume to a sink. Everything else (filters, ids, notices, threads) is HidDeviceManager's.
//
// Reports cross this interface with byte 0 = report id (0 for a device without report ids), the
// data after it, and lengths that count that byte, whatever the platform does underneath.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace hid {

// One top-level collection of one present HID interface.
struct HidInterfaceInfo {
    std::string path;         // what Open takes; one node may carry several collections
    uint32_t collection = 0;  // index of the top-level collection within the node
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint32_t inputReportLength = 0;  // bytes, report id byte included; 0: no input reports
    uint32_t outputReportLength = 0;
    uint32_t featureReportLength = 0;
    uint8_t outputReportId = 0;  // report id of the first output data item
    bool hasOutputItem = false;  // false: the collection cannot be written to
};

enum class HidReadStatus {
    Report,     // one report in the buffer
    TimedOut,   // nothing within the time limit
    Cancelled,  // Cancel was called (now or earlier)
    Gone,       // the device was removed
    Failed,     // another error; the caller may try again later
};

struct HidReadResult {
    HidReadStatus status = HidReadStatus::Failed;
    size_t length = 0;  // bytes of the report (Report only), at most the buffer's size
};

// One opened interface. Read runs on the device's read thread; Write on any one thread at a time;
// Cancel on any thread, at any time.
class HidConnection {
public:
    virtual ~HidConnection() = default;
    // Waits up to `timeoutMs` program milliseconds for one input report and copies at most
    // buffer.size() bytes of it.
    virtual HidReadResult Read(std::span<uint8_t> buffer, uint32_t timeoutMs) = 0;
    // Writes one whole output report (byte 0 = report id). False when the platform refused it.
    virtual bool Write(std::span<const uint8_t> report) = 0;
    // Wakes a pending Read and makes every later Read return Cancelled at once.
    virtual void Cancel() = 0;
};

enum class HidOpenError {
    PermissionDenied,  // the node exists but we may not open it
    NotFound,          // the device went away
    Failed,            // anything else
};

struct HidOpenResult {
    std::unique_ptr<HidConnection> connection;  // set on success
    HidOpenError error = HidOpenError::Failed;
};

// Events of the platform. Called on a thread of the back-end's own; the sink must not block long.
class HidEventSink {
public:
    virtual ~HidEventSink() = default;
    // An interface appeared, with one entry per top-level collection.
    virtual void OnArrival(std::vector<HidInterfaceInfo> interfaces) = 0;
    // The node at `path` went away (every collection on it).
    virtual void OnRemoval(const std::string& path) = 0;
    virtual void OnSuspend() = 0;
    virtual void OnResume() = 0;
};

// Reports events to a sink while it exists; its destructor stops the reporting and returns only
// when no sink call is running or can follow.
class HidWatch {
public:
    virtual ~HidWatch() = default;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // The present interfaces, one entry per top-level collection, in the platform's order.
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Opens the interface for reading and writing. `retryMs`: how long a node that refuses us may
    // be tried again (a node that has just appeared may not carry its permissions yet).
    virtual HidOpenResult Open(const HidInterfaceInfo& interface, uint32_t retryMs) = 0;
    // Starts reporting events to `sink`, which must outlive the returned watch. nullptr on failure.
    virtual std::unique_ptr<HidWatch> Watch(HidEventSink& sink) = 0;
};

} // namespace hid
