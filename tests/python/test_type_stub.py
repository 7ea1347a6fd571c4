"""The shipped type stub must describe exactly the names and signatures the module has."""
import ast
import importlib.util
import os
import inspect
import platform
import site
from pathlib import Path

import pytest

import orbyx

STUB = Path(__file__).resolve().parents[2] / "src" / "python" / "orbyx-stubs" / "__init__.pyi"
KINDS = [inspect.Parameter.POSITIONAL_ONLY, inspect.Parameter.POSITIONAL_OR_KEYWORD,
         inspect.Parameter.VAR_POSITIONAL, inspect.Parameter.KEYWORD_ONLY, inspect.Parameter.VAR_KEYWORD]
NO_DEFAULT = "<required>"


def public(names):
    return {name for name in names if not name.startswith("_")}


def stub_parameters(function, bound):
    """(name, kind, default) per parameter, dropping self/cls of methods."""
    a = function.args
    positional = [(p, KINDS[0]) for p in a.posonlyargs] + [(p, KINDS[1]) for p in a.args]
    defaults = [NO_DEFAULT] * (len(positional) - len(a.defaults)) + [ast.literal_eval(d) for d in a.defaults]
    rows = [(p.arg, kind, default) for (p, kind), default in zip(positional, defaults)]
    rows += [(a.vararg.arg, KINDS[2], NO_DEFAULT)] if a.vararg else []
    rows += [(p.arg, KINDS[3], NO_DEFAULT if d is None else ast.literal_eval(d))
             for p, d in zip(a.kwonlyargs, a.kw_defaults)]
    rows += [(a.kwarg.arg, KINDS[4], NO_DEFAULT)] if a.kwarg else []
    return rows[1:] if bound else rows


def runtime_parameters(callable_object):
    rows = [(p.name, p.kind, NO_DEFAULT if p.default is p.empty else p.default)
            for p in inspect.signature(callable_object).parameters.values()]
    # C methods report their receiver as a positional-only `self`.
    return rows[1:] if rows and rows[0][:2] == ("self", KINDS[0]) else rows


def decorators(function):
    return {d.id for d in function.decorator_list if isinstance(d, ast.Name)}


STUB_MODULE = ast.parse(STUB.read_text(encoding="utf-8"))
STUB_NAMES = {}
for node in STUB_MODULE.body:
    if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
        STUB_NAMES[node.name] = node
    elif isinstance(node, ast.AnnAssign):
        STUB_NAMES[node.target.id] = node
    elif isinstance(node, ast.Assign):
        STUB_NAMES.update({target.id: node for target in node.targets})


def test_stub_declares_exactly_the_public_names():
    assert public(STUB_NAMES) == public(vars(orbyx))


def test_constants_carry_the_runtime_values():
    for name, node in STUB_NAMES.items():
        if isinstance(node, ast.AnnAssign):
            assert ast.literal_eval(node.value) == getattr(orbyx, name), name


@pytest.mark.skipif(platform.python_implementation() != "CPython",
                    reason="only CPython exposes the text signatures of C callables")
@pytest.mark.parametrize("name", sorted(public(STUB_NAMES)))
def test_signatures_match_runtime(name):
    node, runtime = STUB_NAMES[name], getattr(orbyx, name)
    if isinstance(node, ast.FunctionDef):
        assert stub_parameters(node, bound=False) == runtime_parameters(runtime)
    if not isinstance(node, ast.ClassDef):
        return
    members = {item.name: item for item in node.body if isinstance(item, ast.FunctionDef)}
    assert public(members) == public(vars(runtime))
    constructor = members.get("__init__")
    try:
        expected = runtime_parameters(runtime)
    except ValueError:  # no Python constructor
        expected = None
    assert (None if constructor is None else stub_parameters(constructor, bound=True)) == expected
    for member_name in public(members):
        function, attribute = members[member_name], vars(runtime)[member_name]
        if "property" in decorators(function):
            assert inspect.isgetsetdescriptor(attribute), member_name
            continue
        is_classmethod = "classmethod" in decorators(function)
        assert is_classmethod == (type(attribute).__name__ == "classmethod_descriptor"), member_name
        assert stub_parameters(function, bound=True) == runtime_parameters(getattr(runtime, member_name)), member_name


USES_THE_API = '''
import numpy
import numpy.typing
import orbyx

engine: orbyx.Engine = orbyx.open("de421.bsp", "0" * 64, leap_second_kernel="naif.tls", leap_second_sha256="0" * 64)
moon: orbyx.Position = engine.position("moon", orbyx.Instant.utc(2460000.5), orbyx.apparent())
longitude: float = moon.longitude_deg
table: numpy.typing.NDArray[numpy.float64] = engine.positions(["sun"], [orbyx.Instant.tt(2460000.5)], orbyx.geometric())
day: orbyx.RiseSetTransit = engine.rise_set_transit("sun", orbyx.GeodeticObserver(2.35, 48.85), orbyx.Instant.utc(2460000.5),
                                                    orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG)
rise: float | None = day.rise_ut1_julian_day
event: orbyx.Instant = engine.next_lunation(orbyx.Instant.utc(2460000.5), orbyx.LunationEvent.full_moon())
cusps = orbyx.house_cusps(orbyx.GeodeticObserver(2.35, 48.85), 2460000.5, orbyx.Instant.tt(2460000.5), "placidus")
first: float = cusps.cusp_ecliptic_longitude_deg[0]
'''
MISUSES_THE_API = '''
import orbyx

orbyx.Instant("2460000.5")
orbyx.open("de421.bsp")
position: orbyx.Position = orbyx.geometric()
'''


def run_mypy(tmp_path, monkeypatch, source, *targets):
    """mypy on `source` (and `targets`), with the stub as installed or, uninstalled, from the tree."""
    mypy = pytest.importorskip("mypy.api")
    script = tmp_path / "uses_orbyx.py"
    script.write_text(source, encoding="utf-8")
    installed_stub = Path(importlib.util.find_spec("orbyx").origin).with_name("orbyx-stubs")
    stub_dir = tmp_path / "stubs"
    if not installed_stub.is_dir():
        stub_dir.mkdir()
        (stub_dir / "orbyx.pyi").write_text(STUB.read_text(encoding="utf-8"), encoding="utf-8")
    # An installed package is found in site-packages; one from the tree through MYPYPATH.
    package_root = Path(importlib.util.find_spec("orbyx_cli").origin).parents[1]
    installed = str(package_root) in site.getsitepackages()
    search_path = [str(stub_dir), str(tmp_path)] + ([] if installed else [str(package_root)])
    monkeypatch.setenv("MYPYPATH", os.pathsep.join(search_path))
    return mypy.run(["--strict", "--no-incremental", "--python-version", "3.10", "-m", "uses_orbyx", *targets])


@pytest.mark.skipif(platform.python_implementation() != "CPython", reason="mypy is installed on CPython only")
def test_mypy_accepts_typical_use_and_the_command_package(tmp_path, monkeypatch):
    out, err, status = run_mypy(tmp_path, monkeypatch, USES_THE_API, "-p", "orbyx_cli")
    assert status == 0, out + err


@pytest.mark.skipif(platform.python_implementation() != "CPython", reason="mypy is installed on CPython only")
def test_mypy_reports_misuse(tmp_path, monkeypatch):
    out, _, status = run_mypy(tmp_path, monkeypatch, MISUSES_THE_API)
    assert status == 1
    assert 'Argument 1 to "Instant" has incompatible type "str"' in out
    assert 'Missing positional argument "sha256" in call to "open"' in out
    assert 'Incompatible types in assignment (expression has type "PositionOptions"' in out
