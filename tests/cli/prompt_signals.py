#!/usr/bin/env python3
"""zetrova-cli's key prompt on a real pseudo-terminal, driven as a job-control shell drives it:
every signal that ends or stops the program at the prompt leaves the terminal's echo on.
Usage: prompt_signals.py ZETROVA_CLI VERIFIER_OF_abc. One line per case; exit status 0 when all
pass."""
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


def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Shell:
    """Owns a pseudo-terminal as its session's controlling terminal and runs each job in a
    process group of its own, in the foreground."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSCTTY, 0)
        signal.signal(signal.SIGTTOU, signal.SIG_IGN)  # to take the terminal back
        self.output = b""

    def echo(self):
        return bool(termios.tcgetattr(self.slave)[3] & termios.ECHO)

    def start(self, argv):
        self.output = b""
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
        return pid

    def foreground(self, pgid):
        os.tcsetpgrp(self.slave, pgid)

    def read_until(self, predicate, what):
        deadline = time.monotonic() + TIMEOUT
        while not predicate(self.output):
            left = deadline - time.monotonic()
            check(left > 0, f"timed out waiting for {what}; output {self.output!r}")
            if select.select([self.master], [], [], left)[0]:
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
    while time.monotonic() < deadline:
        got, status = os.waitpid(pid, options | os.WNOHANG)
        if got == pid:
            return status
        time.sleep(0.01)
    raise AssertionError("the program neither ended nor stopped")


def ended_by(shell, pid, sig, send):
    shell.wait_for_prompts(1)
    check(not shell.echo(), "echo on at the prompt")
    send()
    status = wait(pid)
    check(os.WIFSIGNALED(status) and os.WTERMSIG(status) == sig,
          f"status {status:#x}, not an end by signal {sig}")
    check(shell.echo(), "echo left off")


def stopped_and_continued(shell, pid, verifier):
    shell.wait_for_prompts(1)
    shell.type(b"\x1a")
    status = wait(pid, os.WUNTRACED)
    check(os.WIFSTOPPED(status) and os.WSTOPSIG(status) == signal.SIGTSTP,
          f"status {status:#x}, not a stop by SIGTSTP")
    shell.foreground(os.getpgrp())
    check(shell.echo(), "echo off while stopped")
    shell.foreground(pid)  # fg
    os.kill(-pid, signal.SIGCONT)
    shell.wait_for_prompts(2)
    check(not shell.echo(), "echo on after fg")
    shell.type(b"abc\n")
    shell.read_until(lambda out: verifier.encode() in out, "the verifier")
    status = wait(pid)
    check(os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, f"status {status:#x}")
    check(b"abc" not in shell.output, "the key was echoed")
    check(shell.echo(), "echo left off")


def main():
    cli, verifier = sys.argv[1], sys.argv[2]
    if os.getpid() == os.getpgrp():  # a group leader cannot start a session: a child does
        child = os.fork()
        if child:
            sys.exit(os.waitstatus_to_exitcode(os.waitpid(child, 0)[1]))
    os.setsid()
    shell = Shell()
    cases = [
        ("Ctrl+C", signal.SIGINT, lambda pid: shell.type(b"\x03")),
        ("Ctrl+\\", signal.SIGQUIT, lambda pid: shell.type(b"\x1c")),
        ("SIGTERM", signal.SIGTERM, lambda pid: os.kill(pid, signal.SIGTERM)),
        ("SIGHUP", signal.SIGHUP, lambda pid: os.kill(pid, signal.SIGHUP)),
        ("Ctrl+Z, fg", signal.SIGTSTP, None),
    ]
    failed = 0
    for name, sig, send in cases:
        pid = shell.start([cli, "verifier"])
        try:
            if send:
                ended_by(shell, pid, sig, lambda: send(pid))
            else:
                stopped_and_continued(shell, pid, verifier)
            print(f"ok   {name}")
        except AssertionError as e:
            failed += 1
            print(f"FAIL {name}: {e}")
            try:
                os.killpg(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
            except OSError:
                pass  # already ended and reaped
        # The next case starts from a terminal with the echo on, as a shell leaves it.
        shell.foreground(os.getpgrp())
        attrs = termios.tcgetattr(shell.slave)
        attrs[3] |= termios.ECHO
        termios.tcsetattr(shell.slave, termios.TCSANOW, attrs)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
