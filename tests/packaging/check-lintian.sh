#!/usr/bin/env bash
# Packs the Debian package as a release does (cpack: stripped programs) and runs Debian's lintian on
# it with the pedantic tags: any error or warning fails; the remaining information tags are listed.
# Exits 77 (skipped) where lintian is not installed.
set -euo pipefail
build=$1
if ! command -v lintian >/dev/null; then
  echo "lintian is not installed (scripts/setup.sh installs it): skipped"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
deb=$(find "$out" -maxdepth 1 -name '*.deb')
[ -n "$deb" ] || { echo "cpack made no package"; cat "$out/cpack.log"; exit 1; }
report=$(lintian --pedantic --display-info --tag-display-limit 0 "$deb" 2>/dev/null || true)
echo "$report"
if grep -q '^[EW]: ' <<<"$report"; then
  echo "lintian reports errors or warnings on $(basename "$deb")"
  exit 1
fi
echo "lintian: no errors or warnings on $(basename "$deb")"
