"""Proleptic Gregorian dates and Julian day numbers, for the calendar and the error messages alike."""
from __future__ import annotations

from typing import Tuple


def julian_day_from_calendar(year: int, month: int, day: int) -> float:
    """Julian day at 0 h of a proleptic Gregorian date."""
    a = (14 - month) // 12
    y = year + 4800 - a
    m = month + 12 * a - 3
    day_number = day + (153 * m + 2) // 5 + 365 * y + y // 4 - y // 100 + y // 400 - 32045
    return day_number - 0.5


def calendar_from_day_number(day_number: int) -> Tuple[int, int, int]:
    """Year, month and day of the Julian day number (the day starting at noon before it ends)."""
    a = day_number + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    return 100 * b + d - 4800 + m // 10, m + 3 - 12 * (m // 10), e - (153 * m + 2) // 5 + 1
