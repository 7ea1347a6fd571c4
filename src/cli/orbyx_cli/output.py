"""Tables as aligned text, CSV or JSON, each led by the provenance lines."""
from __future__ import annotations

import csv
import json
import math
from dataclasses import dataclass
from typing import Any, Callable, Dict, Optional, Sequence, TextIO


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
    width: int = 0  # least width in text, for tables written piece by piece

    @property
    def title(self) -> str:
        return self.heading or self.key


def _machine_value(value: Any) -> Any:
    # JSON has no NaN or infinity; an absent value is null either way.
    if isinstance(value, float) and not math.isfinite(value):
        return None
    return value


class TableWriter:
    """Writes a table piece by piece, so that a long run holds one piece in memory at a time.

    Text rounds as each column says, padded to `widths`; CSV and JSON keep every float's
    shortest round-trip form. `header` leads as comment lines, or as the JSON "header" list.
    """

    def __init__(self, stream: TextIO, output_format: str, header: Sequence[str],
                 columns: Sequence[Column], widths: Optional[Sequence[int]] = None) -> None:
        self.stream, self.format, self.columns = stream, output_format, list(columns)
        self.widths = list(widths) if widths else [max(len(column.title), column.width) for column in columns]
        self.rows_written = 0
        if output_format == "json":
            stream.write('{\n "header": ' + json.dumps(list(header)) + ',\n "rows": [')
            return
        for note in header:
            stream.write(f"# {note}\n")
        if output_format == "csv":
            self.csv = csv.writer(stream, lineterminator="\n")
            self.csv.writerow([column.key for column in columns])
        else:
            self._write_text_line([column.title for column in columns])

    def write(self, rows: Sequence[Dict[str, Any]]) -> None:
        if self.format == "json":
            for row in rows:
                separator = ",\n  " if self.rows_written else "\n  "
                self.stream.write(separator + json.dumps(
                    {column.key: _machine_value(row.get(column.key)) for column in self.columns}))
                self.rows_written += 1
        elif self.format == "csv":
            self.csv.writerows([_csv_cell(row.get(column.key)) for column in self.columns] for row in rows)
        else:
            for row in rows:
                self._write_text_line([column.text(row.get(column.key)) for column in self.columns])

    def close(self) -> None:
        if self.format == "json":
            self.stream.write("\n ]\n}\n")

    def _write_text_line(self, cells: Sequence[str]) -> None:
        self.stream.write("  ".join(cell.ljust(width) if column.align_left else cell.rjust(width)
                                    for cell, width, column in zip(cells, self.widths, self.columns)).rstrip()
                          + "\n")


def _csv_cell(value: Any) -> Any:
    if value is None:
        return ""
    return repr(value) if isinstance(value, float) else value


def write_table(stream: TextIO, output_format: str, header: Sequence[str],
                columns: Sequence[Column], rows: Sequence[Dict[str, Any]]) -> None:
    """Writes a whole table at once, text columns as wide as their widest cell."""
    widths = [max([len(column.title), column.width] + [len(column.text(row.get(column.key))) for row in rows])
              for column in columns]
    writer = TableWriter(stream, output_format, header, columns, widths)
    writer.write(rows)
    writer.close()
