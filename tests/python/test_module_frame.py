"""The module's public frame: registration, class conventions, signatures, threads."""
import gc
import inspect
import sys

import pytest

import orbyx
from conftest import DE430, DUMMY_SHA256, run_in_thread, run_isolated, unraisable_reports

IS_PYPY = sys.implementation.name == "pypy"


@pytest.fixture
def engine():
    return orbyx.open(DE430, DUMMY_SHA256)


def test_registers_public_names_in_order():
    public = [name for name in vars(orbyx) if not name.startswith("__")]
    assert public == [
        "Instant",
        "GeodeticObserver",
        "HouseSystem",
        "HouseCusps",
        "HorizonEventKind",
        "RiseSetTransit",
        "HorizonEvent",
        "SeasonEvent",
        "LunationEvent",
        "SiderealMode",
        "PositionOptions",
        "Position",
        "DateRange",
        "KernelMetadata",
        "Engine",
        "open",
        "geometric",
        "apparent",
        "house_cusps",
        "J2000_JULIAN_DAY",
        "SUN_UPPER_LIMB_ALTITUDE_DEG",
        "MEAN_REFRACTION_ALTITUDE_DEG",
    ]
    assert orbyx.__doc__ == ""


def test_constants_are_exact_doubles():
    assert orbyx.J2000_JULIAN_DAY == 2451545.0
    assert orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG == -50 / 60
    assert orbyx.MEAN_REFRACTION_ALTITUDE_DEG == -34 / 60
    assert repr(orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG) == "-0.8333333333333334"
    assert repr(orbyx.MEAN_REFRACTION_ALTITUDE_DEG) == "-0.5666666666666667"


ALL_CLASSES = [
    orbyx.Instant,
    orbyx.GeodeticObserver,
    orbyx.HouseSystem,
    orbyx.HouseCusps,
    orbyx.HorizonEventKind,
    orbyx.RiseSetTransit,
    orbyx.HorizonEvent,
    orbyx.SeasonEvent,
    orbyx.LunationEvent,
    orbyx.SiderealMode,
    orbyx.PositionOptions,
    orbyx.Position,
    orbyx.DateRange,
    orbyx.KernelMetadata,
    orbyx.Engine,
]


@pytest.mark.parametrize("cls", ALL_CLASSES)
def test_classes_are_final_and_live_in_orbyx(cls):
    assert cls.__module__ == "orbyx"
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


# A member, class method and constructor given the wrong receiver: CPython's checks and
# the module's own (PyPy leaves them to the module) both name its class with its module.
@pytest.mark.parametrize(
    "use",
    [
        lambda engine: orbyx.Instant.__repr__(engine),
        lambda engine: vars(orbyx.Instant)["tdb"].__get__(None, type(engine))(1.0),
        lambda engine: orbyx.Instant.__new__(type(engine), 1.0),
    ],
    ids=["member", "class method", "constructor"],
)
def test_wrong_receiver_is_named_with_its_module(engine, use):
    with pytest.raises(TypeError, match=r"\borbyx\.Engine\b"):
        use(engine)


# Every member of the class named by argv[1], called on what it was not made for: objects
# and classes of the other classes, an object made by object.__new__ and a subclass.
# Each must raise TypeError; PyPy leaves all of these checks to the module.
MISUSES = """
    import gc, sys
    import orbyx
    from conftest import DE430, DUMMY_SHA256, LEAPSECONDS, eop_c04_path

    cls = getattr(orbyx, sys.argv[1])
    engine = orbyx.open(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, eop_c04_path(), DUMMY_SHA256)
    paris = orbyx.GeodeticObserver(2.35, 48.85)
    instant = orbyx.Instant.ut1(2457086.0)
    samples = [
        instant, paris, orbyx.HouseSystem.equal(), orbyx.house_cusps(paris, instant, instant, "equal"),
        orbyx.HorizonEventKind.rise(), engine.rise_set_transit("sun", paris, instant, -0.8),
        engine.next_horizon_event("sun", paris, instant, "set", -0.8), orbyx.SeasonEvent.march_equinox(),
        orbyx.LunationEvent.new_moon(), orbyx.SiderealMode.lahiri(), orbyx.geometric(),
        engine.position("sun", instant, orbyx.geometric()), engine.supported_range, engine.kernel_metadata,
        engine,
    ]
    # Arguments that get each member past its own argument checks to its object.
    CONSTRUCTOR_ARGUMENTS = {
        "Instant": (1.0,), "GeodeticObserver": (0.0, 0.0), "PositionOptions": ("geocentric", "ecliptic"),
        "HouseSystem": ("equal",), "SeasonEvent": ("march_equinox",), "LunationEvent": ("new_moon",),
        "SiderealMode": ("lahiri",), "HorizonEventKind": ("rise",), "Engine": (DE430, DUMMY_SHA256),
    }
    METHOD_ARGUMENTS = {
        "tdb": (1.0,), "tt": (1.0,), "utc": (1.0,), "ut1": (1.0,),
        "with_leap_second_kernel": ("/missing", DUMMY_SHA256), "with_eop": ("/missing", DUMMY_SHA256),
        "with_time_kernels": ("/missing", DUMMY_SHA256, "/missing", DUMMY_SHA256),
        "with_additional_kernel_file": ("/missing", DUMMY_SHA256),
        "position": ("sun", instant, orbyx.geometric()), "positions": (["sun"], [instant], orbyx.geometric()),
        "sidereal_position": ("sun", instant, orbyx.apparent(), "lahiri"),
        "rise_set_transit": ("sun", paris, instant, -0.8),
        "next_horizon_event": ("sun", paris, instant, "set", -0.8),
        "next_season_event": (instant, "march_equinox"), "next_lunation": (instant, "new_moon"),
    }
    constructor_arguments = CONSTRUCTOR_ARGUMENTS.get(cls.__name__, ())

    # (name, takes a class, use): `use` applies the member to an object, or to a class
    # for the constructor and the class methods.
    def members():
        for name, member in vars(cls).items():
            arguments = METHOD_ARGUMENTS.get(name, ())
            if name == "__new__":
                yield name, True, lambda receiver: cls.__new__(receiver, *constructor_arguments)
            elif name == "__repr__":
                yield name, False, member
            elif name.startswith("__"):
                continue
            elif type(member).__name__ == "getset_descriptor":
                yield name, False, member.__get__
            elif getattr(getattr(cls, name), "__self__", None) is cls:
                yield name, True, lambda receiver, m=member, a=arguments: m.__get__(None, receiver)(*a)
            else:
                yield name, False, lambda receiver, m=member, a=arguments: m(receiver, *a)

    def refused(label, call, message=None):
        print(label, file=sys.stderr, flush=True)  # names the culprit of a crash
        try:
            call()
        except TypeError as error:
            if message is None or str(error) == message:
                return
        print(label, "was not refused as expected")

    own = next(sample for sample in samples if type(sample) is cls)
    for name, takes_class, use in members():
        if name != "__new__" or constructor_arguments:
            try:  # a TypeError here would mean the arguments above are wrong
                use(cls if takes_class else own)
            except ValueError:
                pass
        for other in samples:
            if other is not own:
                refused(f"{name} on {type(other).__name__}", lambda: use(type(other) if takes_class else other))

    if sys.implementation.name == "pypy":  # CPython refuses to make an empty object
        empty = object.__new__(cls)
        for name, takes_class, use in members():
            if not takes_class:
                refused(f"{name} on an empty object", lambda: use(empty))
        del empty
    else:
        refused("object.__new__", lambda: object.__new__(cls))

    not_a_base = f"type 'orbyx.{cls.__name__}' is not an acceptable base type"
    try:
        del cls.__init_subclass__  # PyPy's refusal of subclasses, which Python can remove
    except AttributeError:
        pass
    try:
        subclass = type("Subclass", (cls,), {})
    except TypeError as error:
        assert str(error) == not_a_base, error
    else:
        refused("subclass", lambda: subclass(*constructor_arguments), not_a_base)
        for name, takes_class, use in members():
            receiver = subclass if takes_class else object.__new__(subclass)
            refused(f"{name} on a subclass", lambda: use(receiver))
    gc.collect()
    print("done")
"""


@pytest.mark.parametrize("cls", ALL_CLASSES, ids=lambda cls: cls.__name__)
def test_misuse_raises_type_error_and_never_crashes(cls):
    assert run_isolated(MISUSES, cls.__name__) == ["done"]


@pytest.mark.parametrize(
    "cls",
    [
        orbyx.Position,
        orbyx.DateRange,
        orbyx.KernelMetadata,
        orbyx.HouseCusps,
        orbyx.HorizonEvent,
        orbyx.RiseSetTransit,
    ],
)
def test_snapshot_classes_have_no_constructor(cls):
    with pytest.raises(TypeError):
        cls()


def test_objects_compare_and_hash_by_identity(engine):
    first, second = engine.supported_range, engine.supported_range
    assert first is not second and first != second and first == first
    assert hash(first) == object.__hash__(first)
    assert engine.kernel_metadata != engine.kernel_metadata


def test_values_have_no_setters(engine):
    with pytest.raises(AttributeError):
        engine.supported_range.start_julian_day = 0.0
    with pytest.raises(AttributeError):
        engine.kernel_metadata.kernel_name = "x"


@pytest.mark.skipif(IS_PYPY, reason="PyPy does not expose C text signatures")
def test_text_signatures():
    def parameters(callable_):
        return str(inspect.signature(callable_))

    open_signature = (
        "(path, sha256, leap_second_kernel=None, leap_second_sha256=None, eop=None, eop_sha256=None)"
    )
    assert parameters(orbyx.open) == open_signature
    assert parameters(orbyx.Engine) == open_signature
    engine = orbyx.open(DE430, DUMMY_SHA256)
    assert parameters(engine.with_leap_second_kernel) == "(path, sha256)"
    assert parameters(engine.with_eop) == "(path, sha256)"
    assert parameters(engine.with_additional_kernel_file) == "(path, sha256)"
    assert (
        parameters(engine.with_time_kernels)
        == "(leap_second_kernel, leap_second_sha256, eop, eop_sha256)"
    )
    assert parameters(engine.rise_set_transit) == "(body, observer, around, altitude_deg)"
    assert parameters(engine.next_horizon_event) == "(body, observer, after, kind, altitude_deg)"
    assert parameters(engine.next_season_event) == "(after, kind)"
    assert parameters(engine.next_lunation) == "(after, kind)"
    assert parameters(engine.sidereal_position) == "(body, instant, options, mode)"
    assert parameters(orbyx.house_cusps) == "(observer, ut1, tt, system)"
    metadata = engine.kernel_metadata
    assert parameters(metadata.additional_kernels) == "()"
    assert parameters(metadata.as_dict) == "()"


def test_docstrings():
    assert orbyx.Engine.__doc__ == (
        "Open SPK kernel and evaluate geometric or apparent spherical positions."
    )
    assert orbyx.open.__doc__.startswith(
        "Opens an SPK/BSP kernel. `sha256` is the caller-verified 64-hex checksum.\n\n"
    )
    assert orbyx.KernelMetadata.__doc__ == "Provenance recorded when the kernel was opened."
    assert orbyx.DateRange.__doc__ == "Inclusive kernel coverage in the declared time scale."
    assert orbyx.HouseCusps.__doc__ == "Ecliptic longitudes of the twelve house cusps plus ASC/MC."
    assert orbyx.HorizonEvent.__doc__ == "One horizon event, as a UT1 Julian day."
    assert orbyx.RiseSetTransit.__doc__ == "Same-day UT1 rise, set, and transit epochs."
    assert orbyx.house_cusps.__doc__ == (
        "Ecliptic house cusps at a UT1/TT pair (no SPK kernel).\n\n"
        "`ut1` and `tt` may be [`PyInstant`] values or Julian-day floats. Polar\n"
        "motion is omitted, as in the core house computation."
    )
    if not IS_PYPY:  # PyPy drops the docstrings of methods of C heap types
        assert orbyx.Engine.with_eop.__doc__ == (
            "Attach an IERS EOP 20 C04 table for UT1 and polar motion."
        )


def test_argument_binding_errors_are_type_errors():
    with pytest.raises(TypeError):
        orbyx.open()
    with pytest.raises(TypeError):
        orbyx.open(DE430)
    with pytest.raises(TypeError):
        orbyx.open(DE430, DUMMY_SHA256, None, None, None, None, None)
    with pytest.raises(TypeError):
        orbyx.open(DE430, DUMMY_SHA256, kernel=DE430)
    with pytest.raises(TypeError):
        orbyx.Engine(DE430, sha256=DUMMY_SHA256, path=DE430)
    with pytest.raises(TypeError, match="path"):
        orbyx.open(b"de430.bsp", DUMMY_SHA256)
    with pytest.raises(TypeError, match="eop"):
        orbyx.Engine(DE430, DUMMY_SHA256, eop=1)
    engine = orbyx.open(DE430, DUMMY_SHA256)
    with pytest.raises(TypeError):
        engine.with_eop(None, DUMMY_SHA256)  # attach methods take no None
    with pytest.raises(TypeError):
        engine.with_time_kernels(DE430, DUMMY_SHA256, DE430)


def test_keyword_arguments_are_accepted(engine):
    opened = orbyx.Engine(sha256=DUMMY_SHA256, path=DE430)
    assert opened.kernel_metadata.kernel_name == "de430-2015-03-02.bsp"
    assert engine.with_additional_kernel_file(sha256=DUMMY_SHA256, path=DE430) is None


@pytest.mark.parametrize(
    "use",
    [
        lambda engine: engine.supported_range,
        lambda engine: engine.kernel_metadata,
        repr,
        lambda engine: engine.with_eop("/missing", DUMMY_SHA256),
    ],
)
def test_engine_refuses_other_threads(engine, use):
    error = run_in_thread(lambda: use(engine))["error"]
    assert isinstance(error, BaseException) and not isinstance(error, Exception)
    assert type(error).__bases__ == (BaseException,)
    assert str(error) == "orbyx::PyEngine is unsendable, but sent to another thread"
    assert engine.supported_range.time_scale == "tdb"  # still usable by its owner


def test_thread_check_follows_argument_binding(engine):
    error = run_in_thread(lambda: engine.with_eop())["error"]
    assert isinstance(error, TypeError)


def test_snapshots_are_free_to_share():
    engine = orbyx.open(DE430, DUMMY_SHA256)
    metadata, supported = engine.kernel_metadata, engine.supported_range
    outcome = run_in_thread(lambda: (metadata.as_dict(), repr(supported)))
    assert outcome["value"][0]["kernel_name"] == "de430-2015-03-02.bsp"


@pytest.mark.skipif(IS_PYPY, reason="PyPy releases objects at its own collections, on any thread")
def test_engine_dropped_on_another_thread_is_reported():
    holder = [orbyx.open(DE430, DUMMY_SHA256)]
    with unraisable_reports() as seen:
        run_in_thread(lambda: holder.clear())
        gc.collect()
    assert len(seen) == 1
    assert isinstance(seen[0], RuntimeError)
    assert str(seen[0]) == (
        "orbyx::PyEngine is unsendable, but is being dropped on another thread"
    )
