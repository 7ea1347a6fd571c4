"""orbyx_ext's annotations describe its functions well enough for mypy --strict."""
import platform

import pytest

from test_type_stub import run_mypy

USES_THE_COMPANION = '''
import datetime
import numpy as np
import numpy.typing as npt
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
seen: orbyx_ext.Phenomena = orbyx_ext.phenomena(engine, "moon", instant, orbyx.GeodeticObserver(2.35, 48.85, 35.0))
lit: float = orbyx_ext.phenomena(engine, "venus", instant).illuminated_fraction
age: orbyx_ext.MoonAge = orbyx_ext.moon_age(engine, instant)
new_moon: orbyx.Instant = age.new_moon
crossings: list[orbyx_ext.LongitudeCrossing] = orbyx_ext.longitude_crossings(engine, "mars", 90.0, instant, again)
sidereal: list[orbyx_ext.LongitudeCrossing] = orbyx_ext.longitude_crossings(
    engine, "moon", 0.0, instant, again, sidereal_mode=orbyx.SiderealMode.lahiri())
passages: list[orbyx_ext.EclipticPassage] = orbyx_ext.ecliptic_passages(engine, "moon", instant, again)
turns: list[orbyx_ext.Station] = orbyx_ext.stations(engine, "mercury", instant, again, "fagan_bradley")
turns_kp: list[orbyx_ext.Station] = orbyx_ext.stations(engine, "mars", instant, again,
                                                       orbyx_ext.UserAyanamsha(2415020.0, 22.5, "iau1976"))
when: orbyx.Instant = turns[0].instant
direction: str = crossings[0].direction + passages[0].direction
node: orbyx_ext.LunarPoint = orbyx_ext.lunar_point(engine, "true_node", instant, sidereal_mode="lahiri")
node_speed: float = node.longitude_speed_deg_per_day + orbyx_ext.lunar_point(engine, "mean_apogee", again).latitude_deg
site = orbyx.GeodeticObserver(2.35, 48.85, 35.0)
place: orbyx_ext.HorizontalPlace = orbyx_ext.horizontal(engine, "sun", site, instant, pressure_mbar=1010.0)
places = orbyx_ext.horizontal(engine, ["sun", "moon"], site, [instant, again], temperature_c=5.0)
circle: orbyx_ext.HourAngle = orbyx_ext.hour_angle(engine, "mars", site, instant)
sidereal_time: orbyx_ext.LocalSiderealTime = orbyx_ext.local_sidereal_time(engine, site, instant)
sky_source: str = place.source + places.source + circle.source + sidereal_time.source
site = orbyx.GeodeticObserver(18.9553, 69.6492, 0.0)
events: list[orbyx_ext.HorizonEvent] = orbyx_ext.horizon_events(engine, "moon", site, instant, again)
planet: list[orbyx_ext.HorizonEvent] = orbyx_ext.horizon_events(engine, "mars", site, instant, again, altitude_deg=-0.5)
first: orbyx.Instant = events[0].instant
dawns: list[orbyx_ext.TwilightEvent] = orbyx_ext.twilight_events(engine, site, instant, again, twilight="nautical")
kind: str = dawns[0].kind
houses: orbyx_ext.HouseCusps = orbyx_ext.house_cusps(site, instant, 2460676.5, "koch", fallback="porphyry",
                                                     sidereal_mode=orbyx_ext.UserAyanamsha(2415020.0, 22.5))
cusp_of_house_one: float = houses.cusps[0] + houses.vertex_deg
extended: orbyx.Engine = orbyx_ext.open("jup310.bsp", "0" * 64, leap_second_kernel=None)
io_place_options = orbyx.apparent("geocentric", "equatorial")
state: orbyx_ext.GeometricState = orbyx_ext.geometric_state(extended, 501, "jupiter", instant)
speed: float = state.vx_km_per_s + orbyx_ext.geometric_state(engine, "moon", 399, instant).z_km
states: npt.NDArray[np.float64] = orbyx_ext.geometric_states(extended, 501, 5, [instant, again])
io_place: orbyx.Position = orbyx_ext.position(extended, "io", instant, orbyx.PositionOptions("geocentric", "ecliptic"))
io_sum: float = io_place.longitude_deg + orbyx_ext.position(extended, 502, instant, io_place_options).distance_au
io_turns: list[orbyx_ext.Station] = orbyx_ext.stations(extended, 501, instant, again)
io_sky: orbyx_ext.HorizontalPlace = orbyx_ext.horizontal(extended, "io", site, instant)
shift: float = orbyx_ext.ayanamsha("krishnamurti", 2460676.5) + orbyx_ext.ayanamsha(
    orbyx_ext.UserAyanamsha(2415020.0, 22.5, "iau1976"), converted.instant, nutation=False, engine=engine)
chart: orbyx_ext.Chart = orbyx_ext.chart(engine, site, instant, "koch", sidereal_mode="krishnamurti",
                                         fallback="porphyry", topocentric=True)
mars: orbyx_ext.ChartBody = chart.bodies["mars"]
backwards: bool = mars.retrograde and chart.lunar_points["true_node"].longitude_deg > 0.0
ayanamsha_deg: float | None = chart.ayanamsha_deg
charts: orbyx_ext.Charts = orbyx_ext.charts(engine, [site, site], [instant, again])
jupiter_speeds = charts.bodies[:, orbyx_ext.BODY_NAMES.index("jupiter"), 3] + charts.cusps[:, 0]
flags = charts.retrograde.any() or charts.fallback_used.all()
io_batch = orbyx_ext.positions(extended, ["io", 502, "jupiter"], [instant, again], io_place_options)
io_batch_sum: float = float(io_batch[0, 0, 0])
io_disc: float | None = orbyx_ext.phenomena(extended, 501, instant).angular_diameter_arcsec
wider: orbyx_ext.Chart = orbyx_ext.chart(extended, site, instant, extra_bodies=["io", 2000001])
io_in_chart: orbyx_ext.ChartBody = wider.bodies["io"]
columns: tuple[str, ...] = orbyx_ext.charts(extended, site, [instant], extra_bodies=(501,)).body_names
'''
MISUSES_THE_COMPANION = '''
import orbyx
import orbyx_ext

orbyx_ext.instant_from_calendar(2027.0, 1, 1)
year: str = orbyx_ext.calendar_from_instant(orbyx.Instant.tt(2460000.5)).year
orbyx_ext.horizontal(orbyx.open("de421.bsp", "0" * 64), 3.0, orbyx.GeodeticObserver(0.0, 0.0, 0.0), orbyx.Instant.tt(0.0))
orbyx_ext.horizon_events(orbyx.open("de421.bsp", "0" * 64), "sun", (0.0, 45.0, 0.0), orbyx.Instant.tt(2460000.5),
                         orbyx.Instant.tt(2460001.5))
orbyx_ext.geometric_state(orbyx_ext.open("jup310.bsp", "0" * 64), 501.0, 5, orbyx.Instant.tt(0.0))
orbyx_ext.position(orbyx_ext.open("jup310.bsp", "0" * 64), 501, orbyx.Instant.tt(0.0), "geocentric")
orbyx_ext.positions(orbyx_ext.open("jup310.bsp", "0" * 64), [501.0], [orbyx.Instant.tt(0.0)],
                    orbyx.apparent("geocentric", "ecliptic"))
disc: float = orbyx_ext.phenomena(orbyx.open("de421.bsp", "0" * 64), "io",
                                  orbyx.Instant.tt(0.0)).angular_diameter_arcsec
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
    assert 'Argument 2 to "horizontal" has incompatible type "float"' in out
    assert 'Argument 3 to "horizon_events" has incompatible type "tuple[float, float, float]"' in out
    assert 'Argument 2 to "geometric_state" has incompatible type "float"' in out
    assert 'Argument 4 to "position" has incompatible type "str"' in out
    assert 'List item 0 has incompatible type "float"; expected "str | int"' in out
    assert 'expression has type "float | None", variable has type "float"' in out
