// The table behind ui::FindResource on builds that embed their resources into the executable. The
// build generates one definition of EmbeddedResourceTable() per executable (cmake/EmbedResources.cmake);
// nothing else includes this header.
#pragma once

#include <cstdint>
#include <span>

namespace ui {

struct EmbeddedResource {
    const char16_t* type;   // NUL-terminated resource type name, e.g. u"JPG"
    uint32_t id;
    const uint8_t* begin;   // the embedded file's bytes
    const uint8_t* end;
};

// Defined by the generated table that the executable links.
std::span<const EmbeddedResource> EmbeddedResourceTable();

} // namespace ui
