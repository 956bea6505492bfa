// Where the reader takes a package's bytes from: the program's own file, or bytes in memory (for the
// fuzzer and tests). Random access by offset; every read says how many bytes arrived.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>

namespace package {

class PackageSource {
public:
    virtual ~PackageSource() = default;
    // The total length in bytes, or nothing when it cannot be told.
    virtual std::optional<uint64_t> Size() = 0;
    // Reads up to out.size() bytes at `offset`; returns how many arrived (fewer at the end or on an
    // error).
    virtual size_t ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;
};

class MemoryPackageSource final : public PackageSource {
public:
    explicit MemoryPackageSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    std::optional<uint64_t> Size() override { return m_bytes.size(); }
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

private:
    std::span<const uint8_t> m_bytes;
};

// A file opened as a plain byte stream (no text translation).
class FilePackageSource final : public PackageSource {
public:
    // Nothing when the file cannot be opened.
    static std::unique_ptr<FilePackageSource> Open(const std::filesystem::path& path);
    std::optional<uint64_t> Size() override;
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

private:
    FilePackageSource() = default;
    std::ifstream m_file;
};

} // namespace package
