"""The two ways a command fails, and the exit status of each.

The engine speaks of Julian days and of its own methods; at the command's boundary
its messages are put in dates and in the command's options.
"""
import math
import re
from typing import Optional

from .day_numbers import calendar_from_day_number

BAD_ARGUMENTS = 2
ENGINE_FAILURE = 1

_JULIAN_DAY_NUMBER = r"(\d{6,8}(?:\.\d+)?)"
_SCALED_DAY = re.compile(r"\b(?:(UTC|UT1|TT|TDB) )?Julian day " + _JULIAN_DAY_NUMBER, re.IGNORECASE)
_DAY_RANGE = re.compile(_JULIAN_DAY_NUMBER + r"\s*\.\.\s*" + _JULIAN_DAY_NUMBER)
_OUTSIDE_KERNEL = re.compile(r"Julian day " + _JULIAN_DAY_NUMBER + r" is outside kernel range "
                             + _JULIAN_DAY_NUMBER + r"\s*\.\.\s*" + _JULIAN_DAY_NUMBER + r"(?: \w+)?")
_BARE_DAY = re.compile(r"\(" + _JULIAN_DAY_NUMBER + r"\)")
_METHOD_OPTIONS = {
    "SpkEphemeris::with_eop": "--eop", "Engine.with_eop": "--eop",
    "SpkEphemeris::with_leap_second_kernel": "--lsk", "Engine.with_leap_second_kernel": "--lsk",
    "Engine.with_additional_kernel_file": "--add-kernel",
}


class CommandError(Exception):
    """A failure reported as one line on stderr; never a traceback."""

    def __init__(self, message: str, status: int = BAD_ARGUMENTS, prog: Optional[str] = None) -> None:
        super().__init__(message)
        self.status = status
        self.prog = prog


def _date_of(julian_day: float, with_time: bool) -> str:
    # Days are cut, never rounded: an instant late on a day stays on that day.
    seconds = round((julian_day + 0.5) * 86400.0)
    day_number, second_of_day = divmod(seconds, 86400)
    year, month, day = calendar_from_day_number(day_number)
    date = f"{year:04d}-{month:02d}-{day:02d}"
    if not with_time:
        return date
    return f"{date}T{second_of_day // 3600:02d}:{second_of_day // 60 % 60:02d}:{second_of_day % 60:02d}"


def readable(message: str) -> str:
    """The engine's message with dates for Julian days and options for method names."""
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
    return CommandError(readable(str(error)), ENGINE_FAILURE)
