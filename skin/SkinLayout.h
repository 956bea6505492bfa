// The skin layout: the small XML document (resource "XML" 158) that places the buttons and text
// boxes of the two skinned windows and gives their text colours and body font. Each window loads
// it once while it initialises, reads what it needs through the functions below and discards it.
// Reading never fails loudly: a missing entry reads as "" and the window keeps its default.
// Plain functions; the windows call them on the user-interface thread.
#pragma once

#include "ui/Types.h"
#include "xml/XmlDocument.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace skin {

inline constexpr const char16_t* kLayoutResourceType = u"XML";
inline constexpr uint32_t kLayoutResourceId = 158;

// Colour references are 0x00BBGGRR (red in the low byte).
using SkinColor = uint32_t;
inline constexpr SkinColor kDefaultTextColor = 0xFFFFFF;
inline constexpr int32_t kDefaultFontHeight = 21;

// The parsed form of an element value "name,x,y,w,h,text,flag".
struct SkinElement {
    ui::Rect rect; // left = x, top = y, right = x + w, bottom = y + h
};

// Fills doc from the layout resource of the program; an absent resource leaves it empty. Returns
// the parse result, which callers may ignore.
bool LoadSkinLayout(xml::CXmlDocument& doc);

// Fills doc from the raw resource bytes: UTF-16LE, byte-order mark included, size / 2 units.
bool LoadSkinLayoutFromBytes(xml::CXmlDocument& doc, std::span<const uint8_t> bytes);

// The rectangle of an element value: the four numbers after its first comma (the name before it is
// skipped). Fewer than four numbers give the zero rectangle.
SkinElement ParseSkinElement(std::u16string_view value);

// A decimal integer as the C library reads one: leading blanks, optional sign, digits up to the
// first other unit; no digits give 0, values beyond 32 bits saturate.
int32_t ParseSkinInteger(std::u16string_view value);

// An integer value taken as a colour reference (so "0x..." reads as 0, black).
SkinColor ParseSkinColor(std::u16string_view value);

// Lookups of one entry with the rules the windows rely on: an absent and an empty value are the
// same, and only then does the default apply.
ui::Rect ReadSkinRect(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry);
int32_t ReadSkinInteger(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                        int32_t fallback);
int32_t ReadSkinIntegerAttribute(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                                 const char16_t* attribute, int32_t fallback);
SkinColor ReadSkinColor(xml::CXmlDocument& doc, const char16_t* section, const char16_t* entry,
                        const char16_t* attribute, SkinColor fallback);

// Everything the main window reads from the layout.
struct MainWindowLayout {
    ui::Rect rcClose;      // CONFIRM/BUTTON_CLOSE
    ui::Rect rcOk;         // CONFIRM/BUTTON_OK, starts the update
    ui::Rect rcCancel;     // CONFIRM/BUTTON_CANCEL, zero-sized in the shipped layout
    ui::Rect rcTitle;      // MAIN/RECT_TITLE
    bool bBarIcon = false; // UPDATE/BAR_ICON nonzero: draw the progress icon
    ui::Point ptStrip;     // UPDATE/RECT_UPDATE left and top; the size is the strip picture's
    ui::Rect rcLayout;     // CONFIRM/RECT_LAYOUT
    SkinColor clrLayout = kDefaultTextColor;
    ui::Rect rcVer; // CONFIRM/RECT_VER: the package's firmware version
    SkinColor clrVer = kDefaultTextColor;
    ui::Rect rcCurVer; // CONFIRM/RECT_CUR_VER: the keyboard's current version
    SkinColor clrCurVer = kDefaultTextColor;
    std::u16string strFontFace;               // CONFIRM/RECT_VER FONT, for all three body texts
    int32_t nFontHeight = kDefaultFontHeight; // CONFIRM/RECT_VER SIZE, pixels
};

// Everything the result dialog reads (the same for every result kind).
struct ResultDialogLayout {
    ui::Rect rcClose; // SUCCESS/BUTTON_CLOSE
    ui::Rect rcOk;    // SUCCESS/BUTTON_OK
};

MainWindowLayout ReadMainWindowLayout(xml::CXmlDocument& doc);
ResultDialogLayout ReadResultDialogLayout(xml::CXmlDocument& doc);

} // namespace skin
