// The window tests run on the headless back-end whatever the environment holds (DISPLAY,
// KESTREL_DISPLAY): it is set before any test creates a window or a loop.
#include <memory>

#include "ui/Display.h"
#include "ui/headless/HeadlessDisplay.h"

namespace {

[[maybe_unused]] const bool kHeadless = [] {
    ui::SetDisplay(std::make_unique<ui::HeadlessDisplay>());
    return true;
}();

} // namespace
