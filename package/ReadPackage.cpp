// ReadPackage: the package reader.
#include "package/ReadPackage.h"

#include "package/Scramble.h"
#include "ui/MessageBox.h"

namespace package {
namespace {

constexpr std::u16string_view kCannotOpen = u"Can not open Program file!\n";
constexpr std::u16string_view kFailRead = u"Fail to read Program file!";
constexpr std::u16string_view kNoFirmware = u"Fail to find firmware information!";
constexpr std::u16string_view kErrorCaption = u"Error";

bool Fail(FwPackage& pkg, const MessageSink& sink, std::u16string_view text) {
    pkg.Clear();
    if (sink) {
        sink(text, kErrorCaption, ui::MB_OK | ui::MB_ICONERROR);
    }
    return false;
}

// Reads exactly buffer.size() bytes at `offset` and descrambles them.
bool ReadPart(PackageSource& source, uint64_t offset, std::vector<uint8_t>& buffer) {
    if (source.ReadAt(offset, buffer) != buffer.size()) {
        return false;
    }
    Descramble(buffer);
    return true;
}

} // namespace

bool IsWellFormed(const FW_PACKAGE_TRAILER& trailer, uint64_t fileSize) {
    if (trailer.BlockSize() == 0 || trailer.BlockSize() > kMaxBlockSize) {
        return false;
    }
    for (size_t i = 0; i < kImageCount; ++i) {
        const FW_IMAGE_ENTRY entry = trailer.Entry(i);
        if (!entry.IsEmpty() && (entry.RecordSize() < kMinVerRecordSize || !entry.NameHasNul())) {
            return false;
        }
    }
    // Every size is walked back from the trailer, so together they must stay inside the file.
    return trailer.TotalSize() <= fileSize;
}

bool ReadPackage(FwPackage& pkg, PackageSource& source, const MessageSink& sink) {
    pkg.Clear();

    const std::optional<uint64_t> fileSize = source.Size();
    if (!fileSize || *fileSize < kTrailerSize) {
        return Fail(pkg, sink, kFailRead);
    }
    const uint64_t trailerStart = *fileSize - kTrailerSize;
    if (source.ReadAt(trailerStart, pkg.m_package) != kTrailerSize) {
        return Fail(pkg, sink, kFailRead);
    }
    Descramble(pkg.m_package);

    const FW_PACKAGE_TRAILER trailer = pkg.Trailer();
    if (!trailer.HasMarker() || !IsWellFormed(trailer, *fileSize)) {
        return Fail(pkg, sink, kNoFirmware);
    }

    // Walk backward from the trailer: entry 8's record, entry 8's image, entry 7's record, ...
    // IsWellFormed has bounded the sum of all sizes by the file size, so `position` cannot wrap.
    uint64_t position = trailerStart;
    for (size_t i = kImageCount; i-- > 0;) {
        const FW_IMAGE_ENTRY entry = trailer.Entry(i);
        pkg.m_pVerRecord[i].resize(entry.RecordSize());
        position -= entry.RecordSize();
        if (!entry.IsEmpty() && !ReadPart(source, position, pkg.m_pVerRecord[i])) {
            return Fail(pkg, sink, kFailRead);
        }
        pkg.m_pImage[i].resize(entry.ImageSize());
        position -= entry.ImageSize();
        if (!entry.IsEmpty() && !ReadPart(source, position, pkg.m_pImage[i])) {
            return Fail(pkg, sink, kFailRead);
        }
    }
    return true;
}

bool ReadPackage(FwPackage& pkg, const std::filesystem::path& path, const MessageSink& sink) {
    pkg.Clear();
    std::unique_ptr<FilePackageSource> source = FilePackageSource::Open(path);
    if (!source) {
        if (sink) {
            sink(kCannotOpen, u"", ui::MB_OK);
        }
        return false;
    }
    return ReadPackage(pkg, *source, sink);
}

bool ReadPackage(FwPackage& pkg, std::span<const uint8_t> file, const MessageSink& sink) {
    MemoryPackageSource source(file);
    return ReadPackage(pkg, source, sink);
}

} // namespace package
