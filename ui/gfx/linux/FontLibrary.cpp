// CFontLibrary: private fonts from memory and installed faces through fontconfig.
#include "ui/gfx/linux/FontLibrary.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "sys/Process.h"

namespace ui {
namespace {

struct FcPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

constexpr int32_t kBoldThreshold = 600; // weights from semi-bold up count as bold

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsBoldFace(FT_Face face) { return (face->style_flags & FT_STYLE_FLAG_BOLD) != 0; }

} // namespace

CFontLibrary& CFontLibrary::Instance() {
    static CFontLibrary library;
    return library;
}

CFontLibrary::CFontLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) {
        m_library.reset(library);
    }
}

PrivateFontHandle CFontLibrary::AddPrivate(std::span<const uint8_t> data, uint32_t* fontCount) {
    if (fontCount) {
        *fontCount = 0;
    }
    if (!m_library || data.empty() || data.size() > static_cast<size_t>(std::numeric_limits<FT_Long>::max())) {
        return {};
    }
    auto font = std::make_unique<PrivateFont>();
    font->bytes.assign(data.begin(), data.end());
    const auto size = static_cast<FT_Long>(font->bytes.size());
    FT_Long faceCount = 1;
    for (FT_Long index = 0; index < faceCount; ++index) {
        FT_Face face = nullptr;
        if (FT_New_Memory_Face(m_library.get(), font->bytes.data(), size, index, &face) != 0) {
            break;
        }
        FtFacePtr holder(face);
        faceCount = std::min<FT_Long>(face->num_faces, 64);
        if (FT_IS_SCALABLE(face) && face->family_name) {
            font->faces.push_back(std::move(holder));
        }
    }
    if (font->faces.empty()) {
        return {};
    }
    if (fontCount) {
        *fontCount = static_cast<uint32_t>(font->faces.size());
    }
    font->id = m_nextId++;
    const PrivateFontHandle handle{font->id};
    m_private.push_back(std::move(font));
    return handle;
}

bool CFontLibrary::RemovePrivate(PrivateFontHandle handle) {
    const auto it = std::find_if(m_private.begin(), m_private.end(),
                                 [&](const std::unique_ptr<PrivateFont>& f) { return f->id == handle.value; });
    if (!handle || it == m_private.end()) {
        return false;
    }
    m_private.erase(it);
    return true;
}

std::optional<ResolvedFont> CFontLibrary::Resolve(const FontSpec& font) {
    if (!m_library) {
        return std::nullopt;
    }
    const std::string family = sys::ToUtf8(font.face);
    const bool bold = font.weight >= kBoldThreshold;
    if (!family.empty()) {
        if (std::optional<ResolvedFont> found = ResolvePrivate(family, bold)) {
            return found;
        }
    }
    return ResolveSystem(family, font.weight);
}

std::optional<ResolvedFont> CFontLibrary::ResolvePrivate(const std::string& family, bool bold) {
    const std::string wanted = Lower(family);
    FT_Face best = nullptr;
    // The newest font added wins, as a later private font shadows an earlier one of the same name.
    for (auto it = m_private.rbegin(); it != m_private.rend(); ++it) {
        for (const FtFacePtr& face : (*it)->faces) {
            if (Lower(face->family_name) != wanted) {
                continue;
            }
            if (IsBoldFace(face.get()) == bold) {
                return ResolvedFont{face.get(), false, FontSource::Private};
            }
            if (!best) {
                best = face.get();
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return ResolvedFont{best, bold && !IsBoldFace(best), FontSource::Private};
}

std::optional<ResolvedFont> CFontLibrary::ResolveSystem(const std::string& family, int32_t weight) {
    const auto key = std::make_pair(Lower(family), weight);
    auto choice = m_choices.find(key);
    if (choice == m_choices.end()) {
        if (!FcInit()) {
            return std::nullopt;
        }
        FcPatternPtr pattern(FcPatternCreate());
        if (!pattern) {
            return std::nullopt;
        }
        if (!family.empty()) {
            FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        }
        // The windows ask for the Swiss family: a missing face falls back to a sans-serif one.
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
        FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
        FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
        if (!match) {
            return std::nullopt;
        }
        FcChar8* file = nullptr;
        if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) {
            return std::nullopt;
        }
        SystemChoice made;
        made.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match.get(), FC_INDEX, 0, &made.index);
        made.fcWeight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &made.fcWeight);
        choice = m_choices.emplace(key, std::move(made)).first;
    }
    FT_Face face = LoadFile(choice->second.file, choice->second.index);
    if (!face) {
        return std::nullopt;
    }
    const bool wantBold = weight >= kBoldThreshold;
    const bool hasBold = choice->second.fcWeight >= FC_WEIGHT_DEMIBOLD || IsBoldFace(face);
    return ResolvedFont{face, wantBold && !hasBold, FontSource::System};
}

FT_Face CFontLibrary::LoadFile(const std::string& file, int index) {
    const auto key = std::make_pair(file, index);
    if (auto it = m_files.find(key); it != m_files.end()) {
        return it->second.get();
    }
    FT_Face face = nullptr;
    if (FT_New_Face(m_library.get(), file.c_str(), index, &face) != 0) {
        return nullptr;
    }
    return m_files.emplace(key, FtFacePtr(face)).first->second.get();
}

} // namespace ui
