// The snapshot PNG encoder (see Png.h).
#include "ui/headless/Png.h"

#include <algorithm>
#include <array>

namespace ui {

namespace {

constexpr size_t kMaxStoredBlock = 65535; // a stored deflate block's LEN is 16 bits

std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], std::span<const uint8_t> data) {
    PutBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length.
    PutBigEndian32(out, Crc32(std::span<const uint8_t>(out).subspan(typeAt)));
}

// The raw scanlines: a filter byte (0, none) and R, G, B per pixel.
std::vector<uint8_t> Scanlines(const Surface& surface) {
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(surface.Height()) * (1 + 3 * static_cast<size_t>(surface.Width())));
    for (int32_t y = 0; y < surface.Height(); ++y) {
        raw.push_back(0);
        for (Pixel p : surface.Row(y)) {
            raw.push_back(PixelRed(p));
            raw.push_back(PixelGreen(p));
            raw.push_back(PixelBlue(p));
        }
    }
    return raw;
}

std::vector<uint8_t> ZlibStored(std::span<const uint8_t> raw) {
    std::vector<uint8_t> z;
    z.push_back(0x78); // deflate, 32 KiB window
    z.push_back(0x01); // no preset dictionary, fastest; 0x7801 is a multiple of 31
    size_t offset = 0;
    do {
        const size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
        const bool last = offset + length == raw.size();
        z.push_back(last ? 1 : 0); // BFINAL, BTYPE 00 (stored)
        z.push_back(static_cast<uint8_t>(length));
        z.push_back(static_cast<uint8_t>(length >> 8));
        z.push_back(static_cast<uint8_t>(~length));
        z.push_back(static_cast<uint8_t>(~length >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                 raw.begin() + static_cast<ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    PutBigEndian32(z, Adler32(raw));
    return z;
}

} // namespace

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
    static const std::array<uint32_t, 256> table = MakeCrcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::span<const uint8_t> bytes) {
    constexpr uint32_t kModulus = 65521;
    constexpr size_t kRun = 5552; // the longest run before the sums can overflow 32 bits
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t offset = 0; offset < bytes.size(); offset += kRun) {
        const size_t end = std::min(bytes.size(), offset + kRun);
        for (size_t i = offset; i < end; ++i) {
            a += bytes[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(const Surface& surface) {
    if (surface.IsEmpty()) {
        return {};
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(surface.Width()));
    PutBigEndian32(header, static_cast<uint32_t>(surface.Height()));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter method, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(Scanlines(surface)));
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace ui
