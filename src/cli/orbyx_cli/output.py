"""Tables as aligned text, CSV or JSON, each led by the provenance lines."""
from __future__ import annotations

import csv
import json
import math
from dataclasses import dataclass
from typing import Any, Callable, Dict, List, Optional, Sequence, TextIO


def fixed(decimals: int) -> Callable[[Any], str]:
    return lambda value: "-" if value is None else f"{value:.{decimals}f}"


def plain(value: Any) -> str:
    return "-" if value is None else str(value)


@dataclass(frozen=True)
class Column:
    """A column's key in each row, its heading and how aligned text shows a value."""

    key: str
    text: Callable[[Any], str] = plain
    heading: Optional[str] = None
    align_left: bool = False

    @property
    def title(self) -> str:
        return self.heading or self.key


def _machine_value(value: Any) -> Any:
    # JSON has no NaN or infinity; an absent value is null either way.
    if isinstance(value, float) and not math.isfinite(value):
        return None
    return value


def write_table(stream: TextIO, output_format: str, header: Sequence[str],
                columns: Sequence[Column], rows: Sequence[Dict[str, Any]]) -> None:
    """Writes `rows` (dicts keyed by the columns' keys) with `header` as comments or notes.

    Text rounds as each column says; CSV and JSON keep every float's shortest round-trip form.
    """
    if output_format == "json":
        document = {"header": list(header),
                    "rows": [{column.key: _machine_value(row.get(column.key)) for column in columns}
                             for row in rows]}
        json.dump(document, stream, indent=1)
        stream.write("\n")
        return
    for note in header:
        stream.write(f"# {note}\n")
    if output_format == "csv":
        writer = csv.writer(stream, lineterminator="\n")
        writer.writerow([column.key for column in columns])
        for row in rows:
            writer.writerow(["" if row.get(column.key) is None else repr(row[column.key])
                             if isinstance(row.get(column.key), float) else row[column.key]
                             for column in columns])
        return
    cells: List[List[str]] = [[column.title for column in columns]]
    cells += [[column.text(row.get(column.key)) for column in columns] for row in rows]
    widths = [max(len(cell_row[index]) for cell_row in cells) for index in range(len(columns))]
    for cell_row in cells:
        stream.write("  ".join(cell.ljust(width) if column.align_left else cell.rjust(width)
                               for cell, width, column in zip(cell_row, widths, columns)).rstrip() + "\n")
