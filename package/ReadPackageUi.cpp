// ReadPackage with message boxes; kept apart so that the reader itself needs no display library.
#include "package/ReadPackageUi.h"

#include "ui/MessageBox.h"

namespace package {

MessageSink MessageBoxSink(ui::WindowHandle owner) {
    return [owner](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
        ui::MessageBox(caption.empty() ? ui::WindowHandle{} : owner, text, caption, flags);
    };
}

bool ReadPackage(FwPackage& pkg, const std::filesystem::path& path, ui::WindowHandle owner) {
    return ReadPackage(pkg, path, MessageBoxSink(owner));
}

} // namespace package
