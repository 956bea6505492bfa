// One update target's memory: the version area and the application flash in one flat address space
// (see sim/Protocol.h), with what was written to each part.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/Protocol.h"

namespace sim {

class FlashMemory {
public:
    FlashMemory();  // everything erased (0xFF)

    // Copies `data` to `address`; false (and nothing written) when it does not fit the memory.
    bool Write(uint32_t address, std::span<const uint8_t> data);

    // Erases for an EraseFlash request of `count` bytes: a count equal to the application start
    // erases the version area; any other count erases min(count, flash size) bytes from the
    // application start (A x B bytes: the whole application flash).
    void Erase(uint32_t count);

    // The 32-bit sum of the ceil(length / 4) little-endian words from `address`, a partial last word
    // padded with zeros. Bytes past the end of the memory count as zero.
    uint32_t WordSum(uint32_t address, uint32_t length) const;

    // Info block n: bytes 60n .. 60n + 59 of the version area, 0xFF past its end.
    std::array<uint8_t, protocol::kInfoBlockSize> InfoBlock(uint32_t n) const;

    std::span<const uint8_t> VersionArea() const;
    std::span<const uint8_t> Flash() const;  // from the application start
    std::span<uint8_t> MutableVersionArea();

    // One past the highest address written in each part; nullopt when nothing was written there.
    std::optional<uint32_t> VersionWrittenEnd() const { return m_versionEnd; }
    std::optional<uint32_t> FlashWrittenEnd() const { return m_flashEnd; }

private:
    std::vector<uint8_t> m_bytes;
    std::optional<uint32_t> m_versionEnd;
    std::optional<uint32_t> m_flashEnd;
};

} // namespace sim
