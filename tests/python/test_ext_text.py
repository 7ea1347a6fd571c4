"""shortest_rows: tables of floats as text, each value exactly as repr writes it."""
import math
import random
import struct

import pytest

import orbyx_ext

EDGES = [0.0, -0.0, 1.0, 100.0, 0.1, 1e-4, 1e-5, 9.999e-5, 1e15, 1e16, 1.5e16, 9999999999999998.0,
         5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, -2.5e-7, math.nan, math.inf, -math.inf]


def test_values_read_as_repr_writes_them():
    draw = random.Random(3)
    any_bits = [struct.unpack("<d", struct.pack("<Q", draw.getrandbits(64)))[0] for _ in range(20000)]
    angles = [draw.uniform(-400.0, 400.0) for _ in range(20000)]
    values = EDGES + any_bits + angles
    text = orbyx_ext.shortest_rows([f"{k}," for k in range(len(values) // 2)], values[:len(values) // 2 * 2],
                                   [";", "\n"])
    pairs = zip(values[0::2], values[1::2])
    assert text == "".join(f"{k},{first!r};{second!r}\n" for k, (first, second) in enumerate(pairs))


@pytest.mark.parametrize("arguments, error, message", [
    ((["a", "b"], [1.0, 2.0, 3.0], [","]), ValueError, "one value per suffix in each of the 2 rows (2), not 3"),
    ((["a"], ["1.0"], ["\n"]), TypeError, "values"),
    (("a", [1.0], ["\n"]), TypeError, "prefixes"),
])
def test_mismatched_or_wrong_arguments_are_refused(arguments, error, message):
    with pytest.raises(error, match=message.replace("(", r"\(").replace(")", r"\)")):
        orbyx_ext.shortest_rows(*arguments)
