"""Leap-second kernels and EOP tables given to the Engine, at opening and attached later."""
import pytest

import orbyx
from conftest import DE430, DUMMY_SHA256, LEAPSECONDS, eop_c04_path

EOP = eop_c04_path()
MISSING_FILE = "No such file or directory (os error 2)"
LSK_PAIR = "leap_second_kernel and leap_second_sha256 must be supplied together"
EOP_PAIR = "eop and eop_sha256 must be supplied together"
LSK_DIGEST = "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters"
EOP_DIGEST = "EOP table SHA-256 must be 64 hexadecimal characters"

with open(LEAPSECONDS, encoding="utf-8") as _f:
    LSK_TEXT = _f.read()

C04_HEADER = "# EOP (IERS) 20 C04 TIME SERIES\n# YR  MM  DD  HH       MJD        x(\")        y(\")  UT1-UTC(s)\n"


def c04_row(mjd, ut1_utc="-0.0286478", x="0.168185", y="0.322199"):
    return f"2026  10   8   0  {mjd}   {x}   {y}   {ut1_utc}    0.000427   -0.000145\n"


GOOD_C04 = C04_HEADER + "".join(c04_row(f"{61300 + day}.00") for day in range(5))


def value_error(call, *args, **kwargs):
    with pytest.raises(ValueError) as info:
        call(*args, **kwargs)
    assert info.type is ValueError
    return str(info.value)


def engine():
    return orbyx.Engine(DE430, DUMMY_SHA256)


def assert_unchanged(e):
    assert e.kernel_metadata.as_dict() == engine().kernel_metadata.as_dict()
    assert (e.supported_range.start_julian_day, e.supported_range.end_julian_day) == (2457080.5, 2457088.5)


# --- the real files ---

@pytest.mark.parametrize("make", [orbyx.Engine, orbyx.open])
def test_real_time_files_open_with_the_kernel(make):
    assert_unchanged(make(DE430, DUMMY_SHA256, LEAPSECONDS, DUMMY_SHA256, EOP, DUMMY_SHA256))
    assert_unchanged(make(DE430, DUMMY_SHA256, leap_second_kernel=LEAPSECONDS,
                          leap_second_sha256=DUMMY_SHA256.upper()))
    # An EOP table does not need a leap-second kernel.
    assert_unchanged(make(DE430, DUMMY_SHA256, eop=EOP, eop_sha256=DUMMY_SHA256))
    assert_unchanged(make(DE430, DUMMY_SHA256, None, None, None, None))


def test_real_time_files_attach_and_attach_again():
    e = engine()
    assert e.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256) is None
    assert e.with_leap_second_kernel(LEAPSECONDS, DUMMY_SHA256.upper()) is None
    assert e.with_eop(EOP, DUMMY_SHA256) is None
    assert e.with_time_kernels(LEAPSECONDS, DUMMY_SHA256, EOP, DUMMY_SHA256) is None
    assert e.with_eop(EOP, DUMMY_SHA256) is None
    assert_unchanged(e)


def test_attach_paths_must_be_strings():
    with pytest.raises(TypeError):
        engine().with_leap_second_kernel(None, DUMMY_SHA256)
    with pytest.raises(TypeError):
        engine().with_eop(EOP, None)


# --- pairs given to the constructor ---

PAIR_FAILURES = {
    "kernel without digest": (dict(leap_second_kernel=LEAPSECONDS), LSK_PAIR),
    "digest without kernel": (dict(leap_second_sha256=DUMMY_SHA256), LSK_PAIR),
    "eop without digest": (dict(eop=EOP), EOP_PAIR),
    "eop digest without eop": (dict(eop_sha256=DUMMY_SHA256), EOP_PAIR),
    "leap-second pair checked first": (dict(leap_second_kernel=LEAPSECONDS, eop=EOP), LSK_PAIR),
    "leap-second kernel opened before eop pair": (
        dict(leap_second_kernel="/no/such.tls", leap_second_sha256=DUMMY_SHA256, eop=EOP),
        "failed to read leap-second kernel: " + MISSING_FILE),
    "eop opened after a good leap-second kernel": (
        dict(leap_second_kernel=LEAPSECONDS, leap_second_sha256=DUMMY_SHA256, eop="/no/such.txt",
             eop_sha256=DUMMY_SHA256), MISSING_FILE),
}


@pytest.mark.parametrize("make", [orbyx.Engine, orbyx.open])
@pytest.mark.parametrize("options, message", PAIR_FAILURES.values(), ids=PAIR_FAILURES.keys())
def test_time_file_arguments_at_opening(make, options, message):
    assert value_error(make, DE430, DUMMY_SHA256, **options) == message


@pytest.mark.parametrize("options", [dict(leap_second_kernel=LEAPSECONDS), dict(eop_sha256=DUMMY_SHA256)])
def test_primary_kernel_errors_come_before_pair_errors(options):
    assert value_error(orbyx.Engine, "/no/such.bsp", DUMMY_SHA256, **options) == \
        "failed to read SPK kernel: " + MISSING_FILE


# --- leap-second kernel failures, by every route ---

def lsk_with(old, new):
    assert old in LSK_TEXT
    return LSK_TEXT.replace(old, new, 1)


LSK_FAILURES = {
    "no begindata": (lsk_with("\\begindata", "\\begintext"), DUMMY_SHA256,
                     "leap-second kernel has no \\begindata section"),
    "missing keyword": (lsk_with("DELTET/K         =    1.657D-3", ""), DUMMY_SHA256,
                        "leap-second kernel is missing required keyword DELTET/K"),
    "two values for a scalar": (lsk_with("1.657D-3", "( 1.657D-3 2 )"), DUMMY_SHA256,
                                "invalid value for DELTET/K: expected a single scalar value"),
    "one value for M": (lsk_with("6.239996D0   1.99096871D-7", "6.239996D0"), DUMMY_SHA256,
                        "invalid value for DELTET/M: expected exactly two values (M0 and M1)"),
    "odd DELTA_AT": (lsk_with("37,  @2017-JAN-1 )", "37 )"), DUMMY_SHA256,
                     "invalid value for DELTET/DELTA_AT: expected a non-empty sequence of (delta, date) pairs"),
    "day zero": (lsk_with("@1972-JAN-1,", "@1972-JAN-0,"), DUMMY_SHA256, 'invalid NAIF date literal "@1972-JAN-0"'),
    "time of day": (lsk_with("@1972-JAN-1,", "@1972-JAN-1/00:00,"), DUMMY_SHA256,
                    'invalid NAIF date literal "@1972-JAN-1/00:00"'),
    "equal dates": (lsk_with("@1972-JUL-1", "@1972-JAN-1"), DUMMY_SHA256,
                    "DELTET/DELTA_AT entries must be strictly ascending in effective date"),
    "short digest": (LSK_TEXT, DUMMY_SHA256[:63], LSK_DIGEST),
    "non-hex digest": (LSK_TEXT, "g" + DUMMY_SHA256[1:], LSK_DIGEST),
    # Valid UTF-8 noise is text without a data section.
    "control characters": (bytes(range(0, 128)) * 8, DUMMY_SHA256, "leap-second kernel has no \\begindata section"),
}

LSK_ROUTES = {
    "constructor": lambda path, sha: orbyx.Engine(DE430, DUMMY_SHA256, path, sha),
    "with_leap_second_kernel": lambda path, sha: engine().with_leap_second_kernel(path, sha),
    "with_time_kernels": lambda path, sha: engine().with_time_kernels(path, sha, EOP, DUMMY_SHA256),
}


@pytest.mark.parametrize("route", LSK_ROUTES.values(), ids=LSK_ROUTES.keys())
@pytest.mark.parametrize("content, sha256, message", LSK_FAILURES.values(), ids=LSK_FAILURES.keys())
def test_leap_second_kernel_failures(write_file, route, content, sha256, message):
    assert value_error(route, write_file("bad.tls", content), sha256) == message


@pytest.mark.parametrize("route", LSK_ROUTES.values(), ids=LSK_ROUTES.keys())
def test_leap_second_kernel_file_problems(write_file, route, tmp_path):
    # The digest is checked only once the file has been read.
    assert value_error(route, str(tmp_path / "missing.tls"), "bad") == \
        "failed to read leap-second kernel: " + MISSING_FILE
    assert value_error(route, str(tmp_path / "x.tls" / ".."), DUMMY_SHA256) == \
        "leap-second kernel path has no UTF-8 filename"
    binary = value_error(route, write_file("junk.tls", b"\\begindata\n\xff\xfe\x00DELTET"), DUMMY_SHA256)
    assert binary.startswith("failed to read leap-second kernel: ")


# --- EOP table failures, by every route ---

EOP_FAILURES = {
    "comments only": (C04_HEADER + "\n# nothing\n\n", DUMMY_SHA256, "EOP table contains no DUT1 samples"),
    "seven fields on line 12": (C04_HEADER + "\n" * 3 + "".join(c04_row(f"{61300 + d}.00") for d in range(6)) +
                                "2026  10   8   0  61306.00   0.1   0.3\n", DUMMY_SHA256,
                                "invalid IERS EOP 20 C04 line 12"),
    "unreadable MJD": (GOOD_C04 + c04_row("61305,00"), DUMMY_SHA256, "invalid IERS EOP 20 C04 line 8"),
    "nan UT1-UTC": (GOOD_C04 + c04_row("61305.00", ut1_utc="nan"), DUMMY_SHA256,
                    "EOP epoch, DUT1, and polar motion must be finite"),
    "repeated MJD": (GOOD_C04 + c04_row("61304.00"), DUMMY_SHA256,
                     "EOP DUT1 samples must be strictly increasing in UTC"),
    "short digest": (GOOD_C04, DUMMY_SHA256[:63], EOP_DIGEST),
    "non-hex digest": (GOOD_C04, DUMMY_SHA256[:63] + "G", EOP_DIGEST),
}

EOP_ROUTES = {
    "constructor": lambda path, sha: orbyx.Engine(DE430, DUMMY_SHA256, eop=path, eop_sha256=sha),
    "with_eop": lambda path, sha: engine().with_eop(path, sha),
    "with_time_kernels": lambda path, sha: engine().with_time_kernels(LEAPSECONDS, DUMMY_SHA256, path, sha),
}


@pytest.mark.parametrize("route", EOP_ROUTES.values(), ids=EOP_ROUTES.keys())
@pytest.mark.parametrize("content, sha256, message", EOP_FAILURES.values(), ids=EOP_FAILURES.keys())
def test_eop_table_failures(write_file, route, content, sha256, message):
    assert value_error(route, write_file("bad.txt", content), sha256) == message


@pytest.mark.parametrize("route", EOP_ROUTES.values(), ids=EOP_ROUTES.keys())
def test_eop_table_file_problems(write_file, route, tmp_path):
    assert value_error(route, str(tmp_path / "missing.txt"), "bad") == MISSING_FILE
    assert value_error(route, str(tmp_path / "x.txt" / ".."), DUMMY_SHA256) == "EOP table path has no filename"
    value_error(route, write_file("junk.txt", b"\xff\xfe\x00 61300.00 1 2 3 4 5 6 7"), DUMMY_SHA256)


@pytest.mark.parametrize("route", EOP_ROUTES.values(), ids=EOP_ROUTES.keys())
def test_small_eop_tables_open(write_file, route):
    route(write_file("small.txt", GOOD_C04), DUMMY_SHA256.upper())
    route(write_file("crlf.txt", GOOD_C04.replace("\n", "\r\n")), DUMMY_SHA256)


def test_failed_time_file_leaves_engine_unchanged(write_file):
    e = engine()
    e.with_time_kernels(LEAPSECONDS, DUMMY_SHA256, EOP, DUMMY_SHA256)
    bad_eop = write_file("bad.txt", C04_HEADER)
    value_error(e.with_leap_second_kernel, "/no/such.tls", DUMMY_SHA256)
    value_error(e.with_eop, bad_eop, DUMMY_SHA256)
    # The leap-second kernel is opened first; neither file is attached on failure.
    assert value_error(e.with_time_kernels, "/no/such.tls", DUMMY_SHA256, bad_eop, DUMMY_SHA256) == \
        "failed to read leap-second kernel: " + MISSING_FILE
    assert value_error(e.with_time_kernels, LEAPSECONDS, DUMMY_SHA256, bad_eop, DUMMY_SHA256) == \
        "EOP table contains no DUT1 samples"
    assert_unchanged(e)
