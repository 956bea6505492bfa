// The commands the update engine sends to a keyboard, as a small interface: the engine runs against
// a device channel through DriverChannel, and against a scripted fake in its tests.
#pragma once

#include <cstdint>
#include <span>

#include "device/Records.h"

namespace device {
class CUSBDriver;
}

namespace kestrel {

// Every command returns 0 for success and 1 for failure (device::kCommandOk / kCommandFailed) and
// runs on the calling thread, one at a time per channel.
class IUpdateChannel {
public:
    virtual ~IUpdateChannel() = default;

    // Whether the channel has a device now (its presence value is nonzero).
    virtual bool HasDevice() const = 0;

    virtual int GetFWInfo(device::FWInfo& record) = 0;
    virtual int ReadInfoBlock(uint32_t n, device::InfoBlock& record) = 0;
    virtual int GetAPInfoBlock(uint32_t& block) = 0;
    virtual int EraseFlash(uint32_t count) = 0;
    virtual int GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) = 0;
    virtual int GetWritePointer(uint32_t& pointer) = 0;
    virtual int SetWritePointer(uint32_t address) = 0;
    virtual int WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) = 0;
    virtual int ResetDevice() = 0;
};

// The engine's commands on a real device channel (AP or IAP).
class DriverChannel final : public IUpdateChannel {
public:
    explicit DriverChannel(device::CUSBDriver& driver) : m_driver(driver) {}

    bool HasDevice() const override;
    int GetFWInfo(device::FWInfo& record) override;
    int ReadInfoBlock(uint32_t n, device::InfoBlock& record) override;
    int GetAPInfoBlock(uint32_t& block) override;
    int EraseFlash(uint32_t count) override;
    int GetFlashChecksum(uint32_t start, uint32_t length, uint32_t& sum) override;
    int GetWritePointer(uint32_t& pointer) override;
    int SetWritePointer(uint32_t address) override;
    int WriteBlock(std::span<const uint8_t> data, uint32_t& pointer) override;
    int ResetDevice() override;

private:
    device::CUSBDriver& m_driver;
};

} // namespace kestrel
