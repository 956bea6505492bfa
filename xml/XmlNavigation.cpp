// CXmlDocument: navigation over the element records, element text and attribute values, and the
// entry lookups (section, entry) that the rest of the program reads its layout with.
#include "xml/XmlDocument.h"

#include <algorithm>

namespace xml {

namespace {

constexpr int32_t kCdataOpenUnits = 9;  // "<![CDATA["
constexpr int32_t kCdataCloseUnits = 3; // "]]>"

} // namespace

void CXmlDocument::ResetPosition() {
    m_iParent = 0;
    m_iMain = 0;
    m_iChild = 0;
    m_nNodeKind = 0;
}

// The first element from candidate on (along the next links) whose tag name is name; with no
// name, candidate itself. Names compare case-sensitively.
int32_t CXmlDocument::WalkToName(int32_t candidate, const char16_t* name) const {
    if (name == nullptr || *name == 0) {
        return candidate;
    }
    for (; candidate != 0; candidate = Rec(candidate).next) {
        XmlTokenCursor cursor(m_strText.c_str());
        cursor.next = Rec(candidate).start + 1;
        if (FindName(cursor) && MatchName(cursor, name)) {
            return candidate;
        }
    }
    return 0;
}

bool CXmlDocument::FindNextElement(const char16_t* name) {
    if (m_nRecordCapacity == 0) {
        return false;
    }
    const int32_t candidate = m_iMain != 0 ? Rec(m_iMain).next : Rec(m_iParent).firstChild;
    const int32_t found = WalkToName(candidate, name);
    if (found == 0) {
        return false;
    }
    m_iMain = found;
    m_iParent = Rec(found).parent;
    m_iChild = 0;
    m_nNodeKind = 1;
    return true;
}

bool CXmlDocument::FindNextChild(const char16_t* name) {
    if (m_nRecordCapacity == 0) {
        return false;
    }
    const int32_t savedParent = m_iParent;
    const int32_t savedMain = m_iMain;
    const int32_t savedKind = m_nNodeKind;
    if (m_iMain == 0) {
        FindNextElement(nullptr);
    }
    const int32_t candidate = m_iChild != 0 ? Rec(m_iChild).next : Rec(m_iMain).firstChild;
    const int32_t found = WalkToName(candidate, name);
    if (found == 0) {
        m_iParent = savedParent;
        m_iMain = savedMain;
        m_nNodeKind = savedKind;
        return false;
    }
    m_iChild = found;
    m_iMain = Rec(found).parent;
    m_iParent = Rec(m_iMain).parent;
    m_nNodeKind = m_iMain != 0 ? 1 : 0;
    return true;
}

void CXmlDocument::StepInto() {
    if (m_iMain == 0 || m_nNodeKind != 1) {
        return;
    }
    m_iParent = m_iMain;
    m_iMain = m_iChild;
    m_iChild = 0;
    m_nNodeKind = m_iMain != 0 ? 1 : 0;
}

// The real start tag length: the record holds it only up to kMaxStartTagLength, beyond that the
// start tag is scanned again (scanning from the same offset gives the same node).
int32_t CXmlDocument::StartTagLength(const XmlElementRecord& e) const {
    if (e.StartTagLength() < kMaxStartTagLength) {
        return static_cast<int32_t>(e.StartTagLength());
    }
    XmlTokenCursor cursor(m_strText.c_str());
    cursor.next = e.start;
    XmlNode node;
    ScanNode(cursor, node);
    return node.length;
}

// The span between e's start tag and its end tag, [begin, end); false when e has no content.
bool CXmlDocument::ContentSpan(const XmlElementRecord& e, int32_t& begin, int32_t& end) const {
    const int32_t startLength = StartTagLength(e);
    if (startLength >= e.length) {
        return false; // an empty element, or one closed without an end tag
    }
    begin = e.start + startLength;
    const int32_t elementEnd = e.start + e.length;
    if (e.EndTagLength() < kMaxEndTagLength) {
        end = elementEnd - static_cast<int32_t>(e.EndTagLength());
    } else {
        // The end tag is longer than the record holds: find it again by scanning the content,
        // which yields the same nodes as the parse did.
        XmlTokenCursor cursor(m_strText.c_str());
        cursor.next = begin;
        XmlNode node;
        end = -1;
        while (cursor.next < elementEnd && ScanNode(cursor, node) != NODE_END) {
            if (node.type == NODE_END_TAG && node.start + node.length == elementEnd) {
                end = node.start;
            }
        }
    }
    const auto textLength = static_cast<int32_t>(m_strText.size());
    return begin >= 0 && end >= begin && end <= textLength;
}

std::u16string CXmlDocument::GetChildText() const {
    if (m_iChild == 0) {
        return {};
    }
    const XmlElementRecord& e = Rec(m_iChild);
    int32_t begin = 0;
    int32_t end = 0;
    if (e.firstChild != 0 || !ContentSpan(e, begin, end)) {
        return {};
    }
    const std::u16string_view content(m_strText.data() + begin, static_cast<size_t>(end - begin));
    if (content.find(u'<') == std::u16string_view::npos) {
        return DecodeEntities(content);
    }

    std::u16string result;
    XmlTokenCursor cursor(m_strText.c_str());
    cursor.next = begin;
    XmlNode node;
    while (cursor.next < end) {
        const int32_t type = ScanNode(cursor, node);
        if (type == NODE_END) {
            break;
        }
        const int32_t nodeEnd = std::min(node.start + node.length, end);
        if (type == NODE_TEXT) {
            result += DecodeEntities(m_strText.data() + node.start, nodeEnd - node.start);
        } else if (type == NODE_CDATA) {
            const int32_t inside = node.start + kCdataOpenUnits;
            const int32_t insideEnd = nodeEnd - kCdataCloseUnits;
            if (insideEnd > inside) {
                result.append(m_strText.data() + inside, static_cast<size_t>(insideEnd - inside));
            }
        }
    }
    return result;
}

std::u16string CXmlDocument::GetChildAttribute(const char16_t* name) const {
    if (m_iChild == 0 || m_nNodeKind != 1 || name == nullptr) {
        return {};
    }
    XmlTokenCursor cursor(m_strText.c_str());
    cursor.next = Rec(m_iChild).start + 1;
    if (!FindAttribute(cursor, name) || cursor.nameStart > cursor.nameEnd) {
        return {};
    }
    return DecodeEntities(m_strText.data() + cursor.nameStart, cursor.nameEnd - cursor.nameStart + 1);
}

// Each round enters the section found last, so a failed entry search goes on with a section of
// the same name nested inside it; there is no step back out.
std::u16string CXmlDocument::GetEntryText(const char16_t* section, const char16_t* entry) {
    ResetPosition();
    for (;;) {
        if (!FindNextChild(section)) {
            return {};
        }
        StepInto();
        if (FindNextChild(entry)) {
            return GetChildText();
        }
    }
}

std::u16string CXmlDocument::GetEntryAttribute(const char16_t* section, const char16_t* entry,
                                               const char16_t* attribute) {
    ResetPosition();
    for (;;) {
        if (!FindNextChild(section)) {
            return {};
        }
        StepInto();
        if (FindNextChild(entry)) {
            return GetChildAttribute(attribute);
        }
    }
}

} // namespace xml
