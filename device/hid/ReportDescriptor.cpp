// The report descriptor parser (see ReportDescriptor.h). One pass over the items, keeping the
// global state (with its push/pop stack), the local usages of the next main item, the collection
// depth, and per top-level collection the bit count of every report.
#include "device/hid/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <utility>

#include "sys/ByteOrder.h"

namespace hid {
namespace {

enum class ItemType : uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

// Main item tags.
constexpr uint8_t kTagInput = 0x8;
constexpr uint8_t kTagOutput = 0x9;
constexpr uint8_t kTagCollection = 0xA;
constexpr uint8_t kTagFeature = 0xB;
constexpr uint8_t kTagEndCollection = 0xC;
// Global item tags.
constexpr uint8_t kTagUsagePage = 0x0;
constexpr uint8_t kTagReportSize = 0x7;
constexpr uint8_t kTagReportId = 0x8;
constexpr uint8_t kTagReportCount = 0x9;
constexpr uint8_t kTagPush = 0xA;
constexpr uint8_t kTagPop = 0xB;
// Local item tags.
constexpr uint8_t kTagUsage = 0x0;

constexpr uint8_t kLongItemPrefix = 0xFE;
// Main item data bits.
constexpr uint32_t kFlagConstant = 0x01;
constexpr uint32_t kFlagVariable = 0x02;

// Limits in the spirit of the Linux HID core: enough for any real device, small enough that no
// product of them overflows.
constexpr size_t kMaxGlobalStack = 16;
constexpr size_t kMaxCollectionDepth = 32;
constexpr uint32_t kMaxReportSizeBits = 256;
constexpr uint32_t kMaxReportCount = 16384;

struct GlobalState {
    uint16_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

enum class ReportType : uint8_t { Input, Output, Feature };

struct CollectionBuilder {
    HidCollectionInfo info;
    std::map<std::pair<ReportType, uint8_t>, uint64_t> bits;  // report bits per (type, id)
    std::optional<uint8_t> firstOutputButtonId;
    std::optional<uint8_t> firstOutputValueId;
};

struct Item {
    ItemType type = ItemType::Main;
    uint8_t tag = 0;
    uint32_t data = 0;
    size_t size = 0;  // data bytes: 0, 1, 2 or 4
};

// Reads the short item at `offset`; nullopt when it runs past the end. Long items are skipped by
// the caller before this.
std::optional<Item> ReadShortItem(std::span<const uint8_t> bytes, size_t offset) {
    const uint8_t prefix = bytes[offset];
    static constexpr size_t kSizes[4] = {0, 1, 2, 4};
    Item item;
    item.size = kSizes[prefix & 0x3];
    item.type = static_cast<ItemType>((prefix >> 2) & 0x3);
    item.tag = static_cast<uint8_t>(prefix >> 4);
    if (bytes.size() - offset - 1 < item.size) {
        return std::nullopt;
    }
    const size_t at = offset + 1;
    switch (item.size) {
    case 1: item.data = bytes[at]; break;
    case 2: item.data = sys::ReadLe16(bytes, at); break;
    case 4: item.data = sys::ReadLe32(bytes, at); break;
    default: break;
    }
    return item;
}

uint32_t ReportBytes(uint64_t bits) {
    return static_cast<uint32_t>((bits + 7) / 8) + 1;
}

class Parser {
public:
    std::optional<ReportDescriptorInfo> Run(std::span<const uint8_t> bytes) {
        size_t offset = 0;
        while (offset < bytes.size()) {
            if (bytes[offset] == kLongItemPrefix) {
                // Long item: prefix, data size, tag, data. Nothing the transport needs.
                if (bytes.size() - offset < 3) {
                    return std::nullopt;
                }
                const size_t dataSize = bytes[offset + 1];
                if (bytes.size() - offset - 3 < dataSize) {
                    return std::nullopt;
                }
                offset += 3 + dataSize;
                continue;
            }
            const std::optional<Item> item = ReadShortItem(bytes, offset);
            if (!item) {
                return std::nullopt;
            }
            offset += 1 + item->size;
            if (!Handle(*item)) {
                return std::nullopt;
            }
        }
        if (m_depth != 0) {
            return std::nullopt;  // a collection left open
        }
        return Finish();
    }

private:
    bool Handle(const Item& item) {
        switch (item.type) {
        case ItemType::Main: return HandleMain(item);
        case ItemType::Global: return HandleGlobal(item);
        case ItemType::Local: return HandleLocal(item);
        case ItemType::Reserved: return false;
        }
        return false;
    }

    bool HandleMain(const Item& item) {
        bool ok = true;
        switch (item.tag) {
        case kTagCollection: ok = OpenCollection(); break;
        case kTagEndCollection:
            if (m_depth == 0) {
                return false;
            }
            --m_depth;
            break;
        case kTagInput: ok = AddField(ReportType::Input, item.data); break;
        case kTagOutput: ok = AddField(ReportType::Output, item.data); break;
        case kTagFeature: ok = AddField(ReportType::Feature, item.data); break;
        default: return false;
        }
        m_usages.clear();  // local items apply to one main item only
        return ok;
    }

    bool OpenCollection() {
        if (m_depth == kMaxCollectionDepth) {
            return false;
        }
        if (m_depth == 0) {
            CollectionBuilder builder;
            // The collection's usage is the first usage given before it; a 4-byte usage carries
            // its own page in the upper half.
            if (!m_usages.empty()) {
                builder.info.usagePage = static_cast<uint16_t>(m_usages.front() >> 16);
                builder.info.usage = static_cast<uint16_t>(m_usages.front() & 0xFFFF);
            }
            m_collections.push_back(std::move(builder));
        }
        ++m_depth;
        return true;
    }

    bool AddField(ReportType type, uint32_t flags) {
        const uint64_t bits = uint64_t{m_global.reportSize} * m_global.reportCount;
        if (m_depth == 0) {
            return true;  // a field outside every collection belongs to no interface
        }
        CollectionBuilder& collection = m_collections.back();
        uint64_t& total = collection.bits[{type, m_global.reportId}];
        total += bits;
        if (ReportBytes(total) > kMaxReportBytes) {
            return false;
        }
        if (type == ReportType::Output && (flags & kFlagConstant) == 0) {
            const bool isButton = (flags & kFlagVariable) == 0 || m_global.reportSize == 1;
            std::optional<uint8_t>& first = isButton ? collection.firstOutputButtonId : collection.firstOutputValueId;
            if (!first) {
                first = m_global.reportId;
            }
        }
        return true;
    }

    bool HandleGlobal(const Item& item) {
        switch (item.tag) {
        case kTagUsagePage:
            if (item.data > 0xFFFF) {
                return false;
            }
            m_global.usagePage = static_cast<uint16_t>(item.data);
            return true;
        case kTagReportSize:
            if (item.data > kMaxReportSizeBits) {
                return false;
            }
            m_global.reportSize = item.data;
            return true;
        case kTagReportCount:
            if (item.data > kMaxReportCount) {
                return false;
            }
            m_global.reportCount = item.data;
            return true;
        case kTagReportId:
            if (item.data == 0 || item.data > 0xFF) {
                return false;
            }
            m_global.reportId = static_cast<uint8_t>(item.data);
            m_usesReportIds = true;
            return true;
        case kTagPush:
            if (m_stack.size() == kMaxGlobalStack) {
                return false;
            }
            m_stack.push_back(m_global);
            return true;
        case kTagPop:
            if (m_stack.empty()) {
                return false;
            }
            m_global = m_stack.back();
            m_stack.pop_back();
            return true;
        default:
            return true;  // logical/physical ranges, units: not needed here
        }
    }

    bool HandleLocal(const Item& item) {
        if (item.tag != kTagUsage) {
            return true;  // usage ranges, designators, strings, delimiters
        }
        const uint32_t usage = item.size == 4 ? item.data : (uint32_t{m_global.usagePage} << 16) | item.data;
        if (m_usages.size() < kMaxReportCount) {
            m_usages.push_back(usage);
        }
        return true;
    }

    std::optional<ReportDescriptorInfo> Finish() {
        ReportDescriptorInfo result;
        result.usesReportIds = m_usesReportIds;
        for (CollectionBuilder& builder : m_collections) {
            HidCollectionInfo& info = builder.info;
            for (const auto& [key, bits] : builder.bits) {
                const auto& [type, id] = key;
                if (bits == 0) {
                    continue;
                }
                const uint32_t length = ReportBytes(bits);
                switch (type) {
                case ReportType::Input:
                    info.inputReportLength = std::max(info.inputReportLength, length);
                    info.inputReportIds.push_back(id);
                    break;
                case ReportType::Output: info.outputReportLength = std::max(info.outputReportLength, length); break;
                case ReportType::Feature: info.featureReportLength = std::max(info.featureReportLength, length); break;
                }
            }
            const std::optional<uint8_t> outputId =
                builder.firstOutputButtonId ? builder.firstOutputButtonId : builder.firstOutputValueId;
            info.hasOutputItem = outputId.has_value() && info.outputReportLength > 0;
            info.outputReportId = outputId.value_or(0);
            result.collections.push_back(std::move(info));
        }
        return result;
    }

    GlobalState m_global;
    std::vector<GlobalState> m_stack;
    std::vector<uint32_t> m_usages;
    std::vector<CollectionBuilder> m_collections;
    size_t m_depth = 0;
    bool m_usesReportIds = false;
};

} // namespace

std::optional<ReportDescriptorInfo> ParseReportDescriptor(std::span<const uint8_t> descriptor) {
    return Parser().Run(descriptor);
}

} // namespace hid
