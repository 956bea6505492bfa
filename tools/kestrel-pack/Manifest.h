// The manifest that kestrel-pack builds a package from: a UTF-8 text of `key = value` lines, with an
// `[image N]` line before the keys of each image. The format is described in
// tools/README-kestrel-pack.md.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/PackageWriter.h"
#include "tools/kestrel-pack/Expected.h"

namespace kpack {

struct ManifestImage {
    size_t slot = 0;
    int line = 0;                          // of its [image N] line
    package::PackageImage fields;          // everything but the bytes
    std::filesystem::path imageFile;
    int imageLine = 0;
    std::optional<std::filesystem::path> recordFile;
    uint32_t recordSize = 0;               // when there is no record file: that many zero bytes
    int recordLine = 0;
};

struct Manifest {
    package::PackageContents header;       // the trailer's fields; images come from `images`
    std::vector<ManifestImage> images;
};

// Parses `text`; relative file names are taken from `baseDir`. Errors read "<name>:<line>: what".
Expected<Manifest> ParseManifest(std::string_view text, const std::string& name, const std::filesystem::path& baseDir);

// Reads the image and record files a manifest names and checks the whole package.
Expected<package::PackageContents> LoadContents(const Manifest& manifest, const std::string& name);

// ParseManifest and LoadContents on the manifest file at `path`.
Expected<package::PackageContents> LoadManifest(const std::filesystem::path& path);

} // namespace kpack
