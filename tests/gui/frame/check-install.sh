#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and checks the desktop install:
# the three programs, the manual page, the desktop entry (desktop-file-validate)
# and the icon the entry names. Exit 77 (skipped) without desktop-file-validate.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }
for program in lumarel lumarel-cli vidmarelle-sim; do
  check test -x "$prefix/bin/$program"
done
check test -f "$prefix/share/man/man1/lumarel-cli.1"
entry="$prefix/share/applications/lumarel.desktop"
check test -f "$entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon_name=$(sed -n 's/^Icon=//p' "$entry")
check test "$exec_name" = lumarel
icon="$prefix/share/icons/hicolor/32x32/apps/$icon_name.png"
check test -f "$icon"
check cmp -s "$icon" "$(dirname "$0")/../../../resources/icons/FRAME_ICON.png"
check test "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a
[ "$fail" -eq 0 ] || exit 1

if ! command -v desktop-file-validate > /dev/null; then
  echo "desktop-file-validate not found (package desktop-file-utils): skipped"
  exit 77
fi
desktop-file-validate "$entry"
