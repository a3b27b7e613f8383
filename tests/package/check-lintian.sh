#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages of a Release tree with cpack and checks them as a
# packager would: lintian with no error and no warning (the tags listed in
# lintian-accepted.txt are explained in docs/DESIGN.md), and hardening-check
# on every program (when devscripts is installed). Exit 77 (skipped) when lintian is missing.
set -euo pipefail
build=$1
here=$(dirname "$0")
if ! command -v lintian > /dev/null; then
  echo "lintian not found (package lintian): skipped"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" > "$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
debs=("$out"/*.deb)
echo "packages: ${debs[*]##*/}"
suppress=$( (grep -v '^#' "$here/lintian-accepted.txt" || true) | paste -sd, -)
lintian --fail-on error,warning --tag-display-limit 0 ${suppress:+--suppress-tags "$suppress"} \
  "${debs[@]}"

if command -v hardening-check > /dev/null; then
  mkdir "$out/root"
  for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$out/root"; done
  # Control-flow protection is compiled in, but Debian 12's C start files lack
  # the IBT/SHSTK note, so no program linked there carries it (ls neither).
  hardening-check --quiet --nocfprotection "$out"/root/usr/bin/*
else
  echo "hardening-check not found (package devscripts): not checked"
fi
