#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what the Debian package is made of: every
# file in its place and nothing else, a desktop entry and AppStream metadata that validate, manual
# pages groff reads without a warning, a completion script bash can parse, and installed programs
# that answer --help.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="./bin/zetrova
./bin/zetrova-cli
./share/applications/io.github.zetrova.zetrova.desktop
./share/bash-completion/completions/zetrova
./share/bash-completion/completions/zetrova-cli
./share/doc/zetrova/changelog.gz
./share/doc/zetrova/copyright"
for size in 128 16 22 24 256 32 48 64; do
  expected+=$'\n'"./share/icons/hicolor/${size}x${size}/apps/zetrova.png"
done
expected+="
./share/icons/hicolor/scalable/apps/zetrova.svg
./share/lintian/overrides/zetrova
./share/man/man1/zetrova-cli.1.gz
./share/man/man1/zetrova.1.gz
./share/metainfo/io.github.zetrova.zetrova.metainfo.xml
./share/zetrova/help/index.html"
actual=$(cd "$prefix" && find . ! -type d | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  echo "installed files differ from the expected list:"
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true
  exit 1
fi

for size in 16 22 24 32 48 64 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/zetrova.png" |
    grep -q "PNG image data, $size x $size" || { echo "icon ${size}x${size} is not that size"; exit 1; }
done

desktop="$prefix/share/applications/io.github.zetrova.zetrova.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "desktop-file-validate: $out"; exit 1; }
grep -qx 'Exec=zetrova --user-folder' "$desktop" || { echo "menu entry without --user-folder"; exit 1; }
appstreamcli validate --no-net --pedantic --no-color \
  "$prefix/share/metainfo/io.github.zetrova.zetrova.metainfo.xml" >/dev/null

for page in zetrova zetrova-cli; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -k -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || { echo "$page.1: $warnings"; exit 1; }
done
bash -n "$prefix/share/bash-completion/completions/zetrova-cli"

# No display is needed for the help texts.
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/zetrova" --help | grep -q -- '--user-folder'
"$prefix/bin/zetrova-cli" --help | grep -q 'passgen'
echo "installed files: $(wc -l <<<"$actual"), all checks passed"
