# Run by scan-secrets.sh inside gdb: starts the program with the given standard input and output,
# stops it when it is about to leave the kernel for good (exit_group, after every destructor and
# atexit handler), reads every writable mapping and counts the copies of each secret.
#
# Environment: SCAN_PATTERNS (a file of "name<TAB>hex bytes" lines), SCAN_STDIN, SCAN_STDOUT,
# SCAN_RESULT (the file the counts are appended to, one line per program run), SCAN_LABEL,
# SCAN_VERBOSE (1: every copy with its address, mapping and the bytes around it) and SCAN_AT_SIGNAL
# (a signal name such as SIGPWR: the running program is scanned when it receives that signal,
# instead of at its exit).
import os

import gdb


def patterns():
    found = []
    with open(os.environ["SCAN_PATTERNS"]) as f:
        for line in f:
            name, hexbytes = line.rstrip("\n").split("\t")
            found.append((name, bytes.fromhex(hexbytes)))
    return found


def writable_mappings(pid):
    with open("/proc/%d/maps" % pid) as f:
        for line in f:
            fields = line.split(None, 5)
            start, end = (int(x, 16) for x in fields[0].split("-"))
            if "w" not in fields[1]:
                continue
            name = fields[5].strip() if len(fields) > 5 else ""
            yield start, end, name or "[anon]"


def read_mapping(inferior, start, end):
    # In slices: a mapping may end in pages that cannot be read (guard pages, [vvar]).
    chunk = 1 << 20
    data = bytearray()
    address = start
    while address < end:
        size = min(chunk, end - address)
        try:
            data += inferior.read_memory(address, size).tobytes()
        except gdb.MemoryError:
            data += b"\0" * size
        address += size
    return bytes(data)


def occurrences(data, pattern):
    at = data.find(pattern)
    while at >= 0:
        yield at
        at = data.find(pattern, at + 1)


def scan():
    label = os.environ["SCAN_LABEL"]
    verbose = os.environ.get("SCAN_VERBOSE") == "1"
    wanted = patterns()
    inferior = gdb.selected_inferior()
    counts = {name: 0 for name, _ in wanted}
    where = {name: set() for name, _ in wanted}
    for start, end, mapping in writable_mappings(inferior.pid):
        data = read_mapping(inferior, start, end)
        for name, pattern in wanted:
            for at in occurrences(data, pattern):
                counts[name] += 1
                where[name].add(os.path.basename(mapping))
                if verbose:
                    around = data[max(0, at - 48) : at + len(pattern) + 48]
                    gdb.write(
                        "%s %s at %#x in %s: %r\n"
                        % (label, name, start + at, mapping, around)
                    )
    total = sum(counts.values())
    cells = " ".join(
        "%s=%d%s" % (n, c, "(" + ",".join(sorted(where[n])) + ")" if c else "")
        for n, c in counts.items()
    )
    with open(os.environ["SCAN_RESULT"], "a") as out:
        out.write("%-8s total=%d %s\n" % (label, total, cells))


def program_arguments():
    shown = gdb.execute("show args", to_string=True)
    return shown[shown.index('"') + 1 : shown.rindex('"')]


def main():
    gdb.execute("set pagination off")
    gdb.execute("set confirm off")
    gdb.execute("set print inferior-events off")
    gdb.execute("set follow-fork-mode parent")
    gdb.execute("set detach-on-fork on")
    gdb.execute("handle SIGPIPE SIGUSR1 SIGUSR2 SIG32 SIG33 SIG34 nostop noprint pass")
    at_signal = os.environ.get("SCAN_AT_SIGNAL")
    if at_signal:
        gdb.execute("handle %s stop print nopass" % at_signal)
    gdb.execute("catch syscall exit_group")
    stops = []
    gdb.events.stop.connect(stops.append)
    # Arguments given to run replace those of --args: repeat them before the redirections.
    gdb.execute(
        "run %s < '%s' > '%s'"
        % (program_arguments(), os.environ["SCAN_STDIN"], os.environ["SCAN_STDOUT"]),
        to_string=True,
    )
    # Signals the program handles itself are passed on; the stop that counts is the catchpoint.
    while stops and isinstance(stops[-1], gdb.SignalEvent) and gdb.selected_inferior().pid:
        if at_signal and stops[-1].stop_signal == at_signal:
            scan()
            gdb.execute("kill")
            return
        gdb.execute("continue", to_string=True)
    if not gdb.selected_inferior().pid or not stops or not isinstance(stops[-1], gdb.BreakpointEvent):
        with open(os.environ["SCAN_RESULT"], "a") as out:
            out.write("%-8s ! ended before exit_group: not scanned\n" % os.environ["SCAN_LABEL"])
        return
    scan()
    gdb.execute("kill")


main()
