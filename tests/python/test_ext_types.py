"""orbyx_ext's annotations describe its functions well enough for mypy --strict."""
import platform

import pytest

from test_type_stub import run_mypy

USES_THE_COMPANION = '''
import datetime
import orbyx
import orbyx_ext

engine = orbyx.open("de421.bsp", "0" * 64)
instant: orbyx.Instant = orbyx_ext.instant_from_calendar(2027, 1, 1, 12, 30, 15.5, time_scale="tt", engine=engine)
converted: orbyx_ext.ConvertedInstant = orbyx_ext.convert(engine, instant, "utc")
source: str = converted.source
date: orbyx_ext.CalendarDate = orbyx_ext.calendar_from_instant(converted.instant)
second: float = date.second
moment: datetime.datetime = orbyx_ext.datetime_from_instant(converted.instant)
again: orbyx.Instant = orbyx_ext.instant_from_datetime(moment)
site = orbyx.GeodeticObserver(18.9553, 69.6492, 0.0)
events: list[orbyx_ext.HorizonEvent] = orbyx_ext.horizon_events(engine, "moon", site, instant, again)
planet: list[orbyx_ext.HorizonEvent] = orbyx_ext.horizon_events(engine, "mars", site, instant, again, altitude_deg=-0.5)
first: orbyx.Instant = events[0].instant
dawns: list[orbyx_ext.TwilightEvent] = orbyx_ext.twilight_events(engine, site, instant, again, twilight="nautical")
kind: str = dawns[0].kind
'''
MISUSES_THE_COMPANION = '''
import orbyx
import orbyx_ext

orbyx_ext.instant_from_calendar(2027.0, 1, 1)
year: str = orbyx_ext.calendar_from_instant(orbyx.Instant.tt(2460000.5)).year
orbyx_ext.horizon_events(orbyx.open("de421.bsp", "0" * 64), "sun", (0.0, 45.0, 0.0), orbyx.Instant.tt(2460000.5),
                         orbyx.Instant.tt(2460001.5))
'''


@pytest.mark.skipif(platform.python_implementation() != "CPython", reason="mypy is installed on CPython only")
def test_mypy_accepts_every_function_and_reports_misuse(tmp_path, monkeypatch):
    uses, misuses = tmp_path / "uses", tmp_path / "misuses"
    uses.mkdir()
    misuses.mkdir()
    out, err, status = run_mypy(uses, monkeypatch, USES_THE_COMPANION, "-p", "orbyx_ext")
    assert status == 0, out + err
    out, _, status = run_mypy(misuses, monkeypatch, MISUSES_THE_COMPANION)
    assert status == 1
    assert 'Argument 1 to "instant_from_calendar" has incompatible type "float"; expected "int"' in out
    assert 'Incompatible types in assignment (expression has type "int", variable has type "str")' in out
    assert 'Argument 3 to "horizon_events" has incompatible type "tuple[float, float, float]"' in out
