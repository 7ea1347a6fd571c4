"""Shared paths and helpers of the Python test suite."""
import contextlib
import os
import subprocess
import sys
import textwrap
import threading
import warnings

import pytest

TESTS_DIR = os.path.dirname(os.path.abspath(__file__))
TEST_DATA_DIR = os.path.normpath(os.path.join(TESTS_DIR, "..", "data"))

# Checksums are provenance labels only, so any well-formed digest will do.
DUMMY_SHA256 = "0123456789abcdef" * 4


def test_data(name):
    return os.path.join(TEST_DATA_DIR, name)


def de421_path():
    with warnings.catch_warnings():
        # skyfield-data warns that its bundled Earth orientation file expired; DE421 does not.
        warnings.simplefilter("ignore", RuntimeWarning)
        import skyfield_data

        return os.path.join(skyfield_data.get_skyfield_data_path(), "de421.bsp")


def eop_c04_path():
    import astropy_iers_data

    return os.path.join(os.path.dirname(astropy_iers_data.__file__), "data", "eopc04.1962-now")


DE430 = test_data("de430-2015-03-02.bsp")
DE441_1969 = test_data("de441-1969.bsp")
JUP310 = test_data("jup310-2015-03-02.bsp")
LEAPSECONDS = test_data("leapseconds.tls")


@pytest.fixture(scope="session")
def de421():
    return de421_path()


@pytest.fixture(scope="session")
def eop_c04():
    return eop_c04_path()


@pytest.fixture
def write_file(tmp_path):
    """Writes bytes or text to a file under the test's tmp dir and returns its path."""

    def write(name, content):
        path = tmp_path / name
        if isinstance(content, str):
            path.write_text(content, encoding="utf-8")
        else:
            path.write_bytes(content)
        return str(path)

    return write


def run_in_thread(function):
    """Runs `function` on a new thread; returns {"value": ...} or {"error": ...}."""
    outcome = {}

    def target():
        try:
            outcome["value"] = function()
        except BaseException as error:  # noqa: B902 - the misuse error is a BaseException
            outcome["error"] = error

    thread = threading.Thread(target=target)
    thread.start()
    thread.join()
    return outcome


@contextlib.contextmanager
def unraisable_reports():
    """Collects the errors handed to sys.unraisablehook meanwhile. Only the errors: a
    report's object must not outlive the hook's call."""
    errors = []
    previous_hook = sys.unraisablehook
    sys.unraisablehook = lambda report: errors.append(report.exc_value)
    try:
        yield errors
    finally:
        sys.unraisablehook = previous_hook


def run_isolated(script, *args):
    """Runs `script` in a fresh interpreter, where a crash fails one test instead of the
    run; returns the lines it printed."""
    import orbyx

    module_dir = os.path.dirname(os.path.abspath(orbyx.__file__))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([module_dir, TESTS_DIR]))
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(script), *args],
                          capture_output=True, text=True, env=env, timeout=120)
    assert done.returncode == 0, f"exit status {done.returncode}\n{done.stderr}"
    return done.stdout.splitlines()


@pytest.fixture
def cli(capsys):
    """Runs the `orbyx` command in-process: returns (exit status, stdout, stderr)."""
    from orbyx_cli.main import main

    def run(*arguments):
        status = main([str(argument) for argument in arguments])
        captured = capsys.readouterr()
        return status, captured.out, captured.err

    return run
