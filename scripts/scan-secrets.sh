#!/usr/bin/env bash
# Counts the copies of secrets that each program leaves in its memory when it exits.
#
#   scripts/scan-secrets.sh [BUILD_DIR] [COMMAND...]
#
# BUILD_DIR (default: build) holds zetrova-cli and zetrova; COMMANDs are any of show clip export
# import passwd init desktop locked (default: all). passwd gives the same key as the new one, so that the
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
# locked scans the desktop program while it runs, locked: a document of its own with known names
# and values is opened, a group browsed, a secret revealed in 変更, a secret copied, the item
# dialog left open with typed text, and then the session's screen saver says ActiveChanged(true)
# on a D-Bus session of the scan's own; once the caption says it is locked, the program is stopped
# and scanned for every value, every item and group name, the typed text, the key and the
# verifier. Its line also gives the time from the signal to the locked caption (lock_ms).
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
[[ ${#commands[@]} -eq 0 ]] && commands=(show clip export import passwd init desktop locked)
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

# The program's own process under the gdb that runner started.
program_pid() {
    local gdbpid
    for gdbpid in $(pgrep -P "$1"); do pgrep -P "$gdbpid"; done | head -1
}

# Names and values of the locked scan's document: long and unlike anything a library holds.
lgroup='Gruppe-Alpha-5d1e'
lsecret='Geheim-Name-0b8c'
lother='Andere-Name-3f9a'
lplain='Klar-Name-77e1'
lplainv='Klartext-Wert-c4d2'
ljgroup='秘密の金庫グループ'
ljname='暗証の名前項目'
ltypedn='Getippt-Name-ab12'
ltypedv='Getippt-Wert-9e0f'

scan_locked() {
    [[ -x $desktop ]] || { fault locked "no $desktop"; return; }
    command -v dbus-send >/dev/null || { fault locked "dbus-send is needed"; return; }
    mkdir -p "$work/locked" "$work/config"
    local patterns="$work/locked-patterns.tsv" name value
    cp "$work/patterns.tsv" "$patterns"
    for name in lgroup lsecret lother lplain lplainv ljgroup ljname ltypedn ltypedv; do
        value=${!name}
        printf '%s-u8\t%s\n' "$name" "$(printf '%s' "$value" | od -An -tx1 -v | tr -d ' \n')" >>"$patterns"
        printf '%s-u16\t%s\n' "$name" \
            "$(printf '%s' "$value" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')" \
            >>"$patterns"
    done
    cat >"$work/locked/items.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<group name="root">
  <group name="$lgroup">
    <secret name="$lsecret">$asked</secret>
    <secret name="$lother">$other</secret>
    <item name="$lplain">$lplainv</item>
  </group>
  <group name="$ljgroup">
    <secret name="$ljname">$jp</secret>
  </group>
</group>
EOF
    printf '[CONFIG]\nDATA=%s\nKEY=%s\nONTASKBAR=0\n' "$work/locked/Zetrova.dat" "$verifier" \
        >"$work/locked/Zetrova.ini"
    (cd "$work/locked" && "$cli" import items.xml <"$work/key.txt" >/dev/null)
    # The idle lock stays out of the way; only the signal locks.
    printf '[Lock]\nIdleSeconds=0\nOnSessionLock=true\nOnHide=false\n' >"$work/config/zetrova.conf"

    (cd "$work/locked" && SCAN_AT_SIGNAL=SIGPWR SCAN_PATTERNS="$patterns" \
        under_gdb locked /dev/null env QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" "$desktop") &
    local runner=$!
    local notice dialog main editor started ended pid
    notice="$(wait_window '^通知$')" && focus_and "$notice" key Return
    if dialog="$(wait_window '^認証$')" && focus_and "$dialog" type --delay 20 "$key" &&
        xdotool key Return && main="$(wait_window '^情報管理ツール Zetrova ')"; then
        sleep 0.5
        # The first group below the root group, then the list's first row (the first secret).
        focus_and "$main" mousemove --window "$main" 40 59 click 1
        sleep 0.5
        focus_and "$main" mousemove --window "$main" 270 46 click 1
        sleep 0.3
        # 変更 reveals the secret after the key; the dialog is cancelled.
        focus_and "$main" key alt+i e
        if dialog="$(wait_window '^認証$')"; then
            focus_and "$dialog" type --delay 20 "$key"
            xdotool key Return
            if editor="$(wait_window '^編集$')"; then
                sleep 0.3
                focus_and "$editor" key Escape
            else
                fault locked "変更 showed no item dialog"
            fi
        else
            fault locked "変更 asked for no key"
        fi
        sleep 0.3
        # The secret copied to the clipboard, after the key.
        focus_and "$main" key ctrl+c
        if dialog="$(wait_window '^認証$')"; then
            focus_and "$dialog" type --delay 20 "$key"
            xdotool key Return
        fi
        local copied=0 _
        for _ in $(seq 15); do
            sleep 0.2
            [[ $(xclip -o -selection clipboard 2>/dev/null) == "$asked" ]] && { copied=1; break; }
        done
        ((copied)) || fault locked "the secret never reached the clipboard ($(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ','))"
        # 追加 left open with a typed name and value.
        focus_and "$main" key alt+i a
        if editor="$(wait_window '^編集$')"; then
            focus_and "$editor" type --delay 20 "$ltypedn"
            xdotool key Tab type --delay 20 "$ltypedv"
        else
            fault locked "追加 showed no item dialog"
        fi
        sleep 0.3
        started=$(date +%s%N)
        dbus-send --session --type=signal /org/freedesktop/ScreenSaver \
            org.freedesktop.ScreenSaver.ActiveChanged boolean:true
        # Looked for without a pause, for the time it took.
        local tries=0
        while ! xdotool search --onlyvisible --name 'ロック中）$' >/dev/null 2>&1 && ((++tries < 3000)); do
            :
        done
        if ((tries < 3000)); then
            ended=$(date +%s%N)
            echo "$(((ended - started) / 1000000))" >"$work/lock_ms"
            sleep 1
        else
            fault locked "did not lock on the screen saver's signal"
        fi
    else
        fault locked "the main window did not come"
    fi
    pid="$(program_pid "$runner")"
    [[ -n $pid ]] && kill -PWR "$pid"
    local waited=0
    while kill -0 "$runner" 2>/dev/null && ((waited < 150)); do
        sleep 0.2
        waited=$((waited + 1))
    done
    if kill -0 "$runner" 2>/dev/null; then
        fault locked "was not scanned"
        local gdbpid
        for gdbpid in $(pgrep -P "$runner"); do
            pgrep -P "$gdbpid" | xargs -r kill -KILL
            kill -KILL "$gdbpid"
        done
    fi
    wait "$runner" || true
    [[ -f $work/lock_ms ]] && sed -i "/^locked /s/\$/ lock_ms=$(cat "$work/lock_ms")/" "$result"
}

needs_x=0
for c in "${commands[@]}"; do
    case $c in
        show | export | import | passwd | init) "scan_$c" ;;
        clip | desktop | locked) needs_x=1 ;;
        *) echo "scan-secrets: unknown command $c" >&2; exit 2 ;;
    esac
done

if ((needs_x)); then
    if [[ -z ${SCAN_INSIDE_X:-} ]]; then
        # The same script again, for the X commands only, on an X server of its own.
        x_commands=()
        for c in "${commands[@]}"; do
            [[ $c == clip || $c == desktop || $c == locked ]] && x_commands+=("$c")
        done
        # With a D-Bus session of its own, where the locked scan's signal goes.
        SCAN_INSIDE_X=1 flock -o "$lock" \
            xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- "$self" "$build" \
            "${x_commands[@]}" |
            grep -v '^$' >>"$result" || true
    else
        for c in "${commands[@]}"; do
            [[ $c == clip || $c == desktop || $c == locked ]] && "scan_$c"
        done
    fi
fi

if [[ -n ${SCAN_INSIDE_X:-} ]]; then
    cat "$result"
    exit 0
fi
cat "$result"
! grep -q 'total=[1-9]\| ! ' "$result"
