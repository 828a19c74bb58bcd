#!/usr/bin/env bash
# Takes the screenshot the AppStream metadata points to (packaging/screenshots/main-window.png):
# the program with made-up sample data under Xvfb, the group 銀行 chosen with the keyboard.
# Needs a build (build/) and the packages of setup.sh; runs under the desktop tests' lock.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${ZETROVA_IN_XVFB:-}" ]; then
  exec env ZETROVA_IN_XVFB=1 flock -o /tmp/zetrova-desktop-tests.lock \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
cat > sample.xml <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<group name="root">
  <group name="銀行">
    <item name="支店">本店営業部</item>
    <item name="口座番号">1234567</item>
    <secret name="暗証番号">0000</secret>
    <item name="電話窓口">0120-000-000</item>
    <group name="ネットバンキング">
      <item name="ログインID">taro.yamada</item>
      <secret name="パスワード">Xk3#pQ9@</secret>
    </group>
  </group>
  <group name="メール">
    <item name="アドレス">taro@example.jp</item>
    <secret name="パスワード">m4Il-pw=2</secret>
  </group>
  <group name="ショッピング"><item name="会員番号">A-0042</item></group>
  <group name="会員証"/>
</group>
XML
cli="$src/build/src/cli/zetrova-cli"
printf '[CONFIG]\nDATA=Zetrova.dat\nKEY=%s\nONTASKBAR=0\n' "$(echo demo | "$cli" verifier)" > Zetrova.ini
: > Zetrova.dat
echo demo | "$cli" import sample.xml

# xdotool matches Japanese window names only through getwindowname.
byname() {
  local w
  for w in $(xdotool search --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return; }
  done
}
XDG_RUNTIME_DIR="$work" env -u LANG -u LC_ALL "$src/build/src/app/zetrova" & pid=$!
key=
for _ in $(seq 300); do
  notice=$(byname 通知)  # no notification area under Xvfb
  [ -n "$notice" ] && { xdotool windowfocus "$notice"; xdotool key Return; }
  key=$(byname 認証)
  [ -n "$key" ] && break
  sleep 0.2
done
[ -n "$key" ] || { echo "no key dialog"; exit 1; }
xdotool windowfocus "$key"; xdotool type demo; xdotool key Return; sleep 1.5
main=$(byname "情報管理ツール Zetrova Zetrova.dat")
xdotool windowfocus "$main"; sleep 0.3
xdotool mousemove --window "$main" 40 47 click 1; sleep 0.3  # the root group
xdotool key Down Right Return; sleep 0.8                      # 銀行, opened and chosen
xdotool mousemove 2000 2000; sleep 0.3
mkdir -p "$src/packaging/screenshots"
import -window "$main" "$src/packaging/screenshots/main-window.png"
echo "packaging/screenshots/main-window.png: $(identify -format '%wx%h' "$src/packaging/screenshots/main-window.png")"
