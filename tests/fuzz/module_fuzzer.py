"""Arbitrary Python arguments through the module's constructors and name parsing.

Instant, GeodeticObserver, PositionOptions, geometric/apparent, the name classes,
house_cusps and Engine.position(s) must return a value or raise the error their
arguments call for, never crash and never raise anything else (a SystemError would
mean an error returned without an exception set). The module is the sanitized one
of build/asan; atheris supplies libFuzzer, and ASan with it (tools/fuzz runs this).
"""
import math
import os
import sys

import atheris
import numpy

import orbyx

HERE = os.path.dirname(os.path.abspath(__file__))
DE430 = os.path.join(HERE, "..", "data", "de430-2015-03-02.bsp")
SHA256 = "0123456789abcdef" * 4
ENGINE = orbyx.open(DE430, SHA256)


class Refused(Exception):
    """Raised by the conversions of the odd objects below."""


class FloatRefused:
    def __float__(self):
        raise Refused


class FloatLike:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class Named:
    def __init__(self, name):
        self.name = name


class NameRefused:
    @property
    def name(self):
        raise Refused


# What arguments may legitimately raise: refusals of the module, the host's
# conversion errors (OverflowError for huge ints, UnicodeEncodeError for lone
# surrogates, a ValueError subclass) and the odd objects' own refusals.
EXPECTED = (ValueError, TypeError, OverflowError, Refused)

NAMES = ["sun", "moon", "pluto", "tdb", "utc", "ut1", "tt", "geocentric", "topocentric", "barycentric",
         "heliocentric", "ecliptic", "equatorial", "j2000", "of_date", "placidus", "whole-sign",
         "vernal_equinox", "full_moon", "lahiri", "rise", "transit"]
SPECIAL_FLOATS = [math.nan, math.inf, -math.inf, 0.0, -0.0, 2457084.5, 90.0, -90.0000001, 1e308]


def value(data, depth=0):
    """One argument: usually a plausible one, sometimes anything the host may pass."""
    kind = data.ConsumeIntInRange(0, 17)
    if kind <= 2:
        return data.PickValueInList(NAMES)
    if kind == 3:
        return data.ConsumeUnicode(data.ConsumeIntInRange(0, 24))  # surrogates included
    if kind <= 6:
        return data.ConsumeFloat()
    if kind == 7:
        return data.PickValueInList(SPECIAL_FLOATS)
    if kind == 8:
        return data.ConsumeInt(data.ConsumeIntInRange(1, 160))  # beyond a double's range too
    if kind == 9:
        return data.ConsumeBool()
    if kind == 10:
        return None
    if kind == 11:
        return numpy.float64(data.ConsumeFloat()) if data.ConsumeBool() else numpy.bool_(data.ConsumeBool())
    if kind == 12:
        return data.PickValueInList([FloatRefused(), FloatLike(data.ConsumeFloat()), NameRefused(), object()])
    if kind == 13:
        return Named(value(data, depth + 1) if depth < 2 else "equal")
    if kind == 14:
        return orbyx.Instant(2457084.5 + data.ConsumeFloatInRange(-10.0, 10.0),
                             data.PickValueInList(["tdb", "tt", "utc", "ut1"]))
    if kind == 15:
        return orbyx.GeodeticObserver(data.ConsumeFloatInRange(-360.0, 360.0),
                                      data.ConsumeFloatInRange(-90.0, 90.0), data.ConsumeFloatInRange(-1e3, 1e4))
    if kind == 16:
        return [value(data, depth + 1) for _ in range(data.ConsumeIntInRange(0, 4))] if depth < 2 else []
    return data.ConsumeBytes(data.ConsumeIntInRange(0, 8))


def arguments(data, names):
    """Some of `names`, positionally or by keyword (a few unknown keywords too)."""
    count = data.ConsumeIntInRange(0, len(names) + 1)
    positional = data.ConsumeIntInRange(0, count)
    args = [value(data) for _ in range(positional)]
    keywords = {}
    for name in names[positional:count]:
        keywords[name] = value(data)
    if count > len(names):
        keywords[data.PickValueInList(["bogus", "name", "origin"])] = value(data)
    return args, keywords


OPTION_PARAMETERS = ["origin", "coordinate_system", "reference_epoch", "apparent", "true_ecliptic", "light_time",
                     "aberration", "gravitational_deflection", "precession", "nutation", "observer"]
NAME_CLASSES = [orbyx.HouseSystem, orbyx.SeasonEvent, orbyx.LunationEvent, orbyx.SiderealMode,
                orbyx.HorizonEventKind]

CALLS = [
    (orbyx.Instant, ["julian_day", "time_scale"]),
    (orbyx.Instant.tdb, ["julian_day"]),
    (orbyx.Instant.utc, ["julian_day"]),
    (orbyx.GeodeticObserver, ["longitude_east_deg", "latitude_deg", "height_m"]),
    (orbyx.PositionOptions, OPTION_PARAMETERS),
    (orbyx.geometric, ["origin", "coordinate_system", "observer"]),
    (orbyx.apparent, ["origin", "coordinate_system", "observer"]),
    *[(cls, ["name"]) for cls in NAME_CLASSES],
    (orbyx.house_cusps, ["observer", "ut1", "tt", "system"]),
    (ENGINE.position, ["body", "instant", "options"]),
    (ENGINE.positions, ["bodies", "instants", "options"]),
]


def read_back(result):
    """Every property and the repr of what a call returned."""
    repr(result)
    for name in dir(result):
        if not name.startswith("_"):
            attribute = getattr(result, name)
            if not callable(attribute):
                repr(attribute)


def test_one_input(raw):
    data = atheris.FuzzedDataProvider(raw)
    call, names = CALLS[data.ConsumeIntInRange(0, len(CALLS) - 1)]
    args, keywords = arguments(data, names)
    try:
        result = call(*args, **keywords)
    except EXPECTED:
        return
    read_back(result)


if __name__ == "__main__":
    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()
