#!/usr/bin/env bash
# Remakes the pictures of the Windows gfx tests (ImageMagick): a 37 x 21 picture of four flat
# quadrants as a baseline and as a progressive JPEG, and a small icon picture for the icon rule.
# The quadrants' colours are the ones the tests expect (tests/gfx/win32/PictureOleTest.cpp).
set -euo pipefail
cd "$(dirname "$0")"

quadrants() {
    convert \( -size 19x11 xc:'rgb(220,30,30)' -size 18x11 xc:'rgb(30,200,60)' +append \) \
            \( -size 19x10 xc:'rgb(40,60,210)' -size 18x10 xc:'rgb(230,230,230)' +append \) \
            -append -strip -quality 92 -sampling-factor 2x2 "$@"
}
quadrants -interlace none baseline.jpg
quadrants -interlace JPEG progressive.jpg
convert -size 64x64 xc:'rgb(20,90,160)' -fill 'rgb(240,180,40)' -draw 'circle 32,32 32,12' -strip icon.png
