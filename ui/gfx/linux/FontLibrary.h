// The process's fonts for text drawing on Linux: one FreeType library, the private fonts added
// from memory, and the installed faces that fontconfig picks, each loaded once and kept.
//
// FreeType objects are not thread-safe, so everything goes through the one instance under its
// lock: take Lock() for as long as a resolved face is used.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ui/gfx/Text.h"

namespace ui {

struct FtFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtFacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceDeleter>;

struct FtLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using FtLibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryDeleter>;

enum class FontSource { Private, System };

struct ResolvedFont {
    FT_Face face = nullptr;      // owned by the library; valid while the lock is held
    bool synthesizeBold = false; // bold asked for, the face has none
    FontSource source = FontSource::System;
};

class CFontLibrary {
public:
    static CFontLibrary& Instance();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // All below: the caller holds Lock().
    PrivateFontHandle AddPrivate(std::span<const uint8_t> data, uint32_t* fontCount);
    bool RemovePrivate(PrivateFontHandle handle);
    // The face for the font: a private face of that family first, else fontconfig's choice.
    // Nothing only when no face at all can be loaded.
    std::optional<ResolvedFont> Resolve(const FontSpec& font);

private:
    CFontLibrary();

    struct PrivateFont {
        uint64_t id = 0;
        std::vector<uint8_t> bytes;   // FreeType reads the faces from here
        std::vector<FtFacePtr> faces;
    };

    std::optional<ResolvedFont> ResolvePrivate(const std::string& family, bool bold);
    std::optional<ResolvedFont> ResolveSystem(const std::string& family, int32_t weight);
    FT_Face LoadFile(const std::string& file, int index);

    std::mutex m_mutex;
    FtLibraryPtr m_library;
    uint64_t m_nextId = 1;
    // Destroyed before m_library (declared after it).
    std::vector<std::unique_ptr<PrivateFont>> m_private;
    std::map<std::pair<std::string, int>, FtFacePtr> m_files;
    // fontconfig's answers by (lower-case family, weight): file, face index, matched weight.
    struct SystemChoice {
        std::string file;
        int index = 0;
        int fcWeight = 0;
    };
    std::map<std::pair<std::string, int32_t>, SystemChoice> m_choices;
};

} // namespace ui
