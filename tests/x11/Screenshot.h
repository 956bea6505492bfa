// Screenshots and pictures read back through ImageMagick: the whole screen with `import -window
// root`, or any picture file converted, both as binary PPM parsed here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace x11_testing {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // 3 bytes per pixel, rows top-down

    // 0x00RRGGBB; (x, y) must lie inside.
    uint32_t At(int x, int y) const;
};

// The screen of $DISPLAY as `import -window root` takes it, saved under `path` (a .ppm file).
std::optional<Picture> TakeScreenshot(const std::string& path);
// Any picture ImageMagick reads (a PNG snapshot), converted to PPM beside it.
std::optional<Picture> ReadPicture(const std::string& path);

} // namespace x11_testing
