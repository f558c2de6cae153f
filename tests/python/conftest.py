"""Shared fixtures: the package from the source tree, the built library, and
a fresh simulated machine per run.

The simulated machine boots once per process from its environment, so every
session runs in a Python subprocess of its own (`run_python`) with its own
profile and state folder. Set by the test command (tests/python/CMakeLists.txt):
LUMAGRAPH_LIBRARY (the built library's folder), LUMA_BIN_DIR (the tools) and
LUMA_TEST_CC (the C compiler of the build).
"""
import json
import os
import subprocess
import sys
import textwrap

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE_DIR = os.path.join(ROOT, "python")
sys.path.insert(0, PACKAGE_DIR)


def _required(name):
    value = os.environ.get(name)
    if not value:
        pytest.exit("set %s (the test command of the build does)" % name, returncode=2)
    return value


@pytest.fixture(scope="session")
def library_dir():
    return _required("LUMAGRAPH_LIBRARY")


@pytest.fixture(scope="session")
def bin_dir():
    return _required("LUMA_BIN_DIR")


@pytest.fixture
def machine(tmp_path, library_dir):
    """Runs Python code on a fresh simulated machine: machine(code, profile="dov") -> its last line read as JSON
    (raw=True: the finished process)."""
    state = tmp_path / "state"

    def run(code, profile="dov", expect_failure=False, raw=False):
        env = dict(os.environ, LUMA_SIM_PROFILE=profile, LUMA_SIM_STATE=str(state),
                   LUMAGRAPH_LIBRARY=library_dir, PYTHONPATH=PACKAGE_DIR)
        script = "import json, lumagraph\n" + textwrap.dedent(code)
        done = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True,
                              timeout=120)
        if expect_failure:
            assert done.returncode != 0, done.stdout
            return done
        assert done.returncode == 0, "stdout:\n%s\nstderr:\n%s" % (done.stdout, done.stderr)
        if raw:
            return done
        lines = done.stdout.strip().splitlines()
        return json.loads(lines[-1]) if lines else None

    run.state = state
    return run


def driver_left_behind(state):
    """What of the register access driver is left in a machine's state: its service and its image file."""
    left = []
    services = state / "services.state"
    if services.exists() and "hwpeek." in services.read_text():
        left.append("the hwpeek service")
    if (state / "drive_c" / "WINDOWS" / "hwpeek.sys").exists():
        left.append("hwpeek.sys")
    return left
