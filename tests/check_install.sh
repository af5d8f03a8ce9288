#!/usr/bin/env bash
# Checks what `cmake --install` and the Debian package put on a machine.
#   check_install.sh tree     <build dir> <root> <application id> <binary>
#   check_install.sh desktop  <root> <application id>
#   check_install.sh metainfo <root> <application id>
#   check_install.sh package  <build dir> <work dir> <application id> <binary>
# Exits 77 (skipped) when a tool it needs is not installed.
set -euo pipefail

fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
skip() { printf 'SKIPPED: %s\n' "$*" >&2; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed ($2)"; }

# The files an installation consists of, relative to its root; the command
# line converter's manual page when the build made one (help2man).
expected_files() {
    local id=$1 binary=$2
    {
        [ ! -f "$build/packaging/zezu-convert.1" ] || echo "usr/share/man/man1/zezu-convert.1"
        printf '%s\n' \
            "usr/bin/$binary" \
            "usr/bin/zezu-convert" \
            "usr/share/applications/$id.desktop" \
            "usr/share/icons/hicolor/16x16/apps/$id.png" \
            "usr/share/icons/hicolor/32x32/apps/$id.png" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" \
            "usr/share/metainfo/$id.metainfo.xml"
    } | sort
}

png_size() {
    # Width and height are the big-endian words at bytes 16 and 20.
    local b
    b=($(od -An -tu1 -j16 -N8 "$1"))
    echo "$(( (b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3] ))x$(( (b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7] ))"
}

check_tree() {
    local root=$1 id=$2 binary=$3
    local found
    found=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
    [ "$found" = "$(expected_files "$id" "$binary")" ] \
        || fail "installed files differ from the expected ones:
$(diff <(expected_files "$id" "$binary") <(printf '%s\n' "$found") || true)"
    [ -x "$root/usr/bin/$binary" ] || fail "usr/bin/$binary is not executable"
    local icons=$root/usr/share/icons/hicolor
    [ "$(png_size "$icons/16x16/apps/$id.png")" = 16x16 ] || fail "16x16 icon has another size"
    [ "$(png_size "$icons/32x32/apps/$id.png")" = 32x32 ] || fail "32x32 icon has another size"
    grep -q '<svg ' "$icons/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"

    # The entry starts the installed binary and names the installed icon;
    # the metainfo names the entry.
    local entry=$root/usr/share/applications/$id.desktop
    grep -qx "Exec=$binary %f" "$entry" || fail "Exec= does not name $binary with its file"
    grep -qx "MimeType=text/plain;" "$entry" || fail "MimeType= does not offer plain text"
    grep -qx "Icon=$id" "$entry" || fail "Icon= does not name $id"
    local meta=$root/usr/share/metainfo/$id.metainfo.xml
    grep -q "<id>$id</id>" "$meta" || fail "metainfo id is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$meta" \
        || fail "metainfo does not launch $id.desktop"
    grep -q "<binary>$binary</binary>" "$meta" || fail "metainfo does not provide $binary"

    # The command line converter needs no display: no Qt library but QtCore.
    local convert=$root/usr/bin/zezu-convert
    [ -x "$convert" ] || fail "usr/bin/zezu-convert is not executable"
    local needed
    needed=$(objdump -p "$convert" | awk '/NEEDED/ {print $2}')
    grep -q '^libQt6Core' <<<"$needed" || fail "zezu-convert does not link QtCore: $needed"
    ! grep -Eq '^libQt6(Gui|Widgets)' <<<"$needed" || fail "zezu-convert links more than QtCore"
    [ "$(printf 'a b\r\n' | env -u DISPLAY -u WAYLAND_DISPLAY "$convert")" = $'a&nbsp;b\r' ] \
        || fail "zezu-convert does not convert without a display"
    local man=$root/usr/share/man/man1/zezu-convert.1
    [ ! -f "$man" ] || grep -q '^\.TH ZEZU-CONVERT "1"' "$man" \
        || fail "the manual page of zezu-convert is no manual page"
}

mode=${1:-}
case "$mode" in
    tree)
        build=$2 root=$3 id=$4 binary=$5
        rm -rf "$root"
        DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
        check_tree "$root" "$id" "$binary"
        echo "installed: $(expected_files "$id" "$binary" | tr '\n' ' ')"
        ;;
    desktop)
        root=$2 id=$3
        need desktop-file-validate "Debian package desktop-file-utils"
        desktop-file-validate "$root/usr/share/applications/$id.desktop"
        echo "desktop entry valid"
        ;;
    metainfo)
        root=$2 id=$3
        need appstreamcli "Debian package appstream"
        appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml"
        ;;
    package)
        build=$2 work=$3 id=$4 binary=$5
        need dpkg-deb "Debian package dpkg"
        need dpkg-shlibdeps "Debian package dpkg-dev"
        rm -rf "$work"
        mkdir -p "$work"
        cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
        debs=("$work"/*.deb)
        [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
        deb=${debs[0]}
        mkdir "$work/root"
        dpkg-deb -x "$deb" "$work/root"
        check_tree "$work/root" "$id" "$binary"
        depends=$(dpkg-deb -f "$deb" Depends)
        for d in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins \
                 qt6-translations-l10n fonts-liberation fonts-dejavu-core; do
            [[ ", $depends," == *", $d"[\ ,]* ]] || fail "Depends lacks $d: $depends"
        done
        echo "$(basename "$deb"): Depends: $depends"
        ;;
    *)
        fail "usage: $0 tree|desktop|metainfo|package ..."
        ;;
esac
