// CXmlDocument: the record store, the tree builder with its diagnostics, and ParseText.
// Navigation and value reading live in XmlNavigation.cpp.
#include "xml/XmlDocument.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace xml {

namespace {

void AppendAscii(std::u16string& out, const char* text) {
    for (; *text; ++text) {
        out.push_back(static_cast<char16_t>(*text));
    }
}

void AppendNumber(std::u16string& out, int32_t value) {
    AppendAscii(out, std::to_string(value).c_str());
}

// Lengths beyond what the packed word holds are stored as the largest value it can hold.
uint32_t PackTagLengths(int32_t startLength, int32_t endLength) {
    const uint32_t start = std::min(static_cast<uint32_t>(std::max(startLength, 0)), kMaxStartTagLength);
    const uint32_t end = std::min(static_cast<uint32_t>(std::max(endLength, 0)), kMaxEndTagLength);
    return start | (end << kEndTagLengthShift);
}

} // namespace

CXmlDocument::CXmlDocument() {
    ParseDocument();
}

bool CXmlDocument::ParseText(std::u16string_view text) {
    if (text.size() > kMaxTextUnits) {
        m_strText.clear();
    } else {
        m_strText.assign(text);
    }
    m_strDiagnostics.clear();
    ParseDocument();
    return IsWellFormed();
}

bool CXmlDocument::IsWellFormed() const {
    if (m_nRecordCapacity == 0) {
        return false;
    }
    const XmlElementRecord& root = Rec(0);
    return (root.flags & DOC_ILL_FORMED) == 0 && root.firstChild != 0 && Rec(root.firstChild).next == 0;
}

const XmlElementRecord* CXmlDocument::Segment(int32_t s) const {
    if (s < 0 || s >= m_nSegmentSlots) {
        return nullptr;
    }
    return m_ppSegments[s].get();
}

void CXmlDocument::ParseDocument() {
    const std::u16string kept = m_strDiagnostics;
    ResetPosition();
    const auto textLength = static_cast<int32_t>(m_strText.size());
    m_iFree = 1;
    GrowRecords(textLength / 64 + 8);
    Rec(0) = XmlElementRecord{};
    if (m_strText.empty()) {
        m_strDiagnostics = u"Empty document";
    } else {
        const int32_t first = BuildTree();
        Rec(0).length = textLength;
        if (first == 0) {
            m_strDiagnostics = u"No root element";
        } else {
            Rec(0).firstChild = first;
            // A root still open at the end of the text has its children moved up beside it; those
            // are no siblings of the text's own, and its "not ended" sentence is the real problem.
            const XmlElementRecord& root = Rec(first);
            if (root.next != 0 && (root.flags & ELEM_NOT_ENDED) == 0) {
                m_strDiagnostics = u"Root element has sibling";
            }
        }
    }
    ResetPosition();
    if (!kept.empty()) {
        m_strDiagnostics = m_strDiagnostics.empty() ? kept : kept + u" " + m_strDiagnostics;
    }
}

void CXmlDocument::SetFirstDiagnostic(std::u16string message) {
    if (m_strDiagnostics.empty()) {
        m_strDiagnostics = std::move(message);
    }
}

// Builds the records from m_strText; returns the first element created, 0 when there is none.
// Each scan writes into the first free stack entry, so an element that is pushed keeps its scanned
// node, tag name included, for matching its end tag.
int32_t CXmlDocument::BuildTree() {
    m_strDiagnostics.clear();
    std::vector<XmlNode> stack(6);
    XmlTokenCursor cursor(m_strText.c_str());
    int32_t current = 0;
    int32_t depth = 0;
    int32_t firstElement = 0;

    for (;;) {
        if (static_cast<size_t>(depth) >= stack.size()) {
            stack.resize(2 * stack.size() + 6);
        }
        XmlNode& node = stack[static_cast<size_t>(depth)];
        const int32_t type = ScanNode(cursor, node);

        if (type == NODE_ELEMENT) {
            if (m_iFree == m_nRecordCapacity) {
                GrowRecords(0);
            }
            const int32_t index = m_iFree++;
            if (firstElement == 0) {
                firstElement = index;
            }
            XmlElementRecord& parent = Rec(current);
            XmlElementRecord& record = Rec(index);
            record.parent = current;
            record.next = 0;
            if (parent.firstChild != 0) {
                XmlElementRecord& first = Rec(parent.firstChild);
                const int32_t oldLast = first.prev;
                Rec(oldLast).next = index;
                record.prev = oldLast;
                first.prev = index;
                record.flags = 0;
            } else {
                parent.firstChild = index;
                record.prev = index;
                record.flags = ELEM_FIRST_CHILD;
            }
            const auto level = static_cast<uint32_t>(depth) + Rec(0).Level();
            record.flags |= std::min(level, kMaxLevel);
            record.firstChild = 0;
            record.start = node.start;
            record.tagLengths = PackTagLengths(node.length, 0);
            if ((node.flags & NODE_EMPTY_ELEMENT) != 0) {
                record.length = node.length;
            } else {
                ++depth;
                current = index;
            }
        } else if (type == NODE_END_TAG) {
            int32_t element = current;
            int32_t k = depth - 1;
            for (; k >= 0; --k, element = Rec(element).parent) {
                if (MatchName(cursor, stack[static_cast<size_t>(k)].name.c_str())) {
                    break;
                }
            }
            if (k < 0) {
                Rec(0).flags |= DOC_ILL_FORMED;
                if (current != 0) {
                    Rec(current).flags |= ELEM_ILL_DATA;
                }
                std::u16string message = u"No start tag for end tag '";
                message += TokenText(cursor);
                AppendAscii(message, "' at offset ");
                AppendNumber(message, node.start);
                SetFirstDiagnostic(std::move(message));
                continue;
            }
            XmlElementRecord& matched = Rec(element);
            matched.length = node.start - matched.start + node.length;
            matched.tagLengths = PackTagLengths(static_cast<int32_t>(matched.StartTagLength()), node.length);
            CloseNotEnded(stack, depth, current, k + 1, &cursor);
            current = Rec(element).parent;
            --depth;
        } else if (type == NODE_ERROR) {
            Rec(0).flags |= DOC_ILL_FORMED;
            if (current != 0) {
                Rec(current).flags |= ELEM_ILL_DATA;
            }
            SetFirstDiagnostic(node.name);
        } else if (type == NODE_END) {
            if (depth > 0) {
                CloseNotEnded(stack, depth, current, 0, nullptr);
            }
            return firstElement;
        }
    }
}

// Closes the open elements above level as elements without an end tag, innermost first. Their
// children become the siblings that follow them. endTag is the end tag that closes an outer
// element, or null at the end of the text.
void CXmlDocument::CloseNotEnded(std::vector<XmlNode>& stack, int32_t& depth, int32_t& current, int32_t level,
                                 const XmlTokenCursor* endTag) {
    if (depth <= level) {
        return;
    }
    Rec(0).flags |= DOC_ILL_FORMED;
    bool first = true;
    while (depth > level) {
        const XmlNode& opened = stack[static_cast<size_t>(depth - 1)];
        const int32_t index = current;
        XmlElementRecord& e = Rec(index);
        e.tagLengths &= kStartTagLengthMask;
        e.flags |= ELEM_NOT_ENDED;
        e.length = opened.length;
        int32_t child = e.firstChild;
        e.firstChild = 0;
        if ((e.flags & ELEM_ILL_DATA) != 0) {
            e.flags &= ~ELEM_ILL_DATA;
            if (e.parent != 0) {
                Rec(e.parent).flags |= ELEM_ILL_DATA;
            }
        }
        int32_t previous = index;
        while (child != 0) {
            XmlElementRecord& c = Rec(child);
            const int32_t following = c.next;
            c.parent = e.parent;
            c.prev = previous;
            Rec(previous).next = child;
            previous = child;
            child = following;
        }

        if (first) {
            first = false;
            std::u16string message;
            if (endTag == nullptr) {
                AppendAscii(message, "Element '");
                message += opened.name;
                AppendAscii(message, "' at offset ");
                AppendNumber(message, e.start);
                AppendAscii(message, " not ended");
            } else {
                AppendAscii(message, "End tag '");
                message += TokenText(*endTag);
                AppendAscii(message, "' at offset ");
                AppendNumber(message, endTag->nameStart - 1);
                AppendAscii(message, " does not match start tag '");
                message += opened.name;
                AppendAscii(message, "' at offset ");
                AppendNumber(message, e.start);
            }
            SetFirstDiagnostic(std::move(message));
        }
        current = e.parent;
        --depth;
    }
}

// Makes room for n records (0: half as many again as are in use). One call adds at most one
// segment, and only the last segment is ever copied, so no record changes its index.
void CXmlDocument::GrowRecords(int32_t n) {
    int64_t want = n;
    if (want == 0) {
        want = static_cast<int64_t>(m_iFree) + m_iFree / 2;
    }
    if (m_nRecordCapacity >= want) {
        return;
    }
    const int32_t last = m_nRecordCapacity == 0 ? 0 : (m_nRecordCapacity - 1) >> kSegmentShift;
    int64_t newLast = (want - 1) >> kSegmentShift;
    if (newLast > last + 1) {
        newLast = last + 1;
        want = static_cast<int64_t>(last + 2) << kSegmentShift;
    }
    want = std::min<int64_t>(want, INT32_MAX);

    if (m_nSegmentSlots <= newLast) {
        const auto slots = static_cast<int32_t>(2 * newLast + 4);
        auto table = std::make_unique<std::unique_ptr<XmlElementRecord[]>[]>(static_cast<size_t>(slots));
        for (int32_t s = 0; s < m_nSegmentSlots; ++s) {
            table[s] = std::move(m_ppSegments[s]);
        }
        m_ppSegments = std::move(table);
        m_nSegmentSlots = slots;
    }

    const int32_t lastCount = m_nRecordCapacity - (last << kSegmentShift);
    auto copyInto = [&](XmlElementRecord* target) {
        if (lastCount > 0) {
            std::memcpy(target, m_ppSegments[last].get(),
                        static_cast<size_t>(lastCount) * sizeof(XmlElementRecord));
        }
    };
    if (newLast != last && lastCount < kSegmentRecords) {
        auto full = std::make_unique_for_overwrite<XmlElementRecord[]>(kSegmentRecords);
        copyInto(full.get());
        m_ppSegments[last] = std::move(full);
    }
    const auto newCount = static_cast<size_t>(want - (newLast << kSegmentShift));
    auto segment = std::make_unique_for_overwrite<XmlElementRecord[]>(newCount);
    if (newLast == last) {
        copyInto(segment.get());
    }
    m_ppSegments[newLast] = std::move(segment);
    m_nRecordCapacity = static_cast<int32_t>(want);
}

} // namespace xml
