from collections.abc import Sequence

import numpy as np
import numpy.typing as npt

import orbyx

def convert(engine: orbyx.Engine, instant: orbyx.Instant, time_scale: str) -> tuple[orbyx.Instant, str]: ...
def instant_from_calendar(year: int, month: int, day: int, hour: int = 0, minute: int = 0,
                          second: float = 0.0, time_scale: str = "utc",
                          engine: orbyx.Engine | None = None) -> orbyx.Instant: ...
def calendar_from_instant(instant: orbyx.Instant) -> tuple[int, int, int, int, int, float]: ...
def horizontal(engine: orbyx.Engine, body: str, observer: orbyx.GeodeticObserver, instant: orbyx.Instant,
               pressure_mbar: float | None = None, temperature_c: float | None = None
               ) -> tuple[float, float, float, float, float, float, float, str]: ...
def horizontal_batch(engine: orbyx.Engine, body: Sequence[str], observer: orbyx.GeodeticObserver,
                     instant: Sequence[orbyx.Instant] | npt.NDArray[np.object_],
                     pressure_mbar: float | None = None, temperature_c: float | None = None
                     ) -> tuple[npt.NDArray[np.float64], str]: ...
def local_sidereal_time(engine: orbyx.Engine, observer: orbyx.GeodeticObserver,
                        instant: orbyx.Instant) -> tuple[float, str]: ...
