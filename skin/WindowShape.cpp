// Shaping a skinned window by its mask picture.
#include "skin/WindowShape.h"

#include "skin/Region.h"
#include "ui/MessageBox.h"
#include "ui/WindowApi.h"

#include <optional>

namespace skin {

bool ApplyWindowShape(ui::WindowHandle window, uint32_t maskId) {
    SkinPicture mask;
    LoadPictureResource(kMaskResourceType, maskId, mask);
    return ApplyWindowShape(window, mask);
}

bool ApplyWindowShape(ui::WindowHandle window, const SkinPicture& mask) {
    bool shaped = false;
    const std::optional<Region> region = RegionFromMask(mask);
    if (region && !region->IsEmpty()) {
        shaped = ui::SetWindowRegion(window, region->Rectangles(), true);
    }
    if (!shaped) {
        ui::MessageBox(window, kShapeErrorText, kApplicationTitle, ui::MB_OK);
    }
    return shaped;
}

} // namespace skin
