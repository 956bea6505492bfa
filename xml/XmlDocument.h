// CXmlDocument: one UTF-16 XML text and, beside it, a compact index of where every element lies in
// it. An element is known only by a record index into a store of fixed-size records (offsets, tag
// lengths and tree links), kept in segments of 65,536 records so that indexes stay stable and a
// growth step copies at most one segment. Values are cut out of the text and decoded only when
// asked for. The reader is tolerant: parsing never stops, it leaves the first problem as a sentence
// in the diagnostics and clears the well-formed flag.
// A document is used by one thread at a time; in the program that is the user-interface thread.
#pragma once

#include "xml/XmlTokenScanner.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace xml {

// flags word of a record
inline constexpr uint32_t ELEM_LEVEL_MASK = 0xFFFF;   // nesting level, 0 for top-level elements
inline constexpr uint32_t ELEM_FIRST_CHILD = 0x80000; // first child of its parent
inline constexpr uint32_t ELEM_NOT_ENDED = 0x100000;  // closed without an end tag
inline constexpr uint32_t ELEM_ILL_DATA = 0x200000;   // malformed markup met while this was current
inline constexpr uint32_t DOC_ILL_FORMED = 0x800000;  // record 0 only: the document is not well-formed

// tagLengths word of a record
inline constexpr uint32_t kStartTagLengthMask = 0x3FFFFF; // bits 0-21
inline constexpr int kEndTagLengthShift = 22;             // bits 22-31
inline constexpr uint32_t kMaxStartTagLength = 0x3FFFFF;
inline constexpr uint32_t kMaxEndTagLength = 0x3FF;
inline constexpr uint32_t kMaxLevel = 0xFFFF;

inline constexpr int kSegmentShift = 16;
inline constexpr int32_t kSegmentRecords = 1 << kSegmentShift; // 65,536 records, 2 MiB

// The longest text a document holds: offsets are signed 32-bit and the scanner looks one past.
inline constexpr size_t kMaxTextUnits = 0x7FFFFFFE;

// Plain data, left uninitialised in fresh segments: the builder sets every field of a record it
// creates, and value-initialisation (XmlElementRecord{}) gives all zeros.
struct XmlElementRecord {
    int32_t start;       // offset of the '<' of the start tag
    int32_t length;      // '<' through the end tag's '>'; the start tag's length without one
    uint32_t tagLengths; // start tag length (bits 0-21), end tag length (bits 22-31)
    uint32_t flags;
    int32_t parent; // 0 for top-level elements
    int32_t firstChild;
    int32_t next; // next sibling, 0 for the last
    int32_t prev; // previous sibling; the first child's holds the last sibling

    uint32_t StartTagLength() const { return tagLengths & kStartTagLengthMask; }
    uint32_t EndTagLength() const { return tagLengths >> kEndTagLengthShift; }
    uint32_t Level() const { return flags & ELEM_LEVEL_MASK; }
};
static_assert(sizeof(XmlElementRecord) == 32, "a record is eight 32-bit words");
static_assert(std::is_trivial_v<XmlElementRecord>, "fresh segments need no initialisation");

class CXmlDocument {
public:
    CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;
    CXmlDocument(CXmlDocument&&) = default;
    CXmlDocument& operator=(CXmlDocument&&) = default;
    ~CXmlDocument() = default;

    // Replaces the text with a copy of text and rebuilds the index. Returns the well-formed flag.
    // A text longer than kMaxTextUnits is not taken: the document becomes empty.
    bool ParseText(std::u16string_view text);

    // Navigation: three record indexes (parent, main, child) move over the tree. Nothing here
    // allocates records; a search that fails leaves every position unchanged.
    void ResetPosition();
    bool FindNextElement(const char16_t* name = nullptr);
    bool FindNextChild(const char16_t* name = nullptr);
    void StepInto();
    std::u16string GetChildText() const;
    std::u16string GetChildAttribute(const char16_t* name) const;

    // The text, or the value of attribute, of the entry named entry inside the first child named
    // section of the first top-level element; empty when any of them is missing.
    std::u16string GetEntryText(const char16_t* section, const char16_t* entry);
    std::u16string GetEntryAttribute(const char16_t* section, const char16_t* entry,
                                     const char16_t* attribute);

    const std::u16string& Text() const { return m_strText; }
    const std::u16string& Diagnostics() const { return m_strDiagnostics; }
    bool IsWellFormed() const;

    // The index, for inspection and tests.
    int32_t ParentPosition() const { return m_iParent; }
    int32_t MainPosition() const { return m_iMain; }
    int32_t ChildPosition() const { return m_iChild; }
    int32_t NodeKind() const { return m_nNodeKind; }
    int32_t FreeRecord() const { return m_iFree; }
    int32_t RecordCapacity() const { return m_nRecordCapacity; }
    int32_t SegmentSlots() const { return m_nSegmentSlots; }
    // Record i (0 <= i < RecordCapacity()).
    const XmlElementRecord& Record(int32_t i) const { return Rec(i); }
    // The first record of segment s, or null when s is not allocated.
    const XmlElementRecord* Segment(int32_t s) const;

private:
    XmlElementRecord& Rec(int32_t i) { return m_ppSegments[i >> kSegmentShift][i & (kSegmentRecords - 1)]; }
    const XmlElementRecord& Rec(int32_t i) const {
        return m_ppSegments[i >> kSegmentShift][i & (kSegmentRecords - 1)];
    }

    void ParseDocument();
    int32_t BuildTree();
    void CloseNotEnded(std::vector<XmlNode>& stack, int32_t& depth, int32_t& current, int32_t level,
                       const XmlTokenCursor* endTag);
    void GrowRecords(int32_t n);
    void SetFirstDiagnostic(std::u16string message);

    int32_t WalkToName(int32_t candidate, const char16_t* name) const;
    bool ContentSpan(const XmlElementRecord& e, int32_t& begin, int32_t& end) const;
    int32_t StartTagLength(const XmlElementRecord& e) const;

    std::u16string m_strText;
    std::u16string m_strDiagnostics;
    int32_t m_iParent = 0;
    int32_t m_iMain = 0;
    int32_t m_iChild = 0;
    int32_t m_iFree = 0;
    int32_t m_nNodeKind = 0;
    std::unique_ptr<std::unique_ptr<XmlElementRecord[]>[]> m_ppSegments;
    int32_t m_nRecordCapacity = 0;
    int32_t m_nSegmentSlots = 0;
};

} // namespace xml
