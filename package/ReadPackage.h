// Reading the package that ends the updater's own file: trailer, marker, image table, images and
// version records, each descrambled on its own.
//
// Runs on the calling thread (the user-interface thread, during the main window's initialisation).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>

#include "package/FwPackage.h"
#include "package/PackageSource.h"

namespace package {

// Where the reader's failure messages go. flags are ui::MB_* bits. An empty caption asks for the
// application's own message box (no owner, OK only); the others are owned by the main window.
using MessageSink = std::function<void(std::u16string_view text, std::u16string_view caption, uint32_t flags)>;

// Checks that a trailer (marker already matched) describes a package that fits in a file of
// `fileSize` bytes and that the updater can use: block size 1..60, every non-empty entry with a
// version record of at least 30 bytes and a NUL-terminated name, and all parts together no longer
// than the file.
bool IsWellFormed(const FW_PACKAGE_TRAILER& trailer, uint64_t fileSize);

// Fills `pkg` from the file at `path`. True on success. On failure one message goes to `sink`
// (which may be empty) and every buffer of `pkg` is left empty:
//   the file cannot be opened:               "Can not open Program file!\n"        (application box)
//   no whole trailer, or a part reads short: "Fail to read Program file!"          ("Error", error icon)
//   no marker, or a malformed trailer:       "Fail to find firmware information!"  ("Error", error icon)
bool ReadPackage(FwPackage& pkg, const std::filesystem::path& path, const MessageSink& sink);

// The same over an opened source, or over the bytes of a whole file held in memory.
bool ReadPackage(FwPackage& pkg, PackageSource& source, const MessageSink& sink);
bool ReadPackage(FwPackage& pkg, std::span<const uint8_t> file, const MessageSink& sink);

} // namespace package
