#!/usr/bin/env python3
"""luma_cli --script at a real pseudo-terminal, as a person types at it.

Each test forks luma_cli onto a fresh pseudo-terminal (Python's pty module:
the child gets it as its controlling terminal and as standard input, output
and error), types keys into the terminal's master side and reads the screen
from it, in a working folder and simulated machine of its own.
Usage: terminal_session_test.py /path/to/luma_cli [--preload SHIM] [unittest options]
  --preload SHIM  loads SHIM into luma_cli (LD_PRELOAD), as the slow
                  terminal shim that stalls every change of terminal mode
"""
import fcntl
import os
import pty
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

LUMA_CLI = None
PRELOAD = None
ANSI = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[=>]|\r")
UP = b"\x1b[A"
CTRL_C = b"\x03"
CTRL_D = b"\x04"


class Console:
    """luma_cli --script on a pseudo-terminal."""

    def __init__(self, work, env, args=("--script",)):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(work)
            os.execve(LUMA_CLI, [LUMA_CLI, *args], env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 160, 0, 0))
        self.raw = b""
        self.plain = ""   # the screen's text without escapes and carriage returns
        self.parsed = 0   # raw bytes turned into plain text so far
        self.mark = 0     # where in the text the next expect starts looking
        self.status = None

    def screen(self):
        return self.plain

    def _read(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return False
        try:
            data = os.read(self.fd, 65536)
        except OSError:  # the child closed the terminal
            data = b""
        if not data:
            raise EOFError
        self.raw += data
        # An escape cut at the end of the read waits for the rest.
        end = len(self.raw)
        esc = self.raw.rfind(b"\x1b", max(self.parsed, end - 16))
        if esc >= 0 and not ANSI.match(self.raw, esc):
            end = esc
        self.plain += ANSI.sub(b"", self.raw[self.parsed:end]).decode("utf-8", "replace")
        self.parsed = end
        return True

    def expect(self, text, timeout=20):
        """Waits until `text` shows after the mark; returns the seconds waited."""
        start = time.monotonic()
        looked = self.mark
        while True:
            at = self.plain.find(text, looked)
            if at >= 0:
                self.mark = at + len(text)
                return time.monotonic() - start
            looked = max(self.mark, len(self.plain) - len(text))
            left = timeout - (time.monotonic() - start)
            if left <= 0:
                raise AssertionError("no %r on the screen; it shows:\n%s" % (text, self.plain[-3000:]))
            try:
                self._read(left)
            except EOFError:
                raise AssertionError("the console ended before %r; it shows:\n%s" % (text, self.plain[-3000:]))

    def send(self, keys):
        os.write(self.fd, keys)

    def cooked(self):
        """Whether the terminal is in its usual mode: lines buffered and echoed."""
        lflag = termios.tcgetattr(self.fd)[3]
        return bool(lflag & termios.ICANON) and bool(lflag & termios.ECHO)

    def wait(self, timeout=20):
        """Reads the rest of the screen until the program ends; its exit status."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                self._read(0.2)
            except EOFError:
                time.sleep(0.05)  # the terminal is closed; the process may still be ending
            done, status = os.waitpid(self.pid, os.WNOHANG)
            if done:
                self.status = os.waitstatus_to_exitcode(status)
                break
        if self.status is None:
            os.kill(self.pid, 9)
            os.waitpid(self.pid, 0)
            os.close(self.fd)
            raise AssertionError("the console did not end; it shows:\n%s" % self.plain[-3000:])
        self.cooked_at_end = self.cooked()  # the mode the user's shell gets back
        os.close(self.fd)
        return self.status


class TerminalSession(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="luma-terminal-")
        self.work = os.path.join(self.root, "work")
        os.mkdir(self.work)
        os.mkdir(os.path.join(self.root, "history"))
        self.env = dict(os.environ, TERM="xterm", LANG="C.UTF-8", HOME=self.root,
                        XDG_STATE_HOME=os.path.join(self.root, "history"),
                        LUMA_SIM_STATE=os.path.join(self.root, "state"), LUMA_SIM_PROFILE="dov")
        self.env.pop("LC_ALL", None)
        if PRELOAD:
            self.env["LD_PRELOAD"] = PRELOAD
            self.env["SLOW_TERMINAL_LOG"] = os.path.join(self.root, "stalls")
            # A sanitized build lets a library load ahead of its runtime.
            self.env["ASAN_OPTIONS"] = ":".join(
                filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))

    def tearDown(self):
        if PRELOAD:  # a shim that did not load would let the test pass for nothing
            self.assertTrue(os.path.exists(os.path.join(self.root, "stalls")), "the preloaded shim never ran")
        shutil.rmtree(self.root, ignore_errors=True)

    def start(self):
        c = Console(self.work, self.env)
        c.expect("luma> ")
        return c

    def log(self, work=None):
        with open(os.path.join(work or self.work, "luma_cli.log"), "rb") as f:
            return f.read().decode("latin-1")

    def piped_log(self, lines):
        """The log of the same lines fed through a pipe, on a machine of its own."""
        work = os.path.join(self.root, "piped")
        os.mkdir(work)
        env = dict(self.env, LUMA_SIM_STATE=os.path.join(self.root, "piped-state"))
        run = subprocess.run([LUMA_CLI, "--script"], input="".join(l + "\n" for l in lines).encode(),
                             cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertNotIn(b"luma> ", run.stdout)
        return self.log(work)

    def test_output_on_the_screen_in_colour_and_in_the_plain_log(self):
        c = self.start()
        c.send(b"read_mmio 0x70180\r")
        c.expect("READ: Register: 0x70180 Value: 0x98000000")
        c.expect("Function: READ_MMIO, Exit Code: EXIT_OK")
        c.expect("luma> ")
        c.send(b"help read_mem\r")
        c.expect("// read_mem start [length] [8/16/32]")
        c.expect("luma> ")
        c.send(b"nonsense\r")
        c.expect("No command found by the name: nonsense")
        c.expect("luma> ")
        c.send(b"quit\r")
        self.assertEqual(c.wait(), 0)
        self.assertIn("ULTSUMMARY 1 0", c.screen())
        # Success green, errors red on the screen; the log has no escapes.
        self.assertIn(b"\x1b[92mFunction: READ_MMIO, Exit Code: EXIT_OK", c.raw)
        self.assertIn(b"\x1b[91mNo command found by the name: nonsense", c.raw)
        log = self.log()
        self.assertNotIn("\x1b", log)
        self.assertNotIn("luma> ", log)
        self.assertIn("READ: Register: 0x70180 Value: 0x98000000\n", log)
        self.assertIn("// read_mem start [length] [8/16/32]\n", log)
        self.assertTrue(log.endswith("\nULTSUMMARY 1 0\n"), log[-200:])
        # The session removed the register access driver it installed.
        self.assertFalse(os.path.exists(os.path.join(self.root, "state", "drive_c", "WINDOWS", "hwpeek.sys")))

    def test_tab_completes_command_names_and_argument_words(self):
        c = self.start()
        cases = [
            (b"get_pla\t", "get_plane_regs "),      # a command name
            (b"read_ring_ins s\t", "read_ring_ins sec "),  # a ring name
            (b"enable LV\t", "enable LVDS "),       # a port word
            (b"read_mem 0x1000 4 1\t", "read_mem 0x1000 4 16 "),  # a width
            (b"read_reg plane_a_c\t", "read_reg plane_a_ctrl "),  # a register of the family
            (b"read_reg plane_a_ctrl.disp_plane_a_en\t", "plane_a_ctrl.disp_plane_a_enable "),  # a field
        ]
        for keys, shown in cases:
            c.send(keys)
            c.expect(shown)
            c.send(b"\x15")  # Ctrl-U: the line is cleared again
        # A file argument: the one log in a folder of the working folder.
        os.mkdir(os.path.join(self.work, "logs"))
        open(os.path.join(self.work, "logs", "good_run.log"), "w").close()
        c.send(b"parse_qrt lo\t")
        c.expect("parse_qrt logs/")
        c.send(b"go\t")
        c.expect("good_run.log ")
        c.send(b"\x15get_pla\t\r")
        c.expect("Function: GET_PLANE_REGS, Exit Code:")
        c.expect("luma> ")
        # Two choices with nothing more in common: both are listed.
        c.send(b"read_ring_ins \t")
        c.expect("hw  pri  sec")
        c.send(b"\x15" + CTRL_D)
        self.assertEqual(c.wait(), 0)
        self.assertIn("Function: GET_PLANE_REGS", self.log())

    def test_history_recalls_lines_and_persists_into_the_next_run(self):
        c = self.start()
        c.send(b"read_mmio 0x70180\r")
        c.expect("Function: READ_MMIO, Exit Code: EXIT_OK")
        c.expect("luma> ")
        c.send(UP)
        c.expect("read_mmio 0x70180")
        c.send(b"\r")
        c.expect("Function: READ_MMIO, Exit Code: EXIT_OK")
        c.expect("luma> ")
        c.send(b"quit\r")
        self.assertEqual(c.wait(), 0)
        self.assertEqual(self.log().count("Function: READ_MMIO, Exit Code: EXIT_OK"), 2)
        self.assertTrue(os.path.exists(os.path.join(self.root, "history", "lumagraph", "luma_cli_history")))

        second = self.start()
        second.send(UP + UP)
        second.expect("read_mmio 0x70180")  # "quit" was the last line; this one before it
        second.send(b"\r")
        second.expect("Function: READ_MMIO, Exit Code: EXIT_OK")
        # Keys typed before the line editor reads again would meet the
        # terminal in its cooked mode, where Ctrl-D is no key.
        second.expect("luma> ")
        second.send(CTRL_D)
        self.assertEqual(second.wait(), 0)
        self.assertTrue(second.cooked_at_end, "the terminal is left without line buffering or echo")
        self.assertIn("ULTSUMMARY 1 0", second.screen())

    def test_ctrl_c_stops_a_long_command_and_clears_a_typed_line(self):
        c = self.start()
        c.send(b"decode_ins 0 0x4000000\r")
        c.expect("Function: DECODE_INS")
        time.sleep(0.5)
        c.send(CTRL_C)
        sent = time.monotonic()
        c.expect("Interrupted")
        c.expect("Function: DECODE_INS, Exit Code: EXIT_GENERIC_ERROR")
        c.expect("luma> ")
        back = time.monotonic() - sent
        self.assertLess(back, 1.0, "back at the prompt %.2f s after Ctrl-C" % back)
        # At the prompt, Ctrl-C drops what was typed and the program goes on.
        c.send(b"get_os_na")
        c.expect("get_os_na")
        c.send(CTRL_C)
        c.expect("luma> ")
        c.send(b"read_mmio 0x70180\r")
        c.expect("Function: READ_MMIO, Exit Code: EXIT_OK")
        c.expect("luma> ")
        c.send(b"watch_reg plane_a_ctrl 100 1000\r")
        c.expect("Function: WATCH_REG")
        time.sleep(0.3)
        c.send(CTRL_C)
        c.expect("Function: WATCH_REG, Exit Code:", timeout=3)
        c.expect("luma> ")
        c.send(b"wait 30\r")
        c.expect("Waiting for:")
        # A running command has the terminal in its usual mode, as type-ahead expects.
        self.assertTrue(c.cooked())
        c.send(CTRL_C)
        c.expect("Function: WAIT, Exit Code: EXIT_GENERIC_ERROR", timeout=3)
        c.expect("luma> ")
        c.send(CTRL_D)
        self.assertEqual(c.wait(), 0)
        log = self.log()
        self.assertNotIn("No command found", log)
        self.assertNotIn("get_os_na", log)
        self.assertEqual(log.count("Interrupted\n"), 3)
        self.assertTrue(log.endswith("\nULTSUMMARY 1 3\n"), log[-200:])

    def test_the_log_equals_the_log_of_the_same_lines_through_a_pipe(self):
        lines = ["get_os_name", "read_mmio 0x70180", "write_mmio 0x70180 typo", "help read_",
                 "read_mem 0x1000 16 8", "// a comment", "", "get_plane_regs", "quit 2", "read_i2c_reg 0x70"]
        c = self.start()
        for i, line in enumerate(lines):
            c.send(line.encode() + b"\r")
            if i == 4:  # an interrupted command in between, left out of the comparison
                c.expect("luma> ")
                c.send(b"decode_ins 0 0x4000000\r")
                c.expect("Function: DECODE_INS")
                c.send(CTRL_C)
                c.expect("Interrupted")
            c.expect("luma> ")
        c.send(b"exit\r")
        self.assertEqual(c.wait(), 0)
        typed = self.log()
        block = re.compile(r"Function: DECODE_INS\n.*?Interrupted\nFunction: DECODE_INS, Exit Code: "
                           r"EXIT_GENERIC_ERROR\n\t=+\n", re.S)
        self.assertEqual(len(block.findall(typed)), 1)
        typed = block.sub("", typed)
        piped = self.piped_log(lines + ["exit"])
        # One more failure: the interrupted command.
        summary = re.search(r"ULTSUMMARY (\d+) (\d+)\n$", piped)
        self.assertIsNotNone(summary)
        piped = piped[: summary.start()] + "ULTSUMMARY %s %d\n" % (summary.group(1), int(summary.group(2)) + 1)
        self.assertEqual(typed, piped)


if __name__ == "__main__":
    LUMA_CLI = os.path.abspath(sys.argv.pop(1))
    if len(sys.argv) > 2 and sys.argv[1] == "--preload":
        PRELOAD = os.path.abspath(sys.argv[2])
        del sys.argv[1:3]
    unittest.main(verbosity=2)
