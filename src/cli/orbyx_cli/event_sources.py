"""The kinds of `orbyx events`, each a source that lists its events in a span of time.

The command asks every source for one chunk of time after another, so that a long range
writes its first events at once and an engine failure loses no chunk searched before it.
"""
from __future__ import annotations

from typing import Callable, List, NamedTuple, Optional, Sequence

import orbyx
import orbyx_ext

from .angle_formats import SIGNS
from .bodies import Body

SEASONS = ("march_equinox", "june_solstice", "september_equinox", "december_solstice")
LUNATIONS = ("new_moon", "full_moon")
EARLY_START_DAYS = 2.0 / 86400.0



class Event(NamedTuple):
    tt_day: float
    event: str
    body: Optional[Body] = None
    detail: Optional[str] = None


Source = Callable[[float, float], List[Event]]


class ModuleEvents:
    """Equinoxes, solstices or lunations of one kind from the module's next-event searches,
    chained across chunks: the event found past one chunk opens the next."""

    def __init__(self, engine: orbyx.Engine, kind: str) -> None:
        self.engine, self.kind = engine, kind
        self.find = engine.next_season_event if kind in SEASONS else engine.next_lunation
        self.pending: Optional[orbyx.Instant] = None

    def __call__(self, start_tt: float, end_tt: float) -> List[Event]:
        days: List[float] = []
        # A search finds events more than a second after its instant: start a little early so
        # that an event at the very start is included, and drop any found before it.
        after = orbyx.Instant.tt(start_tt - EARLY_START_DAYS)
        while True:
            if self.pending is not None and self.pending.julian_day >= after.julian_day + EARLY_START_DAYS:
                found = self.pending
            elif self.kind in SEASONS and not _sun_reaches(self.engine, self.kind, after, end_tt):
                return [Event(day, self.kind) for day in days]
            else:
                found = self.find(after, self.kind)
            if found.julian_day >= end_tt:
                self.pending = found
                return [Event(day, self.kind) for day in days]
            if found.julian_day >= start_tt:
                days.append(found.julian_day)
            after = found


def _sun_reaches(engine: orbyx.Engine, season: str, after: orbyx.Instant, end_tt: float) -> bool:
    # The module's search would look for the next season past the range's end, maybe past
    # the kernel's; the Sun's crossings bound it to the range (a season comes once a year).
    # The search itself finds nothing within a second after `after`.
    start = orbyx.Instant.tt(after.julian_day + EARLY_START_DAYS)
    end = orbyx.Instant.tt(min(end_tt, after.julian_day + 370.0))
    return start.julian_day < end.julian_day and bool(
        orbyx_ext.longitude_crossings(engine, "sun", 90.0 * SEASONS.index(season), start, end))


def ingresses(engine: orbyx.Engine, body: Body, sidereal: Optional[str]) -> Source:
    """Crossings of each sign's first degree; going backwards the body enters the sign before."""
    def within(start_tt: float, end_tt: float) -> List[Event]:
        found: List[Event] = []
        for sign in range(12):
            for crossing in orbyx_ext.longitude_crossings(engine, body, 30.0 * sign, orbyx.Instant.tt(start_tt),
                                                          orbyx.Instant.tt(end_tt), sidereal):
                increasing = crossing.direction == "increasing"
                entered = SIGNS[sign] if increasing else SIGNS[sign - 1]
                found.append(Event(crossing.instant.julian_day, "ingress", body,
                                   f"{entered} {'direct' if increasing else 'retrograde'}"))
        return found
    return within


def stations(engine: orbyx.Engine, body: Body, sidereal: Optional[str]) -> Source:
    return lambda start_tt, end_tt: [
        Event(station.instant.julian_day, "station", body, station.direction)
        for station in orbyx_ext.stations(engine, body, orbyx.Instant.tt(start_tt), orbyx.Instant.tt(end_tt),
                                          sidereal)]


def lunar_nodes(engine: orbyx.Engine) -> Source:
    """The Moon crossing the ecliptic of date, northward at its ascending node."""
    return lambda start_tt, end_tt: [
        Event(passage.instant.julian_day, "node", "moon", passage.direction)
        for passage in orbyx_ext.ecliptic_passages(engine, "moon", orbyx.Instant.tt(start_tt),
                                                   orbyx.Instant.tt(end_tt))]


def module_kinds(kinds: Sequence[str]) -> List[str]:
    """The module's event names among the command's kinds."""
    return [event for kind in kinds for event in {"seasons": SEASONS, "lunations": LUNATIONS}.get(kind, ())]


def unbounded_kinds(kinds: Sequence[str]) -> List[str]:
    """The module's events whose search needs the first one after the range."""
    return [kind for kind in module_kinds(kinds) if kind in LUNATIONS]


def sources(engine: orbyx.Engine, kinds: Sequence[str], bodies: Optional[Sequence[Body]],
            sidereal: Optional[str]) -> List[Source]:
    """One source per event name or body, in the order ties are shown."""
    found: List[Source] = [ModuleEvents(engine, event) for event in module_kinds(kinds)]
    for kind in kinds:
        if kind == "ingresses":
            found += [ingresses(engine, body, sidereal) for body in bodies or INGRESS_BODIES]
        elif kind == "stations":
            found += [stations(engine, body, sidereal) for body in bodies or STATION_BODIES]
        elif kind == "nodes":
            found.append(lunar_nodes(engine))
    return found


STATION_BODIES = ("mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")
INGRESS_BODIES = ("sun", "moon") + STATION_BODIES
