// One opened HID interface of Windows: overlapped reads and writes on a handle opened with
// FILE_FLAG_OVERLAPPED, each waiting on its completion event together with a cancel event, and
// CancelIoEx to take back a transfer that must end early. Windows reads and writes whole reports
// with the report id in byte 0 (0 for a device without report ids), as HidConnection does.
//
// A read that times out stays pending and is collected by the next Read, so a report that arrives
// between two reads is not lost. Read runs on the device's read thread; Write on one thread at a
// time; Cancel on any thread. The destructor takes back a read still pending and waits until it
// is done with our buffer.
#pragma once

#include "device/hid/win32/WinApi.h"

#include <memory>
#include <string>
#include <vector>

#include "device/hid/HidBackend.h"
#include "device/hid/win32/ScopedWin.h"

namespace hid::win32 {

class HandleRegistry;

// Longest wait for a write to complete (program ms). The keyboard takes its output reports within
// a few milliseconds; a write that does not complete in this time is taken back and reported failed
// rather than blocking its caller for ever.
inline constexpr uint32_t kWriteTimeLimitMs = 2000;

class WinHidConnection final : public HidConnection {
public:
    // nullptr when the events cannot be made. `inputLength`: the device's input report byte length.
    static std::unique_ptr<WinHidConnection> Create(ScopedHandle file, std::string path, uint32_t inputLength,
                                                    std::shared_ptr<HandleRegistry> registry);
    ~WinHidConnection() override;

    HidReadResult Read(std::span<uint8_t> buffer, uint32_t timeoutMs) override;
    bool Write(std::span<const uint8_t> report) override;
    void Cancel() override;

    HANDLE FileHandle() const { return m_file.Get(); }

private:
    WinHidConnection(ScopedHandle file, std::string path, uint32_t inputLength,
                     std::shared_ptr<HandleRegistry> registry, ScopedHandle cancel, ScopedHandle readDone,
                     ScopedHandle writeDone);
    bool IsCancelled() const;
    HidReadResult Collect(std::span<uint8_t> buffer);
    // Takes back `transfer` and waits until the system no longer uses it. True when it completed
    // (with `bytes` transferred) before the cancel reached it.
    bool TakeBack(OVERLAPPED& transfer, DWORD& bytes);

    const ScopedHandle m_file;
    const std::string m_path;
    const std::shared_ptr<HandleRegistry> m_registry;
    const ScopedHandle m_cancel;  // manual-reset; set once by Cancel

    // Read thread only.
    const ScopedHandle m_readDone;  // manual-reset completion event of the pending read
    OVERLAPPED m_read{};
    bool m_readPending = false;
    std::vector<uint8_t> m_input;  // the pending read's target, the input report byte length

    // The writing thread only (one at a time).
    const ScopedHandle m_writeDone;
    OVERLAPPED m_write{};
};

} // namespace hid::win32
