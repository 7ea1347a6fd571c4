"""Writes the seed inputs of every fuzz target into one folder per target.

Seeds are made at run time rather than kept in the repository: the real kernel
excerpts and the leap-second kernel are copied from tests/data, an excerpt of
the IERS EOP 20 C04 series is cut from the astropy-iers-data package, and small
synthetic kernels come from the test suite's DAF writer.

    python tests/fuzz/make_seeds.py OUTPUT_DIR
"""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))

from conftest import DE430, DE441_1969, JUP310, LEAPSECONDS, eop_c04_path  # noqa: E402
from daf_writer import (big_endian_twin, build_daf, constant_segment, kepler_mda_records,  # noqa: E402
                        mda_segment, tdb_seconds, type2_segment, type3_segment, type13_segment)

START = tdb_seconds(2451545.0)
DAY = 86400.0


def chebyshev_records(count, scale):
    """Records of three coefficients per axis, so that the recurrences run."""
    return [([scale * (k + 1), 0.5 * scale, 0.1 * scale],
             [-scale, 0.25 * scale, 0.0],
             [0.5 * scale, 0.0, -0.05 * scale]) for k in range(count)]


def solar_system_kernel(**options):
    """Sun, Earth-Moon barycentre, Earth, Moon and Mercury, chained down to the barycentre."""
    segments = [
        type2_segment(10, 0, START, 4 * DAY, chebyshev_records(2, 1e5)),
        type2_segment(3, 0, START, 2 * DAY, chebyshev_records(4, 1.5e8)),
        type2_segment(399, 3, START, 8 * DAY, chebyshev_records(1, 4.6e3)),
        type2_segment(301, 3, START, DAY, chebyshev_records(8, 3.8e5)),
        type2_segment(1, 0, START, 8 * DAY, chebyshev_records(1, 5.8e7)),
        constant_segment(199, START, START + 8 * DAY, center=1),
    ]
    return build_daf(segments, **options)


def kernel_seeds():
    one_per_record = solar_system_kernel(summaries_per_record=1)
    return {
        "de430-excerpt.bsp": open(DE430, "rb").read(),
        "de441-1969.bsp": open(DE441_1969, "rb").read(),
        "jup310-excerpt.bsp": open(JUP310, "rb").read(),
        "solar-system.bsp": solar_system_kernel(),
        "solar-system-big-endian.bsp": big_endian_twin(solar_system_kernel()),
        "one-summary-per-record.bsp": one_per_record,
        "touching-segments.bsp": build_daf([constant_segment(10, START, START + DAY),
                                            constant_segment(10, START + DAY, START + 2 * DAY)]),
        "no-segments.bsp": build_daf([]),
    }


def type3_kernel_seeds():
    """Jupiter and two moons on Type 3 over a Type 2 Sun and Earth, and the real excerpt."""
    def records(count, scale):
        return [axes + tuple([c * 1e-5 for c in axis] for axis in axes)
                for axes in chebyshev_records(count, scale)]

    segments = [
        type2_segment(10, 0, START, 4 * DAY, chebyshev_records(2, 1e5)),
        constant_segment(399, START, START + 8 * DAY),
        type3_segment(5, 0, START, 8 * DAY, records(1, 7.8e8)),
        type3_segment(599, 5, START, 2 * DAY, records(4, 1e3)),
        type3_segment(501, 5, START, DAY / 2, records(16, 4.2e5)),
    ]
    return {
        "jup310-excerpt.bsp": open(JUP310, "rb").read(),
        "jupiter-system.bsp": build_daf(segments),
        "jupiter-system-big-endian.bsp": big_endian_twin(build_daf(segments)),
    }


def type13_kernel_seeds():
    """A body on Type 13 with odd and even windows, its epochs past a directory entry."""
    def states(epochs, scale):
        return [(scale * (1 + 1e-6 * e), -scale, 0.5 * scale, 1e-6 * scale, 0.0, -1e-7 * scale) for e in epochs]

    uneven = [START + 600.0 * k + 37.0 * (k % 5) for k in range(230)]
    segments = [
        type2_segment(10, 0, START, 4 * DAY, chebyshev_records(2, 1e5)),
        constant_segment(399, START, START + 8 * DAY),
        constant_segment(5, START, START + 8 * DAY),
        type13_segment(599, 5, uneven, states(uneven, 1e3), 4),
        type13_segment(501, 5, uneven[:40], states(uneven[:40], 4.2e5), 3),
    ]
    return {"uneven-steps.bsp": build_daf(segments),
            "uneven-steps-big-endian.bsp": big_endian_twin(build_daf(segments))}


def mda_kernel_seeds(maxdim):
    """A body on Type 1 (or 21 of `maxdim`) past a directory entry, its moon on a short one."""
    finals = [START + 3600.0 * k for k in range(1, 121)]
    orbit, moon = (4.1e8, 0.15, 0.3, 1.0, 0.5), (4.2e5, 0.01, 0.05, 0.2, 0.0)
    segments = [
        type2_segment(10, 0, START, 4 * DAY, chebyshev_records(2, 1e5)),
        constant_segment(399, START, START + 8 * DAY),
        mda_segment(5, 0, START, kepler_mda_records(orbit, 1.32712440018e11, finals, 6, [1200.0] * 6), maxdim),
        mda_segment(501, 5, START, kepler_mda_records(moon, 1.26686534e8, finals[:5], 3, [900.0] * 3), maxdim),
    ]
    return {"records.bsp": build_daf(segments), "records-big-endian.bsp": big_endian_twin(build_daf(segments))}


def eop_excerpt(first_rows, around_mjd, rows):
    """The header, the first rows and the rows around one MJD of the C04 series."""
    with open(eop_c04_path(), encoding="utf-8") as table:
        lines = table.readlines()
    header = [line for line in lines if line.startswith("#")]
    data = [line for line in lines if not line.startswith("#")]
    middle = next(i for i, line in enumerate(data) if float(line.split()[4]) >= around_mjd)
    return "".join(header + data[:first_rows] + data[middle:middle + rows])


def time_seeds():
    minimal_lsk = (
        "\\begindata\nDELTET/DELTA_T_A = 32.184\nDELTET/K = 1.657D-3\nDELTET/EB = 1.671D-2\n"
        "DELTET/M = ( 6.239996D0 1.99096871D-7 )\nDELTET/DELTA_AT = ( 10, @1972-JAN-1 )\n\\begintext\n")
    return {
        "leap_second_kernel": {"leapseconds.tls": open(LEAPSECONDS, "rb").read(),
                               "minimal.tls": minimal_lsk.encode()},
        "earth_orientation_table": {"eopc04-excerpt": eop_excerpt(5, 57754.0, 5).encode(),
                                    "eopc04-one-row": eop_excerpt(1, 0.0, 0).encode()},
    }


NAMES = ["sun", "Moon", "  PLUTO  ", "tdb", "UT1", "barycentric", "topocentric", "Equatorial",
         "of-date", "j2000", "whole_sign", "Whole-Sign", "vernal_equinox", "december-solstice",
         "fullmoon", "fagan_bradley", "transit", "\u00a0rise\u2003", "unknown"]


def write_all(root, seeds):
    for target, files in seeds.items():
        folder = os.path.join(root, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, content in files.items():
            with open(os.path.join(folder, name), "wb") as out:
                out.write(content)


def main(root):
    seeds = {"kernel": kernel_seeds(),
             "type3_kernel": type3_kernel_seeds(),
             "type13_kernel": type13_kernel_seeds(),
             "type1_kernel": mda_kernel_seeds(None),
             "type21_kernel": mda_kernel_seeds(18),
             "names": {f"name-{i}": name.encode() for i, name in enumerate(NAMES)}}
    seeds.update(time_seeds())
    write_all(root, seeds)


if __name__ == "__main__":
    main(sys.argv[1])
