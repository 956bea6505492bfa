// DrawText and the private fonts on Windows: GDI draws the text with DrawTextW into a DIB section
// holding a copy of the box's pixels, which go back into the surface where the text changed them.
// Private fonts are added from memory with AddFontMemResourceEx, so that CreateFontW finds their
// faces by name.
#include "ui/gfx/Text.h"
#include "ui/gfx/win32/DibSection.h"
#include "ui/gfx/win32/GdiHolders.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <string>
#include <vector>

// After our own headers (see WinHeaders.h).
// clang-format off
#include "ui/gfx/win32/WinHeaders.h"
// clang-format on

namespace ui {
namespace {

constexpr int32_t kDefaultCellHeight = 16; // Text.h's default for height 0
constexpr int32_t kMaxCellHeight = 2048;
constexpr BYTE kSwissDefaultPitch = 0x20; // FF_SWISS | DEFAULT_PITCH
// GDI keeps coordinates well inside 32 bits; a box reaching further out is cut to this range.
constexpr int64_t kMaxCoordinate = int64_t{1} << 27;

// The process's private fonts and the lock that serialises all text calls.
class CPrivateFonts {
public:
    static CPrivateFonts& Instance() {
        static CPrivateFonts fonts;
        return fonts;
    }

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // Both below: the caller holds Lock().
    PrivateFontHandle Add(std::span<const uint8_t> data, uint32_t* fontCount) {
        if (fontCount) {
            *fontCount = 0;
        }
        if (data.empty() || data.size() > MAXDWORD) {
            return {};
        }
        Entry entry;
        // GDI is handed our own copy, which lives as long as the font is added.
        entry.bytes.assign(data.begin(), data.end());
        DWORD count = 0;
        entry.handle =
            AddFontMemResourceEx(entry.bytes.data(), static_cast<DWORD>(entry.bytes.size()), nullptr, &count);
        if (!entry.handle) {
            return {};
        }
        if (count == 0) {
            RemoveFontMemResourceEx(entry.handle);
            return {};
        }
        if (fontCount) {
            *fontCount = count;
        }
        entry.id = m_nextId++;
        const PrivateFontHandle handle{entry.id};
        m_entries.push_back(std::move(entry));
        return handle;
    }

    bool Remove(PrivateFontHandle handle) {
        const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                     [&](const Entry& entry) { return entry.id == handle.value; });
        if (!handle || it == m_entries.end()) {
            return false;
        }
        RemoveFontMemResourceEx(it->handle);
        m_entries.erase(it);
        return true;
    }

private:
    CPrivateFonts() = default;

    struct Entry {
        uint64_t id = 0;
        HANDLE handle = nullptr;
        std::vector<uint8_t> bytes;
    };

    std::mutex m_mutex;
    uint64_t m_nextId = 1; // our own ids: a stale or made-up handle never reaches GDI
    std::vector<Entry> m_entries;
};

win32::UniqueFont MakeFont(const FontSpec& font) {
    int32_t height = font.height == 0 ? kDefaultCellHeight : font.height;
    height = std::clamp(height, -kMaxCellHeight, kMaxCellHeight);
    const int weight = std::clamp(font.weight, 0, 1000);
    // LOGFONTW keeps at most 31 characters of the face; a longer name cannot name a face anyway.
    std::wstring face(font.face.begin(), font.face.end());
    face = face.substr(0, std::min(face.find(L'\0'), size_t{LF_FACESIZE - 1}));
    return win32::UniqueFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         kSwissDefaultPitch, face.c_str()));
}

LONG ToGdiCoordinate(int64_t value) {
    return static_cast<LONG>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}

} // namespace

// Runs on the painting thread; serialised with the font calls.
void DrawText(Painter& painter, std::u16string_view text, const Rect& box, const FontSpec& font,
              ColorRef color, TextAlign align) {
    if (text.empty() || box.IsEmpty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return;
    }
    Surface& target = painter.Target();
    const Rect area = IntersectRect(IntersectRect(box, painter.Clip()), target.Bounds());
    if (area.IsEmpty()) {
        return;
    }
    const auto lock = CPrivateFonts::Instance().Lock();
    std::optional<win32::CDibSection> dib = win32::CDibSection::Create(area.Width(), area.Height());
    if (!dib) {
        return;
    }
    const win32::UniqueFont gdiFont = MakeFont(font);
    if (!gdiFont) {
        return;
    }
    dib->CopyFrom(target, area.left, area.top);
    const win32::ScopedSelect selected(dib->Dc(), gdiFont.get());
    if (!selected) {
        return;
    }
    SetBkMode(dib->Dc(), TRANSPARENT);
    SetTextColor(dib->Dc(), color & 0x00FFFFFF);
    // The box in the section's coordinates; DrawTextW clips to it.
    RECT rc{ToGdiCoordinate(int64_t{box.left} - area.left), ToGdiCoordinate(int64_t{box.top} - area.top),
            ToGdiCoordinate(int64_t{box.right} - area.left), ToGdiCoordinate(int64_t{box.bottom} - area.top)};
    // Not single-line: the text starts at the top of the box (DT_VCENTER has no effect then) and
    // breaks only at its own line breaks. No prefix processing: an '&' is drawn as it stands, as on
    // every other platform.
    const UINT format = (align == TextAlign::Center ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_NOPREFIX;
    const std::wstring wide(text.begin(), text.end());
    DrawTextW(dib->Dc(), wide.c_str(), static_cast<int>(wide.size()), &rc, format);
    dib->CopyChangedTo(target, area.left, area.top);
}

PrivateFontHandle AddPrivateFont(std::span<const uint8_t> data, uint32_t* fontCount) {
    CPrivateFonts& fonts = CPrivateFonts::Instance();
    const auto lock = fonts.Lock();
    return fonts.Add(data, fontCount);
}

bool RemovePrivateFont(PrivateFontHandle handle) {
    CPrivateFonts& fonts = CPrivateFonts::Instance();
    const auto lock = fonts.Lock();
    return fonts.Remove(handle);
}

} // namespace ui
