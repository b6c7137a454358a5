#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop and
# Debian's checks read: the programs (stripped and hardened), the desktop
# entry and AppStream metadata under one id, the icons, the compressed manual
# pages, the copyright file and the changelog. Then builds the .deb and checks
# its control fields, and runs lintian on it when lintian is installed.
#   install_test.sh <build folder> [ON|OFF: built with the hardening flags]
set -euo pipefail
build=$1
hardened=${2:-ON}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "$*" >&2; exit 1; }

DESTDIR=$stage/root cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/root/usr
id=io.github.vistrel.RecordsPreview
doc=share/doc/vistrel

for file in bin/vistrel-preview bin/vistrel-export \
            share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/vistrel-preview.svg \
            share/icons/hicolor/48x48/apps/vistrel-preview.png \
            share/icons/hicolor/256x256/apps/vistrel-preview.png \
            share/man/man1/vistrel-preview.1.gz share/man/man1/vistrel-export.1.gz \
            $doc/copyright $doc/changelog.Debian.gz; do
  [ -s "$usr/$file" ] || fail "missing: $file"
done
[ -z "$(find "$usr/share/man" -name '*.1')" ] || fail "uncompressed manual page"

desktop-file-validate "$usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
  "$usr/share/metainfo/$id.metainfo.xml" || fail "the metadata launches another desktop id"
grep -q '<screenshot type="default">' "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metadata has no screenshot"
grep -qx 'Exec=vistrel-preview %f' "$usr/share/applications/$id.desktop"
grep -qx 'Icon=vistrel-preview' "$usr/share/applications/$id.desktop"
for page in vistrel-preview vistrel-export; do
  MANWIDTH=80 man -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null | (! grep .)
done
# Machine-readable copyright, a parsable changelog, and the .gz files made
# reproducibly (gzip -n stores no name or time).
head -1 "$usr/$doc/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'
gunzip -c "$usr/$doc/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version | grep -qx '0.1-1'
for gz in "$usr/$doc/changelog.Debian.gz" "$usr"/share/man/man1/*.gz; do
  # The header's flags (no file name) and time stamp (none) are zero.
  [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' ')" = 0000000000 ] ||
    fail "$gz keeps a name or time stamp (not gzip -n)"
done

for program in vistrel-preview vistrel-export; do
  binary=$usr/bin/$program
  info=$(file -b "$binary")
  grep -q 'pie executable' <<<"$info" || fail "$program is not a PIE: $info"
  grep -q ', stripped' <<<"$info" || fail "$program is not stripped: $info"
  # Sanitizer, Debug and VISTREL_HARDEN=OFF builds go without the flags.
  [ "$hardened" = ON ] || continue
  dynamic=$(readelf -d "$binary")
  grep -q 'BIND_NOW\|FLAGS.*NOW' <<<"$dynamic" || fail "$program is not linked with -z now"
  program_headers=$(readelf -lW "$binary")
  grep -q GNU_RELRO <<<"$program_headers" || fail "$program has no read-only relocations"
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program has no stack protector"
  grep -q '__[a-z]*_chk@' <<<"$symbols" || fail "$program uses no fortified function"
done

# The installed programs start; --version touches nothing.
export HOME=$stage/home XDG_DATA_HOME=$stage/home/data
mkdir -p "$HOME"
"$usr/bin/vistrel-export" --version | grep -q '^vistrel-export '
"$usr/bin/vistrel-preview" --version | grep -q '^vistrel-preview '
"$usr/bin/vistrel-preview" --help | grep -q 'Program folder'
[ ! -e "$HOME/data" ] || fail "--version or --help created $HOME/data"

# The package: its description as apt shows it, what it recommends.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$stage/deb" >/dev/null
deb=$(ls "$stage"/deb/vistrel_*.deb)
description=$(dpkg-deb --field "$deb" Description)
! grep -q ';' <<<"$description" || fail "stray separator in the description: $description"
[ -z "$(awk 'length > 80' <<<"$description")" ] || fail "description lines over 80 columns"
[ "$(dpkg-deb --field "$deb" Recommends)" = xdg-utils ] || fail "does not recommend xdg-utils"
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb"
fi
echo "install test passed"
