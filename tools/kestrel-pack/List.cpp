// Listing a package.
#include "tools/kestrel-pack/List.h"

#include <cstdio>
#include <string>

#include "package/ReadPackage.h"
#include "package/WordSum.h"
#include "tools/kestrel-pack/Utf.h"

namespace kpack {
namespace {

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string HardwareIdText(std::span<const uint8_t, package::kHardwareIdSize> id) {
    std::string hex;
    std::string ascii;
    bool printable = true;
    for (uint8_t b : id) {
        hex += Hex(b, 2);
        printable = printable && b >= 0x20 && b <= 0x7E;
        ascii.push_back(static_cast<char>(b));
    }
    return printable ? hex + " (\"" + ascii + "\")" : hex;
}

} // namespace

int ListPackage(const std::filesystem::path& file, std::ostream& out, std::ostream& err) {
    package::FwPackage pkg;
    const bool read = package::ReadPackage(pkg, file, [&err](std::u16string_view text, std::u16string_view, uint32_t) {
        std::string message = Utf16ToUtf8(text);
        while (!message.empty() && message.back() == '\n') {
            message.pop_back();
        }
        err << message << "\n";
    });
    if (!read) {
        return 1;
    }
    const package::FW_PACKAGE_TRAILER t = pkg.Trailer();
    out << "title:        " << Utf16ToUtf8(t.Title()) << "\n"
        << "company:      " << Utf16ToUtf8(t.Company()) << "\n"
        << "product:      " << Utf16ToUtf8(t.Product()) << "\n"
        << "version:      " << Utf16ToUtf8(t.VersionText()) << "\n"
        << "hardware id:  " << HardwareIdText(t.HardwareId()) << "\n"
        << "AP device:    " << Hex(t.ApVendorId(), 4) << ":" << Hex(t.ApProductId(), 4) << "\n"
        << "IAP device:   " << Hex(t.IapVendorId(), 4) << ":" << Hex(t.IapProductId(), 4) << "\n"
        << "block size:   " << unsigned{t.BlockSize()} << "\n"
        << "multi-target: " << unsigned{t.MultiTarget()} << "\n"
        << "fixed target: " << unsigned{t.FixedTarget()} << "\n"
        << "package size: " << t.TotalSize() << "\n";
    for (size_t i = 0; i < package::kImageCount; ++i) {
        const package::FW_IMAGE_ENTRY e = t.Entry(i);
        if (e.IsEmpty()) {
            continue;
        }
        out << "entry " << i << ": \"" << Utf16ToUtf8(e.Name()) << "\" layout 0x" << Hex(e.LayoutId(), 4)
            << " version " << unsigned{e.Major()} << "." << unsigned{e.Minor()} << "." << e.Build() << " image "
            << e.ImageSize() << " record " << e.RecordSize() << " sum 0x" << Hex(package::WordSum(pkg.m_pImage[i]), 8)
            << "\n";
    }
    return 0;
}

} // namespace kpack
