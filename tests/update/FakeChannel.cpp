// The scripted keyboard of the engine's tests.
#include "tests/update/FakeChannel.h"

#include <algorithm>

#include "device/CUSBDriver.h"
#include "package/WordSum.h"
#include "sys/ByteOrder.h"
#include "sys/Clock.h"

namespace updatetest {

using device::kCommandFailed;
using device::kCommandOk;

FakeChannel::FakeChannel() : m_memory(kAppStart + uint32_t{kEraseA} * kEraseB, 0xFF) {
    sys::WriteLe16(m_fwInfo, device::fwinfo::kEraseFactorAOffset, kEraseA);
    sys::WriteLe16(m_fwInfo, device::fwinfo::kEraseFactorBOffset, kEraseB);
    sys::WriteLe16(m_fwInfo, device::fwinfo::kAppStartOffset, kAppStart);
}

std::vector<Call> FakeChannel::CallsOf(const std::string& name) const {
    std::vector<Call> out;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out), [&](const Call& c) { return c.name == name; });
    return out;
}

void FakeChannel::Log(const std::string& name, uint32_t arg) { m_calls.push_back({name, arg, sys::NowMillis()}); }

bool FakeChannel::Fails(const std::string& name) {
    auto it = m_failNext.find(name);
    if (!m_present) {
        return true;
    }
    const auto from = m_failFromCall.find(name);
    if (from != m_failFromCall.end() && CountOf(name) > from->second) {
        return true;  // the call itself is already logged
    }
    if (it == m_failNext.end() || it->second <= 0) {
        return false;
    }
    --it->second;
    return true;
}

int FakeChannel::GetFWInfo(device::FWInfo& record) {
    Log("GetFWInfo", 0);
    record.fill(0);
    if (Fails("GetFWInfo")) {
        return kCommandFailed;
    }
    record = m_fwInfo;
    return kCommandOk;
}

int FakeChannel::ReadInfoBlock(uint32_t n, device::InfoBlock& record) {
    Log("ReadInfoBlock", n);
    record.fill(0);
    if (Fails("ReadInfoBlock")) {
        return kCommandFailed;
    }
    if (n == kApInfoBlock) {
        record = m_apInfo;
        return kCommandOk;
    }
    const size_t offset = size_t{n} * record.size();
    for (size_t i = 0; i < record.size() && offset + i < kAppStart; ++i) {
        record[i] = m_memory[offset + i] ^ (m_corruptReadback.count(offset + i) ? 0x5A : 0);
    }
    return kCommandOk;
}

int FakeChannel::GetAPInfoBlock(uint32_t& block) {
    Log("GetAPInfoBlock", 0);
    if (Fails("GetAPInfoBlock")) {
        return kCommandFailed;
    }
    block = kApInfoBlock;
    return kCommandOk;
}

int FakeChannel::EraseFlash(uint32_t count) {
    Log("EraseFlash", count);
    if (Fails("EraseFlash")) {
        return kCommandFailed;
    }
    const size_t from = count == kAppStart ? 0 : kAppStart;
    if (count == kAppStart && m_corruptUntilVersionErase) {
        m_corruptReadback.clear();
    }
    const size_t bytes = std::min<size_t>(count, m_memory.size() - from);
    std::fill_n(m_memory.begin() + static_cast<std::ptrdiff_t>(from), bytes, 0xFF);
    return kCommandOk;
}

int FakeChannel::GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) {
    Log("GetFlashChecksum", length);
    if (Fails("GetFlashChecksum")) {
        return kCommandFailed;
    }
    if (!m_checksums.empty()) {
        sum = m_checksums.front();
        m_checksums.pop_front();
        return kCommandOk;
    }
    if (size_t{start} + length > m_memory.size()) {
        return kCommandFailed;
    }
    sum = package::WordSum(std::span<const uint8_t>(m_memory).subspan(start, length));
    return kCommandOk;
}

int FakeChannel::GetWritePointer(uint32_t& pointer) {
    Log("GetWritePointer", pointer);
    if (Fails("GetWritePointer")) {
        return kCommandFailed;
    }
    pointer = m_pointer;
    return kCommandOk;
}

int FakeChannel::SetWritePointer(uint32_t address) {
    Log("SetWritePointer", address);
    if (Fails("SetWritePointer")) {
        return kCommandFailed;
    }
    m_pointer = address;
    return kCommandOk;
}

int FakeChannel::WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) {
    Log("WriteBlock", static_cast<uint32_t>(data.size()));
    const uint32_t index = m_blockWrites++;
    if (Fails("WriteBlock")) {
        return kCommandFailed;
    }
    if (m_wrongPointerAt.count(index)) {
        pointer = m_pointer + 7;  // not taken; the answer names a pointer that does not continue
        return kCommandOk;
    }
    if (size_t{m_pointer} + data.size() > m_memory.size()) {
        return kCommandFailed;
    }
    std::copy(data.begin(), data.end(), m_memory.begin() + m_pointer);
    m_pointer += static_cast<uint32_t>(data.size());
    pointer = m_pointer;
    return kCommandOk;
}

int FakeChannel::ResetDevice() {
    Log("ResetDevice", 0);
    return m_present ? kCommandOk : kCommandFailed;
}

} // namespace updatetest
