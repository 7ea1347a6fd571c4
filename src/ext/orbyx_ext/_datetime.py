"""Instants from and to aware datetimes, which always cross in UTC."""
import datetime

import orbyx

from orbyx_ext import _native

_MICROSECONDS_PER_SECOND = 1_000_000


def instant_from_datetime(moment: datetime.datetime) -> orbyx.Instant:
    """The UTC Instant of an aware datetime in any zone; naive datetimes are refused."""
    if not isinstance(moment, datetime.datetime):
        raise TypeError(f"instant_from_datetime() argument 'moment' must be datetime.datetime, "
                        f"not {type(moment).__name__}")
    if moment.utcoffset() is None:
        raise ValueError("naive datetime refused: give it a tzinfo so that its UTC time is known")
    utc = moment.astimezone(datetime.timezone.utc)
    second = utc.second + utc.microsecond / _MICROSECONDS_PER_SECOND
    return _native.instant_from_calendar(utc.year, utc.month, utc.day, utc.hour, utc.minute, second, "utc")


def datetime_from_instant(instant: orbyx.Instant) -> datetime.datetime:
    """The aware UTC datetime of a UTC Instant, to the nearest microsecond."""
    if not isinstance(instant, orbyx.Instant):
        raise TypeError(f"datetime_from_instant() argument 'instant' must be orbyx.Instant, "
                        f"not {type(instant).__name__}")
    if instant.time_scale != "utc":
        raise ValueError(f"datetime_from_instant() needs a UTC instant, not {instant.time_scale}; "
                         f"convert it first with orbyx_ext.convert")
    year, month, day, hour, minute, second = _native.calendar_from_instant(instant)
    start_of_minute = datetime.datetime(year, month, day, hour, minute, tzinfo=datetime.timezone.utc)
    # Rounding may carry into the next minute, which the addition resolves.
    return start_of_minute + datetime.timedelta(microseconds=round(second * _MICROSECONDS_PER_SECOND))
