// The lexical layer of the XML reader: classifies the next node of a NUL-terminated UTF-16 text,
// picks names and attribute values out of a tag in place, and decodes character references.
// Nothing here builds a tree or fails: malformed markup becomes a NODE_ERROR node with a message.
// Offsets and lengths count UTF-16 units from the first unit of the text (a leading U+FEFF is 0).
// Plain functions over caller-owned state; any thread, one cursor per thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xml {

inline constexpr int32_t NODE_END = -2;        // end of text before any unit of a node
inline constexpr int32_t NODE_ERROR = -1;      // malformed node; the node's name holds the message
inline constexpr int32_t NODE_END_TAG = 0;     // </name>
inline constexpr int32_t NODE_ELEMENT = 1;     // start tag, empty-element tags included
inline constexpr int32_t NODE_TEXT = 2;        // character data
inline constexpr int32_t NODE_WHITESPACE = 4;  // white space only, ending before '<' or the end of text
inline constexpr int32_t NODE_CDATA = 8;       // <![CDATA[...]]>
inline constexpr int32_t NODE_PROCESSING = 16; // <?target ...?>
inline constexpr int32_t NODE_COMMENT = 32;    // <!-- ... -->
inline constexpr int32_t NODE_DOCTYPE =
    64; // <!DOCTYPE and the <!ELEMENT/ATTLIST/ENTITY/NOTATION declarations

inline constexpr uint32_t TOKEN_QUOTED = 0x8000;        // cursor: the last attribute value was quoted
inline constexpr uint32_t NODE_EMPTY_ELEMENT = 0x10000; // node: the start tag ends with "/>"

// Scanning state over one text. The cursor does not own the text.
struct XmlTokenCursor {
    int32_t nameStart = 0; // first unit of the current token
    int32_t nameEnd = -1;  // its last unit; nameStart > nameEnd means an empty token
    int32_t next = 0;      // where the next scan starts
    const char16_t* source = nullptr;
    uint32_t flags = 0;
    int32_t spaceStart = 0;  // white space before a matched attribute name ...
    int32_t spaceLength = 0; // ... and its length: their sum is the name's offset

    explicit XmlTokenCursor(const char16_t* text = nullptr) : source(text) {}
};

// One scanned node.
struct XmlNode {
    int32_t type = NODE_END;
    int32_t start = 0;
    int32_t length = 0;
    uint32_t flags = 0;
    // The tag name of a start tag, the target of a processing instruction, or the message of a
    // malformed node; other scans leave it as it was (so a reused node keeps its buffer).
    std::u16string name;
};

// True for the four units that count as white space in XML: space, tab, LF, CR.
inline constexpr bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Scans one node from cursor.next, fills node and moves cursor.next past it. Returns node's type.
int32_t ScanNode(XmlTokenCursor& cursor, XmlNode& node);

// Skips white space from cursor.next and delimits the next name token (or a single delimiter).
// False at the end of the text.
bool FindName(XmlTokenCursor& cursor);

// True when the cursor's token equals the start of name and name continues with NUL or one of
// " =/[]" there. name must be NUL-terminated.
bool MatchName(const XmlTokenCursor& cursor, const char16_t* name);

// With cursor.next just after the '<' of a start tag (or the "<?" of a processing instruction),
// finds attribute name; on success the cursor's token is its value. A value-less attribute reads
// as its own name.
bool FindAttribute(XmlTokenCursor& cursor, const char16_t* name);

// The cursor's token as a new string (empty when nameStart > nameEnd).
std::u16string TokenText(const XmlTokenCursor& cursor);

// The value of a span of character data: character and named references replaced. Never longer
// than the span, and never reads outside it.
std::u16string DecodeEntities(std::u16string_view span);
std::u16string DecodeEntities(const char16_t* start, int32_t length);

} // namespace xml
