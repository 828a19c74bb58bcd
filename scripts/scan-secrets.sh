#!/usr/bin/env bash
# Counts the copies of secrets that each program leaves in its memory when it exits.
#
#   scripts/scan-secrets.sh [BUILD_DIR] [COMMAND...]
#
# BUILD_DIR (default: build) holds zetrova-cli and zetrova; COMMANDs are any of show clip export
# import passwd init desktop (default: all). passwd gives the same key as the new one, so that the
# key and its verifier stay the values looked for; init makes a settings file and a data file of
# its own beside the others. A folder of its own gets a settings file and a data file whose
# items hold known values; each command then runs under gdb, is stopped in its exit_group system
# call (after every destructor and atexit handler, just before the kernel frees its memory), and
# every writable mapping (heap, stacks, anonymous memory, the libraries' data) is searched for:
#
#   asked   the value the command works on (show, clip)       UTF-8 (-u8) and UTF-16LE (-u16)
#   other   a second secret value no command asks for         UTF-8 and UTF-16LE
#   jp      a third secret, in Japanese                       UTF-8 and UTF-16LE
#   verif   the key verifier (also the data file's key)       UTF-8 and UTF-16LE
#   key     the key that is typed                             UTF-8 and UTF-16LE
#
# One line per command: the total and every count, with the mappings where copies were found.
# SCAN_VERBOSE=1 also prints each copy's address and the bytes around it. The exit status is 1
# when any copy was found. clip and desktop need Xvfb, xdotool and xclip; they run on an X server
# of their own, under the machine-wide lock of the desktop tests.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
self="$here/$(basename "$0")"
build="$(realpath "${1:-build}")"
[[ $# -gt 0 ]] && shift
commands=("$@")
[[ ${#commands[@]} -eq 0 ]] && commands=(show clip export import passwd init desktop)
cli="$build/src/cli/zetrova-cli"
desktop="$build/src/app/zetrova"
lock=/tmp/zetrova-desktop-tests.lock

for tool in gdb python3; do
    command -v "$tool" >/dev/null || { echo "scan-secrets: $tool is needed" >&2; exit 2; }
done
[[ -x $cli ]] || { echo "scan-secrets: no $cli (build zetrova-cli first)" >&2; exit 2; }

key='Tr0ub4dor&3-Zetrova'
asked='S3cret-PIN-4711-asked'
other='N3ver-Asked-9b7e2f-other'
jp='暗証番号は秘密の山桜二〇二六'

work="$(mktemp -d /tmp/zetrova-scan.XXXXXX)"
[[ -n ${SCAN_KEEP:-} ]] || trap 'rm -rf "$work"' EXIT
cd "$work"
printf '%s\n' "$key" >key.txt
printf '%s\n%s\n%s\n' "$key" "$key" "$key" >keys.txt
verifier="$("$cli" verifier <key.txt)"

# Every value as hexadecimal bytes in both encodings, for the scanner.
: >patterns.tsv
for name in asked other jp verif key; do
    case $name in
        asked) value=$asked ;; other) value=$other ;; jp) value=$jp ;;
        verif) value=$verifier ;; key) value=$key ;;
    esac
    printf '%s-u8\t%s\n' "$name" "$(printf '%s' "$value" | od -An -tx1 -v | tr -d ' \n')" >>patterns.tsv
    printf '%s-u16\t%s\n' "$name" \
        "$(printf '%s' "$value" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')" \
        >>patterns.tsv
done

cat >items.xml <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<group name="root">
  <group name="bank">
    <secret name="pin">$asked</secret>
    <secret name="other">$other</secret>
    <item name="branch">Main Street</item>
  </group>
  <group name="銀行">
    <secret name="暗証">$jp</secret>
  </group>
</group>
EOF
printf '[CONFIG]\nDATA=%s\nKEY=%s\nONTASKBAR=0\n' "$work/Zetrova.dat" "$verifier" >Zetrova.ini
"$cli" import items.xml <key.txt >/dev/null
[[ -s Zetrova.dat ]] || { echo "scan-secrets: the data file could not be made" >&2; exit 2; }

result="$work/result.txt"
: >"$result"
# A line that says something went wrong; such lines carry " ! ".
fault() { printf '%-8s ! %s\n' "$1" "$2" >>"$result"; }
export SCAN_PATTERNS="$work/patterns.tsv" SCAN_RESULT="$result"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# Runs one program under gdb, stopped and scanned at its exit.
under_gdb() {
    local label=$1 stdin=$2
    shift 2
    SCAN_LABEL=$label SCAN_STDIN=$stdin SCAN_STDOUT="$work/$label.out" \
        gdb -q -nx -batch -x "$here/scan-secrets-gdb.py" --args "$@" >"$work/$label.gdb" 2>&1 ||
        fault "$label" "gdb failed: $(tail -3 "$work/$label.gdb" | tr '\n' ' ')"
    if [[ ${SCAN_VERBOSE:-0} == 1 ]]; then grep -a "^$label " "$work/$label.gdb" || true; fi
}

scan_show() {
    under_gdb show key.txt "$cli" show /bank/pin
    grep -qx -- "$asked" show.out || fault show "printed the wrong value"
}

scan_export() {
    under_gdb export key.txt "$cli" export "$work/exported.xml"
    grep -q -- "$other" exported.xml || fault export "wrote no export"
}

scan_import() {
    under_gdb import key.txt "$cli" import "$work/items.xml"
}

# The current key, then the same key as the new one twice.
scan_passwd() {
    under_gdb passwd keys.txt "$cli" passwd
    grep -qx "KEY=$verifier" Zetrova.ini || fault passwd "the settings file lost its KEY"
    "$cli" show /bank/pin <key.txt | grep -qx -- "$asked" ||
        fault passwd "the data file no longer opens with the key"
}

scan_init() {
    mkdir -p init
    under_gdb init keys.txt "$cli" init --ini "$work/init/Zetrova.ini" --data "$work/init/Zetrova.dat"
    grep -q "^KEY=$verifier\$" init/Zetrova.ini || fault init "wrote no settings file with the KEY"
}

# clip with a short time, pasted once by another client while it waits, as a person would.
scan_clip() {
    (
        for _ in $(seq 50); do
            sleep 0.2
            if [[ $(xclip -o -selection clipboard 2>/dev/null) == "$asked" ]]; then
                echo pasted >clip.pasted
                break
            fi
        done
    ) &
    local paster=$!
    under_gdb clip key.txt env QT_QPA_PLATFORM=xcb "$cli" clip /bank/pin --timeout 3
    wait "$paster" || true
    [[ -f clip.pasted ]] || fault clip "the value never reached the clipboard"
}

# Waits up to 30 s for a visible window whose name matches; prints its id.
wait_window() {
    local id
    for _ in $(seq 150); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)" || true
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

focus_and() {
    local window=$1
    shift
    for _ in $(seq 25); do
        xdotool windowfocus "$window" 2>/dev/null || true
        [[ $(xdotool getwindowfocus 2>/dev/null) == "$window" ]] && break
        sleep 0.2
    done
    xdotool "$@"
}

# The desktop program: the key typed into its dialog, the group with the secrets shown, then
# ファイル > 終了.
scan_desktop() {
    [[ -x $desktop ]] || { fault desktop "no $desktop"; return; }
    under_gdb desktop /dev/null env QT_QPA_PLATFORM=xcb "$desktop" &
    local runner=$!
    local notice dialog main
    # Without a notification area the program says so once before it asks for the key.
    notice="$(wait_window '^通知$')" && focus_and "$notice" key Return
    if dialog="$(wait_window '^認証$')"; then
        focus_and "$dialog" type --delay 20 "$key"
        xdotool key Return
        if main="$(wait_window '^情報管理ツール Zetrova ')"; then
            sleep 0.5
            # The tree's second row is the first group below the root group.
            focus_and "$main" mousemove --window "$main" 40 59 click 1
            sleep 0.5
            focus_and "$main" key alt+f
            sleep 0.3
            xdotool key x
        fi
    fi
    local waited=0
    while kill -0 "$runner" 2>/dev/null && ((waited < 300)); do
        sleep 0.2
        waited=$((waited + 1))
    done
    if kill -0 "$runner" 2>/dev/null; then
        fault desktop "did not end after 終了"
        # The subshell's gdb and the program under it, by their process ids.
        local gdbpid
        for gdbpid in $(pgrep -P "$runner"); do
            pgrep -P "$gdbpid" | xargs -r kill -KILL
            kill -KILL "$gdbpid"
        done
    fi
    wait "$runner" || true
}

needs_x=0
for c in "${commands[@]}"; do
    case $c in
        show | export | import | passwd | init) "scan_$c" ;;
        clip | desktop) needs_x=1 ;;
        *) echo "scan-secrets: unknown command $c" >&2; exit 2 ;;
    esac
done

if ((needs_x)); then
    if [[ -z ${SCAN_INSIDE_X:-} ]]; then
        # The same script again, for the X commands only, on an X server of its own.
        x_commands=()
        for c in "${commands[@]}"; do [[ $c == clip || $c == desktop ]] && x_commands+=("$c"); done
        SCAN_INSIDE_X=1 flock -o "$lock" \
            xvfb-run -a -s "-screen 0 1024x768x24" "$self" "$build" "${x_commands[@]}" |
            grep -v '^$' >>"$result" || true
    else
        for c in "${commands[@]}"; do [[ $c == clip || $c == desktop ]] && "scan_$c"; done
    fi
fi

if [[ -n ${SCAN_INSIDE_X:-} ]]; then
    cat "$result"
    exit 0
fi
cat "$result"
! grep -q 'total=[1-9]\| ! ' "$result"
