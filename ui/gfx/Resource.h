// Resources of the executable: the layout, pictures, masks, the title font and the icon, found by
// resource type ("XML", "JPG", "BMP", "BINARY", "ICON") and numeric id, as the Windows build answers
// them from its resource script. On Linux the files are embedded at build time (res/CMakeLists.txt);
// an executable gets its table by linking kestrel_resources, a test binary may link its own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ui {

// The bytes of the resource, valid for the whole life of the process. An empty span means that no
// such resource exists (or that it is empty): a normal result, not an error. Type names compare
// without regard to ASCII case, as resource type names do. Any thread.
std::span<const uint8_t> FindResource(std::u16string_view type, uint32_t id);

} // namespace ui
