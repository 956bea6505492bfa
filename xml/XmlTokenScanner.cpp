// Node scanning, name and attribute picking for the XML reader; see XmlTokenScanner.h.
#include "xml/XmlTokenScanner.h"

#include <string>

namespace xml {

namespace {

// Pending end delimiter of the node being scanned.
enum class Delimiter { None, Lt, Gt, PiEnd, CommentEnd, CdataEnd };

// Where the scan stands between the units that decide a node's type.
enum class Phase { None, AfterLt, AfterLtBang, AfterLtBangDash, AfterLtBracket, LeadingSpace };

constexpr int32_t kTypeUndetermined = INT32_MIN;

// Units that end a name inside a tag while ScanNode copies it.
constexpr bool EndsScannedName(char16_t c) {
    return IsXmlSpace(c) || c == u'/' || c == u'>';
}

// Units that end a FindName token (and form a token of their own).
constexpr bool IsNameDelimiter(char16_t c) {
    switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\r':
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
    case u'"':
    case u'\'':
    case u';':
        return true;
    default:
        return false;
    }
}

// Units that end an attribute name token in FindAttribute (and form a token of their own).
constexpr bool IsAttributeDelimiter(char16_t c) {
    return c == u'=' || IsXmlSpace(c) || c == u'>' || c == u'/' || c == u'?';
}

// A unit that may follow '<' to open a start tag: a letter, '_', ':', or anything above 0x60 that
// is not a lower-case letter (braces, bar, tilde, DEL and all non-ASCII units).
constexpr bool StartsTagName(char16_t c) {
    return (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c > 0x60;
}

void AppendNumber(std::u16string& out, int32_t value) {
    for (char c : std::to_string(value)) {
        out.push_back(static_cast<char16_t>(c));
    }
}

void AppendAscii(std::u16string& out, const char* text) {
    for (; *text; ++text) {
        out.push_back(static_cast<char16_t>(*text));
    }
}

// "Incorrect <what> at offset N"
void SetIncorrect(XmlNode& node, const char* what, int32_t offset) {
    node.name.clear();
    AppendAscii(node.name, "Incorrect ");
    AppendAscii(node.name, what);
    AppendAscii(node.name, " at offset ");
    AppendNumber(node.name, offset);
}

// "<kind> at offset N unterminated"
void SetUnterminated(XmlNode& node, int32_t type, bool inDoctype, int32_t offset) {
    const char* kind = "tag";
    if (inDoctype || type == NODE_DOCTYPE) {
        kind = "Doctype";
    } else if (type == NODE_ELEMENT) {
        kind = "Element tag";
    } else if (type == NODE_END_TAG) {
        kind = "Element end tag";
    } else if (type == NODE_CDATA) {
        kind = "CDATA Section";
    } else if (type == NODE_PROCESSING) {
        kind = "Processing instruction";
    } else if (type == NODE_COMMENT) {
        kind = "Comment";
    }
    node.name.clear();
    AppendAscii(node.name, kind);
    AppendAscii(node.name, " at offset ");
    AppendNumber(node.name, offset);
    AppendAscii(node.name, " unterminated");
}

constexpr bool IsOneUnit(Delimiter d) {
    return d == Delimiter::Lt || d == Delimiter::Gt;
}

// For the delimiters of several units: do the units just before the '>' at i spell the rest?
// The offset test keeps the look-back inside the text.
bool EndsMultiUnitDelimiter(const char16_t* p, int32_t i, Delimiter d) {
    switch (d) {
    case Delimiter::PiEnd:
        return i > 2 && p[i - 1] == u'?';
    case Delimiter::CommentEnd:
        return i > 3 && p[i - 1] == u'-' && p[i - 2] == u'-';
    case Delimiter::CdataEnd:
        return i > 3 && p[i - 1] == u']' && p[i - 2] == u']';
    default:
        return false;
    }
}

// Quotes and the two previous units inside a start tag or a malformed node.
struct TagState {
    char16_t quote = 0; // the open quote, 0 outside quotes
    bool afterEquals = false;
    char16_t prev1 = 0; // previous unit, 0 when forgotten
    char16_t prev2 = 0; // the one before it
};

// One unit of a start tag (or malformed node) that is neither NUL nor a '>' outside quotes. A
// quote opens only right after '=' (blanks between allowed); another unit ends that phase.
inline void ScanTagUnit(char16_t c, TagState& tag) {
    if (tag.quote != 0) {
        if (c == tag.quote) {
            tag.quote = 0;
        }
    } else if (tag.afterEquals && (c == u'"' || c == u'\'')) {
        tag.afterEquals = false;
        tag.quote = c;
    } else if (!(tag.afterEquals && IsXmlSpace(c))) {
        tag.afterEquals = c == u'=' && tag.prev1 != u'=';
    }
    tag.prev2 = tag.prev1;
    tag.prev1 = c;
}

// ScanTagUnit over the units of a start tag from i on; returns the offset of the first unit it
// left alone: the NUL, or a '>' outside quotes.
int32_t ScanTagUnits(const char16_t* p, int32_t i, TagState& state) {
    TagState tag = state; // in registers while the loop runs
    for (;; ++i) {
        const char16_t c = p[i];
        if (c == 0 || (c == u'>' && tag.quote == 0)) {
            break;
        }
        if (tag.quote != 0 && c != tag.quote) {
            // Inside a quoted value only the closing quote matters.
            int32_t j = i;
            while (p[j + 1] != 0 && p[j + 1] != tag.quote) {
                ++j;
            }
            tag.prev2 = j > i ? p[j - 1] : tag.prev1;
            tag.prev1 = p[j];
            i = j;
            continue;
        }
        ScanTagUnit(c, tag);
    }
    state = tag;
    return i;
}

} // namespace

int32_t ScanNode(XmlTokenCursor& cursor, XmlNode& node) {
    const char16_t* p = cursor.source;
    const int32_t s = cursor.next;
    node.start = s;
    node.flags = 0;
    if (p[s] == 0) {
        node.length = 0;
        node.type = 0;
        return NODE_END;
    }

    int32_t type = kTypeUndetermined;
    Delimiter delimiter = Delimiter::None;
    Phase phase = Phase::None;
    int32_t nameStart = -1; // pending name, -1 when none
    TagState tag;
    bool inDoctype = false;
    int32_t doctypeMark = s; // the last '>' passed inside a DOCTYPE, for its messages
    int32_t last = s;
    bool ended = false; // set by the phases below when they end the node

    for (int32_t i = s; !ended; ++i) {
        char16_t c = p[i];
        if (c == 0) {
            last = i - 1;
            if (type != NODE_WHITESPACE && type != NODE_TEXT) {
                SetUnterminated(node, type, inDoctype, s);
                type = NODE_ERROR;
            }
            break;
        }
        if (inDoctype && c == u'>') {
            doctypeMark = i;
        }

        if (nameStart >= 0) {
            if (!EndsScannedName(c)) {
                while (p[i + 1] != 0 && !EndsScannedName(p[i + 1])) {
                    ++i;
                }
                continue;
            }
            if (type == NODE_END_TAG) {
                cursor.nameStart = nameStart;
                cursor.nameEnd = i - 1;
            } else {
                node.name.assign(p + nameStart, static_cast<size_t>(i - nameStart));
            }
            nameStart = -1;
            tag.prev1 = tag.prev2 = 0;
        }

        if (delimiter != Delimiter::None) {
            if (c == u'>' && tag.quote == 0) {
                bool satisfied = true;
                if (IsOneUnit(delimiter)) {
                    if (type == NODE_ELEMENT && tag.prev1 == u'/' &&
                        (tag.prev2 == 0 || IsXmlSpace(tag.prev2) || tag.prev2 == u'\'' ||
                         tag.prev2 == u'"')) {
                        node.flags |= NODE_EMPTY_ELEMENT;
                    }
                } else {
                    satisfied = EndsMultiUnitDelimiter(p, i, delimiter);
                }
                if (satisfied) {
                    if (!inDoctype) {
                        last = i;
                        break;
                    }
                    // A declaration of a DOCTYPE's internal subset is complete.
                    delimiter = Delimiter::None;
                    tag.afterEquals = false;
                    continue;
                }
            }
            if (c == u'<' && (type == NODE_TEXT || type == NODE_ERROR)) {
                last = i - 1;
                break;
            }
            if (type == NODE_TEXT) {
                // Character data: nothing matters until the next '<' or '>'.
                while (p[i + 1] != 0 && p[i + 1] != u'<' && p[i + 1] != u'>') {
                    ++i;
                }
            } else if (type == NODE_ELEMENT && !inDoctype) {
                // The rest of a start tag, in a tight loop; it stops before the NUL or the '>'
                // outside quotes that the steps above handle.
                i = ScanTagUnits(p, i, tag) - 1;
            } else if (type == NODE_ELEMENT || type == NODE_ERROR) {
                ScanTagUnit(c, tag);
            } else if (type == NODE_END_TAG || type == NODE_COMMENT || type == NODE_CDATA ||
                       type == NODE_PROCESSING) {
                // No quotes here: nothing matters until the next '>'.
                while (p[i + 1] != 0 && p[i + 1] != u'>') {
                    ++i;
                }
            } else if (type == NODE_DOCTYPE) {
                // In a markup declaration either quote opens unless the other one is open.
                if ((c == u'"' || c == u'\'') && (tag.quote == 0 || tag.quote == c)) {
                    tag.quote = tag.quote == 0 ? c : 0;
                }
            }
            continue;
        }

        if (i == s) {
            if (c == u'<') {
                phase = Phase::AfterLt;
            } else if (IsXmlSpace(c)) {
                type = NODE_WHITESPACE;
                phase = Phase::LeadingSpace;
            } else {
                type = NODE_TEXT;
                delimiter = Delimiter::Lt;
            }
            continue;
        }

        const int32_t messageOffset = inDoctype ? doctypeMark : s;
        switch (phase) {
        case Phase::LeadingSpace:
            if (c == u'<') {
                last = i - 1;
                ended = true;
                break;
            }
            if (!IsXmlSpace(c)) {
                type = NODE_TEXT;
                delimiter = Delimiter::Lt;
                phase = Phase::None;
            } else {
                while (IsXmlSpace(p[i + 1])) {
                    ++i;
                }
            }
            break;
        case Phase::AfterLt:
            phase = Phase::None;
            if (StartsTagName(c)) {
                type = NODE_ELEMENT;
                delimiter = Delimiter::Gt;
                nameStart = i;
            } else if (c == u'/') {
                type = NODE_END_TAG;
                delimiter = Delimiter::Gt;
                nameStart = i + 1;
            } else if (c == u'!') {
                phase = Phase::AfterLtBang;
            } else if (c == u'?') {
                type = NODE_PROCESSING;
                delimiter = Delimiter::PiEnd;
                nameStart = i + 1;
            } else {
                type = NODE_ERROR;
                delimiter = Delimiter::Gt;
                SetIncorrect(node, "tag name character", messageOffset);
            }
            break;
        case Phase::AfterLtBang:
            phase = Phase::None;
            if (c == u'-') {
                phase = Phase::AfterLtBangDash;
            } else if (c == u'[' && !inDoctype) {
                phase = Phase::AfterLtBracket;
            } else if (c == u'D' && !inDoctype) {
                inDoctype = true;
            } else {
                delimiter = Delimiter::Gt;
                if (c == u'E' || c == u'A' || c == u'N') {
                    type = NODE_DOCTYPE;
                } else {
                    type = NODE_ERROR;
                    SetIncorrect(node, "! tag", messageOffset);
                }
            }
            break;
        case Phase::AfterLtBangDash:
            phase = Phase::None;
            if (c == u'-') {
                type = NODE_COMMENT;
                delimiter = Delimiter::CommentEnd;
            } else {
                type = NODE_ERROR;
                delimiter = Delimiter::Gt;
                SetIncorrect(node, "comment tag", messageOffset);
            }
            break;
        case Phase::AfterLtBracket:
            phase = Phase::None;
            if (c == u'C') {
                type = NODE_CDATA;
                delimiter = Delimiter::CdataEnd;
            } else {
                type = NODE_ERROR;
                delimiter = Delimiter::Gt;
                SetIncorrect(node, "tag", messageOffset);
            }
            break;
        case Phase::None:
            // Only the content of a DOCTYPE gets here: its declarations open with '<'.
            if (inDoctype && c == u'<') {
                phase = Phase::AfterLt;
            } else if (inDoctype && c == u'>') {
                type = NODE_DOCTYPE;
                last = i;
                ended = true;
            }
            break;
        }
    }
    cursor.next = last + 1;
    node.type = type;
    node.length = last + 1 - s;
    return type;
}

bool FindName(XmlTokenCursor& cursor) {
    const char16_t* p = cursor.source;
    int32_t i = cursor.next;
    while (IsXmlSpace(p[i])) {
        ++i;
    }
    if (p[i] == 0) {
        cursor.nameStart = cursor.next = i;
        cursor.nameEnd = i - 1;
        return false;
    }
    cursor.nameStart = i;
    if (IsNameDelimiter(p[i])) {
        ++i;
    } else {
        while (p[i] != 0 && !IsNameDelimiter(p[i])) {
            ++i;
        }
    }
    cursor.next = i;
    cursor.nameEnd = i - 1;
    return true;
}

bool MatchName(const XmlTokenCursor& cursor, const char16_t* name) {
    const int32_t n = cursor.nameEnd - cursor.nameStart + 1;
    for (int32_t k = 0; k < n; ++k) {
        if (name[k] == 0 || name[k] != cursor.source[cursor.nameStart + k]) {
            return false;
        }
    }
    const char16_t after = name[n > 0 ? n : 0];
    return after == 0 || after == u' ' || after == u'=' || after == u'/' || after == u'[' || after == u']';
}

bool FindAttribute(XmlTokenCursor& cursor, const char16_t* name) {
    const char16_t* p = cursor.source;
    bool tagName = true; // the first token is the tag's own name
    bool afterEquals = false;
    bool matched = false; // a token matched name and waits for its value
    int32_t matchedStart = 0;
    int32_t matchedEnd = -1;

    auto leaveOnMatchedName = [&] {
        cursor.nameStart = matchedStart;
        cursor.nameEnd = matchedEnd;
        return true;
    };

    for (;;) {
        const int32_t space = cursor.next;
        int32_t i = space;
        while (IsXmlSpace(p[i])) {
            ++i;
        }
        if (p[i] == 0) {
            cursor.next = i;
            break;
        }

        const char16_t first = p[i];
        int32_t j = i;
        bool quoted = false;
        if (first == u'"' || first == u'\'') {
            quoted = true;
            ++j;
            while (p[j] != 0 && p[j] != first) {
                ++j;
            }
            cursor.nameStart = i + 1;
            cursor.nameEnd = j - 1;
            cursor.flags |= TOKEN_QUOTED;
            if (p[j] != 0) {
                ++j;
            }
        } else if (afterEquals) {
            while (p[j] != 0 && !IsXmlSpace(p[j]) && p[j] != u'>') {
                ++j;
            }
            cursor.nameStart = i;
            cursor.nameEnd = j - 1;
            cursor.flags &= ~TOKEN_QUOTED;
        } else {
            if (IsAttributeDelimiter(first)) {
                ++j;
            } else {
                while (p[j] != 0 && !IsAttributeDelimiter(p[j])) {
                    ++j;
                }
            }
            cursor.nameStart = i;
            cursor.nameEnd = j - 1;
        }
        cursor.next = j;

        if (tagName) {
            tagName = false;
            continue;
        }
        if (afterEquals) {
            afterEquals = false;
            if (matched) {
                return true;
            }
            continue;
        }
        const bool single = !quoted && j == i + 1;
        if (single && (first == u'>' || first == u'/' || first == u'?')) {
            cursor.next = space;
            return matched ? leaveOnMatchedName() : false;
        }
        if (single && first == u'=') {
            afterEquals = true;
            continue;
        }
        if (matched) {
            // The matched name is followed by another name: it has no value.
            return leaveOnMatchedName();
        }
        if (MatchName(cursor, name)) {
            matched = true;
            matchedStart = cursor.nameStart;
            matchedEnd = cursor.nameEnd;
            cursor.spaceStart = space;
            cursor.spaceLength = i - space;
        }
    }
    return matched ? leaveOnMatchedName() : false;
}

std::u16string TokenText(const XmlTokenCursor& cursor) {
    if (cursor.nameStart > cursor.nameEnd) {
        return {};
    }
    return std::u16string(cursor.source + cursor.nameStart,
                          static_cast<size_t>(cursor.nameEnd - cursor.nameStart + 1));
}

} // namespace xml
