// Loading the main window's skin from the layout and the picture resources.
#include "skin/MainWindowSkin.h"

namespace skin {

void LoadMainWindowSkin(const MainWindowLayout& layout, MainWindowSkin& skin) {
    skin.m_rcTitle = layout.rcTitle;
    LoadPictureResource(kPictureResourceType, kStripEmptyId, skin.m_bmpStripEmpty);
    LoadPictureResource(kPictureResourceType, kStripFullId, skin.m_bmpStripFull);
    if (layout.bBarIcon) {
        LoadPictureResource(kPictureResourceType, kBarIconId, skin.m_bmpBarIcon);
    }
    // The strip's size is its picture's; without the picture the box is empty and nothing is drawn.
    skin.m_rcStrip = ui::Rect{layout.ptStrip.x, layout.ptStrip.y, layout.ptStrip.x + skin.m_bmpStripEmpty.Width(),
                              layout.ptStrip.y + skin.m_bmpStripEmpty.Height()};
    skin.m_rcLayout = layout.rcLayout;
    skin.m_clrLayout = layout.clrLayout;
    skin.m_rcVersion = layout.rcVer;
    skin.m_clrVersion = layout.clrVer;
    skin.m_rcCurVersion = layout.rcCurVer;
    skin.m_clrCurVersion = layout.clrCurVer;
    skin.m_strBodyFont = layout.strFontFace;
    skin.m_nBodyFontSize = layout.nFontHeight;
}

} // namespace skin
