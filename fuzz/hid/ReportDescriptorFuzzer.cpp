// Fuzzes the report descriptor parser with arbitrary bytes. Beyond memory safety (the sanitizers),
// it checks what the transport relies on in every accepted result: lengths within the limit and
// an output id only where an output report exists.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "device/hid/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const auto info = hid::ParseReportDescriptor(bytes);
    if (!info) {
        return 0;
    }
    for (const hid::HidCollectionInfo& collection : info->collections) {
        if (collection.inputReportLength > hid::kMaxReportBytes || collection.outputReportLength > hid::kMaxReportBytes ||
            collection.featureReportLength > hid::kMaxReportBytes) {
            std::abort();
        }
        if (collection.hasOutputItem && collection.outputReportLength < 2) {
            std::abort();  // a writable collection carries at least the id byte and one data byte
        }
        if (!info->usesReportIds && collection.outputReportId != 0) {
            std::abort();
        }
    }
    return 0;
}
