// Finding the chained program: exact name first, then a case-insensitive match in the folder.
#include "update/ChainProgram.h"

#include <algorithm>
#include <system_error>

namespace kestrel {

namespace {

std::u16string AsciiLower(std::u16string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; });
    return text;
}

} // namespace

std::optional<std::filesystem::path> FindChainProgram(const std::filesystem::path& folder,
                                                      const std::u16string& name) {
    if (name.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path exact = folder / std::filesystem::path(name);
    if (std::filesystem::is_regular_file(exact, error)) {
        return exact;
    }
    const std::u16string wanted = AsciiLower(name);
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (AsciiLower(it->path().filename().u16string()) == wanted && it->is_regular_file(error)) {
            return it->path();
        }
    }
    return std::nullopt;
}

} // namespace kestrel
