"""The file record and segment summaries of a DAF/SPK kernel, read without its segment data.

Only the file record and the summary and name records are read, so a large kernel costs a
few kilobytes. Anything malformed, from a truncated file to a looping summary chain, is a
ValueError saying what and where; the checks are the engine's, plus one that every segment
ends inside the file.
"""
from __future__ import annotations

import math
import os
import struct
from dataclasses import dataclass
from typing import BinaryIO, List, Tuple

RECORD_BYTES = 1024
WORD_BYTES = 8
IDENTIFIER = b"DAF/SPK "
BYTE_ORDERS = {"LTL-IEEE": "<", "BIG-IEEE": ">"}
SPK_ND, SPK_NI = 2, 6
# Two doubles and six 32-bit integers packed into five words; names are as wide.
SUMMARY_BYTES = (SPK_ND + (SPK_NI + 1) // 2) * WORD_BYTES
CONTROL_BYTES = 3 * WORD_BYTES
SUMMARIES_PER_RECORD = (RECORD_BYTES - CONTROL_BYTES) // SUMMARY_BYTES
J2000_JULIAN_DAY = 2451545.0
SECONDS_PER_DAY = 86400.0


@dataclass(frozen=True)
class SegmentSummary:
    """One segment as its summary describes it; epochs in TDB seconds past J2000."""

    name: str
    start_seconds: float
    end_seconds: float
    target: int
    center: int
    frame: int
    data_type: int
    begin_address: int
    end_address: int

    @property
    def start_julian_day(self) -> float:
        return J2000_JULIAN_DAY + self.start_seconds / SECONDS_PER_DAY

    @property
    def end_julian_day(self) -> float:
        return J2000_JULIAN_DAY + self.end_seconds / SECONDS_PER_DAY


@dataclass(frozen=True)
class SpkSummary:
    size_bytes: int
    binary_format: str
    internal_name: str
    segments: Tuple[SegmentSummary, ...]

    @property
    def endianness(self) -> str:
        return "big-endian" if self.binary_format == "BIG-IEEE" else "little-endian"


def _text(raw: bytes) -> str:
    return raw.decode("utf-8", errors="replace").rstrip(" \0")


def _read_record(stream: BinaryIO, number: int, kind: str) -> bytes:
    stream.seek((number - 1) * RECORD_BYTES)
    record = stream.read(RECORD_BYTES)
    if len(record) < RECORD_BYTES:
        raise ValueError(f"{kind} {number} is cut short: the file ends inside it")
    return record


def _control_word(value: float, name: str, number: int) -> int:
    if not math.isfinite(value) or value < 0 or value != math.floor(value):
        raise ValueError(f"summary record {number}: {name} is {value!r}, not a record number or count")
    return int(value)


@dataclass(frozen=True)
class _FileRecord:
    order: str
    binary_format: str
    internal_name: str
    forward: int
    backward: int


def _file_record(record: bytes) -> _FileRecord:
    if record[:8] != IDENTIFIER:
        raise ValueError(f"not a DAF/SPK file: its identifier is {_text(record[:8])!r}")
    binary_format = _text(record[88:96])
    if binary_format not in BYTE_ORDERS:
        raise ValueError(f"unsupported DAF binary format {binary_format!r} (expected LTL-IEEE or BIG-IEEE)")
    order = BYTE_ORDERS[binary_format]
    nd, ni = struct.unpack_from(f"{order}II", record, 8)
    if (nd, ni) != (SPK_ND, SPK_NI):
        raise ValueError(f"not an SPK summary layout: ND={nd}, NI={ni} (expected ND=2, NI=6)")
    forward, backward = struct.unpack_from(f"{order}II", record, 76)
    return _FileRecord(order, binary_format, _text(record[16:76]), forward, backward)


def _segment(raw: bytes, name: bytes, order: str, words_in_file: int, label: str) -> SegmentSummary:
    start, end, target, center, frame, data_type, begin, finish = struct.unpack(f"{order}2d6i", raw)
    if not (math.isfinite(start) and math.isfinite(end)) or start > end:
        raise ValueError(f"{label}: its coverage {start!r} to {end!r} is not a time span")
    if not 1 <= begin <= finish:
        raise ValueError(f"{label}: its word addresses {begin} to {finish} are not a range")
    if finish > words_in_file:
        raise ValueError(f"{label}: its data end at word {finish}, past the end of the file "
                         f"({words_in_file} words): the file is truncated")
    return SegmentSummary(_text(name), start, end, target, center, frame, data_type, begin, finish)


def _summaries(stream: BinaryIO, header: _FileRecord, size: int) -> List[SegmentSummary]:
    records_in_file = size // RECORD_BYTES
    segments: List[SegmentSummary] = []
    visited = set()
    number, previous = header.forward, 0
    while True:
        if records_in_file < 2:
            raise ValueError(f"the file ends before its first summary record ({size} bytes): it is truncated")
        if not 2 <= number <= records_in_file:
            raise ValueError(f"the summary record chain points to record {number}, outside the file's "
                             f"summary records 2 to {records_in_file}")
        if number in visited:
            raise ValueError(f"the summary record chain loops back to record {number}")
        visited.add(number)
        record = _read_record(stream, number, "summary record")
        next_number, back, count = (_control_word(value, name, number) for value, name in zip(
            struct.unpack_from(f"{header.order}3d", record), ("NEXT", "PREV", "NSUM")))
        if back != previous:
            raise ValueError(f"summary record {number}: PREV is {back}, expected {previous}")
        if count > SUMMARIES_PER_RECORD:
            raise ValueError(f"summary record {number}: NSUM is {count}, "
                             f"more than the {SUMMARIES_PER_RECORD} a record holds")
        names = _read_record(stream, number + 1, "name record") if count else b""
        for index in range(count):
            at = CONTROL_BYTES + index * SUMMARY_BYTES
            segments.append(_segment(record[at:at + SUMMARY_BYTES],
                                     names[index * SUMMARY_BYTES:(index + 1) * SUMMARY_BYTES],
                                     header.order, size // WORD_BYTES,
                                     f"segment {len(segments) + 1} (summary record {number})"))
        if next_number == 0:
            break
        previous, number = number, next_number
    if number != header.backward:
        raise ValueError(f"the summary record chain ends at record {number}, "
                         f"but the file record names {header.backward} as the last")
    return segments


def read_spk_summary(path: str) -> SpkSummary:
    """The file record and every segment summary of the kernel at `path`.

    Raises ValueError for a file that is not a well-formed DAF/SPK kernel, OSError
    when the file cannot be read.
    """
    with open(path, "rb") as stream:
        size = os.fstat(stream.fileno()).st_size
        if size < RECORD_BYTES:
            raise ValueError(f"too short for a DAF file: {size} bytes, "
                             f"less than one {RECORD_BYTES}-byte record")
        header = _file_record(_read_record(stream, 1, "file record"))
        segments = _summaries(stream, header, size)
    return SpkSummary(size, header.binary_format, header.internal_name, tuple(segments))
