// ui::FindResource over the executable's own resources (the resource script that the build makes
// from the resource table, cmake/EmbedResources.cmake): FindResourceW with the type name and the
// numeric id, then LoadResource, LockResource and SizeofResource. Resources of the executable are
// mapped with it, so the bytes stay valid for the whole life of the process.
//
// The ICON row of the table is a real icon resource on Windows (found by the window code through
// the icon calls), not a named type, so FindResource(u"ICON", ...) answers nothing here.
#include "ui/gfx/Resource.h"

#include <string>

// After our own headers (see WinHeaders.h).
// clang-format off
#include "ui/gfx/win32/WinHeaders.h"
// clang-format on

namespace ui {
namespace {

constexpr uint32_t kMaxResourceId = 0xFFFF; // MAKEINTRESOURCE holds 16 bits

// The names the resource table allows: letters, digits and '_'. Anything else (an empty name, a
// "#123" that FindResourceW would read as a number, a NUL) would not name one of our types.
bool IsTypeName(std::u16string_view type) {
    if (type.empty()) {
        return false;
    }
    for (const char16_t c : type) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !digit && c != u'_') {
            return false;
        }
    }
    return true;
}

} // namespace

// Any thread.
std::span<const uint8_t> FindResource(std::u16string_view type, uint32_t id) {
    // An id above 16 bits would otherwise be cut down to some other resource's id.
    if (id == 0 || id > kMaxResourceId || !IsTypeName(type)) {
        return {};
    }
    // The loader compares type names without regard to case, as the table's lookup does.
    const std::wstring typeName(type.begin(), type.end());
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), typeName.c_str());
    if (!info) {
        return {};
    }
    const DWORD size = SizeofResource(module, info);
    if (size == 0) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) {
        return {};
    }
    const void* bytes = LockResource(loaded);
    if (!bytes) {
        return {};
    }
    return {static_cast<const uint8_t*>(bytes), size};
}

} // namespace ui
