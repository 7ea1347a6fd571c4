"""The command's rise, set and twilight tables: a year at Tromso against skyfield's
almanac, any body by name or NAIF id, and the refusals."""
import datetime
import json

import numpy as np
import pytest

from de421_oracle import load_skyfield_de421, skyfield_timescale_from_c04

TROMSO = ("--lat", 69.6492, "--lon", 18.9553)
YEAR = ("--from", "2025-01-01", "--to", "2025-12-31")
# Both sides use the same C04 table; CSV and JSON keep the millisecond. Worst seen in 2025:
# 0.001 s for the Sun (rises, sets, civil twilights), 0.11 s for the Moon, whose limb
# skyfield's side finds by secant steps on its own, deflection-free places.
TOLERANCE_S = {"sun": 0.01, "moon": 0.2}
MOON_RADIUS_KM = 1737.4
REFRACTION_DEG = 34.0 / 60.0


def document(cli, *arguments):
    status, out, err = cli(*arguments, "--format", "json")
    assert (status, err) == (0, ""), err
    return json.loads(out)


@pytest.fixture(scope="module")
def sky():
    pytest.importorskip("skyfield.api")
    from skyfield.toposlib import Geoid

    eph, ts = load_skyfield_de421(), skyfield_timescale_from_c04()
    site = eph["earth"] + Geoid("GRS80", 6378137.0, 298.257222101).latlon(TROMSO[1], TROMSO[3])
    return eph, ts, site


def limb_excess_deg(eph, site, times):
    """The Moon's upper limb above 34' of refraction, by skyfield's altitude and distance."""
    altitude, _, distance = site.at(times).observe(eph["moon"]).apparent().altaz()
    return altitude.degrees + REFRACTION_DEG + np.degrees(np.arcsin(MOON_RADIUS_KM / distance.km))


def skyfield_events(sky, body, horizon):
    """skyfield's real crossings of the year. The Moon's are found at its mean semidiameter,
    then refined onto its upper limb at its distance by secant steps; a pass that crosses
    the mean horizon but not the limb's (a grazing Moon near perigee) does not converge and
    is left out."""
    from skyfield import almanac

    eph, ts, site = sky
    start, end = ts.utc(2025, 1, 1), ts.utc(2026, 1, 1)
    found = {}
    for kind, search in (("rise", almanac.find_risings), ("set", almanac.find_settings)):
        times, crossed = search(site, eph[body], start, end, horizon_degrees=horizon)
        days = times.tt[crossed]
        if body == "moon":
            step = 30.0 / 86400.0
            for _ in range(4):
                now = limb_excess_deg(eph, site, ts.tt_jd(days))
                days = days - now * step / (limb_excess_deg(eph, site, ts.tt_jd(days + step)) - now)
            days = days[np.abs(limb_excess_deg(eph, site, ts.tt_jd(days))) < 1e-6]
        found[kind] = ts.tt_jd(days)
    return found


def worst_gap_s(theirs, ours):
    assert len(theirs) == len(ours)
    return max(abs((mine - their.replace(tzinfo=None)).total_seconds())
               for mine, their in zip(ours, theirs.utc_datetime()))


def listed(rows, column):
    return [datetime.datetime.fromisoformat(time) for row in rows if row[column] for time in row[column].split(" ")]


@pytest.mark.parametrize("body, horizon", [("sun", -50.0 / 60.0), ("moon", -REFRACTION_DEG - 0.259)])
def test_a_year_at_tromso_has_every_rise_and_set_of_skyfield(cli, sky, body, horizon):
    """skyfield's almanac with the same horizons (its search brackets grazing passes by the
    transits; the Moon's limb from the mean semidiameter, then refined to the limb at its distance)."""
    twilight = ("--twilight", "civil") if body == "sun" else ()
    rows = document(cli, body, *TROMSO, *YEAR, *twilight)["rows"]
    assert len(rows) == 365
    theirs = skyfield_events(sky, body, horizon)
    worst = max(worst_gap_s(theirs[kind], listed(rows, kind)) for kind in ("rise", "set"))
    assert worst < TOLERANCE_S[body]
    crossing_days = {time.date().isoformat() for kind in ("rise", "set") for time in listed(rows, kind)}
    for row in rows:
        assert (row["note"] is None) == (row["date"] in crossing_days), row
    eph, ts, site = sky
    quiet = [row for row in rows if row["note"]]
    noon = ts.utc(2025, 1, [datetime.date.fromisoformat(row["date"]).timetuple().tm_yday + 0.5 for row in quiet])
    altitude = site.at(noon).observe(eph[body]).apparent().altaz()[0].degrees
    above = limb_excess_deg(eph, site, noon) > 0 if body == "moon" else altitude > horizon
    assert [row["note"] for row in quiet] == ["above the altitude all day" if up else "below the altitude all day"
                                              for up in above]
    if body == "sun":
        civil = skyfield_events(sky, "sun", -6.0)
        worst = max(worst_gap_s(civil["rise"], listed(rows, "civil_dawn")),
                    worst_gap_s(civil["set"], listed(rows, "civil_dusk")), worst)
        assert worst < TOLERANCE_S[body]
        assert any(row["civil_dawn"] is None and row["rise"] for row in rows)  # the white nights of spring
    print(f"{body} at Tromso, 2025: {len(theirs['rise'])} rises, {len(quiet)} days without, worst {worst:.3f} s")


def test_any_body_by_name_or_naif_id_and_the_sun_by_either_subcommand(cli):
    day = ("--lat", 48.85, "--lon", 2.35, "--date", "2025-03-01")
    by_name, by_id = document(cli, "rise-set", "--body", "mars", *day), document(cli, "rise-set", "--body", 499, *day)
    assert by_name["rows"] == by_id["rows"] and all(by_name["rows"][0][kind] for kind in ("rise", "transit", "set"))
    assert "rise and set of the centre at altitude -0.5667 degrees (34' of mean refraction)" in by_name["header"][-1]
    sun = document(cli, "sun", *day, "--twilight", "civil,nautical")["rows"]
    assert document(cli, "rise-set", "--body", "sun", *day, "--twilight", "nautical,civil")["rows"] == sun
    events = ["nautical_dawn", "civil_dawn", "rise", "transit", "set", "civil_dusk", "nautical_dusk"]
    assert list(sun[0]) == ["date"] + [key for event in events for key in (event, f"{event}_julian_day_utc")] + \
        ["note"]


@pytest.mark.parametrize("arguments, status, message", [
    (("rise-set", "--body", "earth"), 2, "--body earth: the Earth neither rises nor sets"),
    (("rise-set", "--body", "399"), 2, "--body earth: the Earth neither rises nor sets"),
    (("rise-set", "--body", "vulcan"), 2, 'unknown body "vulcan"'),
    (("rise-set", "--body", "moon", "--twilight", "civil"), 2, "--twilight is the Sun's"),
    (("sun", "--twilight", "civil,polar"), 2, "--twilight: unknown twilight 'polar'"),
    (("rise-set", "--body", "ceres"), 1, "no kernel places ceres around 2025-03-01: attach a satellite or"),
])
def test_refusals_are_one_line(cli, arguments, status, message):
    code, out, err = cli(*arguments, "--lat", 48.85, "--lon", 2.35, "--date", "2025-03-01")
    assert (code, out) == (status, "") and message in err and err.count("\n") == 1, err
