// Appending packages.
#include "tools/kestrel-pack/Pack.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "package/Scramble.h"
#include "package/Trailer.h"
#include "tools/kestrel-pack/FileIo.h"

namespace kpack {
namespace {

std::array<uint8_t, package::kTrailerSize> LastTrailer(std::span<const uint8_t> file) {
    std::array<uint8_t, package::kTrailerSize> trailer{};
    std::copy(file.end() - static_cast<std::ptrdiff_t>(package::kTrailerSize), file.end(), trailer.begin());
    package::Descramble(trailer);
    return trailer;
}

} // namespace

bool EndsInPackage(std::span<const uint8_t> file) {
    if (file.size() < package::kTrailerSize) {
        return false;
    }
    const auto trailer = LastTrailer(file);
    return package::FW_PACKAGE_TRAILER(trailer).HasMarker();
}

Status AppendPackage(const std::filesystem::path& exe, const std::filesystem::path& output,
                     std::span<const uint8_t> package, bool replace) {
    Expected<std::vector<uint8_t>> bytes = ReadFileBytes(exe);
    if (!bytes) {
        return Fail(bytes.error());
    }
    if (EndsInPackage(*bytes)) {
        if (!replace) {
            return Fail("'" + PathText(exe) + "' already ends in a package; give --replace to swap it for the new one");
        }
        const auto trailer = LastTrailer(*bytes);
        const uint64_t oldSize = package::FW_PACKAGE_TRAILER(trailer).TotalSize();
        if (oldSize > bytes->size()) {
            return Fail("the package at the end of '" + PathText(exe) + "' claims " + std::to_string(oldSize) +
                        " bytes, more than the file holds; cannot cut it off");
        }
        bytes->resize(bytes->size() - static_cast<size_t>(oldSize));
    }
    bytes->insert(bytes->end(), package.begin(), package.end());
    if (Status written = WriteFileBytes(output, *bytes); !written) {
        return written;
    }
    std::error_code error;
    using std::filesystem::perms;
    std::filesystem::permissions(output, perms::owner_exec | perms::group_exec | perms::others_exec,
                                 std::filesystem::perm_options::add, error);
    if (error) {
        return Fail("cannot make '" + PathText(output) + "' executable: " + error.message());
    }
    return Ok();
}

} // namespace kpack
