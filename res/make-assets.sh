#!/usr/bin/env bash
# Makes the skin pictures, the window masks, the title font and the program icon in this folder,
# from scratch and always the same way. Run from anywhere: bash res/make-assets.sh
#
# Needs: ImageMagick (convert or magick), python3, fontconfig's fc-scan and fc-match,
# DejaVu Sans (Debian fonts-dejavu-core) for the lettering and Play (Debian fonts-play) as the
# title font. The program draws the title, the layout name and both version numbers itself; the
# pictures carry everything else. Rectangles below are the ones of layout.xml, which this script
# checks before it draws anything.
#
# What it writes:
#   main.jpg, main_hover.jpg, main_disabled.jpg   main window 500 x 384: background, button looks
#   strip_empty.jpg, strip_full.jpg               progress strip 500 x 16
#   bar_icon.jpg                                  progress marker 16 x 15
#   success*.jpg, failure*.jpg, latest*.jpg       result dialog 436 x 269, each with hover and
#                                                 disabled looks of its two buttons
#   main_mask.bmp, dialog_mask.bmp                outlines: 4-bit grey BMP, white = outside
#   fonts/Play-Regular.ttf, fonts/Play-OFL.txt    title font and its licence
#   fonts/FAMILY.txt                              the font's family name, as fontconfig reads it
#   kestrel-icon.png, kestrel-icon-48.png         program icon, 256 and 48 pixels
set -euo pipefail

RES="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "make-assets: $*" >&2
    exit 1
}

if command -v magick >/dev/null 2>&1; then
    IM=(magick)
    IDENTIFY=(magick identify)
elif command -v convert >/dev/null 2>&1; then
    IM=(convert)
    IDENTIFY=(identify)
else
    fail "ImageMagick is missing (apt-get install imagemagick)"
fi
for tool in python3 fc-scan fc-match; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing"
done

font_file() { # font_file <fontconfig pattern> <file name it must have>
    local file
    file="$(fc-match --format '%{file}' "$1")"
    [[ "$(basename "$file")" == "$2" ]] || fail "font '$1' resolves to '$file', not $2 (apt-get install fonts-dejavu-core)"
    echo "$file"
}
SANS="$(font_file 'DejaVu Sans:style=Book' DejaVuSans.ttf)"
SANS_BOLD="$(font_file 'DejaVu Sans:style=Bold' DejaVuSans-Bold.ttf)"
TITLE_FONT_SRC=/usr/share/fonts/truetype/play/Play-Regular.ttf
TITLE_COPYRIGHT=/usr/share/doc/fonts-play/copyright
[[ -f "$TITLE_FONT_SRC" && -f "$TITLE_COPYRIGHT" ]] || fail "Play is missing (apt-get install fonts-play)"

# --- The rectangles of the skin layout (left, top, width, height) -----------------------------------
MAIN_OK=(210 329 94 34)
MAIN_CLOSE=(474 7 22 22)
DLG_OK=(190 222 65 26)
DLG_CLOSE=(411 6 20 20)
LAYOUT_BOX=(279 99 97 16)
VERSION_BOX=(270 124 97 16)
CURRENT_BOX=(348 148 97 16)
STRIP=(0 368 500 16)

layout_text="$(iconv -f UTF-16LE -t UTF-8 "$RES/layout.xml" | tr -d ' \r')"
for entry in "BUTTON_OK,${MAIN_OK[*]}" "BUTTON_CLOSE,${MAIN_CLOSE[*]}" \
    "BUTTON_OK,${DLG_OK[*]}" "BUTTON_CLOSE,${DLG_CLOSE[*]}" \
    ">,${LAYOUT_BOX[*]}" ">,${VERSION_BOX[*]}" ">,${CURRENT_BOX[*]}" "RECT_UPDATE,${STRIP[*]}"; do
    entry="${entry// /,}"
    grep -qF -- "$entry," <<<"$layout_text" || fail "layout.xml no longer has '$entry': update the rectangles here"
done

# --- Palette ----------------------------------------------------------------------------------------
# The accent runs through the three text colours of the layout: current version blue, update
# version violet, layout name pink.
BLUE='#29A4D7'
VIOLET='#8A75B5'
PINK='#E894BF'
GREEN='#2FBF71'
RED='#E5484D'
TEXT='#E8ECF2'
LABEL='#9BA7B9'
MUTED='#7C889A'
BG_TOP='#222A37'
BG_BOTTOM='#0D1016'

# --- Small drawing helpers --------------------------------------------------------------------------
# accent_gradient <w> <h> <out>: blue to violet to pink, left to right.
accent_gradient() {
    local w=$1 h=$2 out=$3 half=$(($1 / 2))
    "${IM[@]}" \( -size "${h}x${half}" "gradient:$BLUE-$VIOLET" -rotate -90 \) \
        \( -size "${h}x$((w - half))" "gradient:$VIOLET-$PINK" -rotate -90 \) \
        +append +repage "$out"
}

# rounded_mask <w> <h> <radius> <out>: white rounded rectangle on black.
rounded_mask() {
    "${IM[@]}" -size "${1}x${2}" xc:black -fill white \
        -draw "roundrectangle 0,0 $(($1 - 1)),$(($2 - 1)) $3,$3" "$4"
}

# button <w> <h> <state> <label> <size> <out>: a rounded push button with its label centred;
# state is normal, hover or disabled. Transparent outside the rounded shape.
button() {
    local w=$1 h=$2 state=$3 label=$4 size=$5 out=$6
    local face="$WORK/face.miff" text_fill=white
    case "$state" in
        normal)
            accent_gradient "$w" "$h" "$face"
            "${IM[@]}" "$face" \( -size "${w}x${h}" gradient:'rgba(255,255,255,0.18)'-'rgba(0,0,0,0.18)' \) \
                -compose over -composite "$face"
            ;;
        hover)
            accent_gradient "$w" "$h" "$face"
            "${IM[@]}" "$face" \( -size "${w}x${h}" gradient:'rgba(255,255,255,0.30)'-'rgba(255,255,255,0.04)' \) \
                -compose over -composite "$face"
            ;;
        disabled)
            "${IM[@]}" -size "${w}x${h}" gradient:'#343B47'-'#2A303A' "$face"
            text_fill='#6E7786'
            ;;
    esac
    local ring=rgba\(255,255,255,0.22\)
    [[ "$state" == hover ]] && ring=rgba\(255,255,255,0.70\)
    [[ "$state" == disabled ]] && ring=rgba\(255,255,255,0.06\)
    rounded_mask "$w" "$h" 6 "$WORK/shape.miff"
    "${IM[@]}" "$face" -fill none -stroke "$ring" -strokewidth 1 \
        -draw "roundrectangle 0.5,0.5 $((w - 1)).5,$((h - 1)).5 6,6" +stroke \
        -font "$SANS_BOLD" -pointsize "$size" -fill "$text_fill" -gravity center -annotate +0+0 "$label" \
        +gravity "$WORK/shape.miff" -alpha off -compose copy_opacity -composite "$out"
}

# close_button <size> <state> <out>: the close cross; on hover a red rounded square behind it.
close_button() {
    local s=$1 state=$2 out=$3 in=6 cross='#A3AEBF' plate=none
    case "$state" in
        hover) cross=white plate="$RED" ;;
        disabled) cross='#444C59' ;;
    esac
    local a=$in b=$((s - 1 - in))
    "${IM[@]}" -size "${s}x${s}" xc:none -fill "$plate" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) 5,5" \
        -stroke "$cross" -strokewidth 2 \
        -draw "stroke-linecap round line $a,$a $b,$b line $b,$a $a,$b" "$out"
}

# place <base> <overlay> <x> <y> <out>
place() {
    "${IM[@]}" "$1" "$2" -gravity NorthWest -geometry "+$3+$4" -compose over -composite +gravity "$5"
}

# same_outside <a> <b> <rect> [<rect> ...]: fails unless a and b are equal pixel for pixel outside the
# given rectangles ("x y w h"), which is what lets a variant stand in for the background there.
same_outside() {
    local a=$1 b=$2 cover=() rect x y w h
    shift 2
    for rect in "$@"; do
        read -r x y w h <<<"$rect"
        cover+=(-draw "rectangle $x,$y $((x + w - 1)),$((y + h - 1))")
    done
    local diff
    diff="$("${IM[@]}" \( "$a" -fill black "${cover[@]}" \) \( "$b" -fill black "${cover[@]}" \) \
        -alpha off -metric AE -compare -format '%[distortion]' info: 2>&1)" || true
    [[ "$diff" == 0 ]] || fail "$(basename "$b") differs from $(basename "$a") outside its buttons ($diff pixels)"
}

# text_at <in> <out> <font> <size> <colour> <gravity> <x> <y> <text>: with a North gravity, y is
# the top of the text line, as the program places its own texts in their boxes.
text_at() {
    "${IM[@]}" "$1" -font "$3" -pointsize "$4" -fill "$5" -gravity "$6" -kerning 0 \
        -annotate "+$7+$8" "$9" +gravity "$2"
}

# jpeg <in> <out> <baseline|progressive> [sampling]: quality 90, no metadata, full-resolution
# colour unless a sampling factor is given.
jpeg() {
    local interlace=Plane
    [[ "$3" == baseline ]] && interlace=None
    "${IM[@]}" "$1" -alpha off -type TrueColor -depth 8 -strip -quality 90 \
        -sampling-factor "${4:-1x1}" -interlace "$interlace" "JPEG:$2"
}

# --- Progress strip and marker ------------------------------------------------------------------------
make_strips() {
    local w=${STRIP[2]} h=${STRIP[3]}
    "${IM[@]}" -size "${w}x${h}" gradient:'#151A22'-'#0A0D12' \
        -fill '#2A3240' -draw "line 0,0 $((w - 1)),0" \
        -fill '#07090D' -draw "line 0,$((h - 1)) $((w - 1)),$((h - 1))" "$WORK/strip_empty.miff"
    accent_gradient "$w" "$h" "$WORK/accent.miff"
    "${IM[@]}" "$WORK/accent.miff" \
        \( -size "${w}x$((h / 2))" gradient:'rgba(255,255,255,0.35)'-'rgba(255,255,255,0.05)' \
           -size "${w}x$((h - h / 2))" gradient:'rgba(0,0,0,0)'-'rgba(0,0,0,0.28)' -append \) \
        -compose over -composite \
        -fill 'rgba(255,255,255,0.55)' -draw "line 0,0 $((w - 1)),0" "$WORK/strip_full.miff"
    jpeg "$WORK/strip_empty.miff" "$RES/strip_empty.jpg" progressive
    jpeg "$WORK/strip_full.miff" "$RES/strip_full.jpg" progressive

    # The marker sits right of the filled part with its bottom on the strip's bottom: its left
    # edge carries a bright core that fades into the empty track.
    "${IM[@]}" "$WORK/strip_empty.miff" -crop 16x15+0+1 +repage \
        \( -size 16x15 xc:none -fill "$PINK" -draw "ellipse 2,7 5,7 0,360" -blur 0x2.2 \) \
        -compose screen -composite \
        \( -size 16x15 xc:none -fill white -draw "ellipse 1,7 1.6,5 0,360" -blur 0x0.6 \) \
        -compose over -composite "$WORK/bar_icon.miff"
    jpeg "$WORK/bar_icon.miff" "$RES/bar_icon.jpg" baseline
}

# --- Main window ----------------------------------------------------------------------------------------
# A 75% keyboard, key widths in units per row, drawn faintly as the window's motif.
keyboard_draw() { # keyboard_draw <x> <y> <unit> <row height> <stroke> <fill> -> -draw arguments
    awk -v X="$1" -v Y="$2" -v U="$3" -v R="$4" -v S="$5" -v F="$6" \
        -v PINK="$PINK" -v VIOLET="$VIOLET" -v BLUE="$BLUE" 'BEGIN {
        rows[0] = "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1"
        rows[1] = "1 1 1 1 1 1 1 1 1 1 1 1 1 2 1"
        rows[2] = "1.5 1 1 1 1 1 1 1 1 1 1 1 1 1.5 1"
        rows[3] = "1.75 1 1 1 1 1 1 1 1 1 1 1 2.25 1"
        rows[4] = "2.25 1 1 1 1 1 1 1 1 1 1 1.75 1 1"
        rows[5] = "1.25 1.25 1.25 6.25 1 1 1 1 1 1"
        # accent keys: Esc, Enter and the arrow cluster
        accent["0,0"] = PINK; accent["3,12"] = VIOLET
        accent["4,12"] = BLUE; accent["5,7"] = BLUE; accent["5,8"] = BLUE; accent["5,9"] = BLUE
        for (r = 0; r < 6; r++) {
            n = split(rows[r], keys, " ")
            x = X
            for (k = 1; k <= n; k++) {
                w = keys[k] * U
                key = r "," (k - 1)
                stroke = (key in accent) ? accent[key] : S
                printf "-stroke\n%s\n-fill\n%s\n-draw\nroundrectangle %.1f,%.1f %.1f,%.1f 2.5,2.5\n", \
                    stroke, F, x + 1.5, Y + r * R + 1.5, x + w - 1.5, Y + (r + 1) * R - 1.5
                x += w
            }
        }
    }'
}

make_main() {
    local base="$WORK/main_base.miff"
    # Graphite gradient with a cool glow behind the title.
    "${IM[@]}" -size 500x384 "gradient:$BG_TOP-$BG_BOTTOM" \
        \( -size 500x384 xc:black -fill '#22344C' -draw "ellipse 250,30 300,130 0,360" -blur 0x50 \) \
        -compose screen -composite \
        "$base"

    # Brand mark and name, top left.
    accent_gradient 14 14 "$WORK/mark_fill.miff"
    "${IM[@]}" -size 14x14 xc:black -fill white -draw "polygon 0,13 7,1 13,13 7,9" "$WORK/mark_shape.miff"
    "${IM[@]}" "$WORK/mark_fill.miff" "$WORK/mark_shape.miff" -alpha off -compose copy_opacity -composite \
        "$WORK/mark.miff"
    place "$base" "$WORK/mark.miff" 16 10 "$base"
    "${IM[@]}" "$base" -font "$SANS_BOLD" -pointsize 10.5 -fill '#B5BFCE' -kerning 3 \
        -gravity NorthWest -annotate +36+11 'ORVANE' +gravity "$base"

    # Title plate: a darker band for the white title, with an accent line that fades at its ends.
    "${IM[@]}" "$base" -fill 'rgba(0,0,0,0.28)' -stroke 'rgba(255,255,255,0.06)' \
        -draw "roundrectangle 24,27 475,81 9,9" "$base"
    accent_gradient 320 2 "$WORK/title_line.miff"
    "${IM[@]}" "$WORK/title_line.miff" \
        \( -size 2x160 gradient:black-white -rotate -90 \( +clone -flop \) +append \) \
        -alpha off -compose copy_opacity -composite "$WORK/title_line.miff"
    place "$base" "$WORK/title_line.miff" 90 79 "$base"

    # Information card: labels left of the three value fields the program writes into.
    "${IM[@]}" "$base" -fill 'rgba(255,255,255,0.035)' -stroke 'rgba(255,255,255,0.07)' \
        -draw "roundrectangle 40,90 460,174 9,9" "$base"
    local box colour label
    for row in "LAYOUT_BOX $PINK Keyboard layout:" "VERSION_BOX $VIOLET Firmware update version:" \
        "CURRENT_BOX $BLUE Current firmware version:"; do
        read -r box colour label <<<"$row"
        local -n r="$box"
        local x=${r[0]} y=${r[1]} w=${r[2]} h=${r[3]}
        # The field's rim takes the colour of the value the program writes into it.
        "${IM[@]}" "$base" -fill 'rgba(0,0,0,0.32)' -stroke "$colour" \
            -draw "roundrectangle $((x - 6)),$((y - 3)) $((x + w + 4)),$((y + h + 2)) 4,4" "$WORK/field.miff"
        "${IM[@]}" "$base" "$WORK/field.miff" -compose blend -define compose:args=40 -composite "$base"
        text_at "$base" "$base" "$SANS" 12.5 "$LABEL" NorthEast $((500 - (x - 12))) $((y + 1)) "$label"
        unset -n r
    done

    # Keyboard motif with a soft accent under-glow.
    local kx=102 ky=186 unit=18.5 rowh=17
    accent_gradient 300 30 "$WORK/glow.miff"
    "${IM[@]}" "$WORK/glow.miff" \( -size 300x30 xc:black -fill white -draw "ellipse 150,15 140,12 0,360" -blur 0x8 \) \
        -alpha off -compose copy_opacity -composite -channel A -evaluate multiply 0.35 +channel "$WORK/glow.miff"
    place "$base" "$WORK/glow.miff" 100 276 "$base"
    "${IM[@]}" "$base" -fill '#12171F' -stroke '#2B3443' -strokewidth 1 \
        -draw "roundrectangle $((kx - 6)),$((ky - 6)) 409,$((ky + 6 * rowh + 5)) 8,8" "$base"
    mapfile -t keys < <(keyboard_draw "$kx" "$ky" "$unit" "$rowh" '#2C3544' '#181E28')
    "${IM[@]}" "$base" -strokewidth 1 "${keys[@]}" "$base"

    # Instruction in the free space between the keyboard and the button.
    text_at "$base" "$base" "$SANS" 12 "$MUTED" North 0 302 \
        'Keep the keyboard plugged in until the update has finished.'

    # The empty progress track stays visible along the lower edge.
    place "$base" "$WORK/strip_empty.miff" "${STRIP[0]}" "${STRIP[1]}" "$base"

    # Normal, hover and disabled looks: copies of one background with the two buttons redrawn.
    local state out
    for state in normal hover disabled; do
        button "${MAIN_OK[2]}" "${MAIN_OK[3]}" "$state" Update 13.5 "$WORK/ok.miff"
        close_button "${MAIN_CLOSE[2]}" "$state" "$WORK/close.miff"
        place "$base" "$WORK/ok.miff" "${MAIN_OK[0]}" "${MAIN_OK[1]}" "$WORK/main_$state.miff"
        place "$WORK/main_$state.miff" "$WORK/close.miff" "${MAIN_CLOSE[0]}" "${MAIN_CLOSE[1]}" "$WORK/main_$state.miff"
        out=main_$state.jpg
        [[ "$state" == normal ]] && out=main.jpg
        # Half-resolution colour: the main window decodes all three looks at start-up, and
        # libjpeg-turbo decodes a progressive 4:2:0 picture several times faster than a 4:4:4 one.
        jpeg "$WORK/main_$state.miff" "$RES/$out" progressive 2x2
    done
    for state in hover disabled; do
        same_outside "$WORK/main_normal.miff" "$WORK/main_$state.miff" "${MAIN_OK[*]}" "${MAIN_CLOSE[*]}"
    done
}

# --- Result dialog -------------------------------------------------------------------------------------
icon_check() { # icon_check <out>: green disc with a white check mark
    "${IM[@]}" -size 72x72 xc:none \
        -fill 'rgba(47,191,113,0.18)' -draw "circle 36,36 36,2" \
        -fill "$GREEN" -draw "circle 36,36 36,9" \
        -fill none -stroke white -strokewidth 5.5 \
        -draw "stroke-linecap round stroke-linejoin round polyline 24,37 32.5,45.5 48.5,28.5" "$1"
}

icon_stop() { # icon_stop <out>: red octagonal stop sign with a white rim and lettering
    local ring="" inner=""
    ring="$(python3 -c 'import math
print(" ".join("%.2f,%.2f" % (36 + 28 * math.cos(math.radians(22.5 + 45 * i)), 36 + 28 * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)))')"
    inner="$(python3 -c 'import math
print(" ".join("%.2f,%.2f" % (36 + 24.5 * math.cos(math.radians(22.5 + 45 * i)), 36 + 24.5 * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)))')"
    "${IM[@]}" -size 72x72 xc:none \
        -fill 'rgba(229,72,77,0.18)' -draw "circle 36,36 36,2" \
        -fill "$RED" -draw "polygon $ring" \
        -fill none -stroke white -strokewidth 2 -draw "polygon $inner" +stroke \
        -font "$SANS_BOLD" -pointsize 13 -fill white -gravity center -kerning 0.3 -annotate +0+0 STOP +gravity "$1"
}

# dialog <name> <icon maker> <tint> <heading> <line>
dialog() {
    local name=$1 icon=$2 tint=$3 heading=$4 line=$5
    local base="$WORK/${name}_base.miff"
    "${IM[@]}" -size 436x269 "gradient:$BG_TOP-$BG_BOTTOM" \
        \( -size 436x269 xc:black -fill "$tint" -draw "ellipse 218,50 190,110 0,360" -blur 0x45 \
           -evaluate multiply 0.24 \) \
        -compose screen -composite "$base"
    # Hairline frame so the dialog holds its edge on a dark desktop.
    "${IM[@]}" "$base" -fill none -stroke 'rgba(255,255,255,0.10)' \
        -draw "roundrectangle 0.5,0.5 434.5,267.5 5,5" "$base"
    place "$base" "$WORK/mark.miff" 14 9 "$base"
    "${IM[@]}" "$base" -font "$SANS_BOLD" -pointsize 9.5 -fill '#8E99AA' -kerning 2.5 \
        -gravity NorthWest -annotate +34+11 'ORVANE KESTREL K75' +gravity "$base"

    "$icon" "$WORK/icon.miff"
    place "$base" "$WORK/icon.miff" 182 30 "$base"
    text_at "$base" "$base" "$SANS_BOLD" 19 "$TEXT" North 0 112 "$heading"
    text_at "$base" "$base" "$SANS" 12.5 "$LABEL" North 0 150 "$line"
    "${IM[@]}" "$base" -stroke 'rgba(255,255,255,0.06)' -draw "line 24,205 411,205" "$base"

    local state suffix
    for state in normal hover disabled; do
        button "${DLG_OK[2]}" "${DLG_OK[3]}" "$state" OK 12.5 "$WORK/ok.miff"
        close_button "${DLG_CLOSE[2]}" "$state" "$WORK/close.miff"
        place "$base" "$WORK/ok.miff" "${DLG_OK[0]}" "${DLG_OK[1]}" "$WORK/${name}_$state.miff"
        place "$WORK/${name}_$state.miff" "$WORK/close.miff" "${DLG_CLOSE[0]}" "${DLG_CLOSE[1]}" \
            "$WORK/${name}_$state.miff"
        suffix="_$state"
        [[ "$state" == normal ]] && suffix=""
        # The up-to-date set is baseline JPEG, the others progressive, as the program ships them.
        local mode=progressive
        [[ "$name" == latest ]] && mode=baseline
        jpeg "$WORK/${name}_$state.miff" "$RES/$name$suffix.jpg" "$mode"
    done
    for state in hover disabled; do
        same_outside "$WORK/${name}_normal.miff" "$WORK/${name}_$state.miff" "${DLG_OK[*]}" "${DLG_CLOSE[*]}"
    done
}

make_dialogs() {
    dialog success icon_check "$GREEN" 'Update complete' \
        'The new firmware has been installed on your keyboard.'
    dialog failure icon_stop "$RED" 'Update failed' \
        'Please plug the keyboard in and run the update again.'
    dialog latest icon_check "$BLUE" 'Already up to date' \
        'The latest firmware is already installed on your keyboard.'
}

# --- Masks -----------------------------------------------------------------------------------------------
# Windows bitmap, 4 bits per pixel, 16 grey palette entries; palette index 0 (black) inside the
# window, 15 (white) outside, in the four corners only, rounding them with the given radius.
make_mask() { # make_mask <w> <h> <radius> <out>
    python3 - "$@" <<'EOF'
import struct, sys

w, h, radius, out = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]

def outside(x, y):
    # distance of the pixel's centre from the centre of its corner's circle
    cx = radius if x < radius else (w - radius if x >= w - radius else None)
    cy = radius if y < radius else (h - radius if y >= h - radius else None)
    if cx is None or cy is None:
        return False
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
    return dx * dx + dy * dy > radius * radius

stride = ((w * 4 + 31) // 32) * 4
pixels = bytearray()
for y in reversed(range(h)):  # bottom-up rows
    row = bytearray(stride)
    for x in range(w):
        if outside(x, y):
            row[x // 2] |= 0x0F << (4 if x % 2 == 0 else 0)
    pixels += row
palette = b"".join(struct.pack("<BBBB", g * 17, g * 17, g * 17, 0) for g in range(16))
offset = 14 + 40 + len(palette)
header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
with open(out, "wb") as f:
    f.write(header + info + palette + pixels)
EOF
}

# --- Title font --------------------------------------------------------------------------------------------
make_font() {
    mkdir -p "$RES/fonts"
    cp "$TITLE_FONT_SRC" "$RES/fonts/Play-Regular.ttf"
    chmod 0644 "$RES/fonts/Play-Regular.ttf"
    # The licence: the copyright stanza of the TrueType files from the package's copyright file,
    # with Debian's continuation markup taken off.
    {
        echo "Play-Regular.ttf, the title font of the Kestrel updater, taken unmodified from Debian's"
        echo "fonts-play package."
        echo
        awk '
            /^Files:/ { inside = ($2 == "Play-*.ttf") ; next }
            inside && /^Copyright:/ { sub(/^Copyright: */, ""); print "Copyright " $0; next }
            inside && /^License:/ { print ""; next }
            inside && /^Comment:/ { print ""; next }
            inside && /^ / { line = substr($0, 2); if (line == ".") line = ""; print line; next }
            /^$/ { inside = 0 }
        ' "$TITLE_COPYRIGHT"
    } >"$RES/fonts/Play-OFL.txt"
    grep -q "SIL OPEN FONT LICENSE Version 1.1" "$RES/fonts/Play-OFL.txt" || fail "no OFL text found in $TITLE_COPYRIGHT"
    fc-scan --format '%{family}\n' "$RES/fonts/Play-Regular.ttf" | head -n 1 >"$RES/fonts/FAMILY.txt"
}

# --- Program icon ------------------------------------------------------------------------------------------
make_icon() {
    local s=256
    accent_gradient 120 120 "$WORK/icon_accent.miff"
    "${IM[@]}" -size 120x120 xc:black -fill white \
        -draw "polygon 60,14 106,62 80,62 80,104 40,104 40,62 14,62" "$WORK/icon_arrow_shape.miff"
    "${IM[@]}" "$WORK/icon_accent.miff" "$WORK/icon_arrow_shape.miff" -alpha off -compose copy_opacity -composite \
        "$WORK/icon_arrow.miff"
    # A graphite keycap seen from above, carrying the accent up-arrow of "update".
    "${IM[@]}" -size ${s}x${s} xc:none -fill '#0D1016' -draw "roundrectangle 8,8 247,247 44,44" "$WORK/icon.miff"
    "${IM[@]}" -size 224x224 "gradient:#3A4456-#1A2029" \
        \( -size 224x224 xc:black -fill white -draw "roundrectangle 0,0 223,223 38,38" \) \
        -alpha off -compose copy_opacity -composite "$WORK/icon_cap.miff"
    place "$WORK/icon.miff" "$WORK/icon_cap.miff" 16 14 "$WORK/icon.miff"
    "${IM[@]}" -size 176x168 "gradient:#2A3242-#202734" \
        \( -size 176x168 xc:black -fill white -draw "roundrectangle 0,0 175,167 28,28" \) \
        -alpha off -compose copy_opacity -composite "$WORK/icon_face.miff"
    place "$WORK/icon.miff" "$WORK/icon_face.miff" 40 30 "$WORK/icon.miff"
    "${IM[@]}" "$WORK/icon_arrow.miff" -resize 136x136 "$WORK/icon_arrow.miff"
    place "$WORK/icon.miff" "$WORK/icon_arrow.miff" 60 44 "$WORK/icon.miff"
    # shellcheck disable=SC2054 # the commas belong to the ImageMagick option values
    local png=(-strip -define png:exclude-chunks=date,time -define png:color-type=6 -depth 8)
    "${IM[@]}" "$WORK/icon.miff" "${png[@]}" "PNG32:$RES/kestrel-icon.png"
    "${IM[@]}" "$WORK/icon.miff" -filter Lanczos -resize 48x48 "${png[@]}" "PNG32:$RES/kestrel-icon-48.png"
}

# --- Checks --------------------------------------------------------------------------------------------------
check_jpeg() { # check_jpeg <file> <w> <h> <baseline|progressive>
    local f="$RES/$1" want=JPEG info
    [[ "$4" == baseline ]] && want=None
    info="$("${IDENTIFY[@]}" -verbose "$f")" || fail "$1 does not decode"
    grep -q "^  Format: JPEG" <<<"$info" || fail "$1 is not a JPEG"
    grep -q "^  Geometry: $2x$3+0+0" <<<"$info" || fail "$1 is not $2 x $3"
    grep -q "^  Interlace: $want\$" <<<"$info" || fail "$1 is not $4 JPEG"
    grep -q "^  Colorspace: sRGB" <<<"$info" || fail "$1 is not an RGB JPEG"
}

check_mask() { # check_mask <file> <w> <h>: 4-bit, 16 greys, white only in the corners
    python3 - "$RES/$1" "$2" "$3" <<'EOF' || fail "$1 is not the mask it should be"
import struct, sys

path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
assert len(data) >= 54 and data[:2] == b"BM", "no BM header"
size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
hsize, bw, bh, planes, bits, comp, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
assert size == len(data), "file size field"
assert (hsize, bw, bh, planes, bits, comp, used) == (40, w, h, 1, 4, 0, 16), "header"
palette = data[54:54 + 64]
for i in range(16):
    b, g, r, _ = palette[4 * i:4 * i + 4]
    assert r == g == b, "palette entry %d is not grey" % i
stride = ((w * 4 + 31) // 32) * 4
assert offset + stride * h == len(data), "pixel data size"
white = 0
for row in range(h):
    y = h - 1 - row
    for x in range(w):
        byte = data[offset + row * stride + x // 2]
        index = (byte >> 4) if x % 2 == 0 else (byte & 0x0F)
        r, g, b = palette[4 * index + 2], palette[4 * index + 1], palette[4 * index]
        is_white = (r, g, b) == (255, 255, 255)
        corner = (x < 8 or x >= w - 8) and (y < 8 or y >= h - 8)
        assert not is_white or corner, "white outside the corners at %d,%d" % (x, y)
        assert is_white or (r, g, b) == (0, 0, 0), "grey pixel at %d,%d" % (x, y)
        white += is_white
for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
    byte = data[offset + (h - 1 - y) * stride + x // 2]
    index = (byte >> 4) if x % 2 == 0 else (byte & 0x0F)
    assert index == 15, "corner %d,%d is not outside" % (x, y)
assert white < 4 * 40, "corners too large"
EOF
    local info
    info="$("${IDENTIFY[@]}" -verbose "$RES/$1")" || fail "$1 does not decode"
    grep -q "^  Class: PseudoClass" <<<"$info" || fail "$1 is not a palette picture"
    grep -q "^  Depth: 4-bit" <<<"$info" || fail "$1 is not 4 bits per pixel"
    grep -q "^  Colormap entries: 16\$" <<<"$info" || fail "$1 has no 16-entry palette"
}

check_all() {
    local f
    for f in main.jpg main_hover.jpg main_disabled.jpg; do check_jpeg "$f" 500 384 progressive; done
    check_jpeg strip_empty.jpg 500 16 progressive
    check_jpeg strip_full.jpg 500 16 progressive
    check_jpeg bar_icon.jpg 16 15 baseline
    for f in success success_hover success_disabled failure failure_hover failure_disabled; do
        check_jpeg "$f.jpg" 436 269 progressive
    done
    for f in latest latest_hover latest_disabled; do check_jpeg "$f.jpg" 436 269 baseline; done
    check_mask main_mask.bmp 500 384
    check_mask dialog_mask.bmp 436 269
    local family
    family="$(cat "$RES/fonts/FAMILY.txt")"
    [[ "$family" == Play ]] || fail "title font family is '$family'"
    [[ "$(fc-scan --format '%{fontformat}' "$RES/fonts/Play-Regular.ttf")" == TrueType ]] || fail "title font is not TrueType"
    [[ "$("${IDENTIFY[@]}" -format '%wx%h' "$RES/kestrel-icon.png")" == 256x256 ]] || fail "kestrel-icon.png is not 256 x 256"
    [[ "$("${IDENTIFY[@]}" -format '%wx%h' "$RES/kestrel-icon-48.png")" == 48x48 ]] || fail "kestrel-icon-48.png is not 48 x 48"
    local total
    total="$(cat "$RES"/*.jpg "$RES"/*.bmp "$RES"/kestrel-icon*.png "$RES"/fonts/* | wc -c)"
    ((total < 1000000)) || fail "the assets take $total bytes"
    echo "make-assets: all pictures, masks, font and icon checked ($total bytes)"
}

make_strips
make_main
make_dialogs
make_mask 500 384 5 "$RES/main_mask.bmp"
make_mask 436 269 5 "$RES/dialog_mask.bmp"
make_font
make_icon
check_all
