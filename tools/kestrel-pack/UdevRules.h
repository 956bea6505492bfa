// `kestrel-pack --udev-rules`: a udev rule file that lets the user logged in at the local seat open
// the keyboard's hidraw devices (both its application and its boot identity) without root.
#pragma once

#include "package/Trailer.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace kpack {

// The <name> of /etc/udev/rules.d/70-kestrel-<name>.rules: ASCII letters and digits of `product`
// in lower case, every run of anything else one '-', none at either end, at most 64 characters;
// "keyboard" when nothing is left.
std::string RuleFileName(std::string_view product);

// The rule file's text for the package's AP and IAP identities.
std::string UdevRulesText(const package::FW_PACKAGE_TRAILER& trailer);

// Prints the rule file for the package at the end of `file` to `out` and returns 0, or prints the
// reader's message to `err` and returns 1.
int PrintUdevRules(const std::filesystem::path& file, std::ostream& out, std::ostream& err);

} // namespace kpack
