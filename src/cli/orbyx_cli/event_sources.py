"""The kinds of `orbyx events`, each a lazy stream of events in time order.

Streams are searched a chunk of time at a time, so that a long range writes its first
events at once and an engine failure late in the range loses no event found before it.
"""
from __future__ import annotations

from typing import Iterator, List, NamedTuple, Optional, Sequence, Union

import orbyx
import orbyx_ext

from .angle_formats import SIGNS

SEASONS = ("march_equinox", "june_solstice", "september_equinox", "december_solstice")
LUNATIONS = ("new_moon", "full_moon")
# The searches along an ecliptic track sample it: a month holds few events per body and
# keeps what a failure can hold back short.
CHUNK_DAYS = 30.0
EARLY_START_DAYS = 2.0 / 86400.0

Body = Union[str, int]


class Event(NamedTuple):
    tt_day: float
    event: str
    body: Optional[Body] = None
    detail: Optional[str] = None


def module_events(engine: orbyx.Engine, kind: str, start_tt: float, end_tt: float) -> Iterator[Event]:
    """Equinoxes, solstices and lunations from the module's next-event searches."""
    find = engine.next_season_event if kind in SEASONS else engine.next_lunation
    # A search finds events more than a second after its instant: start a little early so that
    # an event at the very start is included, and drop any found before it.
    after = orbyx.Instant.tt(start_tt - EARLY_START_DAYS)
    while True:
        if kind in SEASONS and not _sun_reaches(engine, kind, after, end_tt):
            return
        found = find(after, kind)
        if found.julian_day >= end_tt:
            return
        if found.julian_day >= start_tt:
            yield Event(found.julian_day, kind)
        after = found


def _sun_reaches(engine: orbyx.Engine, season: str, after: orbyx.Instant, end_tt: float) -> bool:
    # The module's search would look for the next season past the range's end, maybe past
    # the kernel's; the Sun's crossings bound it to the range (a season comes once a year).
    # The search itself finds nothing within a second after `after`.
    start = orbyx.Instant.tt(after.julian_day + EARLY_START_DAYS)
    end = orbyx.Instant.tt(min(end_tt, after.julian_day + 370.0))
    return start.julian_day < end.julian_day and bool(
        orbyx_ext.longitude_crossings(engine, "sun", 90.0 * SEASONS.index(season), start, end))


def _chunks(start_tt: float, end_tt: float) -> Iterator[tuple]:
    first = start_tt
    while first < end_tt:
        last = min(first + CHUNK_DAYS, end_tt)
        yield orbyx.Instant.tt(first), orbyx.Instant.tt(last)
        first = last


def ingresses(engine: orbyx.Engine, body: Body, start_tt: float, end_tt: float,
              sidereal: Optional[str]) -> Iterator[Event]:
    """Crossings of each sign's first degree; going backwards the body enters the sign before."""
    for start, end in _chunks(start_tt, end_tt):
        found: List[Event] = []
        for sign in range(12):
            for crossing in orbyx_ext.longitude_crossings(engine, body, 30.0 * sign, start, end, sidereal):
                increasing = crossing.direction == "increasing"
                entered = SIGNS[sign] if increasing else SIGNS[sign - 1]
                found.append(Event(crossing.instant.julian_day, "ingress", body,
                                   f"{entered} {'direct' if increasing else 'retrograde'}"))
        yield from sorted(found)


def stations(engine: orbyx.Engine, body: Body, start_tt: float, end_tt: float,
             sidereal: Optional[str]) -> Iterator[Event]:
    for start, end in _chunks(start_tt, end_tt):
        for station in orbyx_ext.stations(engine, body, start, end, sidereal):
            yield Event(station.instant.julian_day, "station", body, station.direction)


def lunar_nodes(engine: orbyx.Engine, start_tt: float, end_tt: float) -> Iterator[Event]:
    """The Moon crossing the ecliptic of date, northward at its ascending node."""
    for start, end in _chunks(start_tt, end_tt):
        for passage in orbyx_ext.ecliptic_passages(engine, "moon", start, end):
            yield Event(passage.instant.julian_day, "node", "moon", passage.direction)


def module_kinds(kinds: Sequence[str]) -> List[str]:
    """The module's event names among the command's kinds."""
    return [event for kind in kinds for event in {"seasons": SEASONS, "lunations": LUNATIONS}.get(kind, ())]


def unbounded_kinds(kinds: Sequence[str]) -> List[str]:
    """The module's events whose search needs the first one after the range."""
    return [kind for kind in module_kinds(kinds) if kind in LUNATIONS]


def streams(engine: orbyx.Engine, kinds: Sequence[str], bodies: Optional[Sequence[Body]], sidereal: Optional[str],
            start_tt: float, end_tt: float) -> List[Iterator[Event]]:
    """One stream per kind and body, in the order ties are shown."""
    found: List[Iterator[Event]] = []
    for kind in kinds:
        if kind in ("seasons", "lunations"):
            found += [module_events(engine, event, start_tt, end_tt) for event in module_kinds([kind])]
        elif kind == "ingresses":
            found += [ingresses(engine, body, start_tt, end_tt, sidereal) for body in bodies or INGRESS_BODIES]
        elif kind == "stations":
            found += [stations(engine, body, start_tt, end_tt, sidereal) for body in bodies or STATION_BODIES]
        else:
            found.append(lunar_nodes(engine, start_tt, end_tt))
    return found


STATION_BODIES = ("mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")
INGRESS_BODIES = ("sun", "moon") + STATION_BODIES
