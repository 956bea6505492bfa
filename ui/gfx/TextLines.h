// Splitting a UTF-16 text into lines of code points for the text renderer: CR LF, a lone CR and a
// lone LF each end a line; unpaired surrogates become U+FFFD. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// An empty text gives no lines; a text ending in a line break gives an empty last line.
std::vector<std::u32string> SplitTextLines(std::u16string_view text);

} // namespace ui
