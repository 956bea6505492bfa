// Parses arbitrary UTF-16 text, checks that every record stays inside the text and the used
// records, then visits every element through the document's own navigation: its text, each
// attribute its start tag names, and the entry lookups.
#include "xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kMaxVisits = 4000;
constexpr size_t kMaxDepth = 64;

// Asks for each name token of the start tag of the element at the child position.
void ReadAttributes(xml::CXmlDocument& doc) {
    const xml::XmlElementRecord& r = doc.Record(doc.ChildPosition());
    xml::XmlTokenCursor cursor(doc.Text().c_str());
    cursor.next = r.start + 1;
    FindName(cursor); // the tag's own name
    for (int i = 0; i < 32 && FindName(cursor); ++i) {
        if (cursor.source[cursor.nameStart] == u'>') {
            break;
        }
        const std::u16string name = TokenText(cursor);
        (void)doc.GetChildAttribute(name.c_str());
    }
}

// Moves the main position to the element that path names: the path[0]-th top-level element, then
// the path[k]-th child on each level below. Navigation has no step out, so every visit starts over.
bool Goto(xml::CXmlDocument& doc, const std::vector<int>& path) {
    doc.ResetPosition();
    for (int k = 0; k <= path[0]; ++k) {
        if (!doc.FindNextElement()) {
            return false;
        }
    }
    for (size_t level = 1; level < path.size(); ++level) {
        for (int k = 0; k <= path[level]; ++k) {
            if (!doc.FindNextChild()) {
                return false;
            }
        }
        doc.StepInto();
    }
    return true;
}

void Walk(xml::CXmlDocument& doc, std::vector<int>& path, int& visits) {
    if (++visits > kMaxVisits || !Goto(doc, path)) {
        return;
    }
    std::vector<int> parents;
    for (int ordinal = 0; doc.FindNextChild(); ++ordinal) {
        (void)doc.GetChildText();
        ReadAttributes(doc);
        if (doc.Record(doc.ChildPosition()).firstChild != 0) {
            parents.push_back(ordinal);
        }
    }
    if (path.size() >= kMaxDepth) {
        return;
    }
    for (int ordinal : parents) {
        path.push_back(ordinal);
        Walk(doc, path, visits);
        path.pop_back();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    xml::CXmlDocument doc;
    doc.ParseText(text);

    const int32_t used = doc.FreeRecord();
    const auto length = static_cast<int64_t>(doc.Text().size());
    for (int32_t i = 1; i < used; ++i) {
        const xml::XmlElementRecord& r = doc.Record(i);
        const bool inside = r.start >= 0 && r.length > 0 && int64_t{r.start} + r.length <= length &&
                            r.StartTagLength() <= static_cast<uint32_t>(r.length);
        const bool linked = r.parent >= 0 && r.parent < used && r.next >= 0 && r.next < used && r.prev > 0 &&
                            r.prev < used && r.firstChild >= 0 && r.firstChild < used;
        if (!inside || !linked) {
            __builtin_trap();
        }
    }

    int visits = 0;
    for (int top = 0; top < 8; ++top) {
        std::vector<int> path{top};
        Walk(doc, path, visits);
    }
    (void)doc.GetEntryText(u"CONFIRM", u"RECT_VER");
    (void)doc.GetEntryAttribute(u"CONFIRM", u"RECT_VER", u"SIZE");
    return 0;
}
