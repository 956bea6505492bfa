// CUSBDriver: the device channel of the keyboard's application-mode (AP) identity, and the base of
// the boot-mode channel IAP_CUSBDriver.
//
// A channel owns one HID transport slot, keeps the list of matching devices the transport reports,
// tells its owner window when its device comes and goes (WM_DEVICE_PRESENCE), and carries the
// request/answer exchange of the IAP commands: it holds the request waiting for an answer,
// recognises the answer among the device's input reports and wakes the requester.
//
// Threads:
// - user-interface thread (the one that constructs the channel): its hidden window, notices,
//   presence timer, MakeCurrent, Open, Close;
// - the transport's read thread: the report callback and answer recognition;
// - any one requester thread at a time (UI thread or the update worker): the commands.
#pragma once

#include "device/Answer.h"
#include "device/hid/Hid.h"
#include "device/Records.h"
#include "sys/Event.h"
#include "ui/Window.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace device {

// Command results as the program defines them.
inline constexpr int kCommandOk = 0;
inline constexpr int kCommandFailed = 1;

// The usage pair both channels match: the vendor-defined collection carrying the 64-byte reports.
inline constexpr uint16_t kChannelUsage = 1;
inline constexpr uint16_t kChannelUsagePage = 0xFF00;

// Answer waits of the commands, in program milliseconds.
inline constexpr uint32_t kAnswerWaitMs = 500;
inline constexpr uint32_t kSetPointerWaitMs = 1000;

class CUSBDriver : public ui::Window {
public:
    // Creates the channel's hidden window on the calling thread (which becomes the UI thread).
    CUSBDriver();
    // Destroys the window; does not close the slot (the owner calls Close first).
    ~CUSBDriver() override;

    // UI thread. WM_HID_DEVICE_NOTICE (wParam 1) and the presence timer; the rest goes to the base.
    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

    // UI thread, before Open: makes this object the one its class's report callback serves.
    virtual void MakeCurrent();
    // UI thread. Opens the slot for the ids (both 0: those of the last Open). 1 when the transport
    // attached a device, else 0; the notices of the enumeration have been handled when it returns.
    virtual uint32_t Open(uint32_t vendorId, uint32_t productId);
    // UI thread. Releases the slot, forgets the devices, tells the owner a present device is gone. 1.
    uint32_t Close();
    // Any thread. The device that commands go to; 0 when none is listed.
    uint16_t GetDeviceId() const;

    // The IAP commands. Each runs on the calling thread, one at a time per channel, and returns
    // kCommandOk or kCommandFailed; out variables are filled only on success unless noted.
    int GetTarget(uint32_t& index);
    int SelectTarget(uint32_t index);
    int GetTargetCount(uint32_t& count);
    int EnterIap();                      // no answer awaited: the device restarts as the IAP device
    int ResetDevice();                   // no answer awaited: the device restarts into its application
    int GetFWInfo(FWInfo& record);       // record zeroed first once the channel is present
    int GetAPInfoBlock(uint32_t& block); // unchanged when the answer names no block
    int ReadInfoBlock(uint32_t n, InfoBlock& record); // record zeroed first once the channel is present
    int EraseFlash(uint32_t count);
    int GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum);
    int GetWritePointer(uint32_t& pointer); // in: the value to send (callers pass 0xFFFFFFFF)
    int SetWritePointer(uint32_t address);
    int WriteBlock(std::span<const uint8_t> data, uint32_t& pointer); // at most 60 bytes
    // Sends the caller's 64 bytes; with `wait`, waits max(500, timeoutMs) and copies the answer back.
    int SendCommand(Report& request, bool wait, uint32_t timeoutMs);

    // The erase command's answer wait for `count` bytes: one second per whole 10240 bytes, at least 500 ms.
    static uint32_t EraseTimeout(uint32_t count);

    // Set by the owner on the UI thread before Open.
    ui::WindowHandle m_owner{};      // receives WM_DEVICE_PRESENCE; UI thread only
    std::atomic<uint32_t> m_slot{0}; // transport slot: 0 for the AP channel, 1 for the IAP channel
    // 0: no device; nonzero: present. Written on the UI thread, read by the owner and every command.
    std::atomic<uint32_t> m_presence{0};

protected:
    // The class-wide channel that a report callback serves. The transport's callback carries no
    // context, so each class keeps one; the lock is held while a callback uses the channel, so a
    // channel that leaves the role (or is destroyed) is never used afterwards.
    class CurrentChannel {
    public:
        void Set(CUSBDriver* channel);
        void ClearIf(const CUSBDriver* channel);
        void Dispatch(uint32_t deviceId, const uint8_t* report, uint32_t length, AnswerRules rules);

    private:
        std::mutex m_lock;
        CUSBDriver* m_channel = nullptr;
    };

    // UI thread. Open with the given class's callback.
    uint32_t OpenWith(uint32_t vendorId, uint32_t productId, hid::HidReportCallback callback);

    // Read thread. Recognises an answer to the waiting request among the report bytes (report id first).
    void RecogniseAnswer(uint32_t deviceId, std::span<const uint8_t> inputReport, AnswerRules rules);

    // Read thread. The two debug lines of every input report.
    static void LogInputReport(uint32_t deviceId, const uint8_t* report, uint32_t length);

private:
    static void ApReportCallback(uint32_t deviceId, const uint8_t* report, uint32_t length);
    static CurrentChannel s_apCurrent;

    void OnDeviceNotice(const hid::_DEVICE_STATE& state);
    void OnPresenceTimer();
    void PostPresence(uint32_t value);

    // Requester thread. Puts the request in place and writes it: 0 when written, 1 when not (nothing
    // is written once presence is gone). When an answer is awaited the answer event is reset and the
    // pause after the request is left to AwaitAnswer; otherwise the pause follows the write.
    int WriteRequest(const Report& request, bool awaitAnswer);
    // Requester thread. Waits for the answer (its wait plus the pause after the request), then
    // finishes that pause; nullopt on time-out or an error answer.
    std::optional<Report> AwaitAnswer(uint32_t waitMs);
    // The whole transaction: the answer when the request was written and answered, else nullopt.
    std::optional<Report> Transact(const Report& request, uint32_t waitMs);
    int FireAndForget(uint8_t subCommand);

    uint32_t m_vendorId = 0;  // UI thread
    uint32_t m_productId = 0; // UI thread

    // Written by notices on the UI thread, read by GetDeviceId on the read and requester threads.
    mutable std::mutex m_devicesLock;
    std::vector<hid::_DEVICE_STATE> m_devices;

    // The waiting request, overwritten by its answer. The lock makes the read thread's
    // check-copy-signal and the requester's place-reset and copy-out whole steps, so an answer is
    // either copied whole or not at all.
    std::mutex m_exchangeLock;
    Report m_exchange{};
    sys::Event m_answerEvent; // manual-reset, not signalled
};

} // namespace device
