#!/usr/bin/env bash
# Sets everything up, writes the demo archive on first use, and starts the
# viewer. Extra arguments go to vistrel-preview (e.g. an archive folder, or
# --drive C:=/path).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
build=${VISTREL_BUILD_DIR:-$here/build}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "run: start it from a desktop session, or under a virtual one: xvfb-run -a $0" >&2
  exit 2
fi

args=("$@")
# Drive C is the user's when a --drive C:= or an archive FOLDER is given.
user_maps_c=0
after_drive=0
for a in "${args[@]}"; do
  case "$a" in
    [cC]:=*|--drive=[cC]:=*) user_maps_c=1 ;;
    --drive) ;;
    -*) ;;
    *) [ "$after_drive" -eq 1 ] || user_maps_c=1 ;;
  esac
  if [ "$a" = --drive ]; then after_drive=1; else after_drive=0; fi
done
if [ "$user_maps_c" -eq 0 ] && [ -z "${VISTREL_DRIVE_C:-}" ]; then
  demo=${VISTREL_DEMO_DIR:-$here/demo/drive_c}
  if [ ! -d "$demo/Program Files/Vistrel/Records" ]; then
    echo "run: writing the demo archive into $demo"
    "$build/tools/vistrel-demo-archive" "$demo"
  fi
  args=(--drive "C:=$demo" "${args[@]}")
  # Started on drive C the viewer opens at the records root; started
  # elsewhere it opens the folder it was started in.
  cd "$demo"
fi
exec "$build/app/vistrel-preview" "${args[@]}"
