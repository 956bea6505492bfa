// Message boxes go to whichever display back-end the process runs on.
#include "ui/MessageBox.h"

#include "ui/Display.h"

namespace ui {

int MessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    return GetDisplay().ShowMessageBox(owner, text, caption, flags);
}

} // namespace ui
