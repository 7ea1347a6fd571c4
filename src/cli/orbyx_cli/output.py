"""Tables as aligned text, CSV, JSON or JSON Lines.

Text leads with the provenance lines as `#` comments. Machine formats are clean by
default, for spreadsheets, `csv.reader` and pandas: CSV is one header row and data rows,
JSON Lines one object per row. With `--header` CSV gets the provenance as `#` lines before
its header row, JSON Lines a first object {"header": [...]}; a JSON document always holds
them under "header".
"""
from __future__ import annotations

import json
import math
from dataclasses import dataclass
from typing import Any, Callable, Dict, List, Optional, Sequence, TextIO, Tuple

import numpy as np
import numpy.typing as npt
import orbyx_ext


_CSV_SPECIAL = frozenset(',"\r\n')


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
    # The printf form of `text` for finite floats, which lets text tables format a grid in bulk.
    printf: Optional[str] = None

    @property
    def title(self) -> str:
        return self.heading or self.key


def _machine_value(value: Any) -> Any:
    # JSON has no NaN or infinity; an absent value is null either way.
    if isinstance(value, float) and not math.isfinite(value):
        return None
    return value


def _csv_cell(value: Any) -> str:
    text = "" if value is None else repr(value) if isinstance(value, float) else str(value)
    # Quoted as csv.writer quotes by default: only a field that would otherwise split.
    if _CSV_SPECIAL.isdisjoint(text):
        return text
    return '"' + text.replace('"', '""') + '"'


def _csv_line(cells: Sequence[Any]) -> str:
    return ",".join(map(_csv_cell, cells))


def _printf_safe(text: str) -> str:
    return text.replace("%", "%%")


class TableWriter:
    """Writes a table piece by piece, so that a long run holds one piece in memory at a time.

    Text rounds as each column says, padded to `widths`; CSV and JSON keep every float's
    shortest round-trip form (its repr). `with_header` puts the provenance lines into CSV and
    JSON Lines output; text and JSON always carry them.
    """

    def __init__(self, stream: TextIO, output_format: str, header: Sequence[str], columns: Sequence[Column],
                 widths: Optional[Sequence[int]] = None, with_header: bool = False) -> None:
        self.stream, self.format, self.columns = stream, output_format, list(columns)
        self.widths = list(widths) if widths else [max(len(column.title), column.width) for column in columns]
        self.rows_written = 0
        if output_format == "json":
            stream.write('{\n "header": ' + json.dumps(list(header)) + ',\n "rows": [')
        elif output_format == "jsonl":
            if with_header:
                stream.write(json.dumps({"header": list(header)}) + "\n")
        elif output_format == "csv":
            if with_header:
                stream.write("".join(f"# {note}\n" for note in header))
            stream.write(_csv_line([column.key for column in columns]) + "\n")
        else:
            stream.write("".join(f"# {note}\n" for note in header))
            self._write_text_line([column.title for column in columns])

    def write(self, rows: Sequence[Dict[str, Any]]) -> None:
        if self.format in ("json", "jsonl"):
            objects = [json.dumps({column.key: _machine_value(row.get(column.key)) for column in self.columns})
                       for row in rows]
            self._write_objects(objects)
        elif self.format == "csv":
            self.stream.write("".join(_csv_line([row.get(column.key) for column in self.columns]) + "\n"
                                      for row in rows))
        else:
            for row in rows:
                self._write_text_line([column.text(row.get(column.key)) for column in self.columns])

    def write_grid(self, per_instant: Sequence[Sequence[Any]], per_body: Sequence[Sequence[Any]],
                   values: npt.NDArray[np.float64]) -> None:
        """Rows of every instant with every body: an instant's cells, then a body's, then
        values[instant, body]. The cells fill the leading columns in order, the values the rest.

        The values of a whole piece are formatted in one call rather than cell by cell:
        machine formats by the companion's shortest_rows (the text of repr), text by one
        printf template.
        """
        values = np.asarray(values, dtype=np.float64)
        if not values.size:
            return
        split = len(per_instant[0])
        value_columns = self.columns[split + len(per_body[0]):]
        bulk_text = all(column.printf for column in value_columns)
        if not np.isfinite(values).all() or (self.format == "text" and not bulk_text):
            self.write(self._rows(per_instant, per_body, values))
            return
        flat = values.reshape(-1).tolist()
        if self.format == "text":
            instant_parts = [self._text_cells(cells, 0) for cells in per_instant]
            body_parts = [self._text_cells(cells, split) for cells in per_body]
            slots = "  ".join(f"%{width}{column.printf.lstrip('%')}" for column, width in
                              zip(value_columns, self.widths[len(self.columns) - len(value_columns):])
                              if column.printf) + "\n"
            template = "".join(_printf_safe(instant + body) + slots for instant in instant_parts for body in body_parts)
            self.stream.write(template % tuple(flat))
            return
        instant_parts, body_parts, suffixes = self._machine_parts(per_instant, per_body, value_columns)
        text = orbyx_ext.shortest_rows([instant + body for instant in instant_parts for body in body_parts],
                                       flat, suffixes)
        if self.format == "json":
            text = (",\n  " if self.rows_written else "\n  ") + text[:-len(",\n  ")]
        self.rows_written += len(per_instant) * len(per_body)
        self.stream.write(text)

    def close(self) -> None:
        if self.format == "json":
            self.stream.write("\n ]\n}\n")

    def _machine_parts(self, per_instant: Sequence[Sequence[Any]], per_body: Sequence[Sequence[Any]],
                       value_columns: Sequence[Column]) -> Tuple[List[str], List[str], List[str]]:
        """Each instant's start of a line, each body's continuation up to the first value,
        and what follows each value."""
        if self.format == "csv":
            return ([_csv_line(cells) + "," for cells in per_instant], [_csv_line(cells) + "," for cells in per_body],
                    [","] * (len(value_columns) - 1) + ["\n"])
        split = len(per_instant[0])
        keys = [json.dumps(column.key) + ": " for column in value_columns]
        end = "}\n" if self.format == "jsonl" else "},\n  "
        return (["{" + self._members(cells, 0) for cells in per_instant],
                [self._members(cells, split) + keys[0] for cells in per_body],
                [", " + key for key in keys[1:]] + [end])

    def _members(self, cells: Sequence[Any], first_column: int) -> str:
        return "".join(f"{json.dumps(column.key)}: {json.dumps(_machine_value(cell))}, "
                       for column, cell in zip(self.columns[first_column:], cells))

    def _text_cells(self, cells: Sequence[Any], first_column: int) -> str:
        return "".join(self._padded(self.columns[first_column + k].text(cell), first_column + k) + "  "
                       for k, cell in enumerate(cells))

    def _rows(self, per_instant: Sequence[Sequence[Any]], per_body: Sequence[Sequence[Any]],
              values: npt.NDArray[np.float64]) -> List[Dict[str, Any]]:
        keys = [column.key for column in self.columns]
        flat = values.reshape(len(per_instant), len(per_body), -1).tolist()
        return [dict(zip(keys, [*instant, *body, *numbers]))
                for instant, per_instant_values in zip(per_instant, flat)
                for body, numbers in zip(per_body, per_instant_values)]

    def _write_objects(self, objects: Sequence[str]) -> None:
        if not objects:
            return
        if self.format == "jsonl":
            self.stream.write("".join(line + "\n" for line in objects))
            return
        self.stream.write((",\n  " if self.rows_written else "\n  ") + ",\n  ".join(objects))
        self.rows_written += len(objects)

    def _padded(self, cell: str, index: int) -> str:
        column, width = self.columns[index], self.widths[index]
        return cell.ljust(width) if column.align_left else cell.rjust(width)

    def _write_text_line(self, cells: Sequence[str]) -> None:
        self.stream.write("  ".join(self._padded(cell, index) for index, cell in enumerate(cells)).rstrip() + "\n")


def write_table(stream: TextIO, output_format: str, header: Sequence[str], columns: Sequence[Column],
                rows: Sequence[Dict[str, Any]], with_header: bool = False) -> None:
    """Writes a whole table at once, text columns as wide as their widest cell."""
    widths = [max([len(column.title), column.width] + [len(column.text(row.get(column.key))) for row in rows])
              for column in columns]
    writer = TableWriter(stream, output_format, header, columns, widths, with_header)
    writer.write(rows)
    writer.close()
