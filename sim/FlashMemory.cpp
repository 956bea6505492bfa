// The target memory model: plain overwrite on write (no bit-clearing emulation, so a version area
// rewritten without an erase reads back what was written), erase to 0xFF.
#include "sim/FlashMemory.h"

#include <algorithm>

#include "sys/ByteOrder.h"

namespace sim {

using namespace protocol;

FlashMemory::FlashMemory() : m_bytes(kMemorySize, 0xFF) {}

bool FlashMemory::Write(uint32_t address, std::span<const uint8_t> data) {
    if (address > m_bytes.size() || data.size() > m_bytes.size() - address) {
        return false;
    }
    if (data.empty()) {
        return true;
    }
    std::copy(data.begin(), data.end(), m_bytes.begin() + address);
    const uint32_t end = address + static_cast<uint32_t>(data.size());
    if (address < kAppStart) {
        const uint32_t versionEnd = std::min<uint32_t>(end, kAppStart);
        m_versionEnd = std::max(m_versionEnd.value_or(0), versionEnd);
    }
    if (end > kAppStart) {
        m_flashEnd = std::max(m_flashEnd.value_or(0), end);
    }
    return true;
}

void FlashMemory::Erase(uint32_t count) {
    if (count == kAppStart) {
        std::fill(m_bytes.begin(), m_bytes.begin() + kAppStart, 0xFF);
        return;
    }
    const uint32_t bytes = std::min(count, kFlashSize);
    std::fill(m_bytes.begin() + kAppStart, m_bytes.begin() + kAppStart + bytes, 0xFF);
}

uint32_t FlashMemory::WordSum(uint32_t address, uint32_t length) const {
    const std::span<const uint8_t> memory(m_bytes);
    if (address >= memory.size()) {
        return 0;
    }
    const std::span<const uint8_t> range = memory.subspan(address, std::min<size_t>(length, memory.size() - address));
    uint32_t sum = 0;
    size_t offset = 0;
    for (; offset + 4 <= range.size(); offset += 4) {
        sum += sys::ReadLe32(range, offset);
    }
    std::array<uint8_t, 4> last{};
    std::copy(range.begin() + static_cast<ptrdiff_t>(offset), range.end(), last.begin());
    return sum + sys::ReadLe32(last, 0);
}

std::array<uint8_t, kInfoBlockSize> FlashMemory::InfoBlock(uint32_t n) const {
    std::array<uint8_t, kInfoBlockSize> block;
    block.fill(0xFF);
    const uint64_t start = uint64_t{n} * kInfoBlockSize;
    for (size_t i = 0; i < block.size() && start + i < kAppStart; ++i) {
        block[i] = m_bytes[start + i];
    }
    return block;
}

std::span<const uint8_t> FlashMemory::VersionArea() const {
    return std::span<const uint8_t>(m_bytes).first(kAppStart);
}

std::span<const uint8_t> FlashMemory::Flash() const {
    return std::span<const uint8_t>(m_bytes).subspan(kAppStart);
}

std::span<uint8_t> FlashMemory::MutableVersionArea() {
    return std::span<uint8_t>(m_bytes).first(kAppStart);
}

} // namespace sim
