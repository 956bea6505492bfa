// One opened hidraw node, seen as one top-level collection: reads with poll and a stop
// descriptor, one report per read and per write.
//
// hidraw hands over a report of a device without report ids without a leading byte, and one with
// report ids with the id first; writes always start with the report id byte (0 when there are none).
// This class adds the missing 0 on reads so that byte 0 is always the report id, and, on a node with
// several collections, drops input reports whose id belongs to another collection.
#pragma once

#include <cstdint>
#include <vector>

#include "device/hid/HidBackend.h"
#include "device/hid/linux/ScopedUdev.h"

namespace hid::linux_hid {

class HidrawConnection final : public HidConnection {
public:
    // `inputReportIds`: the ids this collection reads (ignored without report ids).
    HidrawConnection(ScopedFd node, ScopedFd stop, bool usesReportIds, std::vector<uint8_t> inputReportIds);

    HidReadResult Read(std::span<uint8_t> buffer, uint32_t timeoutMs) override;
    bool Write(std::span<const uint8_t> report) override;
    void Cancel() override;

private:
    bool IsOurs(uint8_t reportId) const;

    const ScopedFd m_node;
    const ScopedFd m_stop;  // an eventfd; readable once Cancel ran
    const bool m_usesReportIds;
    const std::vector<uint8_t> m_inputReportIds;
};

} // namespace hid::linux_hid
