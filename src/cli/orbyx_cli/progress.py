"""A progress bar on stderr for long runs, drawn only when stderr is a terminal."""
from __future__ import annotations

import sys
from typing import Optional, TextIO

WIDTH = 30


class Progress:
    def __init__(self, total: int, unit: str, enabled: bool = True, stream: Optional[TextIO] = None) -> None:
        self.stream = sys.stderr if stream is None else stream
        self.total, self.unit, self.done = total, unit, 0
        self.visible = enabled and self.stream.isatty()

    def advance(self, count: int) -> None:
        self.done += count
        if self.visible:
            filled = WIDTH * self.done // max(self.total, 1)
            self.stream.write(f"\r[{'#' * filled}{'.' * (WIDTH - filled)}] "
                              f"{self.done}/{self.total} {self.unit}")
            self.stream.flush()

    def close(self) -> None:
        if self.visible:
            # Clear the bar so the terminal keeps only the table.
            self.stream.write("\r" + " " * (WIDTH + 2 * len(str(self.total)) + len(self.unit) + 5) + "\r")
            self.stream.flush()
