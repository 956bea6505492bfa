// The main window's painting: the whole window is composed in a back buffer of the background's
// size (background, title, layout name, both versions, and the progress strip while an update
// runs) and copied to the window in one operation. Nothing is cached between paints.
//
// Threads: the user-interface thread, inside the window's WM_PAINT.
#pragma once

#include <string>

#include "skin/MainWindowSkin.h"
#include "ui/gfx/Painter.h"
#include "ui/gfx/Surface.h"

namespace skin {

inline constexpr int kImageSlots = 9;  // selectable images 0..8

// What the painter reads from the rest of the window at the moment it paints.
struct MainWindowState {
    std::u16string title;       // the package's title
    int nSelImage = -1;         // the selected image; the layout name is drawn only for 0..8
    std::u16string layoutName;  // the layout name of the selected image's entry
    std::u16string version;     // the package's firmware version (control 1003)
    std::u16string curVersion;  // the keyboard's current version (control 1005)
    bool busy = false;          // the close button is disabled: an update runs, the strip shows
    int progress = 0;           // the progress control's position, 0..100
};

// The columns of a strip `stripWidth` wide that show the full strip at `progress` percent.
int32_t FilledStripColumns(int32_t stripWidth, int progress);

// Draws the progress strip (empty strip, its filled part, the icon) onto the back buffer.
void DrawProgressStrip(ui::Painter& backBuffer, const MainWindowSkin& skin, int progress);

// The composed window; an empty surface when the skin has no background.
ui::Surface ComposeMainWindow(const MainWindowSkin& skin, const MainWindowState& state);

// WM_PAINT: the composed window copied to (0, 0). Without a background the window is filled with
// the plain face colour instead (the background is never erased separately).
void PaintMainWindow(ui::Painter& window, const MainWindowSkin& skin, const MainWindowState& state);

} // namespace skin
