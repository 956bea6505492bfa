// The outline of the skinned windows: the last step of their skin set-up gives the window the
// region of its mask picture (rounded corners).
//
// Threads: the window's owner thread (the user-interface thread).
#pragma once

#include "skin/SkinPicture.h"
#include "ui/Types.h"

#include <cstdint>
#include <string_view>

namespace skin {

// Resource type of the mask pictures, and the masks of the two skinned windows.
inline constexpr std::u16string_view kMaskResourceType = u"BMP";
inline constexpr uint32_t kMainWindowMaskId = 159;
inline constexpr uint32_t kResultDialogMaskId = 160;

// The caption of the shaping failure's message box: the application's title.
inline constexpr std::u16string_view kApplicationTitle = u"Kestrel";
inline constexpr std::u16string_view kShapeErrorText = u"error";

// Loads the mask "BMP" `maskId` and shapes `window` by it (below). The mask lives only for this call.
bool ApplyWindowShape(ui::WindowHandle window, uint32_t maskId);

// Makes the region of `mask` and sets it as the window region of `window` (redrawing). When no
// region can be made (empty holder), the region holds no pixel, or the window refuses it, shows the
// message box "error" (OK button, kApplicationTitle as caption) and leaves the window unshaped.
// True when the window took the region.
//
// A mask that is white everywhere counts as a failure: the framework reads an empty rectangle list
// as "no region", so handing it over would leave the window rectangular while reporting success.
bool ApplyWindowShape(ui::WindowHandle window, const SkinPicture& mask);

} // namespace skin
