"""A table of every instant of a grid with every body, computed and written a chunk of instants at a time."""
from __future__ import annotations

import argparse
import sys
from typing import Any, Callable, List, Optional, Sequence

import numpy as np
import numpy.typing as npt

from .instant_grid import InstantGrid
from .output import Column, TableWriter
from .progress import Progress

# Enough instants per call to the engine to pay for the call, few enough to hold in memory.
CHUNK_INSTANTS = 10_000
PROGRESS_FROM_ROWS = 50_000


def write_chunked_table(arguments: argparse.Namespace, header: Sequence[str], columns: Sequence[Column],
                        grid: InstantGrid, time_text: Callable[[float], str], per_body: Sequence[Sequence[Any]],
                        unit: str, values_of: Callable[[List[float]], npt.NDArray[np.float64]]) -> None:
    """Rows of the time (and, outside text, the Julian day), the body's cells and
    values_of(days)[instant, body] for each chunk of the grid's days."""
    as_text = arguments.format == "text"
    total = len(grid.julian_days) * len(per_body)
    progress = Progress(total, unit, enabled=total >= PROGRESS_FROM_ROWS)
    # The table starts with the first computed chunk, so a request that fails at once prints nothing.
    writer: Optional[TableWriter] = None
    try:
        for begin in range(0, len(grid.julian_days), CHUNK_INSTANTS):
            days = grid.julian_days[begin:begin + CHUNK_INSTANTS]
            values = values_of(days)
            per_instant = [(time_text(day),) if as_text else (time_text(day), day) for day in days]
            writer = writer or TableWriter(sys.stdout, arguments.format, header, columns,
                                           with_header=arguments.header)
            writer.write_grid(per_instant, per_body, values)
            progress.advance(values.shape[0] * values.shape[1])
    finally:
        progress.close()
    if writer is not None:
        writer.close()
