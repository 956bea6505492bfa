// Dialog template 102: the main window's template and the ids of its controls.
#pragma once

#include "ui/Dialog.h"

namespace kestrel {

inline constexpr int kMainTemplateId = 102;

// Control ids of template 102 that the program uses.
inline constexpr int IDC_START = 1000;         // push button "OK": hidden start button
inline constexpr int IDC_FW_VERSION = 1003;    // the package's firmware version text (hidden holder)
inline constexpr int IDC_CUR_VERSION = 1005;   // the keyboard's current version text (hidden holder)
inline constexpr int IDC_PROGRESS = 1006;      // progress control 0..100
inline constexpr int kFirstControlId = 1000;
inline constexpr int kLastControlId = 1016;

const ui::DialogTemplate& KestrelDlgTemplate();

} // namespace kestrel
