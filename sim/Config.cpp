// Parsing of the KESTREL_SIM text into a sim::Config.
#include "sim/Config.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <utility>
#include <vector>

namespace sim {
namespace {

constexpr std::array<std::string_view, static_cast<size_t>(Fault::kCount)> kFaultNames = {
    "drop-answer-once",      "drop-answers",          "wrong-pointer-once", "checksum-once",
    "checksum-twice-same",   "checksum-always",       "version-readback-once",
    "version-readback-always", "refuse-iap",          "never-returns",      "unplug-during-write",
    "noise",                 "target-refuses-flash",
};

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// The whole of `text` as an unsigned number in `base`, at most `max`; no sign, no blanks.
std::optional<uint64_t> ParseUnsigned(std::string_view text, int base, uint64_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// Decimal, or hexadecimal with a 0x prefix.
std::optional<uint64_t> ParseNumber(std::string_view text, uint64_t max) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return ParseUnsigned(text.substr(2), 16, max);
    }
    return ParseUnsigned(text, 10, max);
}

std::optional<std::array<uint8_t, 16>> ParseHardwareId(std::string_view text) {
    if (text.size() != 32) {
        return std::nullopt;
    }
    std::array<uint8_t, 16> id{};
    for (size_t i = 0; i < id.size(); ++i) {
        const auto byte = ParseUnsigned(text.substr(2 * i, 2), 16, 0xFF);
        if (!byte) {
            return std::nullopt;
        }
        id[i] = static_cast<uint8_t>(*byte);
    }
    return id;
}

std::optional<UsbId> ParseUsbId(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon > 4 || text.size() - colon - 1 > 4) {
        return std::nullopt;
    }
    const auto vid = ParseUnsigned(text.substr(0, colon), 16, 0xFFFF);
    const auto pid = ParseUnsigned(text.substr(colon + 1), 16, 0xFFFF);
    if (!vid || !pid) {
        return std::nullopt;
    }
    return UsbId{static_cast<uint16_t>(*vid), static_cast<uint16_t>(*pid)};
}

// "MAJOR.MINOR.BUILD" in decimal, or "none" (which leaves `version` empty); false when neither.
bool ParseVersion(std::string_view text, std::optional<FirmwareVersion>& version) {
    if (text == "none") {
        version.reset();
        return true;
    }
    const size_t dot1 = text.find('.');
    const size_t dot2 = dot1 == std::string_view::npos ? dot1 : text.find('.', dot1 + 1);
    if (dot2 == std::string_view::npos) {
        return false;
    }
    const auto major = ParseUnsigned(text.substr(0, dot1), 10, 0xFF);
    const auto minor = ParseUnsigned(text.substr(dot1 + 1, dot2 - dot1 - 1), 10, 0xFF);
    const auto build = ParseUnsigned(text.substr(dot2 + 1), 10, 0xFFFFFFFF);
    if (!major || !minor || !build) {
        return false;
    }
    version = FirmwareVersion{static_cast<uint8_t>(*major), static_cast<uint8_t>(*minor), static_cast<uint32_t>(*build)};
    return true;
}

std::optional<Fault> FaultByName(std::string_view name) {
    for (size_t i = 0; i < kFaultNames.size(); ++i) {
        if (kFaultNames[i] == name) {
            return static_cast<Fault>(i);
        }
    }
    return std::nullopt;
}

// A speed factor of at least 1 (the clock takes nothing smaller).
std::optional<double> ParseTimeScale(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 1.0) {
        return std::nullopt;
    }
    return value;
}

// Applies one item to `config`; the error text when its value is bad (empty when fine).
std::string ApplyItem(std::string_view key, std::string_view value, Config& config) {
    if (key == "keyboard") {
        if (value == "ap") {
            config.start = Identity::Ap;
        } else if (value == "iap") {
            config.start = Identity::Iap;
        } else if (value == "none") {
            config.start.reset();
        } else {
            return "expected ap, iap or none";
        }
        return {};
    }
    if (key == "hwid") {
        const auto id = ParseHardwareId(value);
        if (!id) {
            return "expected 32 hex digits";
        }
        config.hardwareId = *id;
        return {};
    }
    if (key == "layout") {
        const auto layout = ParseNumber(value, 0xFFFF);
        if (!layout) {
            return "expected a decimal or 0x-hex number up to 0xFFFF";
        }
        config.layoutId = static_cast<uint16_t>(*layout);
        return {};
    }
    if (key == "ap" || key == "iap") {
        const auto id = ParseUsbId(value);
        if (!id) {
            return "expected VID:PID in hex";
        }
        (key == "ap" ? config.ap : config.iap) = *id;
        return {};
    }
    if (key == "version") {
        if (!ParseVersion(value, config.version)) {
            return "expected MAJOR.MINOR.BUILD or none";
        }
        return {};
    }
    if (key == "targets") {
        const auto count = ParseUnsigned(value, 10, kMaxTargets);
        if (!count || *count == 0) {
            return "expected a target count from 1 to " + std::to_string(kMaxTargets);
        }
        config.targetCount = static_cast<uint32_t>(*count);
        return {};
    }
    if (key == "target") {
        const auto index = ParseUnsigned(value, 10, kMaxTargets - 1);
        if (!index) {
            return "expected a target index from 0 to " + std::to_string(kMaxTargets - 1);
        }
        config.hardwareTarget = static_cast<uint32_t>(*index);
        return {};
    }
    if (key == "fault") {
        std::bitset<static_cast<size_t>(Fault::kCount)> faults;
        size_t begin = 0;
        while (begin <= value.size()) {
            const size_t comma = std::min(value.find(',', begin), value.size());
            const std::string_view name = Trim(value.substr(begin, comma - begin));
            const auto fault = FaultByName(name);
            if (!fault) {
                return "unknown fault '" + std::string(name) + "'";
            }
            faults.set(static_cast<size_t>(*fault));
            begin = comma + 1;
        }
        config.faults = faults;
        return {};
    }
    if (key == "time-scale") {
        const auto scale = ParseTimeScale(value);
        if (!scale) {
            return "expected a number of at least 1";
        }
        config.timeScale = *scale;
        return {};
    }
    if (key == "dump") {
        if (value.empty()) {
            return "expected a file path";
        }
        config.dumpPath = std::string(value);
        return {};
    }
    return "unknown key";
}

} // namespace

std::string_view FaultName(Fault fault) {
    const auto index = static_cast<size_t>(fault);
    return index < kFaultNames.size() ? kFaultNames[index] : std::string_view{};
}

ConfigResult ParseConfig(std::string_view text) {
    Config config;
    size_t begin = 0;
    while (begin <= text.size()) {
        const size_t semicolon = std::min(text.find(';', begin), text.size());
        const std::string_view item = Trim(text.substr(begin, semicolon - begin));
        begin = semicolon + 1;
        if (item.empty()) {
            continue;
        }
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            return {std::nullopt, "KESTREL_SIM item '" + std::string(item) + "': expected key=value"};
        }
        const std::string_view key = Trim(item.substr(0, equals));
        const std::string_view value = Trim(item.substr(equals + 1));
        std::string error = ApplyItem(key, value, config);
        if (!error.empty()) {
            return {std::nullopt, "KESTREL_SIM item '" + std::string(item) + "': " + error};
        }
    }
    if (config.hardwareTarget >= config.targetCount) {
        return {std::nullopt, "KESTREL_SIM item 'target=" + std::to_string(config.hardwareTarget) +
                                  "': not below targets=" + std::to_string(config.targetCount)};
    }
    return {std::move(config), {}};
}

} // namespace sim
