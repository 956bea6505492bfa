// The main window's skin: the pictures, text boxes, colours and body font that its skin set-up
// reads from the resources and the skin layout, and that its painting draws from.
//
// Threads: filled once on the user-interface thread during the window's initialisation and read-only
// afterwards (the update worker only reads the strip box, to repaint it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "skin/SkinLayout.h"
#include "skin/SkinPicture.h"
#include "ui/Types.h"

namespace skin {

inline constexpr std::u16string_view kPictureResourceType = u"JPG";
inline constexpr std::u16string_view kFontResourceType = u"BINARY";

// The main window's pictures (type "JPG").
inline constexpr uint32_t kMainBackgroundId = 155;   // also the buttons' normal look
inline constexpr uint32_t kMainHoverSourceId = 154;  // the buttons' hover and pressed looks
inline constexpr uint32_t kMainDisabledSourceId = 153;
inline constexpr uint32_t kStripEmptyId = 156;
inline constexpr uint32_t kStripFullId = 157;
inline constexpr uint32_t kBarIconId = 161;
// The title font (type "BINARY").
inline constexpr uint32_t kTitleFontId = 159;

// The title font's family name: the family of res/fonts/Play-Regular.ttf as res/fonts/FAMILY.txt
// gives it. The title is drawn in this face only; change it here together with the font file.
inline constexpr std::u16string_view kTitleFontFace = u"Play";
inline constexpr int32_t kTitleFontHeight = 38;
inline constexpr SkinColor kTitleColor = 0xFFFFFF;

struct MainWindowSkin {
    SkinPicture m_bmpBackground;
    SkinPicture m_bmpStripEmpty;
    SkinPicture m_bmpStripFull;
    SkinPicture m_bmpBarIcon;  // only when the layout asks for the progress icon; may stay empty
    ui::Rect m_rcTitle;
    ui::Rect m_rcLayout;
    ui::Rect m_rcVersion;
    ui::Rect m_rcCurVersion;
    SkinColor m_clrLayout = kDefaultTextColor;
    SkinColor m_clrVersion = kDefaultTextColor;
    SkinColor m_clrCurVersion = kDefaultTextColor;
    std::u16string m_strBodyFont;
    int32_t m_nBodyFontSize = kDefaultFontHeight;
    ui::Rect m_rcStrip;  // left and top from the layout, size of m_bmpStripEmpty
};

// The part of the set-up after the buttons: title box, strip pictures, the progress icon when the
// layout asks for it, the strip box, and the body texts' boxes, colours and font.
void LoadMainWindowSkin(const MainWindowLayout& layout, MainWindowSkin& skin);

} // namespace skin
