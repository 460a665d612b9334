"""What the Python suites of tests/suites.d share: counting checks into the
closing 'N passed, N failed' line, and starting the stand-in official
servers (tests/support/official_server.py) on a free loopback port.

    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    from suite_lib import Results, StandInServer
"""
import os
import subprocess
import sys
import tempfile
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER_SCRIPT = os.path.join(ROOT, "tests", "support", "official_server.py")


class Results:
    """Counts checks; a failed one prints a line starting with FAILED."""

    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAILED: %s%s" % (what, (": " + str(detail)) if detail != "" else ""))
        return bool(ok)

    def finish(self):
        """Prints the closing line; the exit code for the suite."""
        print("%d passed, %d failed" % (self.passed, self.failed))
        return 1 if self.failed else 0


class StandInServer:
    """The stand-in official servers, serving `root` (the fixture tree of
    official paths; None: the server's own default) until stop()."""

    def __init__(self, root=None, idle_exit=None, timeout=10.0):
        self._port_folder = tempfile.mkdtemp(prefix="wakelore-port-")
        port_file = os.path.join(self._port_folder, "port")
        command = [sys.executable, SERVER_SCRIPT, "--port-file", port_file]
        if root:
            command += ["--root", root]
        if idle_exit:
            command += ["--idle-exit", str(idle_exit)]
        self.proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as fh:
                    self.base = fh.read().strip()
                if self.base:
                    return
            time.sleep(0.05)
        self.stop()
        raise RuntimeError("the stand-in official server did not start")

    def control(self, what):
        """Sends a control request (reset, log, a fault switch) and returns its answer."""
        with urllib.request.urlopen(self.base + "/__control/" + what, timeout=10) as answer:
            return answer.read().decode("utf-8")

    def requests(self):
        """The paths requested since the last reset, in order."""
        return [line.split("\t")[1] for line in self.control("log").splitlines() if line.strip()]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()
        try:
            os.remove(os.path.join(self._port_folder, "port"))
        except OSError:
            pass
        os.rmdir(self._port_folder)
