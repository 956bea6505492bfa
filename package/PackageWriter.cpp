// Package writing for kestrel-pack.
#include "package/PackageWriter.h"

#include <limits>

#include "package/Scramble.h"
#include "package/Trailer.h"

namespace package {
namespace {

constexpr uint32_t kMaxId = 0xFFFF;

std::string CheckImage(size_t slot, const PackageImage& image) {
    const std::string where = "image " + std::to_string(slot) + ": ";
    if (image.name.empty() || image.name.size() >= kEntryNameUnits) {
        return where + "the name must have 1 to " + std::to_string(kEntryNameUnits - 1) + " UTF-16 units";
    }
    if (image.name.find(u'\0') != std::u16string::npos) {
        return where + "the name holds a NUL";
    }
    if (image.image.empty() || image.image.size() % 4 != 0 ||
        image.image.size() > std::numeric_limits<uint32_t>::max()) {
        return where + "the image size " + std::to_string(image.image.size()) + " is not a non-zero multiple of 4";
    }
    if (image.record.size() < kMinVerRecordSize || image.record.size() % 4 != 0 ||
        image.record.size() > std::numeric_limits<uint32_t>::max()) {
        return where + "the version record size " + std::to_string(image.record.size()) +
               " is not a multiple of 4 of at least " + std::to_string(kMinVerRecordSize);
    }
    return {};
}

std::string CheckText(const char* what, const std::u16string& text) {
    if (text.size() >= kTextUnits || text.find(u'\0') != std::u16string::npos) {
        return std::string(what) + " must have at most " + std::to_string(kTextUnits - 1) +
               " UTF-16 units and no NUL";
    }
    return {};
}

} // namespace

std::string CheckContents(const PackageContents& c) {
    if (c.iapVendorId > kMaxId || c.iapProductId > kMaxId || c.apVendorId > kMaxId || c.apProductId > kMaxId) {
        return "vendor and product ids must be at most 0xFFFF";
    }
    if (c.blockSize == 0 || c.blockSize > kMaxBlockSize) {
        return "the block size must be 1 to " + std::to_string(kMaxBlockSize);
    }
    for (const auto& [what, text] : {std::pair{"the title", &c.title}, std::pair{"the company", &c.company},
                                     std::pair{"the product", &c.product}, std::pair{"the version", &c.versionText}}) {
        if (std::string error = CheckText(what, *text); !error.empty()) {
            return error;
        }
    }
    bool any = false;
    for (size_t i = 0; i < kImageCount; ++i) {
        if (c.images[i]) {
            any = true;
            if (std::string error = CheckImage(i, *c.images[i]); !error.empty()) {
                return error;
            }
        }
    }
    return any ? std::string() : std::string("the package holds no image");
}

std::optional<std::vector<uint8_t>> BuildPackage(const PackageContents& c, std::string* why) {
    if (std::string error = CheckContents(c); !error.empty()) {
        if (why) {
            *why = std::move(error);
        }
        return std::nullopt;
    }
    std::array<uint8_t, kTrailerSize> trailer{};
    TrailerWriter writer(trailer);
    writer.SetHardwareId(c.hardwareId);
    writer.SetMultiTarget(c.multiTarget);
    writer.SetFixedTarget(c.fixedTarget);
    writer.SetIapIds(c.iapVendorId, c.iapProductId);
    writer.SetApIds(c.apVendorId, c.apProductId);
    writer.SetBlockSize(c.blockSize);
    // CheckContents has bounded every text, so these cannot refuse.
    writer.SetTitle(c.title);
    writer.SetCompany(c.company);
    writer.SetProduct(c.product);
    writer.SetVersionText(c.versionText);

    std::array<std::vector<uint8_t>, kImageCount> images;
    std::array<std::vector<uint8_t>, kImageCount> records;
    for (size_t i = 0; i < kImageCount; ++i) {
        if (!c.images[i]) {
            continue;
        }
        const PackageImage& image = *c.images[i];
        ImageEntryWriter entry = writer.Entry(i);
        entry.SetImageSize(static_cast<uint32_t>(image.image.size()));
        entry.SetRecordSize(static_cast<uint32_t>(image.record.size()));
        entry.SetName(image.name);
        entry.SetLayoutId(image.layoutId);
        entry.SetVersion(image.major, image.minor, image.build);
        images[i] = image.image;
        records[i] = image.record;
    }
    return AssemblePackage(trailer, images, records);
}

std::vector<uint8_t> AssemblePackage(std::span<const uint8_t, kTrailerSize> trailer,
                                     const std::array<std::vector<uint8_t>, kImageCount>& images,
                                     const std::array<std::vector<uint8_t>, kImageCount>& records) {
    std::vector<uint8_t> out;
    auto appendScrambled = [&out](std::span<const uint8_t> part) {
        const size_t start = out.size();
        out.insert(out.end(), part.begin(), part.end());
        Scramble(std::span<uint8_t>(out).subspan(start));
    };
    for (size_t i = 0; i < kImageCount; ++i) {
        appendScrambled(images[i]);
        appendScrambled(records[i]);
    }
    appendScrambled(trailer);
    return out;
}

} // namespace package
