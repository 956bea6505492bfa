// The package reader with the program's own message boxes, for the main window.
#pragma once

#include <filesystem>

#include "package/ReadPackage.h"
#include "ui/Types.h"

namespace package {

// A sink that shows each message with ui::MessageBox: owned by `owner`, except the application box
// (empty caption), which has no owner.
MessageSink MessageBoxSink(ui::WindowHandle owner);

// ReadPackage with its messages in message boxes owned by `owner`. Runs on owner's thread.
bool ReadPackage(FwPackage& pkg, const std::filesystem::path& path, ui::WindowHandle owner);

} // namespace package
