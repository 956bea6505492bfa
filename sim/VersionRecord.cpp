// Building and reading the keyboard's version records.
#include "sim/VersionRecord.h"

#include <cassert>
#include <string>

#include "sys/ByteOrder.h"

namespace sim {
namespace {

constexpr size_t kTextOffset = 4;
constexpr size_t kMaxTextBytes = protocol::kInfoBlockSize - kTextOffset;  // what block 0 can carry

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal number at `pos`, advancing it; nullopt when there is no digit or it exceeds `max`.
std::optional<uint32_t> ReadNumber(const std::u16string& text, size_t& pos, uint32_t max) {
    if (pos >= text.size() || !IsDigit(text[pos])) {
        return std::nullopt;
    }
    uint64_t value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - u'0');
        if (value > max) {
            return std::nullopt;
        }
        ++pos;
    }
    return static_cast<uint32_t>(value);
}

} // namespace

void WriteVersionText(std::span<uint8_t> area, const FirmwareVersion& version) {
    const std::string text =
        std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build);
    assert(area.size() >= kTextOffset + kMaxTextBytes && 2 * text.size() <= kMaxTextBytes);
    sys::WriteLe32(area, 0, static_cast<uint32_t>(2 * text.size()));
    for (size_t i = 0; i < text.size(); ++i) {
        sys::WriteLe16(area, kTextOffset + 2 * i, static_cast<uint16_t>(text[i]));
    }
}

std::optional<FirmwareVersion> VersionFromText(std::span<const uint8_t> area) {
    if (area.size() < kTextOffset + kMaxTextBytes) {
        return std::nullopt;
    }
    const uint32_t length = sys::ReadLe32(area, 0);
    if (length > kMaxTextBytes) {  // also 0xFFFFFFFF, "no text"
        return std::nullopt;
    }
    std::u16string text;
    for (size_t i = 0; i + 1 < length; i += 2) {
        text.push_back(static_cast<char16_t>(sys::ReadLe16(area, kTextOffset + i)));
    }
    size_t pos = 0;
    while (pos < text.size() && !IsDigit(text[pos])) {
        ++pos;
    }
    const auto major = ReadNumber(text, pos, 0xFF);
    if (!major || pos >= text.size() || text[pos++] != u'.') {
        return std::nullopt;
    }
    const auto minor = ReadNumber(text, pos, 0xFF);
    if (!minor || pos >= text.size() || text[pos++] != u'.') {
        return std::nullopt;
    }
    const auto build = ReadNumber(text, pos, 0xFFFFFFFF);
    if (!build) {
        return std::nullopt;
    }
    return FirmwareVersion{static_cast<uint8_t>(*major), static_cast<uint8_t>(*minor), *build};
}

std::array<uint8_t, protocol::kInfoBlockSize> ApInfoRecord(const std::optional<FirmwareVersion>& version) {
    std::array<uint8_t, protocol::kInfoBlockSize> record{};
    if (!version) {
        record[protocol::kApMajor] = 0xFF;
        record[protocol::kApMinor] = 0xFF;
        sys::WriteLe32(record, protocol::kApBuild, 0xFFFFFFFF);
        return record;
    }
    record[protocol::kApMajor] = version->major;
    record[protocol::kApMinor] = version->minor;
    sys::WriteLe32(record, protocol::kApBuild, version->build);
    return record;
}

} // namespace sim
