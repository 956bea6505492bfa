// The demo package's inputs.
#include "tools/kestrel-pack/Demo.h"

#include <array>
#include <system_error>

#include "tools/kestrel-pack/FileIo.h"

namespace kpack {
namespace {

constexpr std::array<size_t, 3> kDemoImageSizes = {49152, 40960, 32768};
constexpr size_t kDemoRecordSize = 120;
constexpr size_t kOverwrittenRecordBytes = 30;

} // namespace

std::vector<uint8_t> DemoImage(size_t index, size_t size) {
    // An odd multiplier keeps the seed non-zero for every index, which xorshift needs.
    uint32_t state = 0x9E3779B9u * static_cast<uint32_t>(index + 1);
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; i += 4) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        for (size_t k = 0; k < 4 && i + k < size; ++k) {
            bytes[i + k] = static_cast<uint8_t>(state >> (8 * k));
        }
    }
    return bytes;
}

std::vector<uint8_t> DemoRecord(size_t index) {
    const std::string text = "Kestrel demo record " + std::to_string(index) + " ";
    std::vector<uint8_t> record(kDemoRecordSize, 0);
    for (size_t i = kOverwrittenRecordBytes; i < record.size(); ++i) {
        record[i] = static_cast<uint8_t>(text[(i - kOverwrittenRecordBytes) % text.size()]);
    }
    return record;
}

std::string DemoManifest() {
    return "# The Kestrel demo package (written by kestrel-pack --demo-images).\n"
           "hardware_id = ORVANE-KS75-HW01\n"
           "multi_target = 0\n"
           "fixed_target = 0\n"
           "ap_vid = 0x37A1\n"
           "ap_pid = 0x0101\n"
           "iap_vid = 0x37A1\n"
           "iap_pid = 0x0F01\n"
           "block_size = 56\n"
           "title = Kestrel K75\n"
           "company = Orvane\n"
           "product = Kestrel K75\n"
           "version = V1.2.30\n"
           "\n"
           "[image 0]\n"
           "name = English (US)\n"
           "layout_id = 0x0409\n"
           "major = 1\nminor = 2\nbuild = 30\n"
           "image = image0.bin\n"
           "record = record0.bin\n"
           "\n"
           "[image 1]\n"
           "name = Deutsch\n"
           "layout_id = 0x0407\n"
           "major = 1\nminor = 2\nbuild = 30\n"
           "image = image1.bin\n"
           "record = record1.bin\n"
           "\n"
           "[image 2]\n"
           "name = Fran\xC3\xA7" "ais\n"
           "layout_id = 0x040C\n"
           "major = 1\nminor = 2\nbuild = 30\n"
           "image = image2.bin\n"
           "record = record2.bin\n";
}

Status WriteDemo(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        return Fail("cannot create '" + PathText(dir) + "': " + error.message());
    }
    for (size_t i = 0; i < kDemoImageSizes.size(); ++i) {
        const std::string n = std::to_string(i);
        if (Status s = WriteFileBytes(dir / ("image" + n + ".bin"), DemoImage(i, kDemoImageSizes[i])); !s) {
            return s;
        }
        if (Status s = WriteFileBytes(dir / ("record" + n + ".bin"), DemoRecord(i)); !s) {
            return s;
        }
    }
    const std::string manifest = DemoManifest();
    return WriteFileBytes(dir / kDemoManifestName,
                          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(manifest.data()), manifest.size()));
}

} // namespace kpack
