#!/usr/bin/env bash
# scripts/race-writers.sh [PAIRS] [ZETROVA_CLI]: pairs of zetrova-cli commands at once on one data
# file (default 200). Counts lost updates (exit 0, the change not in the file) and undone key
# changes (the file does not open under KEY's key, or not under a passwd's that exited 0); checks
# the writers' lock: where its file goes, a writer refused after its wait, killed writers.
set -uo pipefail
pairs=${1:-200}
cli=$(realpath "${2:-build/src/cli/zetrova-cli}")
work=$(mktemp -d /tmp/zetrova-race.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
declare -A verifier key_of=([passwd2]=K2 [passwd3]=K3)
for k in K1 K2 K3; do verifier[$k]=$(echo $k | "$cli" verifier); done
# z KEY LINE... -- ARGS: runs zetrova-cli ARGS with the key and the lines after it as input.
z() { local lines=(); while [ "$1" != -- ]; do lines+=("$1"); shift; done; shift
  printf '%s\n' "${lines[@]}" | "$cli" "$@"; }
fresh() { rm -rf "$work/run" && cp -r "$work/tpl" "$work/run" && cd "$work/run" || exit 2; }

# Each run's template (/g/x /h /old/z, under K1), an export with /imp, a copy with /g/m added.
mkdir "$work/tpl" && cd "$work/tpl" && z K1 K1 -- init >/dev/null || exit 2
printf '[CONFIG]\nDATA=Zetrova.dat\nKEY=%s\n' "${verifier[K1]}" >Zetrova.ini
for a in "mkdir /g" "add /g/x" "mkdir /h" "mkdir -p /old" "add /old/z"; do z K1 v -- $a; done
cp Zetrova.dat ../other.dat && z K1 m -- add /g/m --data ../other.dat
z K1 -- mkdir /imp && z K1 -- export ../imp.xml && z K1 -- rmdir /imp || exit 2

# Each command of the pairs: what it reads after the key, and what it leaves when it exits 0.
declare -A cmds=([add_a]="va -- add /g/a" [add_b]="vb -- add /g/b" [mkdir]="-- mkdir /n"
  [rm]="-- rm /g/x" [rmdir]="-- rmdir --recursive /old" [import]="-- import $work/imp.xml"
  [merge]="-- merge $work/other.dat" [edit]="-- edit /g/x --rename y" [mv]="-- mv /g/x /h"
  [passwd2]="K2 K2 -- passwd" [passwd3]="K3 K3 -- passwd")
declare -A effects=([add_a]="has /g a" [add_b]="has /g b" [mkdir]="has / n" [rm]="! has /g x"
  [rmdir]="! has / old" [import]="has / imp" [merge]="has /g m" [edit]="has /g y && ! has /g x"
  [mv]="has /h x && ! has /g x")
has() { z "$okey" -- ls "$1" 2>/dev/null | cut -f2 | grep -qx "$2"; }
status=0 && printf '%-16s %5s %8s %8s %5s %7s\n' pairing runs both-ok refused lost undone
# Each pairing with the commands whose change is checked (an add before an import is rightly
# replaced by it). A refusal (exit 1): a passwd made the other's key wrong, or the lock was busy.
for pairing in add_a:add_b:ab passwd2:add_b:b mkdir:rm:ab import:add_b:a merge:add_b:ab \
  edit:add_b:ab mv:add_b:ab rmdir:add_b:ab passwd2:passwd3: passwd2:import:b; do
  IFS=: read -r a b checked <<<"$pairing" && both=0 refused=0 lost=0 undone=0
  for ((i = 0; i < pairs; i++)); do
    fresh
    z K1 ${cmds[$a]} >/dev/null 2>&1 & pa=$!
    z K1 ${cmds[$b]} >/dev/null 2>&1; sb=$? && wait $pa; sa=$?
    ((both += (sa == 0 && sb == 0), refused += (sa != 0) + (sb != 0)))
    # The data file opens under the key KEY names, the new one after a passwd that exited 0.
    okey=$(for k in K1 K2 K3; do grep -qx "KEY=${verifier[$k]}" Zetrova.ini && echo $k; done)
    z "$okey" -- ls / >/dev/null 2>&1 && { [ $sa -ne 0 ] || [ "${key_of[$a]:-$okey}" = $okey ]; } ||
      { ((undone += 1)); continue; }
    [[ $checked == *a* ]] && [ $sa -eq 0 ] && ! eval "${effects[$a]}" && ((lost++))
    [[ $checked == *b* ]] && [ $sb -eq 0 ] && ! eval "${effects[$b]}" && ((lost++))
  done
  printf '%-16s %5d %8d %8d %5d %7d\n' "$a-$b" "$pairs" $both $refused $lost $undone
  ((lost + undone == 0)) || status=1
done; fail() { echo "lock check failed: $*"; status=1; }

# The runtime folder holds the locks when it is the user's own, private and no link.
fresh && mkdir -m 700 ../private ../target && mkdir -m 755 ../open && ln -s target ../link
for dir in private open link; do
  XDG_RUNTIME_DIR=$work/$dir z K1 -- mkdir "/$dir" || fail "a write with $dir"
  [[ -d ../$dir/zetrova/locks && $dir == private || ! -e ../$dir/zetrova && $dir != private ]] ||
    fail "XDG_RUNTIME_DIR=$dir: lock folder"
done
[ "$(stat -c %a ../private/zetrova ../private/zetrova/locks)" = $'700\n700' ] || fail "not 0700"

# Another process holding the lock: a writer waits, then refuses, writing nothing.
before=$(sha256sum <Zetrova.dat)
flock -o ../private/zetrova/locks/* sleep 5 & holder=$!
sleep 0.3 && start=$(date +%s%N)
msg=$(XDG_RUNTIME_DIR=$work/private ZETROVA_TEST_LOCK_WAIT_MS=700 z K1 v -- add /g/w 2>&1) &&
  fail "a second writer was not refused"
(($(date +%s%N) - start > 600000000)) || fail "the second writer did not wait"
[[ $msg == *はほかのプログラムが書き込み中のため、書き込みませんでした ]] || fail "message: $msg"
[ "$(sha256sum <Zetrova.dat)" = "$before" ] || fail "the refused writer changed the data file"
kill $holder

# Writers killed at any moment, holding the lock or not, never leave it held.
for ((i = 0; i < 20; i++)); do
  "$cli" add "/g/k$i" <<<$'K1\nv' >/dev/null 2>&1 & writer=$!
  sleep "$(printf '0.%03d' $((RANDOM % 60)))"; kill -9 $writer 2>/dev/null; wait $writer 2>/dev/null
done
ZETROVA_TEST_LOCK_WAIT_MS=1000 z K1 v -- add /g/after || fail "a killed writer kept the lock"
leftover=$(ls -A | grep -vx -e Zetrova.ini -e Zetrova.dat | grep -v zetrova-partial-)
[ -z "$leftover" ] || fail "beside the data file: $leftover"
exit $status
