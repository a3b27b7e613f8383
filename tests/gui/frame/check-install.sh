#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build tree into a fresh prefix and checks the install as a user
# and a packager meet it: the three programs with --version, their manual
# pages, the desktop entry (desktop-file-validate), the AppStream metainfo
# (appstreamcli validate --no-net), the icons, the udev rule, the copyright files and changelogs.
# Then, as a user with only HOME and XDG_CONFIG_HOME set, lumarel-cli and the
# program find the simulated camera through the user's settings file, and
# nothing is written to the working folder or the prefix, nor in the home
# folder outside the settings and the preview cache.
# Exit 77 (skipped) when desktop-file-validate or appstreamcli is missing.
set -euo pipefail
build=$1
root=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
prefix="$root/prefix"
cmake --install "$build" --prefix "$prefix" > /dev/null

fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }
for program in lumarel lumarel-cli vidmarelle-sim; do
  check test -x "$prefix/bin/$program"
  check test -f "$prefix/share/man/man1/$program.1.gz"
  version=$("$prefix/bin/$program" --version 2>&1 || true)
  check test "${version%% *}" = "$program"
done
entry="$prefix/share/applications/lumarel.desktop"
metainfo="$prefix/share/metainfo/io.github.lumarel.Lumarel.metainfo.xml"
check test -f "$entry"
check test -f "$metainfo"
check grep -qx 'Exec=lumarel %F' "$entry"
check grep -qx 'MimeType=image/jpeg;image/bmp;' "$entry"
icon_name=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon_name.png"
  check test -f "$icon"
  check test "$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')" = \
    "$(printf '%08x%08x' "$size" "$size")"
done
check test -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg"
check test -f "$prefix/lib/udev/rules.d/60-lumarel-usb-serial.rules"
for package in lumarel lumarel-sim; do
  check test -f "$prefix/share/doc/$package/copyright"
  check test -f "$prefix/share/doc/$package/changelog.gz"
done

# A user with only HOME and XDG_CONFIG_HOME; the camera behind COM1 of the
# user's settings file. The program's own offscreen display is the only addition.
home="$root/home"
work="$root/work"
run="$root/run"  # the user's runtime folder: the single-instance socket, scratch files
mkdir -p "$home/.config/lumarel" "$work"
mkdir -m 700 "$run"
"$prefix/bin/vidmarelle-sim" --generate 3 --link "$root/camera" > /dev/null &
sim_pid=$!
for _ in $(seq 100); do [ -L "$root/camera" ] && break; sleep 0.1; done
printf '[Ports]\nCOM1=%s\nCOM2=\nCOM3=\nCOM4=\n' "$root/camera" > "$home/.config/lumarel/zelcam.ini"
touch "$root/stamp"
user() { (cd "$work" && env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$run" "$@"); }
# A wrong option is refused before Qt looks for a display.
set +e
user "$prefix/bin/lumarel" --bogus > /dev/null 2>&1
check test $? -eq 2
set -e
info=$(user "$prefix/bin/lumarel-cli" info 2>&1 || true)
check grep -q '^pictures: 3$' <<< "$info"
# The program reports the complete picture list, then ends on SIGTERM as on a
# normal exit (its scratch folder goes with it).
(cd "$work" && exec env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$run" \
   QT_QPA_PLATFORM=offscreen LUMAREL_REPORT_LIST=1 "$prefix/bin/lumarel") > "$root/gui.out" 2>&1 &
gui_pid=$!
for _ in $(seq 600); do grep -q 'list loaded' "$root/gui.out" && break; sleep 0.1; done
check grep -q 'list loaded' "$root/gui.out"
# A second program hands its file to the running one and ends at once.
check user env QT_QPA_PLATFORM=offscreen "$prefix/bin/lumarel" "$work/../missing.jpg"
kill -TERM "$gui_pid"
wait "$gui_pid" || true
# SIGTERM (logout) writes the settings as a normal exit does.
check grep -q '^FRAME=' "$home/.config/lumarel/zelcam.ini"
check test -z "$(ls -d /tmp/lumarel-"$gui_pid"-* "$run"/lumarel-"$gui_pid"-* 2>/dev/null)"
check test -z "$(ls -A "$work")"
check test -z "$(find "$prefix" -newer "$root/stamp")"
check test -z "$(find "$home" -mindepth 1 -newer "$root/stamp" ! -path "$home/.config/lumarel*" \
  ! -path "$home/.cache" ! -path "$home/.cache/lumarel*")"
[ "$fail" -eq 0 ] || exit 1

for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" > /dev/null; then
    echo "$tool not found (packages desktop-file-utils, appstream): skipped"
    exit 77
  fi
done
desktop-file-validate "$entry"
appstreamcli validate --no-net "$metainfo"
