// Picks the display back-end when the program set none. Only the headless one exists so far; a
// platform back-end (X11, Windows) is chosen here once it joins the build.
#include "ui/Display.h"
#include "ui/headless/HeadlessDisplay.h"

namespace ui {

std::unique_ptr<Display> CreateDefaultDisplay() { return std::make_unique<HeadlessDisplay>(); }

} // namespace ui
