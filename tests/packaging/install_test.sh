#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop reads:
# the programs, the desktop entry, the AppStream metadata, the icons and the
# manual pages.
#   install_test.sh <build folder>
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr

for file in bin/vistrel-preview bin/vistrel-export \
            share/applications/vistrel-preview.desktop \
            share/metainfo/io.github.vistrel.RecordsPreview.metainfo.xml \
            share/icons/hicolor/scalable/apps/vistrel-preview.svg \
            share/icons/hicolor/48x48/apps/vistrel-preview.png \
            share/icons/hicolor/256x256/apps/vistrel-preview.png \
            share/man/man1/vistrel-preview.1 share/man/man1/vistrel-export.1; do
  [ -s "$usr/$file" ] || { echo "missing: $file" >&2; exit 1; }
done

desktop-file-validate "$usr/share/applications/vistrel-preview.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/io.github.vistrel.RecordsPreview.metainfo.xml"
grep -qx 'Exec=vistrel-preview %f' "$usr/share/applications/vistrel-preview.desktop"
grep -qx 'Icon=vistrel-preview' "$usr/share/applications/vistrel-preview.desktop"
for page in vistrel-preview vistrel-export; do
  MANWIDTH=80 man -l "$usr/share/man/man1/$page.1" 2>&1 >/dev/null | (! grep .)
done

# The installed programs start; --version touches nothing.
export HOME=$stage/home XDG_DATA_HOME=$stage/home/data
mkdir -p "$HOME"
"$usr/bin/vistrel-export" --version | grep -q '^vistrel-export '
"$usr/bin/vistrel-preview" --version | grep -q '^vistrel-preview '
"$usr/bin/vistrel-preview" --help | grep -q 'Program folder'
[ ! -e "$HOME/data" ] || { echo "--version or --help created $HOME/data" >&2; exit 1; }
echo "install test passed"
