"""The two ways a command fails, and the exit status of each.

The engine speaks of Julian days and of its own methods; at the command's boundary
its messages are put in dates and in the command's options.
"""
import math
import re
from typing import Callable, Optional

from .day_numbers import calendar_from_day_number
from .naif_names import body_name

BAD_ARGUMENTS = 2
ENGINE_FAILURE = 1

_JULIAN_DAY_NUMBER = r"(\d{6,8}(?:\.\d+)?)"
_SCALED_DAY = re.compile(r"\b(?:(UTC|UT1|TT|TDB) )?Julian day " + _JULIAN_DAY_NUMBER, re.IGNORECASE)
_DAY_RANGE = re.compile(_JULIAN_DAY_NUMBER + r"\s*\.\.\s*" + _JULIAN_DAY_NUMBER)
_OUTSIDE_KERNEL = re.compile(r"Julian day " + _JULIAN_DAY_NUMBER + r" is outside kernel range "
                             + _JULIAN_DAY_NUMBER + r"\s*\.\.\s*" + _JULIAN_DAY_NUMBER + r"(?: \w+)?")
_BARE_DAY = re.compile(r"\(" + _JULIAN_DAY_NUMBER + r"\)")
_NUMBER = r"(-?\d+(?:\.\d+)?(?:e[-+]?\d+)?)"
_BROKEN_CHAIN = re.compile(r"no SPK segment continues the center chain from target (-?\d+) at TDB epoch " + _NUMBER)
_CHAIN_CYCLE = re.compile(r"SPK center chain for target (-?\d+) contains a cycle")
_UNSUPPORTED_TYPE = re.compile(r"unsupported SPK segment type (-?\d+)")
J2000_JULIAN_DAY = 2451545.0
_PLAIN_REWORDING = {
    "failed to read SPK kernel: failed to fill whole buffer": "too short for an SPK kernel",
    "the Earth orientation table ends before the leap-second kernel begins":
        "the EOP table of --eop ends before the first entry of the leap-second kernel of --lsk: name a table "
        "that reaches past it",
}
_METHOD_OPTIONS = {
    "SpkEphemeris::with_eop": "--eop", "Engine.with_eop": "--eop",
    "SpkEphemeris::with_leap_second_kernel": "--lsk", "Engine.with_leap_second_kernel": "--lsk",
    "Engine.with_additional_kernel_file": "--add-kernel",
}


# (Julian day, its time scale) -> the instant as the user reads it, scale named.
InstantWriter = Callable[[float, str], str]


class CommandError(Exception):
    """A failure reported as one line on stderr; never a traceback.

    `engine_message` keeps the engine's own text, so that once the data is open its
    instants can be put in the user's time scale rather than the engine's.
    """

    def __init__(self, message: str, status: int = BAD_ARGUMENTS, prog: Optional[str] = None,
                 engine_message: Optional[str] = None) -> None:
        super().__init__(message)
        self.status = status
        self.prog = prog
        self.engine_message = engine_message


def _date_of(julian_day: float, with_time: bool) -> str:
    # Days are cut, never rounded: an instant late on a day stays on that day.
    seconds = round((julian_day + 0.5) * 86400.0)
    day_number, second_of_day = divmod(seconds, 86400)
    year, month, day = calendar_from_day_number(day_number)
    date = f"{year:04d}-{month:02d}-{day:02d}"
    if not with_time:
        return date
    return f"{date}T{second_of_day // 3600:02d}:{second_of_day // 60 % 60:02d}:{second_of_day % 60:02d}"


def _in_its_scale(julian_day: float, scale: str) -> str:
    return f"{_date_of(julian_day, with_time=True)} {scale.upper()}"


def _tdb_day(seconds: str) -> float:
    return J2000_JULIAN_DAY + float(seconds) / 86400.0


def _kernel_messages(message: str, instant: InstantWriter) -> str:
    """The SPK reader's messages, which speak of NAIF ids and TDB seconds past J2000."""
    message = _BROKEN_CHAIN.sub(lambda match: f"no kernel places {body_name(int(match.group(1)))} at "
                                              f"{instant(_tdb_day(match.group(2)), 'tdb')}: attach a kernel "
                                              "that holds it then with --add-kernel", message)
    message = _CHAIN_CYCLE.sub(lambda match: f"the kernels' segments lead from {body_name(int(match.group(1)))} round in "
                                             "a cycle: leave out the --kernel or --add-kernel file that closes it",
                               message)
    return _UNSUPPORTED_TYPE.sub(lambda match: f"SPK segments of type {match.group(1)} cannot be read: orbyx "
                                               "reads types 1, 2, 3, 13 and 21", message)


def readable(message: str, instant: InstantWriter = _in_its_scale) -> str:
    """The engine's message with dates for Julian days, body names for NAIF ids and options
    for method names and files; `instant` writes the instants of the kernel messages."""
    for engine_text, text in _PLAIN_REWORDING.items():
        message = message.replace(engine_text, text)

    def scaled_day(match: "re.Match[str]") -> str:
        day = float(match.group(2))
        text = _date_of(day, with_time=not math.isclose(day % 1.0, 0.5))
        return f"{text} {match.group(1).upper()}" if match.group(1) else text

    message = _OUTSIDE_KERNEL.sub(lambda match: f"{_date_of(float(match.group(1)), False)} is outside the kernel, "
                                                f"which covers {_date_of(float(match.group(2)), False)} to "
                                                f"{_date_of(float(match.group(3)), False)}", message)
    message = _SCALED_DAY.sub(scaled_day, message)
    message = _DAY_RANGE.sub(lambda match: f"{_date_of(float(match.group(1)), False)} to "
                                           f"{_date_of(float(match.group(2)), False)}", message)
    message = _BARE_DAY.sub(lambda match: f"({_date_of(float(match.group(1)), False)})", message)
    # After the Julian days: the bodies these name, "ceres (2000001)", would read as days.
    message = _kernel_messages(message, instant)
    for method, option in _METHOD_OPTIONS.items():
        message = message.replace(method, option)
    return message


def file_failure(path: object, error: object) -> CommandError:
    """A file that could not be read, or that the engine refused; the message names the file."""
    if isinstance(error, OSError):
        error = error.strerror or error
    return CommandError(f"{path}: {readable(str(error))}", ENGINE_FAILURE)


def engine_failure(error: ValueError) -> CommandError:
    """An error the engine reported about a well-formed request."""
    return CommandError(readable(str(error)), ENGINE_FAILURE, engine_message=str(error))
