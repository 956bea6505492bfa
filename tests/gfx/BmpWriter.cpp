// Test bitmap files: 14-byte file header, 40-byte info header, masks, palette, padded rows.
#include "tests/gfx/BmpWriter.h"

#include <cstdlib>

#include "sys/ByteOrder.h"

namespace gfxtest {

std::vector<uint8_t> WriteBmp(const BmpFormat& format, const std::vector<uint32_t>& pixels) {
    const int32_t rows = format.height < 0 ? -format.height : format.height;
    const size_t stride = ((size_t(format.width) * format.bitCount + 31) / 32) * 4;
    const size_t offBits = 14 + 40 + format.masks.size() * 4 + format.palette.size() * 4;
    std::vector<uint8_t> file(offBits + stride * size_t(rows), 0);
    const std::span<uint8_t> out(file);

    file[0] = 'B';
    file[1] = 'M';
    sys::WriteLe32(out, 2, static_cast<uint32_t>(file.size()));
    sys::WriteLe32(out, 10, static_cast<uint32_t>(offBits));
    sys::WriteLe32(out, 14, 40);
    sys::WriteLe32(out, 18, static_cast<uint32_t>(format.width));
    sys::WriteLe32(out, 22, static_cast<uint32_t>(format.height));
    sys::WriteLe16(out, 26, 1);
    sys::WriteLe16(out, 28, format.bitCount);
    sys::WriteLe32(out, 30, format.compression);
    sys::WriteLe32(out, 34, static_cast<uint32_t>(stride * size_t(rows)));
    sys::WriteLe32(out, 46, static_cast<uint32_t>(format.palette.size()));

    size_t at = 54;
    for (uint32_t mask : format.masks) {
        sys::WriteLe32(out, at, mask);
        at += 4;
    }
    for (ui::Pixel p : format.palette) {
        file[at] = ui::PixelBlue(p);
        file[at + 1] = ui::PixelGreen(p);
        file[at + 2] = ui::PixelRed(p);
        at += 4;
    }

    for (int32_t y = 0; y < rows; ++y) {
        const int32_t stored = format.height < 0 ? y : rows - 1 - y;
        const size_t rowAt = offBits + size_t(stored) * stride;
        for (int32_t x = 0; x < format.width; ++x) {
            const uint32_t v = pixels.at(size_t(y) * size_t(format.width) + size_t(x));
            switch (format.bitCount) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = size_t(x) * format.bitCount;
                const unsigned shift = 8 - format.bitCount - static_cast<unsigned>(bit % 8);
                file[rowAt + bit / 8] = static_cast<uint8_t>(file[rowAt + bit / 8] | (v << shift));
                break;
            }
            case 24:
                file[rowAt + size_t(x) * 3] = ui::PixelBlue(v);
                file[rowAt + size_t(x) * 3 + 1] = ui::PixelGreen(v);
                file[rowAt + size_t(x) * 3 + 2] = ui::PixelRed(v);
                break;
            case 32:
                sys::WriteLe32(out, rowAt + size_t(x) * 4, v);
                break;
            default:
                std::abort();
            }
        }
    }
    return file;
}

} // namespace gfxtest
