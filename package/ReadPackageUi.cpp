// ReadPackage with message boxes; kept apart so that the reader itself needs no display library.
#include "package/ReadPackageUi.h"

#include <cstdio>
#include <string>

#include "sys/Process.h"
#include "sys/SupportLog.h"
#include "ui/MessageBox.h"

namespace package {

namespace {

// Support log: what the window is about to offer, so that a report names the package it came with.
void LogSummary(const FwPackage& pkg, const std::filesystem::path& path) {
    if (!sys::SupportLogEnabled()) {
        return;
    }
    const FW_PACKAGE_TRAILER trailer = pkg.Trailer();
    sys::SupportLog("package", "read from " + path.string() + ": title \"" + sys::ToUtf8(trailer.Title()) +
                                   "\", version \"" + sys::ToUtf8(trailer.VersionText()) + "\"");
    for (size_t i = 0; i < kImageCount; ++i) {
        const FW_IMAGE_ENTRY entry = trailer.Entry(i);
        if (entry.IsEmpty()) {
            continue;
        }
        char ids[64];
        std::snprintf(ids, sizeof ids, "layout 0x%04X, version %u.%u.%u", static_cast<unsigned>(entry.LayoutId()),
                      static_cast<unsigned>(entry.Major()), static_cast<unsigned>(entry.Minor()),
                      static_cast<unsigned>(entry.Build()));
        sys::SupportLog("package", "entry " + std::to_string(i) + " \"" + sys::ToUtf8(entry.Name()) + "\": " + ids +
                                       ", image " + std::to_string(entry.ImageSize()) + " bytes");
    }
}

} // namespace

MessageSink MessageBoxSink(ui::WindowHandle owner) {
    return [owner](std::u16string_view text, std::u16string_view caption, uint32_t flags) {
        ui::MessageBox(caption.empty() ? ui::WindowHandle{} : owner, text, caption, flags);
    };
}

bool ReadPackage(FwPackage& pkg, const std::filesystem::path& path, ui::WindowHandle owner) {
    const bool read = ReadPackage(pkg, path, MessageBoxSink(owner));
    if (read) {
        LogSummary(pkg, path);
    } else {
        sys::SupportLog("package", "cannot be read from " + path.string());
    }
    return read;
}

} // namespace package
