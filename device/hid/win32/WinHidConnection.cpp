// Overlapped reads and writes of one HID interface (see WinHidConnection.h).
#include "device/hid/win32/WinHidConnection.h"

#include <algorithm>
#include <chrono>

#include "device/hid/win32/WinHidHandleRegistry.h"
#include "sys/Clock.h"

namespace hid::win32 {
namespace {

// Errors by which a read tells that the device has gone.
bool IsGoneError(DWORD error) {
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_BAD_COMMAND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_NOT_READY;
}

// The real milliseconds a wait of `ms` program milliseconds lasts (INFINITE stays INFINITE).
DWORD RealWaitMs(uint32_t ms) {
    if (ms == sys::kInfinite) {
        return INFINITE;
    }
    const auto real = std::chrono::ceil<std::chrono::milliseconds>(sys::RealDuration(ms)).count();
    return static_cast<DWORD>(std::clamp<int64_t>(real, 0, INFINITE - 1));
}

ScopedHandle MakeManualEvent() {
    return ScopedHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

} // namespace

std::unique_ptr<WinHidConnection> WinHidConnection::Create(ScopedHandle file, std::string path,
                                                           uint32_t inputLength,
                                                           std::shared_ptr<HandleRegistry> registry) {
    ScopedHandle cancel = MakeManualEvent();
    ScopedHandle readDone = MakeManualEvent();
    ScopedHandle writeDone = MakeManualEvent();
    if (!file.IsValid() || !cancel.IsValid() || !readDone.IsValid() || !writeDone.IsValid()) {
        return nullptr;
    }
    return std::unique_ptr<WinHidConnection>(new WinHidConnection(std::move(file), std::move(path), inputLength,
                                                                  std::move(registry), std::move(cancel),
                                                                  std::move(readDone), std::move(writeDone)));
}

WinHidConnection::WinHidConnection(ScopedHandle file, std::string path, uint32_t inputLength,
                                   std::shared_ptr<HandleRegistry> registry, ScopedHandle cancel,
                                   ScopedHandle readDone, ScopedHandle writeDone)
    : m_file(std::move(file)), m_path(std::move(path)), m_registry(std::move(registry)), m_cancel(std::move(cancel)),
      m_readDone(std::move(readDone)), m_input(inputLength), m_writeDone(std::move(writeDone)) {
    if (m_registry) {
        m_registry->AddHandle(m_file.Get(), m_path);
    }
}

// The last holder's thread, once the read thread has ended and no write runs.
WinHidConnection::~WinHidConnection() {
    if (m_readPending) {
        DWORD bytes = 0;
        TakeBack(m_read, bytes);
    }
    // Unregistered before the handle is closed, so a reused handle value cannot be mistaken for ours.
    if (m_registry) {
        m_registry->RemoveHandle(m_file.Get());
    }
}

bool WinHidConnection::IsCancelled() const {
    return ::WaitForSingleObject(m_cancel.Get(), 0) == WAIT_OBJECT_0;
}

bool WinHidConnection::TakeBack(OVERLAPPED& transfer, DWORD& bytes) {
    ::CancelIoEx(m_file.Get(), &transfer);
    return ::GetOverlappedResult(m_file.Get(), &transfer, &bytes, TRUE) != FALSE;
}

// Read thread: the pending read has completed; its result goes to the caller.
HidReadResult WinHidConnection::Collect(std::span<uint8_t> buffer) {
    m_readPending = false;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(m_file.Get(), &m_read, &bytes, FALSE)) {
        const DWORD error = ::GetLastError();
        return {IsGoneError(error) ? HidReadStatus::Gone : HidReadStatus::Failed, 0};
    }
    if (bytes == 0) {
        return {HidReadStatus::Failed, 0};
    }
    // The system never reports more than it was given room for, but the count is checked anyway.
    const size_t length = std::min({static_cast<size_t>(bytes), m_input.size(), buffer.size()});
    std::copy_n(m_input.begin(), length, buffer.begin());
    return {HidReadStatus::Report, length};
}

// Read thread.
HidReadResult WinHidConnection::Read(std::span<uint8_t> buffer, uint32_t timeoutMs) {
    if (buffer.empty() || m_input.empty()) {
        return {HidReadStatus::Failed, 0};
    }
    if (IsCancelled()) {
        return {HidReadStatus::Cancelled, 0};
    }
    if (!m_readPending) {
        m_read = OVERLAPPED{};
        m_read.hEvent = m_readDone.Get();
        ::ResetEvent(m_readDone.Get());
        if (!::ReadFile(m_file.Get(), m_input.data(), static_cast<DWORD>(m_input.size()), nullptr, &m_read)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                return {IsGoneError(error) ? HidReadStatus::Gone : HidReadStatus::Failed, 0};
            }
        }
        m_readPending = true;
    }
    const HANDLE waits[2] = {m_readDone.Get(), m_cancel.Get()};
    switch (::WaitForMultipleObjects(2, waits, FALSE, RealWaitMs(timeoutMs))) {
    case WAIT_OBJECT_0:
        return Collect(buffer);
    case WAIT_OBJECT_0 + 1: {
        DWORD bytes = 0;
        m_readPending = false;
        TakeBack(m_read, bytes);
        return {HidReadStatus::Cancelled, 0};
    }
    case WAIT_TIMEOUT:
        return {HidReadStatus::TimedOut, 0};  // the read stays pending for the next call
    default:
        return {HidReadStatus::Failed, 0};
    }
}

// One thread at a time. The report must be the device's whole output report.
bool WinHidConnection::Write(std::span<const uint8_t> report) {
    if (report.empty() || IsCancelled()) {
        return false;
    }
    m_write = OVERLAPPED{};
    m_write.hEvent = m_writeDone.Get();
    ::ResetEvent(m_writeDone.Get());
    if (!::WriteFile(m_file.Get(), report.data(), static_cast<DWORD>(report.size()), nullptr, &m_write) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    DWORD bytes = 0;
    const HANDLE waits[2] = {m_writeDone.Get(), m_cancel.Get()};
    if (::WaitForMultipleObjects(2, waits, FALSE, RealWaitMs(kWriteTimeLimitMs)) == WAIT_OBJECT_0) {
        return ::GetOverlappedResult(m_file.Get(), &m_write, &bytes, FALSE) && bytes == report.size();
    }
    // Cancelled or too slow: the report buffer is the caller's, so the system must be done with it
    // before we return. A write that completed all the same counts as written.
    return TakeBack(m_write, bytes) && bytes == report.size();
}

// Any thread.
void WinHidConnection::Cancel() {
    ::SetEvent(m_cancel.Get());
}

} // namespace hid::win32
