// Manifest parsing and loading.
#include "tools/kestrel-pack/Manifest.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "tools/kestrel-pack/FileIo.h"
#include "tools/kestrel-pack/Utf.h"

namespace kpack {
namespace {

constexpr uint32_t kMaxRecordSize = 1u << 20;

const std::set<std::string, std::less<>> kHeaderKeys = {
    "hardware_id", "multi_target", "fixed_target", "iap_vid", "iap_pid", "ap_vid", "ap_pid",
    "block_size",  "title",        "company",      "product", "version"};
const std::set<std::string, std::less<>> kImageKeys = {"name",  "layout_id", "major",  "minor",
                                                       "build", "image",     "record", "record_size"};

struct Value {
    std::string text;
    int line = 0;
};

// The keys of one section, as written.
struct Section {
    int line = 0;
    size_t slot = 0;
    std::map<std::string, Value, std::less<>> values;
};

// "<name>:<line>: what", or "<name>: what" for the manifest as a whole (line 0).
std::string Located(const std::string& name, int line, const std::string& what) {
    return line == 0 ? name + ": " + what : name + ":" + std::to_string(line) + ": " + what;
}

std::string_view Trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && isSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<uint64_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::filesystem::path PathFrom(std::string_view utf8, const std::filesystem::path& baseDir) {
    std::filesystem::path path(std::u8string(utf8.begin(), utf8.end()));
    return path.is_absolute() ? path : baseDir / path;
}

// Reads the typed values of one section, reporting the first problem at its line.
class Reader {
public:
    Reader(const Section& section, std::string prefix) : m_section(section), m_prefix(std::move(prefix)) {}

    const std::string& Error() const { return m_error; }
    bool Ok() const { return m_error.empty(); }
    bool Has(std::string_view key) const { return m_section.values.contains(key); }
    int LineOf(std::string_view key) const {
        const auto it = m_section.values.find(key);
        return it == m_section.values.end() ? m_section.line : it->second.line;
    }

    const Value* Required(std::string_view key) {
        const auto it = m_section.values.find(key);
        if (it == m_section.values.end()) {
            SetError(m_section.line, "'" + std::string(key) + "' is missing" + Where());
            return nullptr;
        }
        return &it->second;
    }

    template <class T>
    T Number(std::string_view key, uint64_t minimum, uint64_t maximum, std::optional<T> fallback = std::nullopt) {
        if (!Ok()) {
            return T{};
        }
        if (fallback && !Has(key)) {
            return *fallback;
        }
        const Value* value = Required(key);
        if (!value) {
            return T{};
        }
        const std::optional<uint64_t> number = ParseNumber(value->text);
        if (!number || *number < minimum || *number > maximum) {
            SetError(value->line, "'" + std::string(key) + "' must be a number from " + std::to_string(minimum) +
                                      " to " + std::to_string(maximum) + " (decimal or 0x hex), not '" +
                                      value->text + "'");
            return T{};
        }
        return static_cast<T>(*number);
    }

    std::u16string Text(std::string_view key, size_t maxUnits, bool mayBeEmpty) {
        if (!Ok()) {
            return {};
        }
        const Value* value = Required(key);
        if (!value) {
            return {};
        }
        const std::optional<std::u16string> text = Utf8ToUtf16(value->text);
        if (!text) {
            SetError(value->line, "'" + std::string(key) + "' is not valid UTF-8");
            return {};
        }
        if (text->size() > maxUnits || (text->empty() && !mayBeEmpty)) {
            SetError(value->line, "'" + std::string(key) + "' must have " + (mayBeEmpty ? "0" : "1") + " to " +
                                      std::to_string(maxUnits) + " UTF-16 units, not " +
                                      std::to_string(text->size()));
            return {};
        }
        return *text;
    }

    void SetError(int line, std::string what) {
        if (m_error.empty()) {
            m_error = Located(m_prefix, line, what);
        }
    }

private:
    std::string Where() const { return m_section.line == 0 ? "" : " in [image " + std::to_string(m_section.slot) + "]"; }

    const Section& m_section;
    std::string m_prefix;
    std::string m_error;
};

bool ParseHardwareId(std::string_view text, std::array<uint8_t, package::kHardwareIdSize>& id) {
    if (text.size() == package::kHardwareIdSize) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] < 0x20 || text[i] > 0x7E) {
                return false;
            }
            id[i] = static_cast<uint8_t>(text[i]);
        }
        return true;
    }
    if (text.size() == 2 * package::kHardwareIdSize) {
        for (size_t i = 0; i < id.size(); ++i) {
            const int high = HexDigit(text[2 * i]);
            const int low = HexDigit(text[2 * i + 1]);
            if (high < 0 || low < 0) {
                return false;
            }
            id[i] = static_cast<uint8_t>(high * 16 + low);
        }
        return true;
    }
    return false;
}

Expected<std::vector<Section>> SplitSections(std::string_view text, const std::string& name) {
    auto fail = [&name](int line, const std::string& what) { return Fail(Located(name, line, what)); };
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<Section> sections(1);   // the header section, line 0
    std::set<size_t> slots;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::string_view inner = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : std::string_view();
            const std::string_view digit = inner.starts_with("image") ? Trim(inner.substr(5)) : std::string_view();
            if (digit.size() != 1 || digit[0] < '0' || digit[0] > '8') {
                return fail(lineNumber, "expected a section line '[image N]' with N from 0 to 8");
            }
            const size_t slot = static_cast<size_t>(digit[0] - '0');
            if (!slots.insert(slot).second) {
                return fail(lineNumber, "[image " + std::to_string(slot) + "] appears twice");
            }
            sections.push_back(Section{lineNumber, slot, {}});
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return fail(lineNumber, "expected 'key = value'");
        }
        const std::string key(Trim(line.substr(0, equals)));
        const std::string_view value = Trim(line.substr(equals + 1));
        Section& section = sections.back();
        const auto& allowed = section.line == 0 ? kHeaderKeys : kImageKeys;
        if (!allowed.contains(key)) {
            return fail(lineNumber, "unknown key '" + key + "'" +
                                        (section.line == 0 ? " before the first [image N]" : " in an [image N] section"));
        }
        const auto [it, added] = section.values.emplace(key, Value{std::string(value), lineNumber});
        if (!added) {
            return fail(lineNumber, "'" + key + "' given twice (first on line " + std::to_string(it->second.line) + ")");
        }
    }
    if (sections.size() == 1) {
        return fail(0, "no [image N] section: a package needs at least one image");
    }
    return sections;
}

} // namespace

Expected<Manifest> ParseManifest(std::string_view text, const std::string& name, const std::filesystem::path& baseDir) {
    Expected<std::vector<Section>> sections = SplitSections(text, name);
    if (!sections) {
        return Fail(sections.error());
    }
    Manifest manifest;
    package::PackageContents& h = manifest.header;
    Reader header((*sections)[0], name);
    if (const Value* id = header.Required("hardware_id"); id && !ParseHardwareId(id->text, h.hardwareId)) {
        header.SetError(id->line, "'hardware_id' must be 16 printable ASCII characters or 32 hex digits");
    }
    h.multiTarget = header.Number<uint8_t>("multi_target", 0, 1, uint8_t{0});
    h.fixedTarget = header.Number<uint8_t>("fixed_target", 0, 255, uint8_t{0});
    h.iapVendorId = header.Number<uint32_t>("iap_vid", 0, 0xFFFF);
    h.iapProductId = header.Number<uint32_t>("iap_pid", 0, 0xFFFF);
    h.apVendorId = header.Number<uint32_t>("ap_vid", 0, 0xFFFF);
    h.apProductId = header.Number<uint32_t>("ap_pid", 0, 0xFFFF);
    h.blockSize = header.Number<uint8_t>("block_size", 1, package::kMaxBlockSize);
    h.title = header.Text("title", package::kTextUnits - 1, true);
    h.company = header.Text("company", package::kTextUnits - 1, true);
    h.product = header.Text("product", package::kTextUnits - 1, true);
    h.versionText = header.Text("version", package::kTextUnits - 1, true);
    if (!header.Ok()) {
        return Fail(header.Error());
    }

    for (size_t s = 1; s < sections->size(); ++s) {
        const Section& section = (*sections)[s];
        Reader r(section, name);
        ManifestImage image;
        image.slot = section.slot;
        image.line = section.line;
        image.fields.name = r.Text("name", package::kEntryNameUnits - 1, false);
        image.fields.layoutId = r.Number<uint16_t>("layout_id", 0, 0xFFFF);
        image.fields.major = r.Number<uint8_t>("major", 0, 255);
        image.fields.minor = r.Number<uint8_t>("minor", 0, 255);
        image.fields.build = r.Number<uint32_t>("build", 0, 0xFFFFFFFFu);
        if (const Value* file = r.Ok() ? r.Required("image") : nullptr) {
            image.imageFile = PathFrom(file->text, baseDir);
            image.imageLine = file->line;
        }
        if (r.Ok() && r.Has("record") == r.Has("record_size")) {
            r.SetError(section.line, "[image " + std::to_string(section.slot) +
                                         "] needs exactly one of 'record' (a file) and 'record_size'");
        }
        if (r.Ok() && r.Has("record")) {
            image.recordFile = PathFrom(r.Required("record")->text, baseDir);
            image.recordLine = r.LineOf("record");
        } else if (r.Ok()) {
            image.recordSize = r.Number<uint32_t>("record_size", 32, kMaxRecordSize);
            image.recordLine = r.LineOf("record_size");
            if (r.Ok() && image.recordSize % 4 != 0) {
                r.SetError(image.recordLine, "'record_size' must be a multiple of 4");
            }
        }
        if (!r.Ok()) {
            return Fail(r.Error());
        }
        manifest.images.push_back(std::move(image));
    }
    return manifest;
}

Expected<package::PackageContents> LoadContents(const Manifest& manifest, const std::string& name) {
    package::PackageContents contents = manifest.header;
    auto fail = [&name](int line, const std::string& what) { return Fail(Located(name, line, what)); };
    for (const ManifestImage& entry : manifest.images) {
        package::PackageImage image = entry.fields;
        Expected<std::vector<uint8_t>> bytes = ReadFileBytes(entry.imageFile);
        if (!bytes) {
            return fail(entry.imageLine, "image: " + bytes.error());
        }
        if (bytes->empty() || bytes->size() % 4 != 0 || bytes->size() > 0xFFFFFFFFu) {
            return fail(entry.imageLine, "image '" + PathText(entry.imageFile) + "' has " +
                                             std::to_string(bytes->size()) +
                                             " bytes; an image must be a non-zero multiple of 4 bytes");
        }
        image.image = std::move(*bytes);
        if (entry.recordFile) {
            Expected<std::vector<uint8_t>> record = ReadFileBytes(*entry.recordFile);
            if (!record) {
                return fail(entry.recordLine, "record: " + record.error());
            }
            if (record->size() < package::kMinVerRecordSize || record->size() % 4 != 0 ||
                record->size() > kMaxRecordSize) {
                return fail(entry.recordLine, "record '" + PathText(*entry.recordFile) + "' has " +
                                                  std::to_string(record->size()) +
                                                  " bytes; a version record must be a multiple of 4 from 32 to " +
                                                  std::to_string(kMaxRecordSize) + " bytes");
            }
            image.record = std::move(*record);
        } else {
            image.record.assign(entry.recordSize, 0);
        }
        contents.images[entry.slot] = std::move(image);
    }
    if (const std::string why = package::CheckContents(contents); !why.empty()) {
        return Fail(name + ": " + why);
    }
    return contents;
}

Expected<package::PackageContents> LoadManifest(const std::filesystem::path& path) {
    Expected<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) {
        return Fail("manifest: " + bytes.error());
    }
    const std::string text(bytes->begin(), bytes->end());
    const std::string name = PathText(path);
    Expected<Manifest> manifest = ParseManifest(text, name, path.parent_path());
    if (!manifest) {
        return Fail(manifest.error());
    }
    return LoadContents(*manifest, name);
}

} // namespace kpack
