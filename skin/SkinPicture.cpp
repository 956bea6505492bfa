// SkinPicture and the loading and cutting of skin pictures.
#include "skin/SkinPicture.h"

#include "ui/gfx/Painter.h"
#include "ui/gfx/Picture.h"
#include "ui/gfx/Resource.h"

#include <utility>

namespace skin {

void SkinPicture::Attach(ui::Surface picture) {
    m_picture.reset();
    if (picture.IsEmpty()) {
        return;
    }
    m_picture = std::make_unique<ui::Surface>(std::move(picture));
}

bool LoadPictureData(std::span<const uint8_t> data, SkinPicture& dest) {
    if (data.empty()) {
        return false;
    }
    // Corrupt data: the decoder yields nothing, and the holder keeps what it had, exactly as when
    // the resource is missing.
    std::optional<ui::Surface> picture = ui::DecodePicture(data);
    if (!picture || picture->IsEmpty()) {
        return false;
    }
    dest.Attach(std::move(*picture));
    return true;
}

bool LoadPictureResource(std::u16string_view type, uint32_t id, SkinPicture& dest) {
    return LoadPictureData(ui::FindResource(type, id), dest);
}

void CropPicture(SkinPicture& dest, const SkinPicture& source, const ui::Rect& rect) {
    const ui::Surface* src = source.Get();
    if (src == nullptr) {
        return;
    }
    dest.Reset();
    // In 64 bits: a rectangle spanning most of the int32_t range must not overflow into a small or
    // negative size.
    const int64_t w = int64_t{rect.right} - rect.left;
    const int64_t h = int64_t{rect.bottom} - rect.top;
    if (w <= 0 || h <= 0 || w > ui::Surface::kMaxDimension || h > ui::Surface::kMaxDimension) {
        return;
    }
    ui::Surface copy(static_cast<int32_t>(w), static_cast<int32_t>(h), 0);
    // Same size on both sides, so the stretch copy is a plain copy; the painter clips to the
    // source, which leaves the outside parts at the fill colour.
    ui::Painter painter(copy);
    painter.Copy({0, 0}, *src, rect);
    dest.Attach(std::move(copy));
}

} // namespace skin
