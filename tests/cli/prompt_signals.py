#!/usr/bin/env python3
"""zetrova-cli's key prompt on a real pseudo-terminal, driven as a shell with job control drives
it: every signal that ends or stops the program at the prompt leaves the terminal's echo on.

Usage: prompt_signals.py ZETROVA_CLI VERIFIER_OF_abc
Prints one line per case and exits 0 when all pass, 1 otherwise.
"""
import errno
import fcntl
import os
import select
import signal
import sys
import termios
import time

PROMPT = "キー: ".encode()
TIMEOUT = 20.0  # seconds for any one step, generous for sanitizer builds


def echo_on(fd):
    return bool(termios.tcgetattr(fd)[3] & termios.ECHO)


class Terminal:
    """A pseudo-terminal whose slave is this session's controlling terminal; this process plays
    the shell: each job runs in its own process group, in the foreground."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSCTTY, 0)
        # The shell takes the terminal back from a job while in the background itself.
        signal.signal(signal.SIGTTOU, signal.SIG_IGN)
        self.output = b""

    def start(self, argv):
        pid = os.fork()
        if pid == 0:
            try:
                os.setpgid(0, 0)
                os.tcsetpgrp(self.slave, os.getpid())
                signal.signal(signal.SIGTTOU, signal.SIG_DFL)
                for fd in (0, 1, 2):
                    os.dup2(self.slave, fd)
                os.closerange(3, 256)
                os.execv(argv[0], argv)
            finally:
                os._exit(127)
        try:
            os.setpgid(pid, pid)
        except OSError:
            pass  # the child has done it already
        self.output = b""
        return pid

    def foreground(self, pgid):
        os.tcsetpgrp(self.slave, pgid)

    def read_until(self, predicate, what):
        deadline = time.monotonic() + TIMEOUT
        while not predicate(self.output):
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError(f"timed out waiting for {what}; output so far {self.output!r}")
            ready, _, _ = select.select([self.master], [], [], left)
            if ready:
                try:
                    self.output += os.read(self.master, 4096)
                except OSError as e:
                    if e.errno != errno.EIO:
                        raise

    def wait_for_prompts(self, count):
        self.read_until(lambda out: out.count(PROMPT) >= count, f"prompt number {count}")

    def type(self, data):
        os.write(self.master, data)


def wait(pid, options=0):
    deadline = time.monotonic() + TIMEOUT
    while True:
        got, status = os.waitpid(pid, options | os.WNOHANG)
        if got == pid:
            return status
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            raise AssertionError("the program did not end or stop")
        time.sleep(0.01)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def ended_by(term, pid, send, sig):
    """Sends a signal at the prompt; the program ends by it, with the echo on again."""
    term.wait_for_prompts(1)
    check(not echo_on(term.slave), "echo is on at the prompt")
    send()
    status = wait(pid)
    check(os.WIFSIGNALED(status) and os.WTERMSIG(status) == sig,
          f"status {status:#x}, expected death by signal {sig}")
    check(echo_on(term.slave), "echo left off")


def stopped_and_continued(term, pid, verifier):
    """Ctrl+Z at the prompt: stopped with the echo on; fg: echo off, prompt again, key read."""
    term.wait_for_prompts(1)
    term.type(b"\x1a")
    status = wait(pid, os.WUNTRACED)
    check(os.WIFSTOPPED(status) and os.WSTOPSIG(status) == signal.SIGTSTP,
          f"status {status:#x}, expected a stop by SIGTSTP")
    term.foreground(os.getpgrp())
    check(echo_on(term.slave), "echo off while stopped")
    # fg
    term.foreground(pid)
    os.kill(-pid, signal.SIGCONT)
    term.wait_for_prompts(2)
    check(not echo_on(term.slave), "echo on again after the program was continued")
    term.type(b"abc\n")
    term.read_until(lambda out: verifier.encode() in out, "the verifier")
    status = wait(pid)
    check(os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, f"status {status:#x}")
    check(b"abc" not in term.output, "the key was echoed")
    check(echo_on(term.slave), "echo left off")


def main():
    cli, verifier = sys.argv[1], sys.argv[2]
    # A session of our own, with the pseudo-terminal as its controlling terminal.
    if os.getpid() == os.getpgrp():
        child = os.fork()
        if child:
            _, status = os.waitpid(child, 0)
            sys.exit(os.waitstatus_to_exitcode(status))
    os.setsid()
    term = Terminal()
    cases = [
        ("Ctrl+C", signal.SIGINT, lambda pid: term.type(b"\x03")),
        ("Ctrl+\\", signal.SIGQUIT, lambda pid: term.type(b"\x1c")),
        ("SIGTERM", signal.SIGTERM, lambda pid: os.kill(pid, signal.SIGTERM)),
        ("SIGHUP", signal.SIGHUP, lambda pid: os.kill(pid, signal.SIGHUP)),
        ("Ctrl+Z, fg", signal.SIGTSTP, None),
    ]
    failed = 0
    for name, sig, send in cases:
        pid = term.start([cli, "verifier"])
        try:
            if send:
                ended_by(term, pid, lambda: send(pid), sig)
            else:
                stopped_and_continued(term, pid, verifier)
            print(f"ok   {name}")
        except AssertionError as e:
            failed += 1
            print(f"FAIL {name}: {e}")
            try:
                os.kill(-pid, signal.SIGKILL)
                os.waitpid(pid, 0)
            except OSError:
                pass
        term.foreground(os.getpgrp())
        # Each case starts from a terminal with the echo on, as a shell leaves it.
        attrs = termios.tcgetattr(term.slave)
        attrs[3] |= termios.ECHO
        termios.tcsetattr(term.slave, termios.TCSANOW, attrs)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
