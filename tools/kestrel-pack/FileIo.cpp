// Whole-file reads and writes.
#include "tools/kestrel-pack/FileIo.h"

#include <fstream>
#include <system_error>

namespace kpack {

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

Expected<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return Fail("cannot read '" + PathText(path) + "': no such file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Fail("cannot open '" + PathText(path) + "'");
    }
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        return Fail("cannot read '" + PathText(path) + "'");
    }
    return bytes;
}

Status WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::filesystem::path temporary = path;
    temporary += ".kestrel-pack.tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return Fail("cannot write '" + PathText(path) + "'");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return Fail("cannot write '" + PathText(path) + "'");
    }
    return Ok();
}

} // namespace kpack
