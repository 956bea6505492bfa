// A scripted keyboard for the engine's tests: a flat memory with a write pointer, answering the
// engine's commands at once, with failures, wrong pointers and checksum answers scripted per test,
// and a log of every call with its program time.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "update/UpdateChannel.h"
#include "update/UpdateView.h"

namespace updatetest {

inline constexpr uint16_t kAppStart = 0x1000;
inline constexpr uint16_t kEraseA = 1024;
inline constexpr uint16_t kEraseB = 64;
inline constexpr uint32_t kApInfoBlock = 80;

struct Call {
    std::string name;
    uint32_t arg = 0;     // the command's first argument (count, address, block number, length)
    int64_t atMs = 0;     // program time of the call
};

class FakeChannel final : public kestrel::IUpdateChannel {
public:
    FakeChannel();

    bool HasDevice() const override { return m_present; }
    int GetFWInfo(device::FWInfo& record) override;
    int ReadInfoBlock(uint32_t n, device::InfoBlock& record) override;
    int GetAPInfoBlock(uint32_t& block) override;
    int EraseFlash(uint32_t count) override;
    int GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) override;
    int GetWritePointer(uint32_t& pointer) override;
    int SetWritePointer(uint32_t address) override;
    int WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) override;
    int ResetDevice() override;

    // Calls of one command, in order.
    std::vector<Call> CallsOf(const std::string& name) const;
    size_t CountOf(const std::string& name) const { return CallsOf(name).size(); }

    bool m_present = true;
    device::FWInfo m_fwInfo{};           // what GetFWInfo answers (hardware id, layout, A, B, start)
    device::APInfo m_apInfo{};           // what info block kApInfoBlock holds
    std::vector<uint8_t> m_memory;       // version area from 0, application flash from kAppStart
    std::map<std::string, int> m_failNext;  // the next N calls of a command fail (nothing happens)
    std::map<std::string, size_t> m_failFromCall;  // every call of a command from this (0-based) one fails
    std::set<uint32_t> m_wrongPointerAt;    // block writes (0-based count) not taken, answering a wrong pointer
    std::deque<uint32_t> m_checksums;       // scripted checksum answers, then the real sum
    std::set<size_t> m_corruptReadback;     // memory offsets whose read-back differs
    bool m_corruptUntilVersionErase = false; // ... only until the version area is erased
    std::vector<Call> m_calls;

private:
    bool Fails(const std::string& name);
    void Log(const std::string& name, uint32_t arg);
    uint32_t m_pointer = 0;
    uint32_t m_blockWrites = 0;
};

// Records what the engine does to the window.
class RecordingView final : public kestrel::IUpdateView {
public:
    void SetProgress(int value) override { m_progress.push_back(value); }
    void SetCurrentVersionText(const std::u16string& text) override { m_versionTexts.push_back(text); }
    void InvalidateAll() override { ++m_invalidations; }
    void EnableAfterRun(bool enableStart) override { m_enableAfterRun.push_back(enableStart); }
    void HandOver(bool success) override { m_handOvers.push_back(success); }

    std::vector<int> m_progress;
    std::vector<std::u16string> m_versionTexts;
    int m_invalidations = 0;
    std::vector<bool> m_enableAfterRun;
    std::vector<bool> m_handOvers;
};

} // namespace updatetest
