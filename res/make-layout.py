#!/usr/bin/env python3
"""Writes res/layout.xml, the skin layout resource ("XML" 158): UTF-16LE with a byte-order mark,
CRLF line ends, tab indents, no terminating NUL. Run from anywhere: python3 res/make-layout.py

The sections and their entries, in the order the document holds them. Attribute values stand
without quotes, as the windows' reader expects them. Nothing reads the two FAIL sections; lookups
only ever reach the first section of a name.
"""
import os

SECTIONS = [
    ("MAIN", [
        ("RECT_TITLE", "", "RECT_FAIL,117,35,266,37,Fail,FALSE"),
    ]),
    ("FAIL", [
        ("RECT_FAIL", "", "RECT_FAIL,70,38,58,20,Fail,FALSE"),
    ]),
    ("UPDATE", [
        ("BAR_ICON", "", "0"),
        ("RECT_UPDATE", "", "RECT_UPDATE,0,368,500,16, FALSE,FALSE"),
    ]),
    ("SUCCESS", [
        ("BUTTON_OK", "", "BUTTON_OK,190,222,65,26,,FALSE"),
        ("BUTTON_CLOSE", "", "BUTTON_CLOSE,411,6,20,20,,FALSE"),
    ]),
    ("FAIL", [
        ("BUTTON_OK", "", "BUTTON_OK,190,222,65,26,,FALSE"),
        ("BUTTON_CLOSE", "", "BUTTON_CLOSE,411,6,20,20,,FALSE"),
    ]),
    ("CONFIRM", [
        ("BUTTON_OK", "", "BUTTON_OK,210,329,94,34,,FALSE"),
        ("BUTTON_CANCEL", "", "BUTTON_CANCEL,0,0,0,0,,FALSE"),
        ("BUTTON_CLOSE", "", "BUTTON_CLOSE,474,7,22,22,,FALSE"),
        ("RECT_LAYOUT", "COLOR=12555496", ",279,99,97,16,,FALSE"),
        ("RECT_VER", "FONT=Verdana SIZE=15 COLOR=11892106", ",270,124,97,16,,FALSE"),
        ("RECT_CUR_VER", "COLOR=14131817", ",348, 148,97, 16,,FALSE"),
    ]),
]


def layout_text():
    lines = ['<?xml version="1.0" encoding="utf-16"?>', "<root>"]
    for section, entries in SECTIONS:
        lines.append("\t<%s>" % section)
        for entry, attributes, value in entries:
            tag = entry + (" " + attributes if attributes else "")
            lines.append("\t\t<%s>%s</%s>" % (tag, value, entry))
        lines.append("\t</%s>" % section)
    lines.append("</root>")
    return "\r\n".join(lines)


def main():
    data = b"\xff\xfe" + layout_text().encode("utf-16-le")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "layout.xml")
    with open(path, "wb") as f:
        f.write(data)
    print("%s: %d bytes" % (path, len(data)))


if __name__ == "__main__":
    main()
