#!/usr/bin/env bash
# zetrova-cli clip on a real Wayland clipboard without X11: sway's headless backend, run as a user
# who is not root (nobody, when started as root) with a runtime folder of its own. The value is
# offered with the password-manager hint, cleared when the time is up or on SIGTERM, and left alone
# when another program has copied something meanwhile; wl-paste reads what a pasting program gets.
# Also checks that the log goes to the user's state folder where the executable's folder is not
# writable. Exits 77 (skipped) where no headless compositor can start.
set -euo pipefail
cli=$(realpath "$1")
for tool in sway wl-paste wl-copy; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
work=$(mktemp -d)
sway_pid=
cleanup() {
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$work"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 700 "$work"
# Only what a Wayland session without X11 has: no DISPLAY.
session=(env -i "PATH=/usr/bin:/bin" "HOME=$work" "XDG_RUNTIME_DIR=$work")
run() { "${as[@]}" "${session[@]}" "WAYLAND_DISPLAY=$display" "$@"; }

"${as[@]}" "${session[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c /dev/null >"$work/sway.log" 2>&1 &
sway_pid=$!
display=
for _ in $(seq 100); do
  socket=$(find "$work" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' | head -1)
  [ -n "$socket" ] && { display=$socket; break; }
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "no headless Wayland compositor could start: skipped"
  cat "$work/sway.log"
  exit 77
fi

# A data file with a secret and a plain item, made by the tool itself.
cd "$work"
verifier=$(echo pw | run "$cli" verifier)
printf '[CONFIG]\r\nDATA=%s/Zetrova.dat\r\nKEY=%s\r\nONTASKBAR=0\r\n' "$work" "$verifier" >Zetrova.ini
printf '<?xml version="1.0" encoding="Shift_JIS"?>\n<group name="root"><secret name="pin">s3cret value</secret><item name="plain">plain value</item></group>\n' >in.xml
chown --reference="$work" Zetrova.ini in.xml
echo pw | run "$cli" import in.xml >/dev/null

paste() { run timeout 10 wl-paste --no-newline "$@" 2>/dev/null; }
wait_for() {  # wait_for TEXT: until the clipboard holds TEXT (at most 10 s)
  for _ in $(seq 100); do [ "$(paste || true)" = "$1" ] && return 0; sleep 0.1; done
  echo "the clipboard never held '$1' (it holds '$(paste || true)')"
  return 1
}
failed=0
check() { [ "$2" = "$3" ] || { echo "FAIL $1: got '$2', expected '$3'"; failed=1; }; }

# item, timeout, what happens then, what the clipboard holds afterwards ("" = nothing), message.
while IFS='|' read -r item timeout then left said; do
  run timeout 10 wl-copy "before"
  wait_for "before"
  # setpriv and env start the program in their own process: $! is the program's id.
  "${as[@]}" "${session[@]}" "WAYLAND_DISPLAY=$display" "$cli" clip "$item" --timeout "$timeout" \
    <<<pw >"$work/out" 2>"$work/err" &
  clip=$!
  value=$([ "$item" = /pin ] && echo "s3cret value" || echo "plain value")
  wait_for "$value" || failed=1
  check "$item hint" "$(paste --type x-kde-passwordManagerHint || true)" "secret"
  case $then in
    copy) run timeout 10 wl-copy "$left" ;;
    term) kill -TERM "$clip" ;;
  esac
  for _ in $(seq 300); do kill -0 "$clip" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$clip" 2>/dev/null && { echo "FAIL $item $then: still running"; kill -KILL "$clip"; }
  status=0
  wait "$clip" || status=$?
  check "$item $then status" "$status" 0
  grep -q "$said" "$work/err" || { echo "FAIL $item $then: said $(cat "$work/err")"; failed=1; }
  check "$item $then clipboard" "$(paste || true)" "$left"
done <<'CASES'
/pin|2|wait||clipboard cleared
/plain|30|copy|copied elsewhere|left as it is
/pin|600|term||clipboard cleared
CASES

# The executable's folder is not writable for this user: the log is in the state folder.
if [ "$(id -u)" -eq 0 ]; then
  log="$work/.local/state/zetrova/zetrova-cli.log"
  check "log file mode" "$(stat -c %a "$log" 2>&1)" 600
  check "log folder mode" "$(stat -c %a "$(dirname "$log")" 2>&1)" 700
fi
[ "$failed" -eq 0 ] && echo "clip on a headless Wayland clipboard: all checks passed"
exit "$failed"
