// Composing the main window in a back buffer.
#include "skin/MainWindowPaint.h"

#include "ui/Paint.h"
#include "ui/gfx/Text.h"

namespace skin {

namespace {

// Neither format asks for a single line, so every text starts at the top of its box.
void DrawBoxText(ui::Painter& painter, const std::u16string& text, const ui::Rect& box, const ui::FontSpec& font,
                 SkinColor color, ui::TextAlign align) {
    if (text.empty() || box.IsEmpty()) {
        return;
    }
    ui::DrawText(painter, text, box, font, color, align);
}

float ProgressFraction(int progress) { return static_cast<float>(progress / 100.0); }

} // namespace

int32_t FilledStripColumns(int32_t stripWidth, int progress) {
    return static_cast<int32_t>(static_cast<float>(stripWidth) * ProgressFraction(progress));
}

void DrawProgressStrip(ui::Painter& backBuffer, const MainWindowSkin& skin, int progress) {
    const ui::Rect& strip = skin.m_rcStrip;
    if (const ui::Surface* empty = skin.m_bmpStripEmpty.Get()) {
        backBuffer.CopyIntoBox(strip, *empty);
    }
    const int32_t filled = FilledStripColumns(strip.Width(), progress);
    if (const ui::Surface* full = skin.m_bmpStripFull.Get(); full != nullptr && filled > 0) {
        backBuffer.CopyIntoBox(ui::Rect{strip.left, strip.top, strip.left + filled, strip.bottom}, *full);
    }
    if (const ui::Surface* icon = skin.m_bmpBarIcon.Get()) {
        // Its left edge on the boundary of the filled part, its bottom on the strip's bottom.
        const auto x = static_cast<int32_t>(static_cast<float>(strip.Width()) * ProgressFraction(progress) +
                                            static_cast<float>(strip.left));
        const int32_t y = strip.top + strip.Height() - icon->Height();
        backBuffer.Copy(ui::Point{x, y}, *icon);
    }
}

ui::Surface ComposeMainWindow(const MainWindowSkin& skin, const MainWindowState& state) {
    const ui::Surface* background = skin.m_bmpBackground.Get();
    if (background == nullptr) {
        return {};
    }
    ui::Surface buffer(background->Width(), background->Height());
    ui::Painter painter(buffer);
    painter.Copy(ui::Point{0, 0}, *background);

    const ui::FontSpec title{std::u16string(kTitleFontFace), kTitleFontHeight, ui::kFontWeightNormal};
    DrawBoxText(painter, state.title, skin.m_rcTitle, title, kTitleColor, ui::TextAlign::Center);

    const ui::FontSpec body{skin.m_strBodyFont, skin.m_nBodyFontSize, ui::kFontWeightBold};
    if (state.nSelImage >= 0 && state.nSelImage < kImageSlots) {
        DrawBoxText(painter, state.layoutName, skin.m_rcLayout, body, skin.m_clrLayout, ui::TextAlign::Left);
    }
    DrawBoxText(painter, state.version, skin.m_rcVersion, body, skin.m_clrVersion, ui::TextAlign::Left);
    DrawBoxText(painter, state.curVersion, skin.m_rcCurVersion, body, skin.m_clrCurVersion, ui::TextAlign::Left);

    if (state.busy) {
        DrawProgressStrip(painter, skin, state.progress);
    }
    return buffer;
}

void PaintMainWindow(ui::Painter& window, const MainWindowSkin& skin, const MainWindowState& state) {
    const ui::Surface buffer = ComposeMainWindow(skin, state);
    if (buffer.IsEmpty()) {
        window.FillRect(window.Target().Bounds(), ui::kFaceColor);
        return;
    }
    window.Copy(ui::Point{0, 0}, buffer);
}

} // namespace skin
