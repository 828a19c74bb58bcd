#!/usr/bin/env bash
# Starts pairs of zetrova-cli commands that change one data file at the same moment and counts what
# a writer lost: a command that reported success (exit 0) whose change is not in the file (a lost
# update), and a passwd that reported success while the data file does not open under the key the
# settings file's KEY names (an undone key change). Then checks the writers' lock itself: a writer
# that cannot get it waits and refuses, writing nothing; a killed holder leaves it free; the lock
# file lies in the user's runtime folder, never beside the data file.
#
#   scripts/race-writers.sh [PAIRS] [ZETROVA_CLI]   (default: 200, build/src/cli/zetrova-cli)
#
# One line per pairing: runs, runs where both exited 0, commands that refused (exit 1: a passwd
# made the other's key a wrong one, or the lock was not to be had), lost updates, undone key
# changes. Exit status 1 when anything was lost or undone, or a lock check failed.
set -uo pipefail
pairs=${1:-200}
cli=$(realpath "${2:-build/src/cli/zetrova-cli}")
work=$(mktemp -d /tmp/zetrova-race.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; [ -n "${RACE_KEEP:-}" ] || rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
K1=first-key K2=second-key K3=third-key
declare -A verifier
for k in $K1 $K2 $K3; do verifier[$k]=$(printf '%s\n' "$k" | "$cli" verifier); done

# The template every run starts from: /g/x, /h, /old/z, under K1, its DATA relative so it can be
# copied; an export with /imp added, and a copy of the data file with /g/m added.
z() { local key=$1; shift; printf '%s\n' "$key" "$@" | "$cli" "${args[@]}"; }
tpl=$work/template
mkdir "$tpl" && cd "$tpl" || exit 2
printf '%s\n%s\n' $K1 $K1 | "$cli" init >/dev/null
printf '[CONFIG]\nDATA=Zetrova.dat\nKEY=%s\n' "${verifier[$K1]}" >Zetrova.ini
for a in "mkdir /g" "add /g/x" "mkdir /h" "mkdir --parents /old" "add /old/z"; do
  args=($a); z $K1 v >/dev/null
done
cp Zetrova.dat "$work/other.dat"
args=(add /g/m --data "$work/other.dat"); z $K1 m >/dev/null
cp -r "$tpl" "$work/imp" && cd "$work/imp" && args=(mkdir /imp) && z $K1 >/dev/null
args=(export "$work/imp.xml") && z $K1 >/dev/null

# One command of a pair, in the run folder; its messages go to $work/errors.
cmd() {
  case $1 in
    add_a) args=(add /g/a); z $K1 va ;;
    add_b) args=(add /g/b); z $K1 vb ;;
    passwd2) args=(passwd); z $K1 $K2 $K2 ;;
    passwd3) args=(passwd); z $K1 $K3 $K3 ;;
    mkdir) args=(mkdir /n); z $K1 ;;
    rm) args=(rm /g/x); z $K1 ;;
    rmdir) args=(rmdir --recursive /old); z $K1 ;;
    import) args=(import "$work/imp.xml"); z $K1 ;;
    merge) args=(merge "$work/other.dat"); z $K1 ;;
    edit) args=(edit /g/x --rename y); z $K1 ;;
    mv) args=(mv /g/x /h); z $K1 ;;
  esac >/dev/null 2>>"$work/errors"
}
# The key the data file opens under (KEY's first), or nothing.
opening_key() {
  local k
  for k in $(awk -F= '/^KEY=/{print $2}' Zetrova.ini) $K1 $K2 $K3; do
    for kk in $K1 $K2 $K3; do
      [ "$k" = "${verifier[$kk]}" ] && k=$kk
    done
    args=(ls /); z "$k" >/dev/null 2>&1 && { echo "$k"; return; }
  done
}
# has GROUP NAME: whether the group holds a child of that name.
has() { args=(ls "$1"); z "$okey" 2>/dev/null | cut -f2 | grep -qx "$2"; }
# What each command of a pair must have left when it exited 0.
effect() {
  case $1 in
    add_a) has /g a ;; add_b) has /g b ;; mkdir) has / n ;; rm) ! has /g x ;;
    rmdir) ! has / old ;; import) has / imp ;; merge) has /g m ;;
    edit) has /g y && ! has /g x ;; mv) has /h x && ! has /g x ;;
  esac
}
key_of() { case $1 in passwd2) echo $K2 ;; passwd3) echo $K3 ;; esac; }

total_lost=0 total_undone=0
printf '%-16s %5s %8s %8s %6s %7s\n' pairing runs both-ok refused lost undone
# Each pairing, and the commands whose effect must be there when they exit 0 (an add that ran
# before an import is rightly replaced by it; a passwd's effect is checked by the key).
for pairing in add_a:add_b:ab passwd2:add_b:b mkdir:rm:ab import:add_b:a merge:add_b:ab \
  edit:add_b:ab mv:add_b:ab rmdir:add_b:ab passwd2:passwd3: passwd2:import:b; do
  IFS=: read -r a b checked <<<"$pairing"
  both=0 refused=0 lost=0 undone=0
  for ((i = 0; i < pairs; i++)); do
    run=$work/run && rm -rf "$run" && cp -r "$tpl" "$run" && cd "$run" || exit 2
    cmd "$a" & pa=$!
    cmd "$b" & pb=$!
    wait $pa; sa=$?
    wait $pb; sb=$?
    ((both += (sa == 0 && sb == 0), refused += (sa != 0) + (sb != 0)))
    okey=$(opening_key)
    # The data file must open under the key KEY names, and under the new key after a passwd.
    key=$(awk -F= '/^KEY=/{print $2}' Zetrova.ini)
    if [ -z "$okey" ] || [ "$key" != "${verifier[$okey]}" ] ||
      { [[ $a == passwd* ]] && [ $sa -eq 0 ] && [ "$okey" != "$(key_of $a)" ]; }; then
      ((undone++)); continue
    fi
    [[ $checked == *a* ]] && [ $sa -eq 0 ] && ! effect $a && ((lost++))
    [[ $checked == *b* ]] && [ $sb -eq 0 ] && ! effect $b && ((lost++))
  done
  printf '%-16s %5d %8d %8d %6d %7d\n' "$a-$b" "$pairs" $both $refused $lost $undone
  ((total_lost += lost, total_undone += undone))
done
echo "lost updates: $total_lost, undone key changes: $total_undone"
status=0
[ $total_lost -eq 0 ] && [ $total_undone -eq 0 ] || status=1
fail() { echo "lock check failed: $*"; status=1; }

# Where the lock files go: the runtime folder when it is the user's own and private, else the
# fallback (/run/user/UID or /tmp/zetrova-UID); never beside the data file.
run=$work/where && cp -r "$tpl" "$run" && cd "$run" || exit 2
mkdir -m 700 "$work/private" "$work/target" && mkdir -m 755 "$work/open"
ln -s "$work/target" "$work/link"
for case in "$work/private:yes" "$work/open:no" "$work/link:no" "relative:no"; do
  dir=${case%:*} && args=(mkdir "/w$RANDOM$RANDOM")
  XDG_RUNTIME_DIR=$dir z $K1 >/dev/null || fail "a write with XDG_RUNTIME_DIR=$dir"
  got=no && [ -d "$dir/zetrova/locks" ] && got=yes
  [ $got = "${case##*:}" ] || fail "XDG_RUNTIME_DIR=$dir: lock folder there: $got"
done
[ "$(stat -c %a "$work/private/zetrova" "$work/private/zetrova/locks")" = $'700\n700' ] ||
  fail "lock folders not 0700"
fallback=/run/user/$(id -u) && [ -d "$fallback" ] || fallback=/tmp/zetrova-$(id -u)
[ -d "$fallback/zetrova/locks" ] || [ -d "$fallback/locks" ] || fail "no fallback lock folder"

# Another process holding the lock: a writer waits, then refuses, writing nothing.
lockfile=$(ls "$work"/private/zetrova/locks/*)
before=$(sha256sum <Zetrova.dat)
flock -o "$lockfile" sleep 5 & holder=$!
sleep 0.3
start=$(date +%s%N)
msg=$(printf '%s\nv\n' $K1 | XDG_RUNTIME_DIR=$work/private ZETROVA_TEST_LOCK_WAIT_MS=700 \
  "$cli" add /g/waiter 2>&1) && fail "a second writer was not refused"
waited=$((($(date +%s%N) - start) / 1000000))
[[ $msg == *ほかのプログラムが書き込み中のため、書き込みませんでした* ]] || fail "message: $msg"
[ "$waited" -ge 600 ] || fail "the second writer waited only $waited ms"
[ "$(sha256sum <Zetrova.dat)" = "$before" ] || fail "the refused writer changed the data file"
kill $holder

# Writers killed at any moment, holding the lock or not, never leave it held.
for ((i = 0; i < 20; i++)); do
  "$cli" add "/g/k$i" <<<"$K1"$'\n'v >/dev/null 2>&1 & writer=$!
  sleep "$(printf '0.%03d' $((RANDOM % 60)))"; kill -9 $writer 2>/dev/null; wait $writer 2>/dev/null
done
args=(add /g/after) && ZETROVA_TEST_LOCK_WAIT_MS=1000 z $K1 v >/dev/null ||
  fail "a killed writer left the lock held"
leftover=$(ls -A | grep -vx -e Zetrova.ini -e Zetrova.dat | grep -v zetrova-partial-)
[ -z "$leftover" ] || fail "beside the data file: $leftover"
exit $status
