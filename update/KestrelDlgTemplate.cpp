// Template 102 as data: statics 1001..1005 and 1007..1014, group boxes 1015 and 1016, the push
// button 1000 "OK" and the progress control 1006, in a 500 x 384 popup. The skin hides them all.
#include "update/KestrelDlgTemplate.h"

namespace kestrel {

const ui::DialogTemplate& KestrelDlgTemplate() {
    using ui::ControlKind;
    static const ui::DialogTemplate kTemplate = [] {
        ui::DialogTemplate t;
        t.id = kMainTemplateId;
        t.caption = u"Kestrel";
        t.rect = {0, 0, 500, 384};
        t.style = ui::WS_POPUP | ui::WS_SYSMENU;
        const uint32_t visible = ui::WS_CHILD | ui::WS_VISIBLE;
        t.controls = {
            {1015, ControlKind::GroupBox, u"Keyboard", {12, 12, 488, 150}, visible},
            {1001, ControlKind::Static, u"Firmware language layout:", {24, 32, 220, 52}, visible},
            {1002, ControlKind::Static, u"", {230, 32, 476, 52}, visible},
            {1009, ControlKind::Static, u"Firmware update verision:", {24, 60, 220, 80}, visible},
            {IDC_FW_VERSION, ControlKind::Static, u"", {230, 60, 476, 80}, visible},
            {1010, ControlKind::Static, u"Current firmware version:", {24, 88, 220, 108}, visible},
            {1004, ControlKind::Static, u"", {230, 88, 476, 108}, visible},
            {IDC_CUR_VERSION, ControlKind::Static, u"", {230, 116, 476, 136}, visible},
            {1016, ControlKind::GroupBox, u"Instructions", {12, 160, 488, 300}, visible},
            {1011, ControlKind::Static, u"1. Connect the keyboard to the computer.", {24, 180, 476, 200}, visible},
            {1012, ControlKind::Static, u"2. Close other programs that use the keyboard.", {24, 208, 476, 228}, visible},
            {1013, ControlKind::Static, u"3. Press OK and do not unplug the keyboard.", {24, 236, 476, 256}, visible},
            {1007, ControlKind::Static, u"", {24, 264, 236, 284}, visible},
            {1008, ControlKind::Static, u"", {240, 264, 476, 284}, visible},
            {1014, ControlKind::Static, u"", {24, 304, 476, 324}, visible},
            {IDC_START, ControlKind::PushButton, u"OK", {210, 329, 304, 363}, visible | ui::WS_TABSTOP},
            {IDC_PROGRESS, ControlKind::Progress, u"", {0, 368, 500, 384}, visible},
        };
        return t;
    }();
    return kTemplate;
}

} // namespace kestrel
