// The command line of the updater: the usage request and the option words.
#pragma once

#include <string>
#include <vector>

#include "update/KestrelOptions.h"

namespace kestrel {

// ASCII lower-casing of option words; other code units are kept.
std::u16string LowerCase(std::u16string_view text);

// True when the usage text was asked for: only with at least two arguments, and then "/?" or "/help"
// anywhere in any argument, the program path included, in any letter case.
bool IsUsageRequest(const std::vector<std::u16string>& args);

// Applies the option words after the program path, in order, the first matching rule per argument.
// Unknown words are ignored; later words override earlier ones.
void ApplyOptions(const std::vector<std::u16string>& args, KestrelOptions& options);

// The usage text, in the parts that are written to the console one by one.
const std::vector<std::u16string>& UsageText();

} // namespace kestrel
