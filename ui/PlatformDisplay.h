// The platform display back-ends the default choice can pick (DisplayFactory.cpp).
//
// The platform back-end reaches the default choice by registering a factory from the object
// library kestrel_ui_platform (Linux: X11), which the program's executable links. Executables that
// do not link it (unit tests of other folders) always get the headless back-end and need none of the
// platform's libraries or resources.
#pragma once

#include <memory>
#include <string>

#include "ui/Display.h"

namespace ui {

// The X11 back-end (ui/x11): nullptr when the display cannot be opened.
std::unique_ptr<Display> CreateX11Display();

// A platform back-end, or nullptr with `problem` saying why it cannot be used ("DISPLAY is not set").
using PlatformDisplayFactory = std::unique_ptr<Display> (*)(std::string& problem);

// Registers the build's platform back-end; called during static initialisation, before the first
// GetDisplay().
void SetPlatformDisplayFactory(PlatformDisplayFactory factory);

} // namespace ui
