// The IAP command set as operations of a device channel: request encodings, the transaction with
// its answer wait, and the fire-and-forget mode switches.
#include "device/CUSBDriver.h"
#include "sys/ByteOrder.h"
#include "sys/Clock.h"
#include "sys/Pacing.h"
#include "sys/SupportLog.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace device {

namespace {
constexpr uint8_t kGroupTarget = 0x10;
constexpr uint8_t kGroupMode = 0x11;
constexpr uint8_t kGroupInfo = 0x12;
constexpr uint8_t kGroupFlash = 0x1D;
constexpr uint8_t kGroupPointer = 0x1E;
constexpr uint8_t kGroupBlockWrite = 0x1F;

constexpr uint8_t kInfoBlockBase = 0x20;
constexpr uint8_t kApInfoNamesBlock = 4; // GetAPInfoBlock answer byte 4 when bytes 6..7 name a block

constexpr uint32_t kEraseBytesPerSecond = 10240;

Report MakeRequest(uint8_t group, uint8_t sub) {
    Report request{};
    request[0] = group;
    request[1] = sub;
    return request;
}

Report MakeRequest(uint8_t group, uint8_t sub, uint32_t argument) {
    Report request = MakeRequest(group, sub);
    sys::WriteLe32(request, kArgumentOffset, argument);
    return request;
}

uint32_t ResultWord(const Report& answer) {
    return sys::ReadLe32(answer, kArgumentOffset);
}

// When the requester thread's last request started going out (program time), for the support
// log's round-trip times. One requester thread per channel at a time, and its request and answer
// wait run on that thread.
thread_local int64_t t_requestStartMicros = 0;
// When that request's write returned: the pause after it counts from here.
thread_local int64_t t_requestWrittenMicros = 0;

std::string ChannelName(uint32_t slot) {
    return slot == 0 ? "ap" : slot == 1 ? "iap" : "slot " + std::to_string(slot);
}

std::string MillisText(int64_t micros) {
    return std::to_string(micros / 1000) + "." + std::to_string(micros % 1000 / 100) + " ms";
}

// Support log: one request as it went out (or did not).
void LogRequest(uint32_t slot, const Report& request, std::string_view outcome) {
    if (sys::SupportLogEnabled()) {
        sys::SupportLog("io", ChannelName(slot) + " -> " + sys::HexBytes(request) + " (" + std::string(outcome) + ")");
    }
}
} // namespace

uint32_t CUSBDriver::EraseTimeout(uint32_t count) {
    return std::max<uint32_t>(kAnswerWaitMs, count / kEraseBytesPerSecond * 1000);
}

int CUSBDriver::WriteRequest(const Report& request, bool awaitAnswer) {
    {
        std::lock_guard lock(m_exchangeLock);
        m_exchange = request;
        if (awaitAnswer) {
            m_answerEvent.Reset();
        }
    }
    if (m_presence.load() == 0) {
        LogRequest(m_slot.load(), request, "not sent: no device");
        return kCommandFailed;
    }
    t_requestStartMicros = sys::NowMicros();
    // The lock is not held across the write: a transport may deliver the answer before it returns.
    const bool written = hid::HidWrite(GetDeviceId(), request.data(), static_cast<uint32_t>(request.size()),
                                       m_slot.load()) != 0;
    t_requestWrittenMicros = sys::NowMicros();
    LogRequest(m_slot.load(), request, written ? "written" : "write failed");
    if (!awaitAnswer) {
        sys::PacingWait();
    }
    return written ? kCommandOk : kCommandFailed;
}

std::optional<Report> CUSBDriver::AwaitAnswer(uint32_t waitMs) {
    // The pause after the request overlaps the wait: the answer is taken as soon as it is there,
    // and the pause is finished afterwards only if the answer came within it, so the next request
    // still goes out at least 3 ms after this one.
    const uint32_t total = waitMs >= sys::kInfinite - sys::kPacingMillis ? sys::kInfinite : waitMs + sys::kPacingMillis;
    const bool answered = m_answerEvent.Wait(total);
    sys::PacingWaitSince(t_requestWrittenMicros);
    if (!answered) {
        if (sys::SupportLogEnabled()) {
            sys::SupportLog("io", ChannelName(m_slot.load()) + " <- no answer within " + std::to_string(waitMs) +
                                      " ms (" + MillisText(sys::NowMicros() - t_requestStartMicros) + ")");
        }
        return std::nullopt;
    }
    Report answer;
    {
        std::lock_guard lock(m_exchangeLock);
        answer = m_exchange;
    }
    const bool error = IsErrorAnswer(answer);
    if (sys::SupportLogEnabled()) {
        sys::SupportLog("io", ChannelName(m_slot.load()) + " <- " + sys::HexBytes(answer) + " (" +
                                  (error ? "error answer, " : "") +
                                  MillisText(sys::NowMicros() - t_requestStartMicros) + ")");
    }
    if (error) {
        return std::nullopt;
    }
    return answer;
}

std::optional<Report> CUSBDriver::Transact(const Report& request, uint32_t waitMs) {
    const int written = WriteRequest(request, true);
    // The wait runs even when the write failed, as the device may still answer an earlier request;
    // such an answer does not change the result.
    auto answer = AwaitAnswer(waitMs);
    if (!answer || written != kCommandOk) {
        return std::nullopt;
    }
    return answer;
}

int CUSBDriver::FireAndForget(uint8_t subCommand) {
    const Report request = MakeRequest(kGroupMode, subCommand);
    if (m_presence.load() == 0) {
        LogRequest(m_slot.load(), request, "not sent: no device");
        return kCommandFailed;
    }
    {
        std::lock_guard lock(m_exchangeLock);
        m_exchange = request;
    }
    const bool written = hid::HidWrite(GetDeviceId(), request.data(), static_cast<uint32_t>(request.size()),
                                       m_slot.load()) != 0;
    LogRequest(m_slot.load(), request, written ? "written, no answer awaited" : "write failed");
    sys::PacingWait();
    return written ? kCommandOk : kCommandFailed;
}

int CUSBDriver::GetTarget(uint32_t& index) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    const auto answer = Transact(MakeRequest(kGroupTarget, 0x00), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    index = ResultWord(*answer);
    return kCommandOk;
}

int CUSBDriver::SelectTarget(uint32_t index) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    return Transact(MakeRequest(kGroupTarget, 0x01, index), kAnswerWaitMs) ? kCommandOk : kCommandFailed;
}

int CUSBDriver::GetTargetCount(uint32_t& count) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    const auto answer = Transact(MakeRequest(kGroupTarget, 0x02), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    count = ResultWord(*answer);
    return kCommandOk;
}

int CUSBDriver::EnterIap() {
    return FireAndForget(0x00);
}

int CUSBDriver::ResetDevice() {
    return FireAndForget(0x01);
}

int CUSBDriver::GetFWInfo(FWInfo& record) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    record.fill(0);
    const auto answer = Transact(MakeRequest(kGroupInfo, 0x00), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    std::copy(answer->begin() + kArgumentOffset, answer->end(), record.begin());
    return kCommandOk;
}

int CUSBDriver::GetAPInfoBlock(uint32_t& block) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    const auto answer = Transact(MakeRequest(kGroupInfo, 0x01), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    if ((*answer)[4] == kApInfoNamesBlock) {
        block = sys::ReadLe16(*answer, 6);
    }
    return kCommandOk;
}

int CUSBDriver::ReadInfoBlock(uint32_t n, InfoBlock& record) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    record.fill(0);
    const auto sub = static_cast<uint8_t>((kInfoBlockBase + n) & 0xFF);
    const auto answer = Transact(MakeRequest(kGroupInfo, sub), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    std::copy(answer->begin() + kArgumentOffset, answer->end(), record.begin());
    return kCommandOk;
}

int CUSBDriver::EraseFlash(uint32_t count) {
    Report request = MakeRequest(kGroupFlash, 0x00);
    sys::WriteLe32(request, 8, count);
    return SendCommand(request, true, EraseTimeout(count));
}

int CUSBDriver::GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    Report request = MakeRequest(kGroupFlash, 0x01, start);
    sys::WriteLe32(request, 8, length);
    const auto answer = Transact(request, kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    sum = ResultWord(*answer);
    return kCommandOk;
}

int CUSBDriver::GetWritePointer(uint32_t& pointer) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    const auto answer = Transact(MakeRequest(kGroupPointer, 0x00, pointer), kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    pointer = ResultWord(*answer);
    return kCommandOk;
}

int CUSBDriver::SetWritePointer(uint32_t address) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    return Transact(MakeRequest(kGroupPointer, 0x01, address), kSetPointerWaitMs) ? kCommandOk
                                                                                  : kCommandFailed;
}

int CUSBDriver::WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) {
    // More than 60 bytes do not fit the request; refuse instead of cutting the block short.
    if (m_presence.load() == 0 || data.size() > kMaxBlockBytes) {
        return kCommandFailed;
    }
    Report request = MakeRequest(kGroupBlockWrite, static_cast<uint8_t>(data.size()));
    std::copy(data.begin(), data.end(), request.begin() + kArgumentOffset);
    const auto answer = Transact(request, kAnswerWaitMs);
    if (!answer) {
        return kCommandFailed;
    }
    pointer = ResultWord(*answer);
    return kCommandOk;
}

int CUSBDriver::SendCommand(Report& request, bool wait, uint32_t timeoutMs) {
    if (m_presence.load() == 0) {
        return kCommandFailed;
    }
    const int written = WriteRequest(request, wait);
    if (!wait) {
        return written;
    }
    const auto answer = AwaitAnswer(std::max(kAnswerWaitMs, timeoutMs));
    if (!answer) {
        return kCommandFailed;
    }
    if (written == kCommandOk) {
        request = *answer;
    }
    return written;
}

} // namespace device
