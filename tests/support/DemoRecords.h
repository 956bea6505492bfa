// What the end-to-end tests compare a simulated keyboard's dump with: files as bytes, and the demo
// package's version record as the updater writes it to the keyboard. Portable (Linux and Windows tests).
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testing_support {

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The version record as the updater writes it: length 26, 13 units of "V1.2.30" (zero-padded), then
// the package's record from byte 30.
inline std::vector<uint8_t> PatchedRecord(std::vector<uint8_t> record) {
    if (record.size() < 30) {
        return {};
    }
    std::fill(record.begin(), record.begin() + 30, 0);
    record[0] = 26;
    const std::string text = "V1.2.30";
    for (size_t i = 0; i < text.size(); ++i) {
        record[4 + 2 * i] = static_cast<uint8_t>(text[i]);
    }
    return record;
}

} // namespace testing_support
