"""JPL DE421 opened by orbyx and by the oracles (jplephem, skyfield) on the same numbers.

DE421 carries the Sun, the Moon, Earth, Mercury, Venus and Mars (499) themselves,
but only the barycentres 5..9 of the outer planet systems. orbyx resolves "jupiter"
to NAIF 599 and so on, so a small extra kernel ties each of 599..999 to its
barycentre with a zero offset over DE421's whole span: for orbyx "jupiter" is then
the Jupiter barycentre, the same point as skyfield's 'jupiter barycenter'.
"""
import datetime
import os
import re

import numpy as np

import orbyx
from conftest import DUMMY_SHA256, LEAPSECONDS, de421_path, eop_c04_path
from daf_writer import build_daf, constant_segment, tdb_seconds

AU_KM = 149597870.7
SECONDS_PER_DAY = 86400.0
# The J2000 ecliptic of the kernel convention (obliquity 84381.448 arcsec).
SIN_E0, COS_E0 = 0.39777715593191365, 0.9174820620691818

BODY_NAIF = {
    "sun": 10, "moon": 301, "mercury": 199, "venus": 299, "earth": 399, "mars": 499,
    "jupiter": 599, "saturn": 699, "uranus": 799, "neptune": 899, "pluto": 999,
}
ORIGIN_NAIF = {"barycentric": 0, "heliocentric": 10, "geocentric": 399}
BODIES = list(BODY_NAIF)

# Planet centres DE421 lacks, each on its system barycentre.
ZERO_OFFSET_CENTRES = {599: 5, 699: 6, 799: 7, 899: 8, 999: 9}

# skyfield names of the same points (the barycentres stand in for 599..999).
SKYFIELD_NAMES = {
    "sun": "sun", "moon": "moon", "mercury": "mercury", "venus": "venus", "earth": "earth",
    "mars": "mars", "jupiter": "jupiter barycenter", "saturn": "saturn barycenter",
    "uranus": "uranus barycenter", "neptune": "neptune barycenter", "pluto": "pluto barycenter",
}

DE421_START_JD, DE421_END_JD = 2414864.5, 2471184.5


def planet_centre_kernel():
    """Bytes of an SPK with one zero-offset Type 2 segment per missing planet centre."""
    start, end = tdb_seconds(DE421_START_JD), tdb_seconds(DE421_END_JD)
    segments = [constant_segment(centre, start, end, center=barycentre, position=(0.0, 0.0, 0.0),
                                 name=f"{centre} ON {barycentre}")
                for centre, barycentre in ZERO_OFFSET_CENTRES.items()]
    return build_daf(segments, internal_name="DE421 PLANET CENTRES ON BARYCENTRES")


def write_planet_centre_kernel(directory):
    path = os.path.join(str(directory), "de421-planet-centres.bsp")
    with open(path, "wb") as f:
        f.write(planet_centre_kernel())
    return path


def open_de421(directory, time_kernels=False):
    """DE421 with the planet-centre kernel attached; with the LSK and the C04 table if asked."""
    extra = {}
    if time_kernels:
        extra = dict(leap_second_kernel=LEAPSECONDS, leap_second_sha256=DUMMY_SHA256,
                     eop=eop_c04_path(), eop_sha256=DUMMY_SHA256)
    engine = orbyx.open(de421_path(), DUMMY_SHA256, **extra)
    engine.with_additional_kernel_file(write_planet_centre_kernel(directory), DUMMY_SHA256)
    return engine


# --- jplephem: barycentric states summed along the centre chains ---

class Type2Records:
    """The raw Chebyshev records of one Type 2 segment, read through jplephem's DAF.

    jplephem's own evaluation forms the offset from the segment start in one double,
    about 5e9 s late in DE421, which rounds the epoch by up to 5e-7 s (over 2 cm for
    Mercury). Here each record is evaluated at (t - MID) / RADIUS, with t formed as
    orbyx forms it, so both sides evaluate the same epoch.
    """

    def __init__(self, segment):
        init, interval, size, count = segment.daf.read_array(segment.end_i - 3, segment.end_i)
        self.init, self.interval, self.count = init, interval, int(count)
        self.records = segment.daf.map_array(segment.start_i, segment.end_i - 4).reshape(self.count, int(size))
        self.center = segment.center

    def state(self, t):
        index = np.clip(np.floor((t - self.init) / self.interval).astype(int), 0, self.count - 1)
        records = self.records[index]
        mid, radius = records[:, 0], records[:, 1]
        coefficients = records[:, 2:].reshape(len(t), 3, -1)
        s = (t - mid) / radius
        terms = coefficients.shape[2]
        value, slope = np.zeros((len(t), terms)), np.zeros((len(t), terms))
        value[:, 0] = 1.0
        if terms > 1:
            value[:, 1], slope[:, 1] = s, 1.0
        for k in range(2, terms):
            value[:, k] = 2.0 * s * value[:, k - 1] - value[:, k - 2]
            slope[:, k] = 2.0 * value[:, k - 1] + 2.0 * s * slope[:, k - 1] - slope[:, k - 2]
        position = np.einsum("nck,nk->cn", coefficients, value)
        velocity = np.einsum("nck,nk->cn", coefficients, slope) / radius
        return position, velocity


class JplephemStates:
    """Barycentric states from DE421 (km and km/s, shape (3, n)) at TDB Julian days."""

    def __init__(self):
        from jplephem.spk import SPK

        self.kernel = SPK.open(de421_path())
        self.segments = {segment.target: Type2Records(segment) for segment in self.kernel.segments}

    def close(self):
        self.kernel.close()

    def barycentric(self, naif, tdb_julian_days):
        t = (np.asarray(tdb_julian_days, dtype=float) - 2451545.0) * SECONDS_PER_DAY
        position, velocity = np.zeros((3, t.size)), np.zeros((3, t.size))
        while naif != 0:
            if naif in self.segments:
                segment = self.segments[naif]
                p, v = segment.state(t)
                position += p
                velocity += v
                naif = segment.center
            else:
                naif = ZERO_OFFSET_CENTRES[naif]
        return position, velocity

    def relative(self, body, origin, tdb_julian_days):
        target_p, target_v = self.barycentric(BODY_NAIF[body], tdb_julian_days)
        centre_p, centre_v = self.barycentric(ORIGIN_NAIF[origin], tdb_julian_days)
        return target_p - centre_p, target_v - centre_v


def to_j2000_ecliptic(vector):
    x, y, z = vector
    return np.array([x, COS_E0 * y + SIN_E0 * z, -SIN_E0 * y + COS_E0 * z])


def cartesian_km(longitude_deg, latitude_deg, distance_au):
    lon, lat = np.radians(longitude_deg), np.radians(latitude_deg)
    r = np.asarray(distance_au) * AU_KM
    return np.array([r * np.cos(lat) * np.cos(lon), r * np.cos(lat) * np.sin(lon), r * np.sin(lat)])


def longitude_speed_deg_per_day(position, velocity):
    x, y = position[0], position[1]
    return (x * velocity[1] - y * velocity[0]) / (x * x + y * y) * np.degrees(1.0) * SECONDS_PER_DAY


def angular_difference_arcsec(lon1, lat1, lon2, lat2):
    """(longitude difference times cos latitude, latitude difference), arcseconds."""
    dlon = (np.asarray(lon1) - np.asarray(lon2) + 180.0) % 360.0 - 180.0
    return (np.abs(dlon) * np.cos(np.radians(lat2)) * 3600.0,
            np.abs(np.asarray(lat1) - np.asarray(lat2)) * 3600.0)


# --- skyfield on the same kernel, the same leap seconds and the same C04 table ---

def load_skyfield_de421():
    from skyfield.api import load_file

    return load_file(de421_path())


def leap_second_table(path=LEAPSECONDS):
    """(UTC Julian day, TAI-UTC) of each DELTET/DELTA_AT entry of a NAIF LSK."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    block = text[text.index("DELTET/DELTA_AT"):]
    block = block[:block.index(")")]
    entries = []
    for offset, year, month, day in re.findall(r"(\d+)\s*,\s*@(\d{4})-([A-Z]{3})-(\d+)", block):
        month_number = datetime.datetime.strptime(month.title(), "%b").month
        date = datetime.date(int(year), month_number, int(day))
        entries.append((date.toordinal() + 1721424.5, float(offset)))
    return entries


def c04_rows(path=None):
    """(UTC Julian day, x arcsec, y arcsec, UT1-UTC s) of every C04 row."""
    rows = np.loadtxt(path or eop_c04_path(), comments="#", usecols=(4, 5, 6, 7))
    return rows[:, 0] + 2400000.5, rows[:, 1], rows[:, 2], rows[:, 3]


def tai_minus_utc(utc_julian_days, leaps):
    dates = np.array([date for date, _ in leaps])
    offsets = np.array([offset for _, offset in leaps])
    index = np.searchsorted(dates, utc_julian_days, side="right") - 1
    return offsets[index]


def skyfield_timescale_from_c04():
    """A skyfield timescale whose UT1 and polar motion come from the C04 table and
    whose leap seconds are the LSK's, built without any download.

    skyfield interpolates Delta T = TT - UT1 linearly in TT between daily samples,
    and polar motion linearly in TT; orbyx interpolates UT1-UTC and the pole linearly
    in UTC. Both agree to microseconds except on a day that ends in a leap second,
    where orbyx's UT1-UTC interpolation runs across the 1 s step.
    """
    from skyfield.timelib import Timescale

    leaps = leap_second_table()
    utc, x, y, dut1 = c04_rows()
    keep = utc >= leaps[0][0]
    utc, x, y, dut1 = utc[keep], x[keep], y[keep], dut1[keep]
    tt_minus_utc = tai_minus_utc(utc, leaps) + 32.184
    daily_tt = utc + tt_minus_utc / SECONDS_PER_DAY
    daily_delta_t = tt_minus_utc - dut1
    # skyfield's table lists the leap dates after the first, each with its new offset.
    leap_dates = np.array([date for date, _ in leaps[1:]])
    leap_offsets = np.array([offset for _, offset in leaps[1:]])
    ts = Timescale((daily_tt, daily_delta_t), leap_dates, leap_offsets)
    ts.polar_motion_table = (daily_tt, x, y)
    return ts


def leap_second_eves(leaps=None):
    """UTC Julian days that start the last day before each leap second."""
    return np.array([date - 1.0 for date, _ in (leaps or leap_second_table())[1:]])


# --- IAU 2000A (skyfield) against IAU 2000B (orbyx) nutation, from pyerfa ---

def _nutation(tt_julian_days):
    import erfa

    day = np.asarray(tt_julian_days, dtype=float) - 2400000.5
    return erfa.nut00a(2400000.5, day), erfa.nut00b(2400000.5, day), erfa.obl06(2400000.5, day)


def longitude_as_iau2000b(longitude_deg, tt_julian_days):
    """A true-ecliptic-of-date longitude moved from IAU 2000A to IAU 2000B nutation.

    On the true ecliptic only the nutation in longitude moves the equinox; the
    obliquity cancels out.
    """
    (dpsi_a, _), (dpsi_b, _), _ = _nutation(tt_julian_days)
    return np.asarray(longitude_deg) + np.degrees(dpsi_b - dpsi_a)


def radec_as_iau2000b(ra_deg, dec_deg, tt_julian_days):
    """True-equator-of-date RA and Dec moved from IAU 2000A to IAU 2000B nutation:
    v_B = N_B N_A^T v_A, both nutation matrices about the IAU 2006 mean obliquity."""
    import erfa

    (dpsi_a, deps_a), (dpsi_b, deps_b), mean_obliquity = _nutation(tt_julian_days)
    n_a = erfa.numat(mean_obliquity, dpsi_a, deps_a)
    n_b = erfa.numat(mean_obliquity, dpsi_b, deps_b)
    ra, dec = np.radians(ra_deg), np.radians(dec_deg)
    v = np.stack([np.cos(dec) * np.cos(ra), np.cos(dec) * np.sin(ra), np.sin(dec)], axis=-1)
    moved = np.einsum("nij,nkj,nk->ni", n_b, n_a, v)
    return (np.degrees(np.arctan2(moved[:, 1], moved[:, 0])) % 360.0,
            np.degrees(np.arcsin(moved[:, 2])))
