// DriverChannel: the engine's commands passed straight to a device channel.
#include "update/UpdateChannel.h"

#include "device/CUSBDriver.h"

namespace kestrel {

bool DriverChannel::HasDevice() const { return m_driver.m_presence.load() != 0; }
int DriverChannel::GetFWInfo(device::FWInfo& record) { return m_driver.GetFWInfo(record); }
int DriverChannel::ReadInfoBlock(uint32_t n, device::InfoBlock& record) { return m_driver.ReadInfoBlock(n, record); }
int DriverChannel::GetAPInfoBlock(uint32_t& block) { return m_driver.GetAPInfoBlock(block); }
int DriverChannel::EraseFlash(uint32_t count) { return m_driver.EraseFlash(count); }
int DriverChannel::GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) {
    return m_driver.GetFlashChecksum(start, length, sum);
}
int DriverChannel::GetWritePointer(uint32_t& pointer) { return m_driver.GetWritePointer(pointer); }
int DriverChannel::SetWritePointer(uint32_t address) { return m_driver.SetWritePointer(address); }
int DriverChannel::WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) {
    return m_driver.WriteBlock(data, pointer);
}
int DriverChannel::ResetDevice() { return m_driver.ResetDevice(); }

} // namespace kestrel
