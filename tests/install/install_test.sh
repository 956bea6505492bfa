#!/bin/bash
# Installs the build into a temporary prefix (with --strip, which must leave kestrel-demo whole),
# runs the installed programs, builds the .deb and checks what it holds and depends on.
#   install_test.sh BUILD_DIR CMAKE CPACK
set -eu

build=$1
cmake=$2
cpack=$3

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' INT TERM HUP
prefix=$tmp/prefix
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_in TEXT NEEDLE WHAT
expect_in() {
    case $1 in
        *"$2"*) ;;
        *) fail "$3: '$2' missing in:"$'\n'"$1" ;;
    esac
}

# The updater's single-instance guard lives in XDG_RUNTIME_DIR: a folder of our own keeps any other
# updater running on this machine from turning our runs into silent second instances.
export XDG_RUNTIME_DIR=$tmp
export KESTREL_DISPLAY=headless

"$cmake" --install "$build" --prefix "$prefix" --strip > "$tmp/install.log" ||
    { cat "$tmp/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

installed_files=(
    bin/kestrel
    bin/kestrel-pack
    bin/kestrel-demo
    share/man/man1/kestrel.1
    share/man/man1/kestrel-pack.1
    share/applications/kestrel-demo.desktop
    share/icons/hicolor/256x256/apps/kestrel.png
    share/icons/hicolor/48x48/apps/kestrel.png
    share/doc/kestrel/README.md
)
for f in "${installed_files[@]}"; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for f in kestrel kestrel-pack kestrel-demo; do
    [ -x "$prefix/bin/$f" ] || fail "not executable: bin/$f"
done

# --strip did run (the updater lost its symbol table) ...
if readelf -S "$prefix/bin/kestrel" | grep -q '\.symtab'; then
    fail "bin/kestrel still has its symbol table: --strip did not strip, so the next check proves nothing"
fi
# ... and left the demo updater's package in place.
usage=$("$prefix/bin/kestrel-demo" '/?' 2>&1) || fail "kestrel-demo /? ended with $?"
expect_in "$usage" "Orvane Kestrel V1.00" "kestrel-demo /?"
expect_in "$usage" "-silent" "kestrel-demo /?"
cmp -s "$build/bin/kestrel-demo" "$prefix/bin/kestrel-demo" || fail "the installed kestrel-demo differs from the built one"
listing=$("$prefix/bin/kestrel-pack" --list "$prefix/bin/kestrel-demo" 2>&1) || fail "kestrel-pack --list on the installed kestrel-demo: $listing"
expect_in "$listing" "title:        Kestrel K75" "installed kestrel-demo's package"
expect_in "$listing" "entry 2: \"Français\"" "installed kestrel-demo's package"
rules=$("$prefix/bin/kestrel-pack" --udev-rules "$prefix/bin/kestrel-demo" 2>&1) || fail "kestrel-pack --udev-rules: $rules"
expect_in "$rules" 'ATTRS{idVendor}=="37a1", ATTRS{idProduct}=="0f01", TAG+="uaccess"' "udev rules of the installed demo"

# The installed demo updates the simulated keyboard.
KESTREL_HID=sim KESTREL_SIM='time-scale=20' timeout 60 "$prefix/bin/kestrel-demo" -silent > "$tmp/silent.log" 2>&1 ||
    fail "KESTREL_HID=sim kestrel-demo -silent ended with $?: $(cat "$tmp/silent.log")"

desktop=$(cat "$prefix/share/applications/kestrel-demo.desktop")
expect_in "$desktop" "Exec=env KESTREL_HID=sim kestrel-demo" "desktop entry"
expect_in "$desktop" "Icon=kestrel" "desktop entry"

# The Debian package.
timeout 120 "$cpack" --config "$build/CPackConfig.cmake" -B "$tmp/cpack" > "$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
debs=("$tmp"/cpack/*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: cpack made no .deb" >&2; exit 1; }
deb=${debs[0]}
contents=$(dpkg-deb --contents "$deb")$'\n'
for f in "${installed_files[@]}"; do
    expect_in "$contents" "./usr/$f"$'\n' "dpkg-deb --contents"
done
dpkg-deb -x "$deb" "$tmp/unpacked"
if readelf -S "$tmp/unpacked/usr/bin/kestrel" | grep -q '\.symtab'; then
    fail "the packaged kestrel still has its symbol table: CPack did not strip"
fi
cmp -s "$build/bin/kestrel-demo" "$tmp/unpacked/usr/bin/kestrel-demo" || fail "the packaged kestrel-demo differs from the built one"

# Every library the programs link directly (their NEEDED entries; what those load in turn is their
# own packages' business) comes from a package the .deb depends on.
depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "the .deb has no Depends"
depends_names=" $(echo "$depends" | sed 's/([^)]*)//g; s/[,|]/ /g' | tr -s ' ') "
for exe in kestrel kestrel-pack; do
    loaded=$(ldd "$build/bin/$exe")
    for soname in $(readelf -d "$build/bin/$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        lib=$(echo "$loaded" | awk -v name="$soname" '$1 == name && $2 == "=>" { print $3 }')
        owner=""
        for candidate in "$lib" "$(readlink -f "$lib")" "/usr$lib" "${lib#/usr}"; do
            owner=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1)
            [ -n "$owner" ] && break
        done
        if [ -z "$owner" ]; then
            fail "$exe needs $soname ($lib), which no installed package owns"
            continue
        fi
        expect_in "$depends_names" " $owner " "Depends of the .deb (for $soname of $exe)"
    done
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install test passed: $deb"
