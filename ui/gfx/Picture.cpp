// Picture decoder selection by signature.
#include "ui/gfx/Picture.h"

#include "ui/gfx/Bmp.h"
#include "ui/gfx/Jpeg.h"

namespace ui {

std::optional<Surface> DecodePicture(std::span<const uint8_t> data) {
    if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
        return DecodeJpeg(data);
    }
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        return DecodeBmp(data);
    }
    return std::nullopt;
}

} // namespace ui
