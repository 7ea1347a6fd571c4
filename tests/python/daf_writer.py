"""Synthetic DAF/SPK kernels for tests, and big-endian twins of real ones.

Record numbers and word addresses are one-based as in the DAF format:
record n starts at byte (n - 1) * 1024 and word a at byte (a - 1) * 8.
Every field can be overridden, so broken files are as easy to write as good ones.
"""
from __future__ import annotations

import math
import struct
from array import array
from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence, Tuple, Union

RECORD_BYTES = 1024
WORD_BYTES = 8
FTPSTR = b"FTPSTR:\r:\n:\r\n:\r\x00:\x81:\x10\xce:ENDFTP"
FTPSTR_OFFSET = 699
J2000_JULIAN_DAY = 2451545.0
SECONDS_PER_DAY = 86400.0
SPK_SUMMARIES_PER_RECORD = 25


def tdb_seconds(julian_day: float) -> float:
    return (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY


def summary_words(nd: int, ni: int) -> int:
    return nd + (ni + 1) // 2


@dataclass
class Segment:
    """One DAF array and its summary; unset addresses follow from the layout."""

    target: int = 10
    center: int = 0
    start_epoch: float = 0.0
    end_epoch: float = 0.0
    frame: int = 1
    data_type: int = 2
    name: Union[str, bytes] = "SYNTHETIC"
    words: Sequence[float] = ()
    begin_address: Optional[int] = None
    end_address: Optional[int] = None
    doubles: Optional[Sequence[float]] = None  # replaces (start, end) for any ND
    integers: Optional[Sequence[int]] = None  # replaces the six SPK integers for any NI


def _chebyshev_words(init: float, interval_length: float, records: Sequence[Sequence],
                     series: int) -> List[float]:
    """Records of `series` coefficient lists each, MID and RADIUS from the interval
    unless given in front, then INIT, INTLEN, RSIZE, N."""
    words: List[float] = []
    rsize = 0
    for k, record in enumerate(records):
        if len(record) == series:
            record = (init + (k + 0.5) * interval_length, interval_length / 2, *record)
        mid, radius, *coefficients = record
        flat = [mid, radius] + [c for one in coefficients for c in one]
        rsize = len(flat)
        words += flat
    return words + [init, interval_length, float(rsize), float(len(records))]


def type2_words(init: float, interval_length: float, records: Sequence[Sequence]) -> List[float]:
    """Words of a Type 2 segment: its records, then INIT, INTLEN, RSIZE, N.

    A record is (x, y, z) coefficient lists, with MID and RADIUS taken from
    its interval, or (mid, radius, x, y, z) to set them explicitly.
    """
    return _chebyshev_words(init, interval_length, records, 3)


def type3_words(init: float, interval_length: float, records: Sequence[Sequence]) -> List[float]:
    """Words of a Type 3 segment: records of (x, y, z, vx, vy, vz) coefficient lists
    (km, then km/s), or (mid, radius, x, ..., vz); then INIT, INTLEN, RSIZE, N."""
    return _chebyshev_words(init, interval_length, records, 6)


def type2_segment(target: int, center: int, init: float, interval_length: float,
                  records: Sequence[Sequence], **fields) -> Segment:
    """A Type 2 segment whose summary covers exactly its records' intervals."""
    fields.setdefault("start_epoch", init)
    fields.setdefault("end_epoch", init + len(records) * interval_length)
    fields.setdefault("data_type", 2)
    return Segment(target=target, center=center,
                   words=type2_words(init, interval_length, records), **fields)


def type3_segment(target: int, center: int, init: float, interval_length: float,
                  records: Sequence[Sequence], **fields) -> Segment:
    """A Type 3 segment whose summary covers exactly its records' intervals."""
    fields.setdefault("start_epoch", init)
    fields.setdefault("end_epoch", init + len(records) * interval_length)
    return Segment(target=target, center=center, data_type=3,
                   words=type3_words(init, interval_length, records), **fields)


def type13_words(epochs: Sequence[float], states: Sequence[Sequence[float]], window_size: int) -> List[float]:
    """Words of a Type 13 segment: the states (x, y, z, vx, vy, vz), their epochs, every
    hundredth epoch again, then the window size less one and the state count."""
    words = [float(value) for state in states for value in state] + [float(epoch) for epoch in epochs]
    words += [float(epochs[k]) for k in range(99, len(epochs) - 1, 100)]
    return words + [float(window_size - 1), float(len(epochs))]


def type13_segment(target: int, center: int, epochs: Sequence[float], states: Sequence[Sequence[float]],
                   window_size: int, **fields) -> Segment:
    """A Type 13 segment whose summary covers exactly its epochs."""
    fields.setdefault("start_epoch", epochs[0])
    fields.setdefault("end_epoch", epochs[-1])
    return Segment(target=target, center=center, data_type=13,
                   words=type13_words(epochs, states, window_size), **fields)


@dataclass
class MdaRecord:
    """One Type 1 or Type 21 record: its final epoch, step sizes G(1..), the reference
    state (x, y, z, vx, vy, vz), per axis the modified differences DT(1..), and the orders."""

    final_epoch: float
    steps: Sequence[float]
    reference: Sequence[float]
    differences: Sequence[Sequence[float]]
    max_order_plus_one: int
    orders: Sequence[int]

    def words(self, maxdim: int) -> List[float]:
        def padded(values):
            return [float(v) for v in values] + [0.0] * (maxdim - len(values))

        x, y, z, vx, vy, vz = self.reference
        return ([float(self.final_epoch)] + padded(self.steps) + [x, vx, y, vy, z, vz]
                + [d for axis in self.differences for d in padded(axis)]
                + [float(self.max_order_plus_one)] + [float(q) for q in self.orders])


def mda_words(records: Sequence[MdaRecord], maxdim: Optional[int] = None) -> List[float]:
    """Words of a Type 21 segment of `maxdim` (records, final epochs, every hundredth final
    epoch, MAXDIM, N), or of a Type 1 segment (no MAXDIM word, MAXDIM 15) if it is None."""
    words = [w for record in records for w in record.words(15 if maxdim is None else maxdim)]
    epochs = [float(record.final_epoch) for record in records]
    words += epochs + [epochs[k] for k in range(99, len(epochs), 100)]
    return words + ([] if maxdim is None else [float(maxdim)]) + [float(len(records))]


def mda_segment(target: int, center: int, start_epoch: float, records: Sequence[MdaRecord],
                maxdim: Optional[int] = None, **fields) -> Segment:
    """A Type 21 segment (Type 1 if `maxdim` is None) from `start_epoch` to its last final epoch."""
    fields.setdefault("end_epoch", records[-1].final_epoch)
    return Segment(target=target, center=center, start_epoch=start_epoch, data_type=1 if maxdim is None else 21,
                   words=mda_words(records, maxdim), **fields)


def kepler_state(elements: Tuple[float, float, float, float, float], gm: float, epoch: float) -> List[float]:
    """(x, y, z, vx, vy, vz) on the ellipse of semi-major axis, eccentricity, inclination,
    node and mean anomaly at epoch 0 (km, radians), periapsis on the node."""
    a, e, inclination, node, anomaly_at_zero = elements
    rate = math.sqrt(gm / a ** 3)
    mean = anomaly_at_zero + rate * epoch
    eccentric = mean
    for _ in range(30):
        step = (eccentric - e * math.sin(eccentric) - mean) / (1 - e * math.cos(eccentric))
        eccentric -= step
        if abs(step) < 1e-15:
            break
    c, s = math.cos(eccentric), math.sin(eccentric)
    b = a * math.sqrt(1 - e * e)
    flow = rate / (1 - e * c)
    plane = [(a * (c - e), -a * s * flow), (b * s, b * c * flow)]
    ci, si, cn, sn = math.cos(inclination), math.sin(inclination), math.cos(node), math.sin(node)
    rotate = [(cn, -sn * ci), (sn, cn * ci), (0.0, si)]
    position = [row[0] * plane[0][0] + row[1] * plane[1][0] for row in rotate]
    velocity = [row[0] * plane[0][1] + row[1] * plane[1][1] for row in rotate]
    return position + velocity


def kepler_mda_records(elements, gm: float, final_epochs: Sequence[float], order: int,
                       back_steps: Sequence[float]) -> List[MdaRecord]:
    """Records following a Kepler orbit: at each final epoch TL the reference state, and
    the acceleration's Newton polynomial through TL - G(k), G(k) = back_steps[0] + ... +
    back_steps[k - 1], over `order` nodes; its differences scaled by G(1) ... G(j - 1)."""
    steps = [sum(back_steps[:k + 1]) for k in range(order - 1)]
    records = []
    for final in final_epochs:
        nodes = [0.0] + [-g for g in steps]
        accelerations = []
        for node in nodes:
            state = kepler_state(elements, gm, final + node)
            r3 = math.dist(state[:3], (0, 0, 0)) ** 3
            accelerations.append([-gm * state[axis] / r3 for axis in range(3)])
        differences = []
        for axis in range(3):
            table = [acceleration[axis] for acceleration in accelerations]
            column, scale = [table[0]], 1.0
            for level in range(1, order):
                table = [(table[k + 1] - table[k]) / (nodes[k + level] - nodes[k]) for k in range(len(table) - 1)]
                scale *= steps[level - 1]
                column.append(table[0] * scale)
            differences.append(column)
        records.append(MdaRecord(final, steps, kepler_state(elements, gm, final), differences, order + 1,
                                 (order,) * 3))
    return records


def constant_segment(target: int, start_epoch: float, end_epoch: float, center: int = 0,
                     position: Sequence[float] = (1.0, 2.0, 3.0), **fields) -> Segment:
    """A one-record Type 2 segment holding a fixed position over [start, end]."""
    interval_length = max(end_epoch - start_epoch, 1.0)
    return type2_segment(target, center, start_epoch, interval_length,
                         [tuple([axis] for axis in position)],
                         start_epoch=start_epoch, end_epoch=end_epoch, **fields)


def _padded(text: Union[str, bytes], size: int, pad: bytes = b" ") -> bytes:
    raw = text.encode() if isinstance(text, str) else bytes(text)
    if len(raw) > size:
        raise ValueError(f"{raw!r} is longer than {size} bytes")
    return raw.ljust(size, pad)


def build_daf(segments: Sequence[Segment], *, nd: int = 2, ni: int = 6,
              big_endian: bool = False,
              identifier: Union[str, bytes] = b"DAF/SPK ",
              binary_format: Union[str, bytes, None] = None,
              internal_name: Union[str, bytes] = "SYNTHETIC TEST KERNEL",
              summaries_per_record: int = SPK_SUMMARIES_PER_RECORD,
              comment_records: Sequence[bytes] = (),
              forward: Optional[int] = None, backward: Optional[int] = None,
              free: Optional[int] = None,
              chain: Optional[Dict[int, Dict[str, float]]] = None) -> bytes:
    """The bytes of a DAF file holding `segments`.

    Layout: file record, `comment_records`, then one summary record and its
    name record per `summaries_per_record` segments, then the segments' words.
    `chain` overrides control words per summary record (0-based index):
    {"next": ..., "prev": ..., "nsum": ...}; record numbers written there are
    absolute. FWARD, BWARD and FREE default to the true values.
    """
    order = ">" if big_endian else "<"
    ss = summary_words(nd, ni)
    groups = [list(segments[i:i + summaries_per_record])
              for i in range(0, len(segments), summaries_per_record)] or [[]]
    first_summary = 2 + len(comment_records)
    summary_numbers = [first_summary + 2 * i for i in range(len(groups))]
    data_address = (summary_numbers[-1] + 1) * (RECORD_BYTES // WORD_BYTES) + 1

    data: List[float] = []
    summary_bytes: List[List[bytes]] = []
    for group in groups:
        packed = []
        for seg in group:
            words = list(seg.words) or [0.0]
            begin = data_address + len(data) if seg.begin_address is None else seg.begin_address
            end = data_address + len(data) + len(words) - 1 if seg.end_address is None else seg.end_address
            data += words
            doubles = list(seg.doubles if seg.doubles is not None else (seg.start_epoch, seg.end_epoch))
            integers = list(seg.integers if seg.integers is not None else
                            (seg.target, seg.center, seg.frame, seg.data_type, begin, end))
            doubles = (doubles + [0.0] * nd)[:nd]
            integers = (integers + [0] * ni)[:ni]
            raw = struct.pack(f"{order}{nd}d{ni}i", *doubles, *integers)
            packed.append((raw.ljust(ss * WORD_BYTES, b"\0"), _padded(seg.name, ss * WORD_BYTES)))
        summary_bytes.append(packed)

    fmt = binary_format if binary_format is not None else ("BIG-IEEE" if big_endian else "LTL-IEEE")
    file_record = bytearray(RECORD_BYTES)
    file_record[0:8] = _padded(identifier, 8)
    file_record[8:16] = struct.pack(f"{order}II", nd, ni)
    file_record[16:76] = _padded(internal_name, 60)
    file_record[76:88] = struct.pack(
        f"{order}III",
        summary_numbers[0] if forward is None else forward,
        summary_numbers[-1] if backward is None else backward,
        data_address + len(data) if free is None else free)
    file_record[88:96] = _padded(fmt, 8)
    file_record[FTPSTR_OFFSET:FTPSTR_OFFSET + len(FTPSTR)] = FTPSTR

    out = bytearray(file_record)
    for comment in comment_records:
        out += _padded(comment, RECORD_BYTES, b"\0")
    for index, (number, packed) in enumerate(zip(summary_numbers, summary_bytes)):
        control = {"next": summary_numbers[index + 1] if index + 1 < len(groups) else 0,
                   "prev": summary_numbers[index - 1] if index > 0 else 0,
                   "nsum": len(packed)}
        control.update((chain or {}).get(index, {}))
        summary_record = struct.pack(f"{order}3d", control["next"], control["prev"], control["nsum"])
        summary_record += b"".join(raw for raw, _ in packed)
        out += _padded(summary_record, RECORD_BYTES, b"\0")
        out += _padded(b"".join(name for _, name in packed), RECORD_BYTES)
    out += struct.pack(f"{order}{len(data)}d", *data)
    return bytes(out)


def padded_to_records(kernel: bytes) -> bytes:
    """The kernel with its last record filled out: SPICE reads whole records only."""
    return kernel + b"\0" * (-len(kernel) % RECORD_BYTES)


@dataclass
class FileRecord:
    identifier: bytes
    nd: int
    ni: int
    forward: int
    backward: int
    free: int
    big_endian: bool

    @property
    def order(self) -> str:
        return ">" if self.big_endian else "<"


def read_file_record(kernel: bytes) -> FileRecord:
    big_endian = kernel[88:96].rstrip(b" \0") == b"BIG-IEEE"
    order = ">" if big_endian else "<"
    nd, ni = struct.unpack_from(f"{order}II", kernel, 8)
    forward, backward, free = struct.unpack_from(f"{order}III", kernel, 76)
    return FileRecord(kernel[0:8], nd, ni, forward, backward, free, big_endian)


def summary_chain(kernel: bytes) -> List[Tuple[int, int]]:
    """(record number, NSUM) of each summary record, walking from FWARD."""
    header = read_file_record(kernel)
    chain, number = [], header.forward
    while number:
        next_number, _, nsum = struct.unpack_from(f"{header.order}3d", kernel, (number - 1) * RECORD_BYTES)
        chain.append((number, int(nsum)))
        number = int(next_number)
    return chain


def _byteswapped(chunk: bytes, typecode: str) -> bytes:
    items = array(typecode, chunk)
    items.byteswap()
    return items.tobytes()


def big_endian_twin(kernel: bytes) -> bytes:
    """The same little-endian kernel written in big-endian order.

    File record integers, summary control words and summaries, and all data
    words are byte-swapped bit for bit; comment and name records are copied.
    """
    header = read_file_record(kernel)
    if header.big_endian:
        raise ValueError("kernel is already big-endian")
    twin = bytearray(kernel)
    twin[8:16] = _byteswapped(kernel[8:16], "I")
    twin[76:88] = _byteswapped(kernel[76:88], "I")
    twin[88:96] = b"BIG-IEEE"

    ss_bytes = summary_words(header.nd, header.ni) * WORD_BYTES
    doubles_bytes, integers_bytes = header.nd * WORD_BYTES, header.ni * 4
    untouched = set(range(2, header.forward))  # comment records
    for number, nsum in summary_chain(kernel):
        start = (number - 1) * RECORD_BYTES
        twin[start:start + 24] = _byteswapped(kernel[start:start + 24], "d")
        for at in range(start + 24, start + 24 + nsum * ss_bytes, ss_bytes):
            middle = at + doubles_bytes
            twin[at:middle] = _byteswapped(kernel[at:middle], "d")
            twin[middle:middle + integers_bytes] = _byteswapped(kernel[middle:middle + integers_bytes], "i")
        untouched |= {number, number + 1}

    for start in range(RECORD_BYTES, len(kernel), RECORD_BYTES):
        if start // RECORD_BYTES + 1 not in untouched:
            end = min(start + RECORD_BYTES, len(kernel))
            end -= (end - start) % WORD_BYTES
            twin[start:end] = _byteswapped(kernel[start:end], "d")
    return bytes(twin)
