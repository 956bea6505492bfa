// Screenshots and pictures through ImageMagick (see Screenshot.h).
#include "Screenshot.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace x11_testing {
namespace {

// A binary PPM: "P6", width, height, maximum value 255 (whitespace separated), one whitespace
// byte, then the pixels.
std::optional<Picture> ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    const auto token = [&]() -> std::string {
        while (at < bytes.size() && std::isspace(bytes[at])) {
            ++at;
        }
        std::string text;
        while (at < bytes.size() && !std::isspace(bytes[at])) {
            text.push_back(static_cast<char>(bytes[at++]));
        }
        return text;
    };
    if (token() != "P6") {
        return std::nullopt;
    }
    Picture picture;
    picture.width = std::atoi(token().c_str());
    picture.height = std::atoi(token().c_str());
    if (token() != "255" || picture.width <= 0 || picture.height <= 0 || picture.width > 16384 ||
        picture.height > 16384) {
        return std::nullopt;
    }
    ++at; // the single whitespace byte before the pixels
    const size_t size = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3;
    if (at > bytes.size() || bytes.size() - at < size) {
        return std::nullopt;
    }
    picture.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    return picture;
}

} // namespace

uint32_t Picture::At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
}

std::optional<Picture> TakeScreenshot(const std::string& path) {
    const std::string command = "import -window root -depth 8 'ppm:" + path + "'";
    if (std::system(command.c_str()) != 0) {
        return std::nullopt;
    }
    return ReadPpm(path);
}

std::optional<Picture> ReadPicture(const std::string& path) {
    const std::string ppm = path + ".ppm";
    const std::string command = "convert '" + path + "' -depth 8 'ppm:" + ppm + "'";
    if (std::system(command.c_str()) != 0) {
        return std::nullopt;
    }
    return ReadPpm(ppm);
}

} // namespace x11_testing
