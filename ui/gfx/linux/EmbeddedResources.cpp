// ui::FindResource over the table that the build embedded into this executable.
#include <string_view>

#include "ui/gfx/Resource.h"
#include "ui/gfx/ResourceTable.h"

namespace ui {
namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameTypeName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const uint8_t> FindResource(std::u16string_view type, uint32_t id) {
    for (const EmbeddedResource& entry : EmbeddedResourceTable()) {
        if (entry.id == id && SameTypeName(type, entry.type)) {
            return {entry.begin, entry.end};
        }
    }
    return {};
}

} // namespace ui
