// SkinPicture: the holder of one skin picture (a background, a strip, a button's look, a mask), and
// the two picture operations the skinned windows share: loading a picture resource and cutting a
// rectangle out of a picture.
//
// A holder owns at most one picture; being empty is a normal state that every consumer tests for
// (a missing resource, a zero-size button look). Giving it a new picture drops the previous one.
//
// Threads: a holder is used by one thread at a time (the user-interface thread for the windows'
// pictures); the functions below touch only their arguments and may run on any thread.
#pragma once

#include "ui/gfx/Surface.h"
#include "ui/Types.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace skin {

class SkinPicture {
public:
    SkinPicture() = default;
    // Takes `picture`; an empty surface leaves the holder empty.
    explicit SkinPicture(ui::Surface picture) { Attach(std::move(picture)); }

    // One owner per picture, as with the bitmap handles these stand for: moved, never copied.
    SkinPicture(const SkinPicture&) = delete;
    SkinPicture& operator=(const SkinPicture&) = delete;
    SkinPicture(SkinPicture&&) noexcept = default;
    SkinPicture& operator=(SkinPicture&&) noexcept = default;

    bool IsEmpty() const { return m_picture == nullptr; }
    explicit operator bool() const { return !IsEmpty(); }

    // The picture, or nullptr when the holder is empty.
    const ui::Surface* Get() const { return m_picture.get(); }

    // 0 x 0 when empty.
    int32_t Width() const { return m_picture ? m_picture->Width() : 0; }
    int32_t Height() const { return m_picture ? m_picture->Height() : 0; }

    // Drops the current picture (if any) and takes `picture`; an empty surface leaves the holder
    // empty.
    void Attach(ui::Surface picture);
    // Drops the current picture.
    void Reset() { m_picture.reset(); }

private:
    std::unique_ptr<ui::Surface> m_picture;
};

// Decodes picture file bytes (JPEG, or a Windows bitmap with its "BM" header) into `dest`. Empty or
// undecodable bytes leave `dest` as it was, as the platform decoder's failure leaves nothing to
// hand over. True when `dest` got a new picture.
bool LoadPictureData(std::span<const uint8_t> data, SkinPicture& dest);

// Decodes the picture resource `type` / `id` of the executable into `dest`. A resource that does
// not exist, is empty or does not decode leaves `dest` as it was. True when `dest` got a new
// picture.
bool LoadPictureResource(std::u16string_view type, uint32_t id, SkinPicture& dest);

// Makes `dest` a copy of the part of `source` under `rect` (source pixels; left/top inclusive,
// right/bottom exclusive), of exactly rect's width x height. An empty source changes nothing.
// Otherwise dest's old picture is dropped first; parts of the rectangle outside the source come
// out black, as in a freshly made bitmap; a rectangle of zero or negative width or height, or one
// larger than any picture may be, leaves dest empty because no picture of that size can be made.
void CropPicture(SkinPicture& dest, const SkinPicture& source, const ui::Rect& rect);

} // namespace skin
