// DecodeJpeg with libjpeg-turbo's TurboJPEG interface. Its BGRX output is exactly our pixel layout
// (0x00RRGGBB per uint32_t on little-endian), so the decoder writes straight into the surface.
#include <turbojpeg.h>

#include <limits>
#include <memory>

#include "ui/gfx/Jpeg.h"

namespace ui {
namespace {

struct TjHandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

} // namespace

std::optional<Surface> DecodeJpeg(std::span<const uint8_t> data) {
    if (data.size() < 2 || data.size() > std::numeric_limits<unsigned long>::max()) {
        return std::nullopt;
    }
    const TjHandle handle(tjInitDecompress());
    if (!handle) {
        return std::nullopt;
    }
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data.data(), size, &width, &height, &subsampling, &colorspace) != 0) {
        return std::nullopt;
    }
    if (width <= 0 || height <= 0 || width > Surface::kMaxDimension || height > Surface::kMaxDimension) {
        return std::nullopt;
    }
    Surface surface(width, height);
    // Warnings (a truncated stream, corrupt data) stop the decode: a half-decoded picture is not
    // shown. The scan limit keeps a hostile progressive file from decoding for ever.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    auto* out = reinterpret_cast<unsigned char*>(surface.Pixels().data());
    if (tjDecompress2(handle.get(), data.data(), size, out, width, width * 4, height, TJPF_BGRX, flags) != 0) {
        return std::nullopt;
    }
    for (Pixel& p : surface.Pixels()) {
        p &= 0x00FFFFFF;
    }
    return surface;
}

} // namespace ui
