// The reader's byte sources.
#include "package/PackageSource.h"

#include <algorithm>
#include <limits>

namespace package {

size_t MemoryPackageSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const size_t count = static_cast<size_t>(std::min<uint64_t>(out.size(), m_bytes.size() - offset));
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
    return count;
}

std::unique_ptr<FilePackageSource> FilePackageSource::Open(const std::filesystem::path& path) {
    std::unique_ptr<FilePackageSource> source(new FilePackageSource());
    source->m_file.open(path, std::ios::in | std::ios::binary);
    if (!source->m_file.is_open()) {
        return nullptr;
    }
    return source;
}

std::optional<uint64_t> FilePackageSource::Size() {
    m_file.clear();
    m_file.seekg(0, std::ios::end);
    const std::streamoff end = m_file.tellg();
    if (!m_file || end < 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

size_t FilePackageSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<std::streamoff>::max());
    if (offset > kMaxOffset || out.size() > static_cast<size_t>(std::numeric_limits<std::streamsize>::max())) {
        return 0;
    }
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    if (!m_file) {
        return 0;
    }
    m_file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<size_t>(m_file.gcount());
}

} // namespace package
