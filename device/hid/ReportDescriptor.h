// The HID report descriptor parser: from the descriptor's bytes to what the transport needs of each
// top-level collection (usage page and usage, report byte lengths, the report ids it uses). Pure and
// bounds-checked; it never reads past the span it is given and rejects malformed descriptors.
//
// Report byte lengths are counted the way the Windows HID class reports them: the longest report of
// that type within the collection, plus one leading byte for the report id. A device without report
// ids still counts that byte (as 0); a collection without reports of a type has length 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hid {

struct HidCollectionInfo {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint32_t inputReportLength = 0;
    uint32_t outputReportLength = 0;
    uint32_t featureReportLength = 0;
    // Report id of the collection's first output data item (buttons before values, as the HID class
    // lists capabilities); meaningful only when hasOutputItem.
    uint8_t outputReportId = 0;
    bool hasOutputItem = false;
    // Every report id that carries input data in this collection (0 when the device uses no ids).
    std::vector<uint8_t> inputReportIds;
};

struct ReportDescriptorInfo {
    bool usesReportIds = false;
    std::vector<HidCollectionInfo> collections;  // top-level collections in descriptor order
};

// The largest report the parser accepts, in bytes including the report id byte (the Linux HID
// core's own buffer limit).
inline constexpr uint32_t kMaxReportBytes = 16384;

// nullopt for a malformed or truncated descriptor (short item running past the end, bad report id,
// unbalanced collections, global stack misuse, absurd sizes).
std::optional<ReportDescriptorInfo> ParseReportDescriptor(std::span<const uint8_t> descriptor);

} // namespace hid
