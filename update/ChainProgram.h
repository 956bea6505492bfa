// Finding the chained program in the program folder. Its name comes lower-cased from the command
// line; on a file system with case-sensitive names the file may be spelt otherwise.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrel {

// `folder`/`name` when it exists; otherwise the first entry of `folder` whose name equals `name`
// when both are ASCII lower-cased; nullopt when there is none (or the folder cannot be read).
std::optional<std::filesystem::path> FindChainProgram(const std::filesystem::path& folder,
                                                      const std::u16string& name);

} // namespace kestrel
