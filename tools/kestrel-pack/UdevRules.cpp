// The udev rule file for a package's keyboard.
//
// The rules tag the keyboard's hidraw nodes with "uaccess"; systemd-logind's 73-seat-late.rules
// turns that tag into an access entry for the user of the active local seat, so the file must sort
// before it (70-...). Matching goes by the USB device's idVendor/idProduct attributes, which sysfs
// prints as four lower-case hex digits; udev compares them as strings, so the case matters.
#include "tools/kestrel-pack/UdevRules.h"

#include "package/ReadPackage.h"
#include "tools/kestrel-pack/Utf.h"

#include <cstdio>
#include <string>

namespace kpack {
namespace {

constexpr size_t kMaxNameLength = 64;

struct UsbIdentity {
    const char* role;
    uint32_t vendorId;
    uint32_t productId;
};

std::string LowerHex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// A package text inside a comment line: control characters (a line break would end the comment and
// let the rest of the text be read as a rule) become spaces.
std::string CommentText(std::u16string_view text) {
    std::string utf8 = Utf16ToUtf8(text);
    for (char& c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    return utf8;
}

bool IsUsbId(uint32_t value) {
    return value <= 0xFFFF;
}

} // namespace

std::string RuleFileName(std::string_view product) {
    std::string name;
    bool separated = false;
    for (const char c : product) {
        const bool digit = c >= '0' && c <= '9';
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (!digit && !lower && !upper) {
            separated = true;
            continue;
        }
        if (separated && !name.empty()) {
            name.push_back('-');
        }
        separated = false;
        name.push_back(upper ? static_cast<char>(c - 'A' + 'a') : c);
    }
    if (name.size() > kMaxNameLength) {
        name.resize(kMaxNameLength);
    }
    while (!name.empty() && name.back() == '-') {
        name.pop_back();
    }
    return name.empty() ? "keyboard" : name;
}

std::string UdevRulesText(const package::FW_PACKAGE_TRAILER& trailer) {
    const std::string product = Utf16ToUtf8(trailer.Product());
    const std::string installPath = "/etc/udev/rules.d/70-kestrel-" + RuleFileName(product) + ".rules";
    const UsbIdentity identities[] = {
        {"application mode (AP)", trailer.ApVendorId(), trailer.ApProductId()},
        {"boot mode (IAP), while an update runs", trailer.IapVendorId(), trailer.IapProductId()},
    };

    std::string text;
    text += "# udev rules for the Kestrel firmware updater of \"" + CommentText(trailer.Title()) + "\"";
    if (const std::string company = CommentText(trailer.Company()); !company.empty()) {
        text += " (" + company + ")";
    }
    text += ".\n"
            "# They let the user logged in at the local seat open the keyboard's hidraw devices, so that\n"
            "# the updater finds the keyboard without root.\n"
            "#\n";
    text += "# Install as " + installPath + "\n";
    text += "# (it must sort before 73-seat-late.rules, which grants the uaccess tag), then run\n"
            "#   sudo udevadm control --reload\n"
            "#   sudo udevadm trigger --subsystem-match=hidraw\n"
            "# and plug the keyboard in again.\n";
    for (size_t i = 0; i < std::size(identities); ++i) {
        const UsbIdentity& id = identities[i];
        const bool sameAsAp =
            i > 0 && id.vendorId == identities[0].vendorId && id.productId == identities[0].productId;
        if (sameAsAp) {
            continue;
        }
        const std::string vid = LowerHex4(id.vendorId);
        const std::string pid = LowerHex4(id.productId);
        text += "\n# " + vid + ":" + pid + ": the keyboard in " + id.role + "\n";
        text += "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + vid + "\", ATTRS{idProduct}==\"" + pid +
                "\", TAG+=\"uaccess\"\n";
    }
    return text;
}

int PrintUdevRules(const std::filesystem::path& file, std::ostream& out, std::ostream& err) {
    package::FwPackage pkg;
    const bool read =
        package::ReadPackage(pkg, file, [&err](std::u16string_view text, std::u16string_view, uint32_t) {
            std::string message = Utf16ToUtf8(text);
            while (!message.empty() && message.back() == '\n') {
                message.pop_back();
            }
            err << message << "\n";
        });
    if (!read) {
        return 1;
    }
    const package::FW_PACKAGE_TRAILER trailer = pkg.Trailer();
    // The transport compares the stored 32-bit ids with the device's 16-bit ones: a larger id can
    // never match a keyboard, and a rule for it would silently match nothing either.
    for (const uint32_t id :
         {trailer.ApVendorId(), trailer.ApProductId(), trailer.IapVendorId(), trailer.IapProductId()}) {
        if (!IsUsbId(id)) {
            err << "kestrel-pack: the package names the USB id 0x" << std::hex << id << std::dec
                << ", which no USB device can have (ids are 0..0xffff); no rules written\n";
            return 1;
        }
    }
    out << UdevRulesText(trailer);
    return 0;
}

} // namespace kpack
